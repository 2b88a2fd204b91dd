// The coloured-text browser without a display: the element sequences its appends make
// (margins, empty lines, tabs, breaks, rules), clearing and batches as the view hears
// them, recolouring and reverting, wrapping, and the text saved and printed. Every case
// runs on both stores.
#include <gtest/gtest.h>

#include <cstdio>

#include "shared/gen_hooks.h"
#include "support/temp_dir.h"
#include "tests/windlib/textview/textview_test_support.h"
#include "windlib/config/config_tables.h"
#include "windlib/textview/simplebrowser.h"

namespace {

class Browser : public ::testing::TestWithParam<bool> {
protected:
    DistinctPixels pixels;
    FixedMetricsView view;
    SimpleBrowser browser{&view, GetParam()};

    std::string Elements() { return Describe(browser.getStore()); }
    std::string Text() {
        char* text = browser.getText();
        std::string s = text;
        gen_free(text);
        return s;
    }
};

INSTANTIATE_TEST_SUITE_P(BothStores, Browser, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "ArrayStore" : "SimpleTextStore";
                         });

TEST_P(Browser, RedTextWithoutBackgroundThenLineBreakIsOneLineOnTheViewsBackground) {
    view.setBackground(9);
    browser.addColoredText("abc", red_pixel, (unsigned long)-1, -1);
    browser.addJustLineBreak();
    EXPECT_EQ(Elements(), "box(1,9) text(red/9:abc) |");
    EXPECT_EQ(view.getLineCount(), 1);
    EXPECT_TRUE(browser.isAtLineStart());
}

TEST_P(Browser, LineEndsTabsAndLengthsMakeTheDocumentedSequences) {
    browser.addText("a\n\nb");
    EXPECT_EQ(Elements(), "box(1,bg) text(fg/bg:a) | box(1,bg) text(fg/bg:) | box(1,bg) "
                          "text(fg/bg:b)");
    EXPECT_EQ(view.getLineCount(), 3);

    browser.clear();
    browser.addText("a\tb");
    EXPECT_EQ(Elements(), "box(1,bg) text(fg/bg:a) tab(bg) text(fg/bg:b)");

    // A tab that starts a line takes the margin first; a tab before a line end leaves no
    // empty text behind it.
    browser.clear();
    browser.addText("\tx\ty\t\n");
    EXPECT_EQ(Elements(), "box(1,bg) tab(bg) text(fg/bg:x) tab(bg) text(fg/bg:y) tab(bg) |");

    browser.clear();
    browser.addText("abc", 0);
    EXPECT_EQ(Elements(), "");
    EXPECT_TRUE(browser.isAtLineStart());
    browser.addText("abcdef", 2);
    browser.addRedText("x");
    EXPECT_EQ(Elements(), "box(1,bg) text(fg/bg:ab) text(red/bg:x)");
}

TEST_P(Browser, FontsLinksBreaksSplitsAndBars) {
    browser.addBigRedText("B");
    browser.addLink(nullptr, nullptr, "go");
    browser.addLineBreak((unsigned long)-1);
    browser.addLineBreak(red_pixel);
    browser.addSplit();
    browser.addRedBar();
    EXPECT_FALSE(browser.isAtLineStart());
    browser.addColoredLine(7, 2, 1, true, false);
    browser.addColoredLine(8, -5, 2, true, true);
    EXPECT_TRUE(browser.isAtLineStart());
    EXPECT_EQ(Elements(), "box(1,bg) text(big red/bg:B) link(keyword:go) box(3,bg) | "
                          "box(3,red) rule(red,13) | rule(fg,10) | rule(red,10) box(12,7) "
                          "rule(8,26) |");
}

TEST_P(Browser, MarginAndReadOnlyBackground) {
    browser.setMargin(-2);
    EXPECT_EQ(browser.getMargin(), 1);
    browser.setMargin(3);
    EXPECT_EQ(view.nextTabStop(3), 3 + 8 * 6);
    browser.addText("a\n");
    browser.addColoredText("b", 7, 8);
    browser.setReadOnlyBackground(true);
    EXPECT_TRUE(view.isReadOnlyBackground());
    browser.addText("c");
    EXPECT_EQ(Elements(), "box(3,control) text(fg/control:a) | box(3,control) "
                          "text(7/control:b) text(fg/control:c)");
    browser.setReadOnlyBackground(false);
    EXPECT_EQ(Elements(), "box(3,bg) text(fg/bg:a) | box(3,bg) text(7/bg:b) text(fg/bg:c)");
}

TEST_P(Browser, ClearTellsTheViewOnceAndBatchesSendOneChange) {
    for (int i = 0; i < 500; ++i) {
        browser.addText("line");
        browser.addJustLineBreak();
    }
    RecordingListener listener;
    browser.getStore()->addTextChangeListener(&listener);
    browser.clear();
    EXPECT_EQ(listener.events, std::vector<std::string>{"change"});
    EXPECT_EQ(view.getLineCount(), 0);
    EXPECT_TRUE(browser.isAtLineStart());

    listener.events.clear();
    browser.startBatch();
    browser.startBatch();
    browser.addText("a\nb\n");
    browser.endBatch();
    EXPECT_TRUE(listener.events.empty());
    browser.endBatch();
    EXPECT_EQ(listener.events, std::vector<std::string>{"change"});
    EXPECT_EQ(view.getLineCount(), 2);
    browser.getStore()->removeTextChangeListener(&listener);
}

