// Reaching files below a directory without following links, on real directories with real
// links, hard links and FIFOs; and names made safe to show.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "shared/gen_beneath.h"
#include "shared/gen_printable.h"
#include "support/temp_dir.h"

namespace {

class Beneath : public ::testing::Test {
protected:
    void SetUp() override {
        mkdir((dir / "root").c_str(), 0755);
        mkdir((dir / "root/a").c_str(), 0755);
        mkdir((dir / "outside").c_str(), 0755);
        WriteFile(dir / "root/a/file", "data");
        symlink((dir / "outside").c_str(), (dir / "root/a/away").c_str());
        symlink("a", (dir / "root/near").c_str()); // even a link that stays inside
        root = open((dir / "root").c_str(), O_RDONLY | O_DIRECTORY);
    }
    void TearDown() override { close(root); }
    // errno of a refused gen_beneath_opendir, or 0 when it opened.
    int OpenDirError(const char* path, int createMode = -1, GenBeneathWalk* walk = nullptr) {
        errno = 0;
        int fd = gen_beneath_opendir(root, path, createMode, walk);
        if (fd < 0) return errno;
        close(fd);
        return 0;
    }
    ScopedTempDir dir;
    int root = -1;
};

TEST_F(Beneath, DirectoriesAreReachedAndMadeOnlyThroughDirectories) {
    GenBeneathWalk walk;
    EXPECT_EQ(OpenDirError("./a//", -1, &walk), 0);
    EXPECT_EQ(walk.reached, 1);
    EXPECT_EQ(OpenDirError("a/away", -1, &walk), ELOOP);
    EXPECT_EQ(walk.reached, 1); // "a" was passed, "away" refused
    EXPECT_EQ(OpenDirError("near/x", 0755, &walk), ELOOP);
    EXPECT_EQ(walk.reached, 0);
    EXPECT_EQ(OpenDirError("a/file/x", 0755), ENOTDIR);
    EXPECT_EQ(OpenDirError("a/../a"), EINVAL);
    EXPECT_EQ(OpenDirError((dir / "root/a").c_str()), EINVAL);
    EXPECT_EQ(OpenDirError("a/missing"), ENOENT);
    EXPECT_FALSE(PathExists(dir / "outside/x"));
    EXPECT_EQ(OpenDirError("a/new/newer", 0750, &walk), 0);
    EXPECT_EQ(walk.existed, 1); // only "a" was there
    EXPECT_EQ(walk.reached, 3);
    EXPECT_EQ(OpenDirError("a/new/newer", 0750, &walk), 0);
    EXPECT_EQ(walk.existed, 3);
}

TEST_F(Beneath, FilesOpenOnlyWhenPlainAndReachedWithoutLinks) {
    link((dir / "root/a/file").c_str(), (dir / "root/second").c_str());
    mkfifo((dir / "root/fifo").c_str(), 0644);
    struct Case {
        const char* path;
        bool singleName;
        int error; // 0: opens
    } cases[] = {
        {"a/file", false, 0},        {"second", false, 0},     {"second", true, EMLINK},
        {"near/file", false, ELOOP}, {"a/away", false, ELOOP}, {"a", false, EISDIR},
        {"fifo", false, EINVAL}, // refused at once, never waited on
    };
    for (const Case& c : cases) {
        errno = 0;
        int fd = gen_beneath_openfile(root, c.path, c.singleName);
        EXPECT_EQ(fd < 0 ? errno : 0, c.error) << c.path;
        if (fd >= 0) close(fd);
    }
}

TEST_F(Beneath, ATreeKeepsItsLastDirectoryButNeverServesAWrongOne) {
    mkdir((dir / "root/b").c_str(), 0755);
    WriteFile(dir / "root/b/file", "b");
    GenBeneathTree tree;
    ASSERT_TRUE(tree.Open((dir / "root").c_str()));
    std::string base;
    struct stat st;
    // Back and forth between two directories and the root (which has no "file").
    for (const char* path : {"a/file", "b/file", "a/file", "file", "a/file"}) {
        int at = tree.Parent(path, &base);
        int size = path[0] == 'a' ? 4 : path[0] == 'b' ? 1 : -1;
        bool found = fstatat(at, base.c_str(), &st, 0) == 0;
        EXPECT_EQ(found ? static_cast<int>(st.st_size) : -1, size) << path;
    }
    EXPECT_LT(tree.Parent("near/file", &base), 0);
    EXPECT_EQ(errno, ELOOP);
    EXPECT_LT(tree.Parent("a/away/x", &base), 0);
    EXPECT_EQ(errno, ELOOP);
    GenBeneathTree inner;
    EXPECT_FALSE(inner.OpenWithin(tree, "near"));
    EXPECT_TRUE(inner.OpenWithin(tree, "a"));
}

TEST(PrintableName, ControlBytesAreEscapedAndLongNamesCut) {
    EXPECT_EQ(gen_printable_name(std::string("a\033[1mb\n\x7f\xff", 9)),
              "a\\033[1mb\\012\\177\\377");
    EXPECT_EQ(gen_printable_name(std::string("z\0z", 3)), "z\\000z");
    std::string longName(250, 'n');
    longName[199] = '\t';
    EXPECT_EQ(gen_printable_name(longName), std::string(199, 'n') + "\\011...");
    EXPECT_EQ(gen_printable_name(std::string(200, 'n')), std::string(200, 'n'));
}
} // namespace
