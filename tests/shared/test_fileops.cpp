// File operations on real files in a scoped temporary directory: creation and removal,
// temporary directory names, copy and move, permission changes and queries.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <string>

#include "shared/gen_context.h"
#include "shared/gen_fileops.h"
#include "shared/gen_hooks.h"
#include "support/temp_dir.h"

namespace {

// Owns a temporary directory, which is also the temporary directory the code under test
// sees (TMPDIR) while the test runs.
class FileOpsTest : public testing::Test {
protected:
    void SetUp() override {
        const char* old = getenv("TMPDIR");
        if (old != nullptr) savedTmp_ = old;
        setenv("TMPDIR", dir_.path().c_str(), 1);
        umask(022);
    }
    void TearDown() override {
        if (savedTmp_.empty()) unsetenv("TMPDIR");
        if (!savedTmp_.empty()) setenv("TMPDIR", savedTmp_.c_str(), 1);
    }
    // The full name of an entry of the test directory, valid for the whole test.
    const char* At(const std::string& name) { return names_.emplace_back(dir_ / name).c_str(); }
    mode_t ModeOf(const std::string& name) {
        struct stat status;
        return stat(At(name), &status) == 0 ? status.st_mode & 07777 : 0;
    }
    std::string Take(char* name) {
        std::string copy = name != nullptr ? name : "<null>";
        gen_free(name);
        return copy;
    }

    ScopedTempDir dir_;
    std::string savedTmp_;
    std::deque<std::string> names_;
};

// Copies under a file-size limit that makes the second block's write come up short; the
// exit status says whether the copy failed and left no target behind.
void CopyUnderSizeLimit(const char* from, const char* to) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = 2000;
    setrlimit(RLIMIT_FSIZE, &limit);
    exit(gen_copyfile(from, to) == -1 && !PathExists(to) ? 0 : 1);
}

} // namespace

TEST_F(FileOpsTest, CreationAndRemovalOfSingleEntries) {
    EXPECT_EQ(0, gen_createdir_recursive(At("a/b/c"), 0750));
    EXPECT_EQ(0750u, ModeOf("a/b"));
    EXPECT_EQ(0750u, ModeOf("a/b/c"));
    WriteFile(dir_ / "file", "x");
    EXPECT_EQ(-1, gen_createdir(At("file"), 0755));
    EXPECT_EQ(-1, gen_createdir_recursive(At("file/sub"), 0755));
    EXPECT_EQ(-1, gen_removefile(At("a")));
    EXPECT_TRUE(gen_isdir(At("a")));
    EXPECT_EQ(0, gen_removefile(At("file")));
    EXPECT_FALSE(PathExists(dir_ / "file"));
}

TEST_F(FileOpsTest, RecursiveRemovalNeverFollowsLinksOutOfTheTree) {
    gen_createdir_recursive(At("outside/keep"), 0755);
    WriteFile(dir_ / "outside/keep/precious", "x");
    gen_createdir_recursive(At("tree/sub/deeper"), 0755);
    WriteFile(dir_ / "tree/sub/deeper/b", "x", 0444);
    WriteFile(dir_ / "tree/~home", "x"); // must not be taken for a home-relative name
    ASSERT_EQ(0, gen_symlink(At("outside"), At("tree/sub/link")));
    ASSERT_EQ(0, gen_symlink("nowhere", At("tree/dangling")));
    ASSERT_EQ(0, gen_symlink(At("outside"), At("toplink")));

    EXPECT_EQ(0, gen_removestar_recursive(At("tree")));
    EXPECT_TRUE(gen_isemptydir(At("tree")));
    EXPECT_EQ(0, gen_removedir_recursive(At("tree")));
    EXPECT_FALSE(PathExists(dir_ / "tree"));
    EXPECT_EQ(0, gen_removedir_recursive(At("toplink")));
    EXPECT_FALSE(PathExists(dir_ / "toplink"));
    ASSERT_EQ(0, gen_symlink(At("outside"), At("slashlink")));
    EXPECT_EQ(0, gen_removedir_recursive((dir_ / "slashlink/").c_str())) << "trailing slash";
    EXPECT_FALSE(PathExists(dir_ / "slashlink"));
    EXPECT_TRUE(PathExists(dir_ / "outside/keep/precious"));
    EXPECT_EQ(-1, gen_removedir_recursive(At("missing")));
}

TEST_F(FileOpsTest, TmpdirnameCountsThroughFreeNames) {
    char base[16];
    snprintf(base, sizeof base, "vt%04X", static_cast<unsigned>(getpid()) & 0xFFFFu);
    std::string stem = dir_ / base;
    const char* preferred = dir_.path().c_str();
    std::string made = Take(gen_createtmpdir(preferred, 0700));
    EXPECT_EQ(stem + "aa", made);
    EXPECT_EQ(0700u, ModeOf(base + std::string("aa")));
    EXPECT_EQ(stem + "ab", Take(gen_tmpdirname(preferred)));
    // The second letter runs a..z then 0..9, then carries into the first.
    const std::string letters = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (char c : letters.substr(1)) WriteFile(stem + "a" + c, "");
    EXPECT_EQ(stem + "ba", Take(gen_tmpdirname(preferred)));
    for (char first : letters.substr(1))
        for (char second : letters) WriteFile(stem + first + second, "");
    EXPECT_EQ("<null>", Take(gen_tmpdirname(preferred)));
    EXPECT_EQ("<null>", Take(gen_createtmpdir(preferred, 0700)));
}

