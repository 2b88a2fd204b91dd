// The toolkit's own options, read before any display: -X/-Z switch settings by name and
// number, the warning for unknown switches, the words after which nothing is touched,
// -configdir, the -isdn levels, and the switch files.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "shared/indgen.h"
#include "support/temp_dir.h"
#include "windlib/config/config_commands.h"
#include "windlib/config/config_dirs.h"
#include "windlib/wabout.h"
#include "windlib/wstartup.h"
#include "xswitch/xswitch.h"

namespace {

std::string warnings;
int Capture(int code, const char* format, va_list args) {
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    warnings += text;
    warnings += "\n";
    return code;
}

class ToolkitOptions : public ::testing::Test {
protected:
    void SetUp() override {
        static bool once = false;
        if (!once) {
            once = true;
            gen_init("toolkit_tests", 0, 0);
        }
        abReset();
        abSetup("Options", "Tests", "About", nullptr);
        warnings.clear();
        gen_domessage = Capture;
        ISDN_mode = 0;
    }
    void TearDown() override { gen_domessage = gen_default_domessage; }

    // Runs the scan over the words (argv[0] added); returns what is left.
    std::vector<std::string> Scan(std::vector<std::string> words) {
        words.insert(words.begin(), "prog");
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);
        int argc = (int)words.size();
        init_prior_to_gui(&argc, argv.data());
        std::vector<std::string> left;
        for (int i = 1; i < argc; ++i) left.push_back(argv[i]);
        EXPECT_EQ(argv[argc], nullptr);
        return left;
    }
};

TEST_F(ToolkitOptions, SwitchesSetByNameAndNumberAndRemoved) {
    auto left = Scan({"-XStatistics", "keep", "-ZUseFDRegistry", "-X1126", "-Zflattoolbars"});
    EXPECT_EQ(left, std::vector<std::string>({"keep"}));
    EXPECT_EQ(debugFlag[kSwitchStatistics], 1);
    EXPECT_EQ(debugFlag[kSwitchUseFDRegistry], 0);
    EXPECT_EQ(debugFlag[kSwitchSetEnvWhenDisplayIsGiven], 1);
    EXPECT_EQ(debugFlag[kSwitchFlatToolbars], 0);
    EXPECT_TRUE(warnings.empty()) << warnings;
}

TEST_F(ToolkitOptions, UnknownSwitchWarnsAndIsRemoved) {
    auto left = Scan({"-Xfoo", "x"});
    EXPECT_EQ(left, std::vector<std::string>({"x"}));
    EXPECT_NE(warnings.find("Ignoring unknown switch \"-Xfoo\""), std::string::npos) << warnings;
}

TEST_F(ToolkitOptions, WordsAfterStopWordsAreLeftAlone) {
    for (const char* stop : {"--", "-run", "-rungui"}) {
        auto left = Scan({"-nosplash", stop, "-XStatistics", "-isdn3"});
        EXPECT_EQ(left, std::vector<std::string>({stop, "-XStatistics", "-isdn3"})) << stop;
        EXPECT_EQ(debugFlag[kSwitchStatistics], 0) << stop;
        EXPECT_EQ(ISDN_mode, 0) << stop;
        EXPECT_FALSE(display_splash_on_startup);
    }
}

TEST_F(ToolkitOptions, WmhintsActsButStays) {
    cfg_useWMHinting = false;
    auto left = Scan({"-wmhints", "-splash"});
    EXPECT_EQ(left, std::vector<std::string>({"-wmhints"}));
    EXPECT_TRUE(cfg_useWMHinting);
    EXPECT_TRUE(display_splash_on_startup);
}

TEST_F(ToolkitOptions, ConfigdirTakesTheNextWordAndAloneIsJustRemoved) {
    ScopedTempDir dir;
    auto left = Scan({"a", "-configdir", dir.path(), "b"});
    EXPECT_EQ(left, std::vector<std::string>({"a", "b"}));
    EXPECT_EQ(std::string(cfg_GetUserConfigDir(false)), dir.path());
    gen_cleanupconfigdirs();
    std::string before = cfg_GetUserConfigDir(false);
    left = Scan({"a", "-configdir"});
    EXPECT_EQ(left, std::vector<std::string>({"a"}));
    EXPECT_EQ(std::string(cfg_GetUserConfigDir(false)), before);
}

TEST_F(ToolkitOptions, IsdnLevels) {
    Scan({"-isdn"});
    EXPECT_EQ(ISDN_mode, 1);
    Scan({"-isdn7"});
    EXPECT_EQ(ISDN_mode, 7);
    Scan({"-noicons"});
    EXPECT_EQ(ISDN_mode, 9);
    EXPECT_EQ(debugFlag[kSwitchFlatToolbars], 0);
}

TEST_F(ToolkitOptions, SwitchFileSetsKnownNamesAndWarnsOfOthers) {
    ScopedTempDir dir;
    std::string path = dir / "prog.xsw";
    WriteFile(path, "# comment\n\n  Statistics 1\nUseFDRegistry 0\nNoValueHere\nBogusName 1\n");
    InitDebugFlag();
    ASSERT_TRUE(ReadSwitchFile(path.c_str()));
    EXPECT_EQ(debugFlag[kSwitchStatistics], 1);
    EXPECT_EQ(debugFlag[kSwitchUseFDRegistry], 0);
    EXPECT_NE(warnings.find("Ignoring unknown option \"BogusName\" in \"" + path + "\""),
              std::string::npos)
        << warnings;
    EXPECT_EQ(warnings.find("NoValueHere"), std::string::npos);
    EXPECT_FALSE(ReadSwitchFile((dir / "missing.xsw").c_str()));
}

TEST_F(ToolkitOptions, AboutBoxNamesTheProgram) {
    EXPECT_STREQ(abGetProgramName(), "Options Version 5.0 Alpha");
    EXPECT_DEATH(abSetup("Again", "x", "y", nullptr), "abInfo.setupCalled");
}

} // namespace
