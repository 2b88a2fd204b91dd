// The directory cursor's filters and classification, and the one-call listing, on real
// directories.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>
#include <string>

#include "shared/gen_dircursor.h"
#include "shared/gen_fileops.h"
#include "shared/gen_hooks.h"
#include "support/temp_dir.h"

namespace {

// A directory with two files, a subdirectory, "CVS" and a link to the subdirectory.
class DirCursorTest : public testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir_ / "a.c", "");
        WriteFile(dir_ / "b.h", "");
        mkdir((dir_ / "sub").c_str(), 0755);
        mkdir((dir_ / "CVS").c_str(), 0755);
        gen_symlink("sub", (dir_ / "link").c_str());
    }

    // Every name the cursor accepts, tagged "/" when it counts as a directory and "@" when
    // it is a link (whose status then describes the target).
    std::set<std::string> Walk(void (*filters)(GenDirCursor*)) {
        GenDirCursor cursor;
        EXPECT_EQ(1, gen_dir_open(&cursor, dir_.path().c_str()));
        if (filters != nullptr) filters(&cursor);
        std::set<std::string> seen;
        while (const char* name = gen_dir_next_entry(&cursor)) {
            EXPECT_EQ(dir_ / name, cursor.path);
            if (filters == nullptr) {
                EXPECT_EQ(cursor.isDir != 0, S_ISDIR(cursor.status.st_mode));
            }
            seen.insert(std::string(name) + (cursor.isDir ? "/" : "") + (cursor.isLink ? "@" : ""));
        }
        gen_dir_close(&cursor);
        EXPECT_EQ(nullptr, cursor.stream);
        return seen;
    }

    ScopedTempDir dir_;
};

using Names = std::set<std::string>;

} // namespace

TEST_F(DirCursorTest, DefaultFiltersSkipOnlyDotEntries) {
    EXPECT_EQ((Names{"a.c", "b.h", "sub/", "CVS/", "link/@"}), Walk(nullptr));
}

TEST_F(DirCursorTest, RestrictionsSelectFilesDirectoriesAndSuffixes) {
    EXPECT_EQ((Names{"a.c", "b.h"}),
              Walk([](GenDirCursor* c) { gen_dir_restrict_dirs(c, true, true, false); }));
    EXPECT_EQ((Names{"./", "../", "sub/", "link/@"}), Walk([](GenDirCursor* c) {
                  gen_dir_restrict_files(c, true, nullptr);
                  gen_dir_restrict_dirs(c, false, false, true);
              }));
    // With a suffix filter, names without it count as files and are left out.
    EXPECT_EQ((Names{"a.c"}),
              Walk([](GenDirCursor* c) { gen_dir_restrict_files(c, false, ".c"); }));
}

TEST_F(DirCursorTest, FastClassificationGoesByTheNameAlone) {
    mkdir((dir_ / "dotted.d").c_str(), 0755);
    WriteFile(dir_ / "Makefile", "");
    EXPECT_EQ((Names{"a.c", "b.h", "sub/", "CVS/", "link/", "dotted.d", "Makefile/"}),
              Walk([](GenDirCursor* c) { gen_dir_optimize_search(c, 1); }));
}

TEST(DirCursor, ReadDirectoryListsEveryEntryPastItsFirstRoom) {
    ScopedTempDir dir;
    for (int i = 0; i < 38; i++) WriteFile(dir / ("f" + std::to_string(i)), "");
    char** names = nullptr;
    ASSERT_EQ(40, gen_read_directory(dir.path().c_str(), &names));
    std::set<std::string> seen(names, names + 40);
    EXPECT_EQ(nullptr, names[40]);
    EXPECT_EQ(40u, seen.size());
    EXPECT_TRUE(seen.count("..") && seen.count("f37"));
    for (int i = 0; i < 40; i++) gen_free(names[i]);
    gen_free(names);
    EXPECT_EQ(0, gen_read_directory((dir / "missing").c_str(), &names));
    EXPECT_EQ(nullptr, names);
    GenDirCursor cursor;
    EXPECT_EQ(0, gen_dir_open(&cursor, (dir / "missing").c_str()));
    EXPECT_EQ(nullptr, gen_dir_next_entry(&cursor));
}