TEST_P(Browser, RecolouringWithSaveThenRevertingRestoresEachElement) {
    browser.addText("one\n");
    browser.addColoredText("two", 7, 8);
    browser.addText("\tmore\n");
    browser.addRedText("three\n");
    browser.addText("four\n");
    std::string before = Elements();

    browser.changeForegroundColor(2, 3, 11, true);
    browser.changeBackgroundColor(2, 3, 12, true);
    EXPECT_EQ(Elements(), "box(1,bg) text(fg/bg:one) | box(1,12) text(11/12:two) tab(12) "
                          "text(11/12:more) | box(1,12) text(11/12:three) | box(1,bg) "
                          "text(fg/bg:four) |");
    browser.revertColor(2, 3, true);
    browser.revertColor(1, 4, false);
    EXPECT_EQ(Elements(), before);

    // Without save nothing is remembered; after clearReversions nothing is restored.
    browser.changeForegroundColor(1, 1, 11, false);
    browser.changeForegroundColor(4, 4, 11, true);
    browser.clearReversions();
    browser.revertColor(1, 4, true);
    EXPECT_EQ(Elements(), "box(1,bg) text(11/bg:one) | box(1,8) text(7/8:two) tab(bg) "
                          "text(fg/bg:more) | box(1,bg) text(red/bg:three) | box(1,bg) "
                          "text(11/bg:four) |");
}

TEST_P(Browser, AutoWrapCutsAtTheLastBlankOrMidWordAndIndents) {
    browser.setAutoWrap(60, 0, nullptr); // ten characters of font 0
    browser.addText("aaaa bbbb cccc\n");
    browser.addText("abcdefghijklmno\n");
    EXPECT_EQ(Text(), "aaaa bbbb\ncccc\nabcdefghij\nklmno\n");

    browser.clear();
    browser.setAutoWrap(60, 2, "-");
    browser.addText("abcdefghijklmno\nxy");
    EXPECT_EQ(Text(), "--abcdefgh\n--ijklmno\n--xy");
    // Text appended to a partial line wraps from where that line ends.
    browser.addText("zzzzzzzz");
    EXPECT_EQ(Text(), "--abcdefgh\n--ijklmno\n--xyzzzzzz\n--zz");
}

TEST_P(Browser, IndentCountWithoutStringIsReportedAndIgnored) {
    static std::string captured;
    captured.clear();
    GenMessageHook saved = gen_domessage;
    gen_domessage = [](int code, const char* format, va_list args) {
        char text[512];
        vsnprintf(text, sizeof text, format, args);
        captured = text;
        return code % 100;
    };
    browser.setAutoWrap(60, 3, nullptr);
    gen_domessage = saved;
    EXPECT_EQ(captured.rfind("Non-fatal assertion (non-zero indentation with empty string) "
                             "failed in '",
                             0),
              0u)
        << captured;
    browser.addText("abcdefghijkl");
    EXPECT_EQ(Text(), "abcdefghij\nkl");
}

TEST_P(Browser, SaveAndPrintWriteHeaderAndText) {
    ScopedTempDir dir;
    browser.addText("a\tb\nc");
    std::string path = dir.path() + "/saved.txt";
    EXPECT_TRUE(browser.saveText(path.c_str(), "Header"));
    EXPECT_EQ(ReadFile(path), "Header\na\tb\nc");
    EXPECT_TRUE(browser.saveText(path.c_str(), nullptr));
    EXPECT_EQ(ReadFile(path), "a\tb\nc");
    EXPECT_FALSE(browser.saveText((dir.path() + "/no/such/dir/x").c_str(), nullptr));

    char* savedCommand = cfg_printcommand;
    std::string printed = dir.path() + "/printed.txt";
    std::string command = "sh -c 'cat \"$0\" > " + printed + "'";
    cfg_printcommand = &command[0];
    EXPECT_TRUE(browser.printText("H\n"));
    EXPECT_EQ(ReadFile(printed), "H\na\tb\nc");
    std::string failing = "false";
    cfg_printcommand = &failing[0];
    EXPECT_FALSE(browser.printText(nullptr));
    cfg_printcommand = savedCommand;
}

TEST_P(Browser, ViewDeletedFirstLeavesTheBrowserWorking) {
    FixedMetricsView* own = new FixedMetricsView;
    SimpleBrowser* second = new SimpleBrowser(own, GetParam());
    second->addText("kept\n");
    gitemDelete(own);
    second->addText("more");
    char* text = second->getText();
    EXPECT_STREQ(text, "kept\nmore");
    gen_free(text);
    delete second;
}

TEST_P(Browser, NullTextIsAFatalAssertion) {
    EXPECT_EXIT(browser.addText(nullptr), ::testing::ExitedWithCode(1), "Assertion");
}

} // namespace
