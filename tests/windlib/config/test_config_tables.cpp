// The option tables as data, lookup, defaults, the option listing and level snapshots.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "config_test_support.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_files.h"
#include "windlib/config/config_options.h"
#include "windlib/config/config_tables.h"

TEST(ConfigTables, HoldEveryOptionWithItsType) {
    const int expectedSizes[] = {6, 70, 37, 83, 47, 174, 1, 8, 31, 13, 1};
    ASSERT_EQ(GetNumOptions(), 11);
    std::map<int, int> byType;
    int total = 0;
    for (int t = 0; t < GetNumOptions(); ++t) {
        int size = 0;
        for (const _ConfigOption* option = options[t]; option->name; ++option, ++size)
            ++byType[option->type];
        EXPECT_EQ(size, expectedSizes[t]) << "table " << t;
        total += size;
    }
    EXPECT_EQ(total, 471);
    EXPECT_EQ(byType[kConfigString], 184);
    EXPECT_EQ(byType[kConfigBoolean], 136);
    EXPECT_EQ(byType[kConfigColor], 68);
    EXPECT_EQ(byType[kConfigInteger], 34);
    EXPECT_EQ(byType[kConfigFunc], 22);
    EXPECT_EQ(byType[kConfigChoice], 21);
    EXPECT_EQ(byType[kConfigSize], 6);
}

// Each record carries what its type needs, and every default lies inside its own limits.
TEST(ConfigTables, RecordsAreCompleteForTheirType) {
    for (int t = 0; t < GetNumOptions(); ++t) {
        for (const _ConfigOption* option = options[t]; option->name; ++option) {
            SCOPED_TRACE(option->name);
            EXPECT_EQ(cfg_FindOption(option->name), option) << "name is not unique";
            if (option->type == kConfigFunc) {
                EXPECT_NE(option->handler, nullptr);
                continue;
            }
            ASSERT_NE(option->value, nullptr);
            if (option->type == kConfigInteger) {
                const _MinMax* range = static_cast<const _MinMax*>(option->extra);
                ASSERT_NE(range, nullptr);
                EXPECT_LE(range->minimum, option->defaultValue.number);
                EXPECT_GE(range->maximum, option->defaultValue.number);
            } else if (option->type == kConfigChoice) {
                const _ChoiceValues* choice = static_cast<const _ChoiceValues*>(option->extra);
                ASSERT_NE(choice, nullptr);
                bool found = false;
                for (; choice->name; ++choice)
                    found |= choice->value == option->defaultValue.number;
                EXPECT_TRUE(found) << "default is no choice";
            } else if (option->type == kConfigColor) {
                EXPECT_NE(option->extra, nullptr);
                EXPECT_EQ(strlen(option->defaultValue.text), 7u);
            }
        }
    }
}

TEST(ConfigTables, LookupIgnoresCaseAndRecordsTheLocation) {
    _ConfigOption* option = cfg_FindOption("TabSize");
    ASSERT_NE(option, nullptr);
    EXPECT_STREQ(option->name, "tabsize");
    int index = -1;
    EXPECT_EQ(cfg_SearchTable("tabsize", options[2], &index), option);
    EXPECT_EQ(option->location, 2 * 65536 + index);

    EXPECT_EQ(cfg_FindOption("BUTTON.OK"), cfg_SearchTable("button.ok", options[5], nullptr));
    EXPECT_EQ(cfg_FindOption("nosuchoption"), nullptr);
    EXPECT_EQ(cfg_SearchTable("tabsize", options[0], &index), nullptr);
    EXPECT_EQ(index, -1);
}

TEST(ConfigDefaults, FillOnlyWhatIsUnset) {
    cfg_tabsize = 3; // as if set on the command line before the defaults
    cfg_wrapcolumn = 0;
    cfg_rememberwindowpositions = 0;
    cfg_scrolllocation = 0;
    gen_free(cfg_prompt);
    cfg_prompt = nullptr;
    gen_free(cfg_editor);
    cfg_editor = gen_copy("ed");
    gen_free(cfg_background);
    cfg_background = gen_copy("#123456");

    cfg_SetEverythingToDefaults();
    EXPECT_EQ(cfg_tabsize, 3);
    EXPECT_EQ(cfg_wrapcolumn, 80);
    EXPECT_EQ(cfg_rememberwindowpositions, 1);
    EXPECT_EQ(cfg_scrolllocation, kScrolllocationRight);
    EXPECT_EQ(clickpause, 4);
    EXPECT_STREQ(cfg_prompt, "> ");
    EXPECT_STREQ(cfg_editor, "ed");
    EXPECT_STREQ(cfg_background, "#ffffff") << "colours always take their default";
}

TEST(ConfigDefaults, ColoursAreAllocatedAgainWithTheDisplayUp) {
    shr_CleanupColors(); // nothing left over from earlier tests
    FakeDisplay display;
    cfg_SetEverythingToDefaults();
    unsigned long first = cfg_background_pixel;
    EXPECT_NE(first, 0u);
    cfg_SetEverythingToDefaults();
    EXPECT_NE(cfg_background_pixel, first);
    EXPECT_EQ(display.freed.size(), 68u) << "every colour of the first round is released";
    shr_CleanupColors();
    EXPECT_EQ(display.freed.size(), 2 * 68u);
}

TEST(ConfigListing, ShowsVisibleNamesSortedInEightyColumns) {
    MessageRecorder messages;
    Config_ListAllConfigs();
    std::istringstream lines(messages.text());
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Possible configuration options are:");
    std::string previous;
    int names = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 80u);
        size_t start = 0;
        while (start < line.size()) {
            size_t end = line.find("  ", start);
            if (end == std::string::npos) end = line.size();
            std::string name = line.substr(start, end - start);
            EXPECT_EQ(name.find('.'), std::string::npos) << name;
            EXPECT_NE(name, "synchronous") << "hidden options stay out";
            EXPECT_LT(gen_stricmp(previous.c_str(), name.c_str()), 0) << previous << " " << name;
            previous = name;
            ++names;
            start = end + 2;
        }
    }
    EXPECT_GT(names, 250);
    EXPECT_TRUE(messages.text().find("  tabsize  ") != std::string::npos);
}

TEST(ConfigLevels, CompareFindsWhatChangedSinceTheSnapshot) {
    cfg_ScanLine("tabsize 8", true, false);
    cfg_ScanLine("wordwrap off", true, false);
    cfg_RememberCurrentSettings(kConfigLevelSite);
    cfg_ScanLine("tabsize 4", true, false);
    cfg_ScanLine("wordwrap on", true, false);
    cfg_ScanLine("wordwrap off", true, false);

    std::vector<_ConfigOption*> changed = cfg_CompareToCurrentSettings(kConfigLevelSite);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_STREQ(changed[0]->name, "tabsize");
    EXPECT_TRUE(cfg_CompareToCurrentSettings(kConfigLevelUser).empty()) << "no snapshot yet";
}
