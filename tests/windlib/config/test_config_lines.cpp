// One configuration line: splitting, every value type, and the messages for bad lines.
#include <gtest/gtest.h>

#include <string>

#include "config_test_support.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_files.h"
#include "windlib/config/config_options.h"
#include "windlib/config/config_tables.h"
#include "xswitch/xswitch.h"

namespace {

int Scan(const char* line) {
    return cfg_ScanLine(line, true, false);
}

void SetString(char** variable, const char* text) {
    gen_free(*variable);
    *variable = text ? gen_copy(text) : nullptr;
}

} // namespace

TEST(ConfigLine, NameAndValueMaySeparateByBlankColonOrEquals) {
    MessageRecorder messages;
    AnyRefreshes = 0;
    EXPECT_EQ(Scan("tabsize: 5"), 1);
    EXPECT_EQ(cfg_tabsize, 5);
    EXPECT_EQ(Scan("tabsize=6"), 1);
    EXPECT_EQ(cfg_tabsize, 6);
    EXPECT_EQ(Scan("  \tTABSIZE = 7 \t\r\n"), 1);
    EXPECT_EQ(cfg_tabsize, 7);
    EXPECT_EQ(Scan("tabsize 9 # comment after the value"), 1);
    EXPECT_EQ(cfg_tabsize, 9);
    EXPECT_EQ(messages.text(), "");
    EXPECT_EQ(AnyRefreshes & kRefreshText, kRefreshText);
}

TEST(ConfigLine, CommentsEmptyLinesAndConditionals) {
    MessageRecorder messages;
    EXPECT_EQ(Scan(""), 1);
    EXPECT_EQ(Scan("   \r\n"), 1);
    EXPECT_EQ(Scan("# tabsize 3"), 1);
    EXPECT_EQ(Scan("#tabsize=3"), 1);
    EXPECT_EQ(Scan("endif"), 0);
    EXPECT_EQ(Scan("ELSE"), 0);
    EXPECT_EQ(Scan("elseif something"), 0);
    EXPECT_EQ(Scan("elif"), 0);
    EXPECT_EQ(messages.text(), "");
}

TEST(ConfigLine, IntegersTakeUnitsAllAndStayInRange) {
    MessageRecorder messages;
    Scan("history 2K");
    EXPECT_EQ(cfg_history, 2048);
    Scan("history 0x20");
    EXPECT_EQ(cfg_history, 32);
    Scan("history 010");
    EXPECT_EQ(cfg_history, 8);
    Scan("history all");
    EXPECT_EQ(cfg_history, 100000);
    Scan("history 1m");
    EXPECT_EQ(cfg_history, 100000) << "clamped to the maximum";
    Scan("history -5");
    EXPECT_EQ(cfg_history, 0);
    Scan("tabsize 0");
    EXPECT_EQ(cfg_tabsize, 1) << "raised to the minimum";
    Scan("tabsize 99999999999999999999");
    EXPECT_EQ(cfg_tabsize, 64);
    EXPECT_EQ(messages.text(), "");
}

TEST(ConfigLine, BadIntegerReportsTheValueAndWithoutOneTheCurrentSetting) {
    MessageRecorder messages;
    Scan("tabsize 8");
    EXPECT_EQ(Scan("tabsize eight"), 0);
    EXPECT_EQ(messages.text(), "\"eight\" is not a valid setting of tabsize.\n");
    messages.clear();
    EXPECT_EQ(Scan("tabsize"), 0);
    EXPECT_EQ(messages.text(),
              "\"\" is not a valid setting of tabsize.\nCurrent setting of tabsize: 8\n");
    messages.clear();
    SwitchGuard switches;
    switches.set(kSwitchDontAllowNullInConfigOptions, true);
    EXPECT_EQ(Scan("tabsize:"), 0);
    EXPECT_EQ(messages.text(),
              "NULL is not a valid setting for tabsize.\nCurrent setting of tabsize: 8\n");
    EXPECT_EQ(cfg_tabsize, 8);
}

TEST(ConfigLine, BooleansTakeTheirWordsAndToggleWithoutValue) {
    MessageRecorder messages;
    Scan("wordwrap off");
    EXPECT_EQ(Scan("wordwrap"), 1);
    EXPECT_EQ(cfg_wordwrap, 1);
    EXPECT_EQ(Scan("WordWrap"), 1);
    EXPECT_EQ(cfg_wordwrap, 0);
    EXPECT_EQ(messages.text(), "Toggling wordwrap:  new value is On\n"
                               "Toggling wordwrap:  new value is Off\n");
    messages.clear();
    for (const char* word : {"YES", "on", "1", "True"}) {
        Scan("wordwrap no");
        Scan((std::string("wordwrap ") + word).c_str());
        EXPECT_EQ(cfg_wordwrap, 1) << word;
    }
    for (const char* word : {"NO", "Off", "0", "false"}) {
        Scan("wordwrap yes");
        Scan((std::string("wordwrap ") + word).c_str());
        EXPECT_EQ(cfg_wordwrap, 0) << word;
    }
    EXPECT_EQ(messages.text(), "");
    EXPECT_EQ(Scan("wordwrap maybe"), 0);
    EXPECT_EQ(messages.text(), "\"maybe\" does not represent a boolean value. Use one of these:\n"
                               "yes on 1 true no off 0 false\n"
                               "\"maybe\" is not a valid setting of wordwrap.\n");
}

