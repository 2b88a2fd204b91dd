// The settings store: keys, window positions, the file written at exit and read at start,
// and the rewrite that never leaves half a file behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "config_test_support.h"
#include "shared/gen_dircursor.h"
#include "shared/gen_hooks.h"
#include "support/temp_dir.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/settings_manager.h"
#include "xswitch/xswitch.h"

namespace {

time_t FixedClock() {
    return 1000000000;
}

class SettingsStore : public ::testing::Test {
protected:
    SettingsStore() : savedClock_(cfg_settingsClock) { cfg_settingsClock = FixedClock; }
    ~SettingsStore() override { cfg_settingsClock = savedClock_; }

    std::string file() const { return dir / "orbitsettings.odb"; }

    // Entries of the test directory other than "." and "..".
    int Entries() const {
        char** names = nullptr;
        int count = gen_read_directory(dir.path().c_str(), &names);
        for (int i = 0; names && names[i]; ++i) gen_free(names[i]);
        gen_free(names);
        return count - 2;
    }

    // Runs `writeLargeTree` in a child whose files may not grow past 64 KB and returns how
    // the child ended.
    int WriteInChildWithSmallFileLimit(bool ignoreTheSignal) {
        pid_t child = fork();
        if (child == 0) {
            if (ignoreTheSignal) signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {64 * 1024, 64 * 1024};
            setrlimit(RLIMIT_FSIZE, &limit);
            SettingsManager_Impl settings(file().c_str());
            for (int i = 0; i < 20000; ++i)
                settings.setValue(i, "Big:group%d:value%d", i / 100, i % 100);
            _exit(settings.save() ? 0 : 3);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }

    ScopedTempDir dir;
    FakeDisplay display;
    SwitchGuard switches;

private:
    time_t (*savedClock_)();
};

} // namespace

TEST_F(SettingsStore, WindowPositionKeyWithBlankIsStoredTwoLevelsDeep) {
    SettingsManager_Impl settings(nullptr);
    display.hasWindow = true;
    display.window = ConfigRect{10, 20, 577, 417};
    display.hasParent = true;
    display.parent = ConfigRect{5, 6, 800, 600};
    ASSERT_TRUE(settings.saveWindowPosition(nullptr, "%s:first", "Main Window"));

    const OdbNode* tree = settings.database().top().child("WindowPositionsTree");
    ASSERT_NE(tree, nullptr);
    const OdbNode* group = tree->child("Main_Window");
    ASSERT_NE(group, nullptr);
    const OdbNode* first = group->child("first");
    ASSERT_NE(first, nullptr);
    for (const OdbNode* node : {first, group}) {
        EXPECT_EQ(node->value("timestamp")->number, 1000000000);
        EXPECT_EQ(node->value("abs_x")->number, 10);
        EXPECT_EQ(node->value("abs_h")->number, 417);
        EXPECT_EQ(node->value("par_w")->number, 800);
    }
    EXPECT_EQ(tree->value("abs_x"), nullptr) << "the tree itself holds no position";

    ConfigRect where = {0, 0, 0, 0};
    EXPECT_TRUE(settings.loadWindowPosition(&where, "Main Window:first"));
    EXPECT_EQ(where.width, 577);
    EXPECT_FALSE(settings.loadWindowPosition(&where, "Other"));
    display.hasWindow = false;
    EXPECT_FALSE(settings.saveWindowPosition(nullptr, "second"));
}

TEST_F(SettingsStore, ValuesByKey) {
    SettingsManager_Impl settings(nullptr);
    settings.setValue(42, "Editor:Fonts:size");
    settings.setValue("fixed 13", "Editor:Fonts:%s", "name");
    settings.setValue("yes", "Editor:flag");
    EXPECT_TRUE(settings.hasValue("Editor:Fonts:size"));
    EXPECT_FALSE(settings.hasValue("Editor:Fonts"));
    EXPECT_TRUE(settings.hasGroup("Editor:Fonts"));
    EXPECT_EQ(settings.getValueAsInt32(0, "Editor:Fonts:size"), 42);
    EXPECT_EQ(settings.getValueAsInt32(7, "Editor:Fonts:name"), 7);
    EXPECT_TRUE(settings.getValueAsBool(false, "Editor:flag"));
    EXPECT_TRUE(settings.getValueAsBool(true, "Editor:missing"));
    char* name = settings.getValueAsStr(nullptr, "Editor:Fonts:name");
    EXPECT_STREQ(name, "fixed 13");
    gen_free(name);
    char* size = settings.getValueAsStr(nullptr, "Editor:Fonts:size");
    EXPECT_STREQ(size, "42");
    gen_free(size);
    EXPECT_TRUE(settings.removeGroup("Editor:Fonts"));
    EXPECT_FALSE(settings.hasValue("Editor:Fonts:size"));
    EXPECT_TRUE(settings.hasValue("Editor:flag"));
}

TEST_F(SettingsStore, FileWrittenAtExitReadsBackToTheSameTree) {
    OptionsDb expected("expected");
    {
        SettingsManager_Impl settings(file().c_str());
        display.hasWindow = true;
        display.window = ConfigRect{3, 4, 500, 400};
        settings.saveWindowPosition(nullptr, "first");
        settings.setValue("a \"quoted\" text", "Other:text");
        ASSERT_TRUE(expected.readText(settings.database().format().c_str(), "expected"));
    }
    EXPECT_EQ(ReadFile(file()), "WindowPositionsTree.first.timestamp=1000000000\n"
                                "WindowPositionsTree.first.abs_x=3\n"
                                "WindowPositionsTree.first.abs_y=4\n"
                                "WindowPositionsTree.first.abs_w=500\n"
                                "WindowPositionsTree.first.abs_h=400\n"
                                "Other.text=\"a \\\"quoted\\\" text\"\n");
    SettingsManager_Impl reread(file().c_str());
    EXPECT_TRUE(reread.database().top().sameTree(expected.top()));
    EXPECT_EQ(reread.getValueAsInt32(0, "WindowPositionsTree:first:abs_w"), 500);
}

TEST_F(SettingsStore, ValidationRunsNeitherReadNorWriteTheFile) {
    WriteFile(file(), "kept=1\n");
    switches.set(kSwitchDashRunFixes, true);
    {
        SettingsManager_Impl settings(file().c_str());
        EXPECT_FALSE(settings.hasValue("kept"));
        settings.setValue(2, "new");
    }
    EXPECT_EQ(ReadFile(file()), "kept=1\n");
}

TEST_F(SettingsStore, DamagedFileIsKeptBesideTheNewOne) {
    MessageRecorder messages;
    WriteFile(file(), "good=1\nbad ?? line\nalso=2\n");
    {
        SettingsManager_Impl settings(file().c_str());
        EXPECT_EQ(settings.getValueAsInt32(0, "also"), 2) << "the rest of the file is used";
    }
    EXPECT_EQ(ReadFile(file() + ".bak"), "good=1\nbad ?? line\nalso=2\n");
    EXPECT_EQ(ReadFile(file()), "good=1\nalso=2\n");
}

TEST_F(SettingsStore, CrashDuringTheRewriteLeavesTheOldFile) {
    WriteFile(file(), "old=1\n");
    int status = WriteInChildWithSmallFileLimit(false);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child should die in the middle of the write";
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(ReadFile(file()), "old=1\n");
}

TEST_F(SettingsStore, FailedWriteLeavesTheOldFileAndNoTemporary) {
    WriteFile(file(), "old=1\n");
    int status = WriteInChildWithSmallFileLimit(true);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3) << "save reports the failure";
    EXPECT_EQ(ReadFile(file()), "old=1\n");
    EXPECT_EQ(Entries(), 1);
}

TEST_F(SettingsStore, WritesInPlaceWhenNoTemporaryFileCanBeMade) {
    // Long enough that the name plus "_XXXXXX" exceeds what a directory entry may hold.
    std::string path = dir / std::string(250, 's');
    {
        SettingsManager_Impl settings(path.c_str());
        settings.setValue(5, "n");
    }
    EXPECT_EQ(ReadFile(path), "n=5\n");
    EXPECT_EQ(Entries(), 1);
}

TEST_F(SettingsStore, TheProcessStoreIsWrittenAtExitIntoTheUserDirectory) {
    gen_cleanupconfigdirs();
    std::string userDir = TestHome() + "/.vtx";
    ShellStatus("rm -rf '" + userDir + "'");
    pid_t child = fork();
    if (child == 0) {
        SettingsManager::get()->setValue(7, "Installer:runs");
        exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile(userDir + "/orbitsettings.odb"), "Installer.runs=7\n");
}