TEST_F(FileOpsTest, CopyfileCopiesContentsAndModeAndLosesNothingOnBadInput) {
    std::string contents(5000, 'x');
    for (size_t i = 0; i < contents.size(); i++) contents[i] = static_cast<char>('a' + i % 26);
    WriteFile(dir_ / "from", contents, 0751);
    EXPECT_EQ(0, gen_copyfile(At("from"), At("to")));
    EXPECT_EQ(contents, ReadFile(dir_ / "to"));
    EXPECT_EQ(0751u, ModeOf("to"));

    EXPECT_EQ(-1, gen_copyfile(At("missing"), At("new")));
    EXPECT_EQ(-1, gen_copyfile(At("from"), At("from")));
    EXPECT_EQ(contents, ReadFile(dir_ / "from"));
    mkdir(At("d"), 0755);
    EXPECT_EQ(-1, gen_copyfile(At("d"), At("new")));
    EXPECT_FALSE(PathExists(dir_ / "new"));
    EXPECT_EXIT(CopyUnderSizeLimit(At("from"), At("new")), testing::ExitedWithCode(0), "");
}

TEST_F(FileOpsTest, RenameAndMoveLeaveDirectoriesAndTargetsAlone) {
    WriteFile(dir_ / "a", "A");
    EXPECT_EQ(0, gen_renamefile(At("a"), At("b")));
    EXPECT_EQ(0, gen_movefile(At("b"), At("c")));
    EXPECT_EQ("A", ReadFile(dir_ / "c"));
    EXPECT_FALSE(PathExists(dir_ / "b"));
    mkdir(At("d"), 0755);
    EXPECT_EQ(-1, gen_renamefile(At("d"), At("e")));
    EXPECT_EQ(-1, gen_movefile(At("d"), At("e")));
    EXPECT_FALSE(PathExists(dir_ / "e"));
    EXPECT_EQ(-1, gen_movefile(At("missing"), At("c")));
    EXPECT_EQ("A", ReadFile(dir_ / "c"));
}

TEST_F(FileOpsTest, PermissionChangesReturnTheModeFoundBefore) {
    WriteFile(dir_ / "f", "x", 0644);
    EXPECT_EQ(S_IFREG | 0644u, gen_chmod_minusw(At("f"), 0));
    EXPECT_EQ(0444u, ModeOf("f"));
    gen_chmod_plusw(At("f"), 0);
    EXPECT_EQ(0664u, ModeOf("f"));
    gen_chmod_pluswu(At("f"), 0466);
    EXPECT_EQ(0644u, ModeOf("f"));
    WriteFile(dir_ / "model", "", 0601);
    EXPECT_EQ(S_IFREG | 0601u, gen_chmod_sameas(At("f"), At("model")));
    EXPECT_EQ(0u, gen_chmod_sameas(At("f"), At("missing")));
    EXPECT_EQ(0601u, ModeOf("f"));
}

TEST_F(FileOpsTest, QueriesDescribeWhatIsOnDisk) {
    WriteFile(dir_ / "f", "12345");
    mode_t mode = 0;
    EXPECT_EQ(0u, gen_getmode(At("missing"), &mode));
    EXPECT_EQ(0664u, mode);
    EXPECT_EQ(0, gen_islink(dir_.path().c_str()));
    gen_symlink(At("f"), At("sym"));
    EXPECT_EQ(1, gen_islink(At("sym")));
    gen_link(At("f"), At("hard"));
    EXPECT_EQ(2, gen_islink(At("f")));

    WriteFile(dir_ / "old", "");
    struct timespec times[2] = {{1000, 0}, {1000, 0}};
    utimensat(AT_FDCWD, At("old"), times, 0);
    EXPECT_EQ(1, gen_newerthan(At("f"), At("old")));
    EXPECT_EQ(0, gen_newerthan(At("old"), At("f")));
    EXPECT_EQ(-1, gen_newerthan(At("missing"), At("f")));
}

TEST_F(FileOpsTest, ChdirRefreshesTheCurrentDirectoryCache) {
    std::string before = gen_getcwd();
    mkdir(At("here"), 0755);
    ASSERT_EQ(0, gen_chdir(At("here")));
    char real[4096];
    ASSERT_NE(nullptr, getcwd(real, sizeof real));
    EXPECT_STREQ(real, gen_getcwd());
    // Standing in a removed directory, relative names fall back on the home directory.
    ASSERT_EQ(0, rmdir(real));
    gen_invalidate_cwd();
    EXPECT_STREQ(gen_gethomedir(), gen_getcwd());
    ASSERT_EQ(0, gen_chdir(before.c_str()));
    EXPECT_EQ(before, gen_getcwd());
}

TEST(FileOps, ViewpathDebugReportsThatViewpathingIsOff) {
    setenv("VTX_VP_DEBUG", "1", 1);
    testing::internal::CaptureStderr();
    gen_viewpath_init(0);
    unsetenv("VTX_VP_DEBUG");
    EXPECT_NE(std::string::npos,
              testing::internal::GetCapturedStderr().find("info: Viewpathing support is OFF.\n"));
}
