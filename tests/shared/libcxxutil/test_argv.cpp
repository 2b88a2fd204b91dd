// Argument vectors: the word splitting that replaces a shell when children are started,
// and the in-place editing of vectors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/gen_hooks.h"
#include "shared/libcxxutil/ut_argv.h"
#include "shared/libcxxutil/ut_string.h"

namespace {

// The words of a vector, checking that it ends with a null entry at `count`.
std::vector<std::string> Words(char** argv, int count) {
    std::vector<std::string> words;
    for (int i = 0; i < count; ++i) words.push_back(argv[i] ? argv[i] : "<null>");
    EXPECT_EQ(argv[count], nullptr);
    return words;
}

std::vector<std::string> Split(const char* command, bool dash = false) {
    int count = -1;
    char** argv = makeArgv(command, &count, dash);
    std::vector<std::string> words = Words(argv, count);
    freeArgv(argv);
    return words;
}

using W = std::vector<std::string>;

} // namespace

TEST(MakeArgv, SplitsAtRunsOfBlanksAndTabsOnly) {
    EXPECT_EQ(Split("gtar  -xf\tfile.tgz  "), (W{"gtar", "-xf", "file.tgz"}));
    EXPECT_EQ(Split("a\\ b\nc"), (W{"a\\", "b\nc"})); // no escapes; newline is no separator
    EXPECT_EQ(Split(""), W{});
    EXPECT_EQ(Split(nullptr), W{});
}

TEST(MakeArgv, QuotesGroupWordsAndOnlyAnEnclosingPairIsDropped) {
    EXPECT_EQ(Split("sh -c \"echo a  b\" 'x y'"), (W{"sh", "-c", "echo a  b", "x y"}));
    EXPECT_EQ(Split("it\"s x\"y"), (W{"it\"s x\"y"}));
    EXPECT_EQ(Split("\"abc\"def 'a\"b' '' \"x"), (W{"\"abc\"def", "a\"b", "", "\"x"}));
    EXPECT_EQ(Split("'it\"s' \"a'b\" \"a\"b\""), (W{"it\"s", "a'b", "a\"b"}));
}

TEST(MakeArgv, LeadingBlankGivesEmptyFirstWordAndDashMarksOnlyTheFirst) {
    EXPECT_EQ(Split(" ls -l"), (W{"", "ls", "-l"}));
    EXPECT_EQ(Split("\t"), (W{""}));
    EXPECT_EQ(Split("\"my tool\" -c", true), (W{"-my tool", "-c"}));
}

TEST(ArgvEditing, InsertDeleteAndCopyKeepTheVectorTerminated) {
    int count = 0;
    char** argv = makeArgv("b d", &count, false);
    insertArg(&argv, &count, 0, "a");
    insertArg(&argv, &count, count, "e");
    char* extra[] = {const_cast<char*>("x"), const_cast<char*>("y"), nullptr};
    insertArgv(&argv, &count, 2, extra);
    EXPECT_EQ(Words(argv, count), (W{"a", "b", "x", "y", "d", "e"}));

    char** copy = copyArgv(argv, count);
    char* removed = argv[0];
    deleteArg(&argv, &count, 0);
    deleteArg(&argv, &count, count); // out of range: nothing happens
    EXPECT_EQ(Words(argv, count), (W{"b", "x", "y", "d", "e"}));
    EXPECT_EQ(Words(copy, 6), (W{"a", "b", "x", "y", "d", "e"}));
    EXPECT_NE(copy[1], argv[0]); // a deep copy
    delete[] removed;
    freeArgv(copy);
    freeArgv(argv);
}

TEST(ArgvEditing, PopTakesTheFirstMatchAndItsFollowerFromABorrowedVector) {
    // main's own argv: nothing may be released or reallocated.
    const char* words[] = {"prog", "-display", ":1", "-v", "-display", ":2", "-display", nullptr};
    char** argv = const_cast<char**>(words);
    int count = 7;
    EXPECT_TRUE(popArg(&argv, &count, "-v"));
    EXPECT_FALSE(popArg(&argv, &count, "-q"));
    for (const char* expected : {":1", ":2"}) {
        char* value = popArgPlusOne(&argv, &count, "-display");
        EXPECT_STREQ(value, expected);
        gen_free(value);
    }
    EXPECT_EQ(popArgPlusOne(&argv, &count, "-display"), nullptr); // the last has no follower
    EXPECT_EQ(Words(argv, count), (W{"prog", "-display"}));
    insertDashArgv0(argv);
    EXPECT_STREQ(argv[0], "-prog");
    delete[] argv[0];
}

TEST(UtString, AppendAssignAndCopyOwnTheirText) {
    ut_string s("abc");
    s.append("defgh", 2);
    ut_string copy(s);
    s.assign(s.c_str() + 1); // a tail of its own text
    EXPECT_STREQ(s.c_str(), "bcde");
    EXPECT_EQ(s.length(), 4u);
    EXPECT_STREQ(copy.c_str(), "abcde");
    copy.clear();
    EXPECT_STREQ(copy.c_str(), "");
}
