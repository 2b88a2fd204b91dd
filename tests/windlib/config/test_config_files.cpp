// Configuration files: one file with good and bad lines, the error limit, the site and
// user files of a program start-up, the directories and the configuration file names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "config_test_support.h"
#include "shared/gen_context.h"
#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "support/temp_dir.h"
#include "windlib/config/config_commands.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/config_files.h"
#include "windlib/config/config_options.h"
#include "windlib/config/config_tables.h"
#include "xswitch/xswitch.h"

namespace {

std::string Lines(const std::string& line, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line + "\n";
    return text;
}

// Each test starts with no directory remembered and the program living in its own folder.
class ConfigFiles : public ::testing::Test {
protected:
    void SetUp() override {
        gen_cleanupconfigdirs();
        gen_changeprogdir(dir.path().c_str());
        switches.set(kSwitchUseSingleConfigFile, true);
        switches.set(kSwitchDashRunFixes, false);
    }
    void TearDown() override { gen_cleanupconfigdirs(); }

    std::string Name(const char* dirPath, const char* program, bool perProgram = false,
                     bool forWriting = false) {
        char* name = cfg_CreateConfigFilename(dirPath, program, perProgram, forWriting);
        std::string result = name ? name : "(null)";
        gen_free(name);
        return result;
    }

    ScopedTempDir dir;
    SwitchGuard switches;
    MessageRecorder messages;
};

} // namespace

TEST_F(ConfigFiles, GoodBadAndUnknownLinesAreAppliedOrReported) {
    WriteFile(dir / "a.cfg", "# settings\n"
                             "tabsize 3\n"
                             "\n"
                             "wordwrap sometimes\n"
                             "frobnicate 7\n"
                             "scrolllocation: right\r\n"
                             "endif\n"
                             "editor=\"my editor\"");
    EXPECT_TRUE(cfg_ReadFile((dir / "a.cfg").c_str(), true));
    EXPECT_EQ(cfg_tabsize, 3);
    EXPECT_EQ(cfg_scrolllocation, kScrolllocationRight);
    EXPECT_STREQ(cfg_editor, "my editor");
    EXPECT_EQ(messages.text(), "\"sometimes\" does not represent a boolean value. Use one of "
                               "these:\nyes on 1 true no off 0 false\n"
                               "\"sometimes\" is not a valid setting of wordwrap.\n"
                               "Unknown configuration option: frobnicate 7\n");
}

TEST_F(ConfigFiles, FiftiethBadLineAbandonsTheFile) {
    WriteFile(dir / "49.cfg", Lines("tabsize many", 49) + "tabsize 5\n");
    EXPECT_TRUE(cfg_ReadFile((dir / "49.cfg").c_str(), true));
    EXPECT_EQ(messages.errors(), 49);
    EXPECT_EQ(cfg_tabsize, 5);

    messages.clear();
    WriteFile(dir / "50.cfg", Lines("endif", 49) + "tabsize many\ntabsize 6\n");
    EXPECT_FALSE(cfg_ReadFile((dir / "50.cfg").c_str(), true));
    EXPECT_EQ(messages.text(),
              "\"many\" is not a valid setting of tabsize.\nToo many errors, aborting.\n");
    EXPECT_EQ(cfg_tabsize, 5) << "nothing after the 50th bad line is read";
}

TEST_F(ConfigFiles, MissingFileIsSilentAndTheTraceSwitchNamesReadFiles) {
    EXPECT_FALSE(cfg_ReadFile((dir / "none.cfg").c_str(), true));
    EXPECT_EQ(messages.text(), "");
    WriteFile(dir / "t.cfg", "tabsize 4\n");
    switches.set(130, true);
    EXPECT_TRUE(cfg_ReadFile((dir / "t.cfg").c_str(), true));
    EXPECT_EQ(messages.text(), "Reading Configuration File: " + (dir / "t.cfg") + "\n");
}

TEST_F(ConfigFiles, UserFileOverridesSiteFileAndTheSiteLevelIsRemembered) {
    switches.set(kSwitchUseSingleConfigFile, false);
    ShellStatus("mkdir -p '" + dir / "config" + "' '" + dir / "user" + "'");
    WriteFile(dir / "config/setup.cfg", "tabsize 3\nhistory 77\n");
    WriteFile(dir / "user/setup.cfg", "tabsize 5\n");
    cfg_SetUserConfigDir((dir / "user").c_str());

    EXPECT_EQ(shr_ReadConfigFiles("setup"), 1);
    EXPECT_EQ(cfg_tabsize, 5);
    EXPECT_EQ(cfg_history, 77);
    std::vector<_ConfigOption*> changed = cfg_CompareToCurrentSettings(kConfigLevelSite);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_STREQ(changed[0]->name, "tabsize");

    // While validation runs (dashRunFixes) neither file is read.
    switches.set(kSwitchDashRunFixes, true);
    cfg_ScanLine("tabsize 9", true, false);
    shr_ReadConfigFiles("setup");
    EXPECT_EQ(cfg_tabsize, 9);
}

