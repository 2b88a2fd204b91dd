// The compare functions a column can sort with: each orders what it knows and puts what
// it cannot read after it.
#include <gtest/gtest.h>

#include "windlib/msl/msl_sort.h"

namespace {

struct Case {
    MslCompareFn fn;
    const char* a;
    const char* b;
    int expected;
};

TEST(MslCompare, EachFunctionOrdersItsKindOfText) {
    const Case cases[] = {
        {mslCompareStrings, "abc", "abd", -1},
        {mslCompareStrings, "B", "a", -1},
        {mslCompareFileNames, "zeta/", "alpha", -1}, // directories first
        {mslCompareFileNames, "b/", "a/", 1},
        {mslCompareNumbers, "9", "10", -1},
        {mslCompareNumbers, "0x10", "15", 1},
        {mslCompareNumbers, "-3", " 2 ", -1},
        {mslCompareNumbers, "12", "n/a", -1}, // numbers before other texts
        {mslCompareUnsigned, "010", "9", 1},
        {mslCompareUnsigned, "-1", "5", 1},
        {mslCompareFloats, "2.5", "10e-1", 1},
        {mslCompareFloats, "1.0", "1", 0},
        {mslCompareDates, "2003-04-05", "2003-12-01", -1},
        {mslCompareDates, "05.04.2003", "2003-04-05", 0},
        {mslCompareDates, "04/05/2003", "Apr 5 2003", 0},
        {mslCompareDates, "5 Apr 2003 10:20", "2003-04-05T09:59:59", 1},
        {mslCompareDates, "Dec 31 1999", "Jan 1 00", -1},
        {mslCompareDates, "2003-04-05", "someday", -1},
        {mslCompareLineRefs, "main.c:9", "main.c:10", -1},
        {mslCompareLineRefs, "main.c(9)", "main.c, line 9", 0},
        {mslCompareLineRefs, "a.c:100", "b.c:1", -1},
        {mslCompareLeadingBlanks, "  a", " z", 1},
        {mslCompareLeadingBlanks, " b", " a", 1},
        {mslCompareIcons, "Folder", "file", 1},
    };
    for (const Case& c : cases) {
        int got = c.fn(c.a, c.b);
        EXPECT_EQ(got < 0 ? -1 : got > 0 ? 1 : 0, c.expected) << c.a << " vs " << c.b;
        int back = c.fn(c.b, c.a);
        EXPECT_EQ(back < 0 ? -1 : back > 0 ? 1 : 0, -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(MslCompare, DatesThatAreNoDatesAreRejected) {
    long long key = 0;
    for (const char* text : {"2003-13-01", "Foo 5 2003", "12", "10:20", "2003-04-05 xyz"})
        EXPECT_FALSE(MslDateKey(text, &key)) << text;
}

} // namespace
