// The formatting engine against expected texts (flags, widths, precisions, modifiers,
// unknown conversions), gen_asprintf's accumulation and single allocation, and the C
// library formatters with their truncation rule.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_identity.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// gen_asprintf without the compiler's printf checking, so that the engine's own
// conversions (%P, unknown characters) can be written.
std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = gen_avsprintf(format, args);
    va_end(args);
    std::string result = text ? text : "<null>";
    gen_free(text);
    return result;
}

TEST(FormatTest, IntegerFlagsWidthAndPrecision) {
    EXPECT_EQ(Format("[%5d|%-5d|%05d]", 42, 42, -42), "[   42|42   |-0042]");
    EXPECT_EQ(Format("[%+d|% d|%+d]", 5, 5, -5), "[+5| 5|-5]");
    EXPECT_EQ(Format("[%.3d|%08.3d]", 7, 7), "[007|     007]"); // precision beats 0
    EXPECT_EQ(Format("[%.0d|%5.0d]", 0, 0), "[|     ]");
    EXPECT_EQ(Format("[%#o|%#o|%#x|%#X|%#x]", 8, 0, 255, 255, 0), "[010|0|0xff|0XFF|0]");
    EXPECT_EQ(Format("%#08x", 255), "0x0000ff");
    EXPECT_EQ(Format("[%*d|%*d|%.*d]", 6, 3, -6, 3, -1, 3), "[     3|3     |3]");
    EXPECT_EQ(Format("%5 d", 42), "   42"); // blanks before the conversion are skipped
}

TEST(FormatTest, LengthModifiersAndPointers) {
    EXPECT_EQ(Format("[%x|%lx]", -1, -1L), "[ffffffff|ffffffffffffffff]");
    EXPECT_EQ(Format("[%lld|%Ld]", -9000000000LL, 9000000000LL), "[-9000000000|9000000000]");
    EXPECT_EQ(Format("[%hd|%hu]", 70000, 65537), "[4464|1]");
    EXPECT_EQ(Format("%ld", -9223372036854775807L - 1), "-9223372036854775808");
    void* p = reinterpret_cast<void*>(0xbeefUL);
    EXPECT_EQ(Format("[%p|%P|%#p|%8p]", p, p, p, p), "[beef|BEEF|0xbeef|    beef]");
}

TEST(FormatTest, StringsAndCharacters) {
    EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(Format("[%.3s|%6s|%-6s]", "abcdef", "ab", "ab"), "[abc|    ab|ab    ]");
    const char unterminated[4] = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(Format("%.2s", unterminated), "wx");
    EXPECT_EQ(Format("[%c|%3c|%-3c|%03c]", 'A', 'B', 'C', 'D'), "[A|  B|C  |00D]");
}

TEST(FormatTest, UnknownConversionPrintsItselfPaddedLikeAString) {
    EXPECT_EQ(Format("[%y|%5y|%-3y|%05y]", 1), "[y|    y|y  |    y]");
    EXPECT_EQ(Format("[%%|%5%]"), "[%|    %]");
    EXPECT_EQ(Format("%q%d", 17), "q17"); // takes no argument
}

TEST(FormatTest, CountConversionStoresByModifier) {
    int count = 0;
    short small = 0;
    long long wide = 0;
    EXPECT_EQ(Format("ab%ncd%hnefg%lln!", &count, &small, &wide), "abcdefg!");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(small, 4);
    EXPECT_EQ(wide, 7);
}

TEST(FormatTest, FloatingConversionsFollowTheCLibrary) {
    const char* formats[] = {"%10.3e", "%-12G|", "%+08.1f", "%#.0f"};
    for (const char* f : formats) {
        char expected[64];
        snprintf(expected, sizeof expected, f, -1234.5678);
        EXPECT_EQ(Format(f, -1234.5678), expected) << f;
    }
    EXPECT_EQ(Format("%.1Lf", 2.25L), "2.2");
    EXPECT_EQ(Format("%.3f", 1e300).size(), 305u); // longer than any fixed buffer
}

int Collect(void* context, const char* bytes, int count) {
    static_cast<std::string*>(context)->append(bytes, count);
    return count;
}

int Engine(std::string* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int produced = MT_Vsprintf(format, args, out, Collect);
    va_end(args);
    return produced;
}

TEST(FormatTest, EngineCountsWhatItProducesAndTakesNullFormat) {
    std::string out;
    EXPECT_EQ(Engine(&out, "%s=%d", "x", 100), 5);
    EXPECT_EQ(Engine(&out, nullptr), 6);
    EXPECT_EQ(out, "x=100(null)");
}

TEST(AsprintfTest, LongTextsCrossTheInlineArea) {
    std::string a(1000, 'a'), b(100, 'b'), c(5000, 'c');
    EXPECT_EQ(Format("%s|%s|%s|%s", c.c_str(), a.c_str(), c.c_str(), b.c_str()),
              c + "|" + a + "|" + c + "|" + b);
}

TEST(AsprintfTest, ShortTextIsOneExactAllocation) {
    static size_t sizes[4], count;
    count = 0;
    gen_alloc = [](size_t n, size_t size) {
        if (count < 4) sizes[count++] = n * size;
        return gen_default_alloc(n, size);
    };
    char* text = gen_asprintf("%s-%d", "abc", 5);
    gen_alloc = gen_default_alloc;
    EXPECT_STREQ(text, "abc-5");
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(sizes[0], 6u);
    gen_free(text);
}

TEST(AsprintfTest, NullFormatIsReportedAndGivesNull) {
    char* saved = gen_progname;
    gen_progname = nullptr;
    CaptureStderr();
    EXPECT_EQ(gen_asprintf(nullptr), nullptr);
    EXPECT_EQ(GetCapturedStderr(), "error: [gen_asprintf]: Format was NULL (illegal).\n");
    gen_progname = saved;
}

TEST(SnprintfTest, TruncationCopiesExactlySizeBytesWithoutTerminator) {
    char buffer[12];
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(gen_snprintf(buffer, 4, "%s", "0123456789"), 10);
    EXPECT_EQ(std::string(buffer, 5), "0123#");

    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(gen_snprintf(buffer, 9, "%d", 123456789), 9); // one short: no terminator
    EXPECT_EQ(std::string(buffer, 10), "123456789#");

    EXPECT_EQ(gen_snprintf(buffer, 0, "%s", "abc"), 3);
    EXPECT_EQ(buffer[0], '1');
}

} // namespace