TEST_F(ConfigFiles, ConfigureReadsAnotherFileButNotItselfForever) {
    WriteFile(dir / "more.cfg", "history 41\n");
    WriteFile(dir / "loop.cfg", "configure " + dir / "loop.cfg" + "\n");
    cfg_configuredFromOtherFile = false;
    EXPECT_EQ(cfg_ScanLine(("configure " + dir / "more.cfg").c_str(), true, false), 1);
    EXPECT_EQ(cfg_history, 41);
    EXPECT_TRUE(cfg_configuredFromOtherFile);

    EXPECT_EQ(cfg_ScanLine(("configure " + dir / "none.cfg").c_str(), true, false), 0);
    EXPECT_NE(messages.text().find("Can't open configuration file: " + dir / "none.cfg"),
              std::string::npos);
    messages.clear();
    cfg_ScanLine(("configure " + dir / "loop.cfg").c_str(), true, false);
    EXPECT_NE(messages.text().find("Configuration files nested too deeply: "), std::string::npos);
}

TEST_F(ConfigFiles, UserDirectoryIsHomeVtxAndIsMadeOnRequest) {
    std::string expected = TestHome() + "/.vtx";
    ShellStatus("rm -rf '" + expected + "'");
    EXPECT_EQ(cfg_GetUserConfigDir(false), expected);
    EXPECT_FALSE(PathExists(expected));
    EXPECT_EQ(cfg_GetUserConfigDir(true), expected);
    EXPECT_TRUE(PathExists(expected));

    EXPECT_EQ(cfg_ScanLine(("configdir " + dir / "mine").c_str(), true, false), 1);
    EXPECT_EQ(cfg_GetUserConfigDir(true), dir / "mine");
    EXPECT_TRUE(PathExists(dir / "mine"));
    EXPECT_EQ(cfg_GetSiteConfigDir(), dir / "config");
    EXPECT_EQ(cfg_GetSiteDefaultConfigDir(), dir / "defaults");
}

TEST_F(ConfigFiles, UncreatableUserDirectoryIsReportedOnce) {
    WriteFile(dir / "file", "");
    CDoSetConfigDir((dir / "file/sub").c_str());
    cfg_GetUserConfigDir(true);
    cfg_GetUserConfigDir(true);
    EXPECT_EQ(messages.text(), "Couldn't create user config directory: " + dir / "file/sub" + "\n");

    FakeDisplay display;
    CDoSetConfigDir((dir / "file/other").c_str());
    cfg_GetUserConfigDir(true);
    ASSERT_EQ(display.alerts.size(), 1u) << "an alert with the display up";
    EXPECT_EQ(display.alerts[0], "Couldn't create user config directory: " + dir / "file/other");
}

TEST_F(ConfigFiles, ValidationRunsUseValCfgInTheCurrentDirectory) {
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    gen_invalidate_cwd();
    switches.set(kSwitchDashRunFixes, true);
    std::string userDir = cfg_GetUserConfigDir(true);
    EXPECT_EQ(chdir(saved), 0);
    gen_invalidate_cwd();
    EXPECT_EQ(userDir, dir / "val_cfg");
    EXPECT_TRUE(PathExists(dir / "val_cfg"));
    EXPECT_EQ(messages.text(), "");
}

TEST_F(ConfigFiles, ConfigFileNameFollowsTheSingleFileSwitch) {
    const char* d = dir.path().c_str();
    EXPECT_EQ(Name(d, "/opt/tools/setup"), dir / "setup.cfg");
    WriteFile(dir / "vtx.cfg", "");
    EXPECT_EQ(Name(d, "setup"), dir / "vtx.cfg");
    EXPECT_EQ(Name(d, "setup", true), dir / "setup.cfg");
    ShellStatus("mkdir '" + dir / "override" + "'");
    WriteFile(dir / "override/setup.cfg", "");
    EXPECT_EQ(Name(d, "setup"), dir / "override/setup.cfg");
    EXPECT_EQ(Name(d, "setup", false, true), dir / "vtx.cfg");

    switches.set(kSwitchUseSingleConfigFile, false);
    EXPECT_EQ(Name(d, "setup.exe"), dir / "setup.cfg");
}
