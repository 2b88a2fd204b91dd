// Owned strings: null and empty rules of the comparisons, searches and concatenations,
// case rules on bytes above 127, and quoting and escaping.
#include <gtest/gtest.h>

#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"

namespace {

// The text of an owned result, which is released; "<null>" for null.
std::string Take(char* text) {
    std::string copy = text ? text : "<null>";
    gen_free(text);
    return copy;
}

TEST(StringCompareTest, CaseNullAndOrderingRules) {
    EXPECT_TRUE(gen_strequal("Setup", "sETUP"));
    EXPECT_TRUE(gen_strequal(nullptr, nullptr));
    EXPECT_FALSE(gen_strequal(nullptr, ""));
    EXPECT_FALSE(gen_strequal("\xc4", "\xe4")); // ASCII case rules only
    EXPECT_TRUE(gen_strnequal("ab", "AB", 10)); // both end before n
    EXPECT_FALSE(gen_strnequal("ab", "abc", 10));
    EXPECT_EQ(gen_stricmp("\x80", "a"), -1);    // high bytes order before ASCII
    EXPECT_EQ(gen_stricmp("ab", "ab\x80"), -1); // the end orders before every byte
    EXPECT_EQ(gen_strnicmp("abX", "ABy", 2), 0);
    EXPECT_FALSE(gen_strsuffix("tar", "tar")); // not its own suffix
    EXPECT_TRUE(gen_strsuffix("xtar", "tar"));
    EXPECT_TRUE(gen_strprefix("anything", ""));
    EXPECT_FALSE(gen_strprefix("GTAR", "gtar"));
    EXPECT_TRUE(gen_strcaseprefixn("GTx", "gtar", 2));
}

TEST(StringSearchTest, FirstAndLastOccurrences) {
    const char* hay = "one Two one two";
    EXPECT_EQ(gen_strstr(hay, ""), nullptr);
    EXPECT_EQ(gen_strstr(nullptr, "x"), nullptr);
    EXPECT_EQ(gen_strcasestr(hay, "TWO"), hay + 4);
    EXPECT_EQ(gen_strcasestr(hay, ""), hay);
    EXPECT_EQ(gen_strcasestr("", ""), nullptr);
    EXPECT_EQ(gen_strrstr(hay, "one"), hay + 8);
    EXPECT_EQ(gen_strrstr("ab", "abc"), nullptr);
    EXPECT_EQ(gen_strrcasestr(hay, "TWO"), hay + 12);
}

TEST(CharClassTest, ClassesFollowTheirOwnTables) {
    EXPECT_FALSE(gen_isspace('\v'));
    EXPECT_TRUE(gen_isblankstring(""));
    EXPECT_FALSE(gen_isblankstring(nullptr));
    EXPECT_TRUE(gen_is_alphanum('\xe9')); // a plain char above 127
    EXPECT_EQ(gen_char_type('\0'), -1);
    EXPECT_EQ(gen_char_type('('), 3);
}

TEST(StringCopyTest, CopiesRespectLimitsAndOwnership) {
    EXPECT_EQ(Take(gen_copyn("te", 10)), "te");
    EXPECT_EQ(gen_copyn("text", -1), nullptr);
    EXPECT_EQ(Take(gen_strlower("MiXed\xc4")), "mixed\xc4");
    // The f variants copy before releasing, so the source may lie inside the old text.
    char* old = gen_copy("prefix-tail");
    EXPECT_EQ(Take(gen_fcopy(old, old + 7)), "tail");
    char* slot = gen_copy("first");
    char* before = slot;
    gen_strchange(&slot, slot); // the same pointer: nothing happens
    EXPECT_EQ(slot, before);
    gen_strchangen(&slot, slot, 3);
    EXPECT_STREQ(slot, "fir");
    gen_free(slot);
    const unsigned char bytes[] = {0x1f, 0xa0};
    EXPECT_EQ(Take(gen_binary_to_string(bytes, 2)), "f10a"); // low nibble first
}

TEST(ConcatTest, NullAndEmptyRules) {
    EXPECT_EQ(gen_concat(nullptr, nullptr), nullptr);
    EXPECT_EQ(Take(gen_concat("", "")), "");
    EXPECT_EQ(Take(gen_concatn("", "bcd", 2)), "bc");
    EXPECT_EQ(Take(gen_concatn("a", "bcd", 0)), "a");
    EXPECT_EQ(Take(gen_concat3("a", nullptr, "c")), "ac");
    EXPECT_EQ(gen_concat3(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(Take(gen_concat_sep("", '/', "b")), "/b");
    EXPECT_EQ(Take(gen_concat_sep("a", '/', nullptr)), "a");
    EXPECT_EQ(Take(gen_concat_sep("a", 0, "b")), "ab");
    EXPECT_EQ(Take(gen_concat4(nullptr, nullptr, nullptr, nullptr)), "");
    EXPECT_EQ(Take(gen_concat9("1", nullptr, "3", "4", "", "6", "7", "8", "9")), "1346789");
    EXPECT_EQ(Take(gen_concat_int("level ", -42)), "level -42");
    // Each f variant releases its first argument.
    char* text = gen_fconcat_sep(gen_fconcat3(gen_copy("a"), "b", "c"), '-', "d");
    EXPECT_EQ(Take(gen_fconcatn(text, "xyz", 1)), "abc-dx");
}

TEST(QuoteTest, QuotingAndDequoting) {
    EXPECT_EQ(Take(gen_quotify_string("a\"b'c\\")), "\"a\\\"b\\'c\\\\\"");
    EXPECT_EQ(Take(gen_single_quotify_string("it's")), "'it\\'s'");
    EXPECT_EQ(Take(gen_escapify_string("t\tn\n\x01\"")), "t\\tn\\n\\1\\\"");
    EXPECT_EQ(Take(gen_dequotify_string("\"say \\\"hi\\\"\"")), "say \"hi\"");
    EXPECT_EQ(Take(gen_dequotify_string("cut\\0here")), "cut"); // stops at a zero escape
    EXPECT_EQ(Take(gen_single_dequotify_string("\"'x'\"")), "\"x\"");
    EXPECT_EQ(Take(gen_unescapify_string("\"\\x41\"")), "\"A\"");
    EXPECT_EQ(Take(gen_shellescapify_filename("my dir/f")), "'my dir/f'");
    EXPECT_EQ(Take(gen_unshellescapify_filename("'my dir/f'")), "my dir/f");
    EXPECT_EQ(Take(gen_unshellescapify_filename("'")), "");
    EXPECT_EQ(Take(gen_unshellescapify_filename("\"a\\\"b\"")), "a\"b");
}

TEST(QuoteTest, UnescapeOneCharConsumesOnlyItsEscape) {
    const struct {
        const char* in;
        int value;
        const char* rest;
    } cases[] = {
        {"\\1a", 1, "a"},    {"\\x41", 65, ""}, {"\\x4g", 4, "g"}, {"\\4", '4', ""},
        {"\\0123", 10, "3"}, {"\\xg", 0, "g"},  {"\\v", 11, ""},   {"\\377", -1, ""},
        {"\\?", '?', ""},    {"\\", 0, ""},     {"", 0, ""},
    };
    for (const auto& c : cases) {
        const char* p = c.in;
        EXPECT_EQ(gen_unescape_one_char(&p), c.value) << c.in;
        EXPECT_STREQ(p, c.rest) << c.in;
    }
}

} // namespace
