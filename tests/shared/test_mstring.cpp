// The growable MString, the GenFreer scope guard, string arrays, the tokenizer and the
// file-name shortener.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"
#include "shared/gen_mstring.h"
#include "shared/gen_strings.h"

namespace {

std::string Take(char* text) {
    std::string copy = text ? text : "<null>";
    gen_free(text);
    return copy;
}

TEST(MStringTest, GrowsAcrossManyAppendsAndPeelsExactly) {
    MString* ms = MString_new(0);
    std::string expected;
    for (int i = 0; i < 300; i++) {
        MString_append(ms, "word ");
        EXPECT_EQ(MString_appendn(ms, "abcdef", 3), 3);
        EXPECT_EQ(MString_appendf(ms, "%d;", i), static_cast<int>(std::to_string(i).size()) + 1);
        expected += "word abc" + std::to_string(i) + ";";
        ASSERT_GT(ms->capacity, ms->length);
    }
    EXPECT_EQ(Take(MString_copy(ms)), expected);
    EXPECT_EQ(MString_appendn(ms, "xy\t \n", 10), 5); // stops at the terminator
    MString_removeTrailingWhiteSpace(ms);
    EXPECT_EQ(Take(MString_peel(ms)), expected + "xy");

    ms = MString_new(4);
    MString_append(ms, "abcd"); // the needed length reaches the capacity
    EXPECT_EQ(ms->capacity, 8);
    MString_delete(ms);
}

TEST(MStringTest, NullRecordOrTextIsReported) {
    char* saved = gen_progname;
    gen_progname = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(MString_append(nullptr, "x"), -1);
    EXPECT_EQ(MString_peel(nullptr), nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    gen_progname = saved;
    EXPECT_EQ(err, "error: [MString_append]: cannot operate on NULL\n"
                   "error: [MString_peel]: cannot operate on NULL MString\n");
}

// Releases of the watched block; everything else passes through uncounted.
void* watched;
int watchedReleases;
void WatchingFree(void* p) {
    watchedReleases += p && p == watched;
    gen_default_free(p);
}

TEST(GenFreerTest, ReleasesMarkedBlocksOnceUnlessCancelled) {
    watched = gen_copy("marked twice");
    watchedReleases = 0;
    char* spared = gen_copy("spared");
    gen_free = WatchingFree;
    {
        GenFreer freer;
        EXPECT_EQ(freer.mark(static_cast<char*>(watched)), watched);
        freer.mark(watched);
        freer.mark(spared);
        freer.cancel(spared);
        char** array = static_cast<char**>(gen_alloc(3, sizeof(char*)));
        array[0] = gen_copy("x"); // array[1] ends the list
        array[2] = spared;        // beyond the end: not released
        freer.markStringArray(array, -1);
    }
    gen_free = gen_default_free;
    EXPECT_EQ(watchedReleases, 1);
    EXPECT_STREQ(spared, "spared");
    gen_free(spared);
}

TEST(StrArrayTest, AddCopiesAndFreeEmpties) {
    char** array;
    int count;
    gen_strarray_init(&array, &count);
    gen_strarray_add_str(&array, &count, "first");
    gen_strarray_add_strn(&array, &count, "second", 3);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(array[0], "first");
    EXPECT_STREQ(array[1], "sec");
    gen_strarray_free(&array, &count);
    EXPECT_EQ(array, nullptr);
    EXPECT_EQ(count, 0);
}

TEST(TokenTest, SplitsInPlaceAndEndsWithNull) {
    char text[] = "  gtar, -x ,,f";
    std::vector<std::string> tokens;
    char* next = nullptr;
    for (char* t = gen_strtok_r(text, " ,", &next); t; t = gen_strtok_r(next, " ,", &next)) {
        tokens.push_back(t);
    }
    EXPECT_EQ(tokens, (std::vector<std::string>{"gtar", "-x", "f"}));
    char blanks[] = "   ";
    EXPECT_EQ(gen_strtok_r(blanks, " ", &next), nullptr);
}

TEST(MangleTest, HashThenTailWithinTheLength) {
    // The hash of "ab": 'a' (0x61), rotated left by 7 bits, exclusive-or 'b' (0x62).
    EXPECT_EQ(Take(gen_manglefilename("ab")), "000030e2ab");
    EXPECT_EQ(Take(gen_manglefilename_length("a/b:c\\d", 20, true)).substr(8), "a@b@c@d");
    EXPECT_EQ(gen_manglefilename_length("abc", 9, true), nullptr);

    std::string name = std::string(100, 'p') + "/the/tail";
    std::string mangled = Take(gen_manglefilename(name.c_str()));
    EXPECT_EQ(mangled.size(), 63u);
    EXPECT_EQ(mangled.substr(54), "@the@tail");
    // The hash covers the tail only, unless asked to cover the whole name.
    std::string tail = Take(gen_manglefilename_length(name.c_str(), 20, true));
    EXPECT_EQ(tail, Take(gen_manglefilename_length(("q" + name).c_str(), 20, true)));
    EXPECT_NE(tail, Take(gen_manglefilename_length(name.c_str(), 20, false)));
}

} // namespace