TEST(ConfigLine, ChoicesTakeTheirNamesAndListThemWhenWrong) {
    MessageRecorder messages;
    EXPECT_EQ(Scan("scrolllocation LEFT"), 1);
    EXPECT_EQ(cfg_scrolllocation, kScrolllocationLeft);
    EXPECT_EQ(Scan("scrolllocation middle"), 0);
    EXPECT_EQ(messages.text(), "Invalid setting: middle\nValid settings:\n  left\n  right\n");
    messages.clear();
    EXPECT_EQ(Scan("scrolllocation"), 0);
    EXPECT_EQ(messages.text(), "Must give new setting\nValid settings:\n  left\n  right\n"
                               "Current setting of scrolllocation: left\n");
    EXPECT_EQ(cfg_scrolllocation, kScrolllocationLeft);
}

TEST(ConfigLine, UnknownOptionIsReportedWithItsValue) {
    MessageRecorder messages;
    EXPECT_EQ(Scan("frobnicate  12 34"), 0);
    EXPECT_EQ(messages.text(), "Unknown configuration option: frobnicate 12 34\n");
    EXPECT_EQ(messages.errors(), 1);
}

TEST(ConfigLine, StringsTakeOneWordAndEmptyMeansNull) {
    MessageRecorder messages;
    Scan("editor emacs -nw");
    EXPECT_STREQ(cfg_editor, "emacs");
    Scan("prompt \"(db) say \\\"hi\\\"\"");
    EXPECT_STREQ(cfg_prompt, "(db) say \"hi\"");
    char* before = cfg_editor;
    Scan("editor EMACS");
    EXPECT_EQ(cfg_editor, before) << "equal without regard to case: nothing changes";
    EXPECT_EQ(messages.text(), "");

    EXPECT_EQ(Scan("editor"), 1);
    EXPECT_EQ(cfg_editor, nullptr);
    EXPECT_EQ(messages.text(), "Setting option editor to NULL.  Previous value: \"emacs\"\n");

    SwitchGuard switches;
    switches.set(kSwitchDontAllowNullInConfigOptions, true);
    SetString(&cfg_editor, "vi");
    cfg_RefuseNullValues = true;
    messages.clear();
    EXPECT_EQ(Scan("editor"), 0);
    cfg_RefuseNullValues = false;
    EXPECT_STREQ(cfg_editor, "vi");
    EXPECT_EQ(messages.text(),
              "NULL is not a valid setting for editor.\nCurrent setting of editor: vi\n");
}

TEST(ConfigLine, SizesReadWidthHeightAndUnit) {
    MessageRecorder messages;
    EXPECT_EQ(Scan("minviewsize 80x24c"), 1);
    EXPECT_EQ(cfg_minviewsize.width, 80);
    EXPECT_EQ(cfg_minviewsize.height, 24);
    EXPECT_EQ(cfg_minviewsize.suffix, 'c');
    EXPECT_EQ(Scan("minviewsize"), 1);
    EXPECT_EQ(messages.text(), "Setting minviewsize to -1x-1.  Previous value: 80x24c\n");
    EXPECT_EQ(cfg_minviewsize.width, -1);
    EXPECT_EQ(Scan("minviewsize wide"), 0);
}

TEST(ConfigLine, ColoursWithoutDisplayAreKeptAsText) {
    MessageRecorder messages;
    EXPECT_EQ(Scan("comment light sea green"), 1);
    EXPECT_STREQ(cfg_comment, "light sea green");
    EXPECT_EQ(Scan("comment"), 0);
    EXPECT_STREQ(cfg_comment, "light sea green");
}

TEST(ConfigLine, ColoursWithTheDisplayUpAllocateAndRecolour) {
    MessageRecorder messages;
    FakeDisplay display;
    Scan("select #102030");
    unsigned long first = cfg_select_pixel;
    EXPECT_EQ(display.recolors, 1);
    Scan("select #405060");
    EXPECT_STREQ(cfg_select, "#405060");
    EXPECT_NE(cfg_select_pixel, first);
    ASSERT_FALSE(display.freed.empty());
    EXPECT_EQ(display.freed.back(), first);
    Scan("background #ffffff");
    EXPECT_EQ(display.backgroundReallocs, 1);

    EXPECT_EQ(Scan("select no-such-colour"), 0);
    EXPECT_STREQ(cfg_select, "#405060");
    display.colorsUsable = false;
    EXPECT_EQ(Scan("select #000000"), 0) << "refused on a black-and-white display";
    EXPECT_STREQ(cfg_select, "#405060");
}

TEST(ConfigLine, SharedOptionsGoToTheServiceUnlessLocalOrFromAFile) {
    MessageRecorder messages;
    SwitchGuard switches;
    Scan("tabsize 8");
    switches.set(kSwitchConfigService, true);
    EXPECT_EQ(cfg_ScanLine("tabsize 4", false, false), 1);
    EXPECT_EQ(cfg_tabsize, 8) << "sent to the server, not applied";
    EXPECT_EQ(cfg_ScanLine("tabsize 4", false, true), 1);
    EXPECT_EQ(cfg_tabsize, 4);
    EXPECT_EQ(cfg_ScanLine("history 12", false, false), 1);
    EXPECT_EQ(cfg_history, 12) << "not a shared option";
}
