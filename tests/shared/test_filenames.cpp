// File-name text: canonical form, joining, expansion, suffixes and component comparisons.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "shared/gen_context.h"
#include "shared/gen_filenames.h"
#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"

namespace {

std::string Take(char* text) {
    std::string copy = text != nullptr ? text : "<null>";
    gen_free(text);
    return copy;
}

std::string Canonical(const char* name) {
    return Take(gen_canonicalfilename(gen_copy(name)));
}

} // namespace

TEST(FileNames, CanonicalFormRewritesDotsAndSlashes) {
    const char* cases[][2] = {
        {"a/./b", "a/b"},        {"a//b", "a/b"},        {"a/b/../c", "a/c"},
        {"a/../../b", "../b"},   {"a/..", ""},           {"./a/../b", "./b"},
        {"a/./b/", "a/b/"},      {"a/b/..", "a"},        {"/a/../b", "/b"},
        {"./../a", "../a"},      {"../../a", "../../a"}, {"a/.", "a"},
        {"/x//y/./z", "/x/y/z"},
    };
    for (const auto& c : cases) EXPECT_EQ(c[1], Canonical(c[0])) << c[0];
}

TEST(FileNames, CanonicalFormKeepsHarmlessNamesAndForeignPrefixes) {
    for (const char* name : {"./a", "a/b/", "a..b", "/", "", "~/x", "a/.b"})
        EXPECT_EQ(name, Canonical(name));
    EXPECT_EQ("C:/a/b", Take(gen_msw_canonicalfilename(gen_copy("c:\\a\\.\\b"))));
    EXPECT_EQ("//host/b", Take(gen_msw_canonicalfilename(gen_copy("\\\\host\\a\\..\\b"))));
}

TEST(FileNames, DirnameOfNamesUnderTheRootAndWithoutSlash) {
    EXPECT_EQ("/", Take(gen_dirname("/etc")));
    EXPECT_EQ("<null>", Take(gen_dirname("plain")));
    EXPECT_STREQ("", gen_basename("a/b/"));
    EXPECT_STREQ("f", gen_basename_anyhost("C:\\d\\host:f"));
}

TEST(FileNames, JoiningNeverDoublesSlashesAndRespectsAbsoluteNames) {
    EXPECT_EQ("/d/x", Take(gen_sconcat("/d/", "x")));
    EXPECT_EQ("/abs", Take(gen_sconcat("/d", "/abs")));
    EXPECT_EQ(".", Take(gen_sconcat("d", "..")));
    EXPECT_EQ("d/~u", Take(gen_sconcat("d", "~u"))); // only dconcat takes "~" as absolute
    EXPECT_EQ("~u", Take(gen_dconcat("d", "~u")));
    EXPECT_EQ("a/c/d", Take(gen_ddsconcat("a", "b", "../c", "d")));
    EXPECT_EQ("/c", Take(gen_dsconcat("a", "b", "/c")));
}

TEST(FileNames, ExpansionUsesHomeAndCurrentDirectory) {
    const char* home = gen_gethomedir();
    ASSERT_NE(nullptr, home);
    EXPECT_EQ(Canonical(home), Take(gen_expand_filename("~")));
    EXPECT_EQ(Take(gen_sconcat(home, "x")), Take(gen_expand_filename("~//x")));
    std::string user = Take(gen_getusername());
    struct passwd* entry = getpwnam(user.c_str());
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(Take(gen_sconcat(entry->pw_dir, "y")),
              Take(gen_expand_filename(("~" + user + "/y").c_str())));
    char cwd[PATH_MAX];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    EXPECT_EQ(std::string(cwd) + "/b", Take(gen_expand_filename("a/../b")));
    EXPECT_EQ("/x/z", Take(gen_expand_filename_using_cwd("/x/y", "../z")));
    EXPECT_EQ("/a/b", Take(gen_expand_filename("/a/./b")));
    EXPECT_EQ("~no_such_user_here/a", Take(gen_expand_filename("~no_such_user_here/./a")));
}

TEST(FileNames, SuffixesOfTheLastComponent) {
    EXPECT_STREQ("gz", gen_getsuffix("dir.d/a.tar.gz"));
    EXPECT_EQ(nullptr, gen_getsuffix("dir.d/readme"));
    EXPECT_STREQ("so", gen_getsuffix("libx.so.1.2"));
    EXPECT_STREQ("sa", gen_getsuffix("/lib/libx.sa.10.3"));
    EXPECT_STREQ("1", gen_getsuffix("libx.so.1"));
    EXPECT_TRUE(gen_issuffix("a.c", ".c"));
    EXPECT_FALSE(gen_issuffix("a.cc", "c"));
    EXPECT_EQ("a.tar.gz", Take(gen_addsuffix("a.tar", ".gz")));
    EXPECT_EQ("d.x/a.o", Take(gen_changesuffix("d.x/a.c", "o")));
    EXPECT_EQ("d.x/a", Take(gen_changesuffix("d.x/a.c", nullptr)));
}

TEST(FileNames, TailMatchesWholeComponentsOnly) {
    EXPECT_TRUE(gen_FilenameTailCmp("/src/a/b.c", "b.c", true));
    EXPECT_TRUE(gen_FilenameTailCmp("/src/a/b.c", "a/b.c", true));
    EXPECT_FALSE(gen_FilenameTailCmp("/src/a/xb.c", "b.c", true));
    EXPECT_FALSE(gen_FilenameTailCmp("/src/A/B.C", "b.c", true));
    EXPECT_TRUE(gen_FilenameTailCmp("/src/A/B.C", "a/b.c", false));
    EXPECT_FALSE(gen_FilenameTailCmp("b.c", "/a/b.c", true));
}

TEST(FileNames, SubdirectoryTestFallsOnComponentBoundaries) {
    EXPECT_TRUE(gen_isDirSubdirOfDir("/opt/a/b", "/opt/a"));
    EXPECT_TRUE(gen_isDirSubdirOfDir("/opt/a/b", "/opt/./a/"));
    EXPECT_TRUE(gen_isDirSubdirOfDir("/opt", "/"));
    EXPECT_FALSE(gen_isDirSubdirOfDir("/opt/ab", "/opt/a"));
    EXPECT_FALSE(gen_isDirSubdirOfDir("/opt/a/../b", "/opt/a"));
}

TEST(FileNames, RelativeNamesBelowADirectory) {
    EXPECT_EQ("b/c", Take(gen_relative_filename("/a/", "/a/b/c", false)));
    EXPECT_EQ(".", Take(gen_relative_filename("/a", "/a", false)));
    EXPECT_EQ("<null>", Take(gen_relative_filename("/a", "/ab/c", false)));
}
