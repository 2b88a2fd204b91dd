// The wire format without a connection: header and framing rules, and both body
// encodings written and read back, byte for byte where peers depend on the bytes.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "shared/gen_hooks.h"
#include "shared/stp_transport/stp_ascii.h"
#include "shared/stp_transport/stp_binary.h"
#include "shared/stp_transport/stp_message.h"

namespace {

std::string Body(const STPOMsg& msg) {
    return std::string(msg.data() + kSTPHeaderSize, msg.size() - kSTPHeaderSize);
}

// Collects warnings instead of printing them.
std::vector<std::string> warnings;
int RecordMessage(int, const char* format, va_list args) {
    char buf[256];
    vsnprintf(buf, sizeof buf, format, args);
    warnings.push_back(buf);
    return 0;
}

class WarningTrap {
public:
    WarningTrap() : saved_(gen_domessage) {
        warnings.clear();
        gen_domessage = RecordMessage;
    }
    ~WarningTrap() { gen_domessage = saved_; }

private:
    GenMessageHook saved_;
};

std::string Take(char* text) {
    std::string s = text ? text : "<null>";
    gen_free(text);
    return s;
}

} // namespace

TEST(STPWire, FinishedMessageHasLittleEndianHeaderAndCountsTheZeroWord) {
    STPAsciiOMsg msg;
    msg.header.source = 7;
    msg.header.msgClass = kSTPClassAscii;
    msg.header.number = 0x01020304;
    msg.putNumber(nullptr, 5); // "0x5 " : 4 bytes
    msg.finish();
    ASSERT_EQ(msg.size(), 44u + 4 + 4);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(msg.data());
    EXPECT_EQ(p[0], 44);
    EXPECT_EQ(p[4], 8); // body length includes the terminating zero word
    EXPECT_EQ(p[8], 7);
    EXPECT_EQ(p[28], 0x04);
    EXPECT_EQ(p[31], 0x01);
    EXPECT_EQ(Body(msg), std::string("0x5 \0\0\0\0", 8));

    STPHeader back = stpDecodeHeader(msg.data(), 44);
    EXPECT_EQ(back.bodyLength, 8u);
    EXPECT_EQ(back.msgClass, kSTPClassAscii);
    EXPECT_EQ(back.number, 0x01020304);
}

TEST(STPWire, HeaderLengthsOutsideTheRulesAreInvalid) {
    char bytes[64] = {0};
    uint64_t framed = 0;
    for (uint32_t bad : {28u, 132u, 46u}) {
        stpPut32(bytes, bad);
        stpPut32(bytes + 4, 0);
        EXPECT_EQ(stpCheckFrame(bytes, sizeof bytes, &framed), kSTPFrameInvalid) << bad;
    }
    stpPut32(bytes, 44);
    stpPut32(bytes + 4, 0x80000000u); // negative body length
    EXPECT_EQ(stpCheckFrame(bytes, sizeof bytes, &framed), kSTPFrameInvalid);
    stpPut32(bytes, 32);
    stpPut32(bytes + 4, 4);
    EXPECT_EQ(stpCheckFrame(bytes, sizeof bytes, &framed), kSTPFrameComplete);
    EXPECT_EQ(framed, 36u);
    EXPECT_EQ(stpCheckFrame(bytes, 7, &framed), kSTPFrameIncomplete);
}

TEST(STPWire, OddBodyLengthIsRoundedUpOnTheStream) {
    EXPECT_EQ(stpFramedLength(44, 5), 52u);
    char bytes[52] = {0};
    stpPut32(bytes, 44);
    stpPut32(bytes + 4, 5);
    uint64_t framed = 0;
    EXPECT_EQ(stpCheckFrame(bytes, 51, &framed), kSTPFrameIncomplete);
    EXPECT_EQ(stpCheckFrame(bytes, 52, &framed), kSTPFrameComplete);
    EXPECT_EQ(framed, 52u);
}

TEST(STPWire, SerialCounterWrapsPastZero) {
    uint32_t counter = 0;
    EXPECT_EQ(stpNextSerial(&counter), 1u);
    counter = 4294967294u;
    EXPECT_EQ(stpNextSerial(&counter), 4294967295u);
    EXPECT_EQ(stpNextSerial(&counter), 1u);
}

TEST(STPAscii, WritesTheDocumentedTokens) {
    STPAsciiOMsg msg("open");
    msg.putNumber("n", 255);
    msg.putLargeNumber(nullptr, 0x100000002ull);
    msg.putString("s", nullptr);
    msg.putQuotedIdentifier("q", "a b");
    msg.beginArray("a", 3);
    msg.endArray();
    msg.beginStruct(nullptr);
    msg.endStruct();
    EXPECT_EQ(Body(msg), "open n:0xff 0x100000002 s:null q:\"a b\" a:(0x3 )[  ] {  } ");
}

TEST(STPAscii, StringEscapesRoundTrip) {
    STPAsciiOMsg msg;
    msg.putString("s", "say \"hi\"\nback\\slash");
    EXPECT_EQ(Body(msg), "s:\"say \\\"hi\\\"\\nback\\\\slash\" ");
    msg.finish();
    STPAsciiIMsg in(msg.data() + kSTPHeaderSize, msg.size() - kSTPHeaderSize);
    char* text = nullptr;
    ASSERT_TRUE(in.getString("s", &text));
    EXPECT_EQ(Take(text), "say \"hi\"\nback\\slash");
}

TEST(STPAscii, NamedItemsAreFoundInAnyOrderPastNestedValues) {
    STPAsciiOMsg msg("cmd");
    msg.putString("first", "has } and ] and name:");
    msg.beginStruct("inner");
    msg.putNumber("x", 1);
    msg.beginArray("deep", 2);
    msg.putString(nullptr, "\"");
    msg.beginStruct(nullptr);
    msg.endStruct();
    msg.endArray();
    msg.endStruct();
    msg.putNumber("x", 2);
    msg.putLargeNumber("big", 0xfedcba9876543210ull);
    msg.finish();

    STPAsciiIMsg in(msg.data() + kSTPHeaderSize, msg.size() - kSTPHeaderSize);
    EXPECT_EQ(Take(in.openingIdentifier()), "cmd");
    uint32_t x = 0;
    ASSERT_TRUE(in.getNumber("x", &x));
    EXPECT_EQ(x, 2u); // the top-level x, not the one inside "inner"
    uint64_t big = 0;
    ASSERT_TRUE(in.getLargeNumber("big", &big));
    EXPECT_EQ(big, 0xfedcba9876543210ull);
    ASSERT_TRUE(in.beginStruct("inner"));
    ASSERT_TRUE(in.getNumber("x", &x));
    EXPECT_EQ(x, 1u);
    EXPECT_TRUE(in.endStruct());
    char* text = nullptr;
    ASSERT_TRUE(in.getString("first", &text));
    EXPECT_EQ(Take(text), "has } and ] and name:");
    EXPECT_FALSE(in.getNumber("missing", &x));
    EXPECT_FALSE(in.getNumber("first", &x)); // a string is not a number
}

TEST(STPAscii, NumbersAcceptHexAndDecimal) {
    const char body[] = "a:0x10 b:42 c:-1 ";
    STPAsciiIMsg in(body, sizeof body);
    uint32_t v = 0;
    ASSERT_TRUE(in.getNumber("a", &v));
    EXPECT_EQ(v, 16u);
    ASSERT_TRUE(in.getNumber("b", &v));
    EXPECT_EQ(v, 42u);
    ASSERT_TRUE(in.getNumber("c", &v));
    EXPECT_EQ(static_cast<int32_t>(v), -1);
}

TEST(STPAscii, ArrayCountsAndTheMissingCountWarning) {
    WarningTrap trap;
    STPAsciiOMsg msg;
    msg.beginArray("empty", 0);
    msg.endArray();
    msg.beginArray("bare");
    msg.endArray();
    msg.beginArray("loose");
    msg.putIdentifier(nullptr, "x");
    msg.endArray();
    msg.beginArray("three", 3);
    for (int i = 0; i < 3; i++) msg.putNumber(nullptr, static_cast<uint32_t>(i * 10));
    msg.endArray();
    msg.finish();
    STPAsciiIMsg in(msg.data() + kSTPHeaderSize, msg.size() - kSTPHeaderSize);

    int count = -1;
    ASSERT_TRUE(in.beginArray("empty", &count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(in.atLevelEnd());
    in.endArray();
    ASSERT_TRUE(in.beginArray("bare", &count));
    EXPECT_EQ(count, 0);
    in.endArray();
    EXPECT_TRUE(warnings.empty());

    ASSERT_TRUE(in.beginArray("loose", &count));
    EXPECT_EQ(count, 0);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "unspecified stp ascii array size");
    in.endArray();

    ASSERT_TRUE(in.beginArray("three", &count));
    EXPECT_EQ(count, 3);
    uint32_t v = 0;
    std::vector<uint32_t> got;
    while (!in.atLevelEnd() && in.getNumber(nullptr, &v)) got.push_back(v);
    EXPECT_EQ(got, (std::vector<uint32_t>{0, 10, 20}));
    EXPECT_TRUE(in.endArray());
}

TEST(STPBinary, ItemsAreTaggedAlignedAndLittleEndian) {
    STPBinaryOMsg msg;
    msg.putInt8(1, -2);
    msg.putInt16(2, 0x1234);
    msg.putString(3, "ab");
    msg.putString(4, nullptr);
    msg.putInt64(5, 0x0102030405060708ll);
    msg.finish();
    const std::string expected = std::string("\x21\x01\0\0\xfe\0\0\0", 8) +
                                 std::string("\x22\x02\0\0\x34\x12\0\0", 8) +
                                 std::string("\x10\x03\0\0\x03\0\0\0"
                                             "ab\0\0",
                                             12) +
                                 std::string("\x10\x04\0\0\0\0\0\0", 8) +
                                 std::string("\x28\x05\0\0\x04\x03\x02\x01\x08\x07\x06\x05", 12) +
                                 std::string("\0\0\0\0", 4);
    EXPECT_EQ(Body(msg), expected);
}

TEST(STPBinary, LookupOutOfOrderLeavesSequentialReadingAlone) {
    STPBinaryOMsg msg;
    msg.putInt32(1, 10);
    msg.putInt32(2, 20);
    msg.putInt32(3, 30);
    msg.finish();
    STPBinaryIMsg in(msg.data() + kSTPHeaderSize, msg.size() - kSTPHeaderSize);
    int32_t v = 0;
    ASSERT_TRUE(in.getInt32(3, &v));
    EXPECT_EQ(v, 30);
    ASSERT_TRUE(in.getInt32(1, &v));
    EXPECT_EQ(v, 10);
    ASSERT_TRUE(in.getInt32(2, &v));
    EXPECT_EQ(v, 20);
    EXPECT_FALSE(in.getInt32(1, &v)); // already read past
    int8_t small = 0;
    EXPECT_FALSE(in.getInt8(3, &small)); // wider than asked
}

TEST(STPBinary, StructuresArraysAndFloatsRoundTrip) {
    STPBinaryOMsg msg;
    msg.beginStruct(1);
    msg.putString(1, "inner");
    msg.putInt8(2, -5);
    msg.endStruct();
    const uint16_t shorts[3] = {1, 0xfffe, 3};
    msg.putArray(2, shorts, 3, 2, true);
    const uint32_t words[2] = {7, 0x80000000u};
    msg.putArray(3, words, 2, 4, false);
    msg.putDouble(4, -2.5);
    msg.putFloat(5, 0.25f);
    msg.finish();

    STPBinaryIMsg in(msg.data() + kSTPHeaderSize, msg.size() - kSTPHeaderSize);
    double d = 0;
    ASSERT_TRUE(in.getDouble(4, &d)); // out of order first
    EXPECT_EQ(d, -2.5);
    ASSERT_TRUE(in.beginStruct(1));
    int32_t v = 0;
    ASSERT_TRUE(in.getInt32(2, &v)); // an 8-bit item read as 32 bits, sign-extended
    EXPECT_EQ(v, -5);
    char* text = nullptr;
    ASSERT_TRUE(in.getString(1, &text));
    EXPECT_EQ(Take(text), "inner");
    EXPECT_TRUE(in.endStruct());

    int count = 0;
    uint16_t gotShorts[3] = {0};
    ASSERT_TRUE(in.getArray(2, 2, true, gotShorts, 3, &count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(gotShorts[1], 0xfffe);
    uint32_t gotWords[1] = {0};
    ASSERT_TRUE(in.getArray(3, 4, false, gotWords, 1, &count));
    EXPECT_EQ(count, 2); // the full count even when the caller takes fewer
    EXPECT_EQ(gotWords[0], 7u);
    float f = 0;
    ASSERT_TRUE(in.getFloat(5, &f));
    EXPECT_EQ(f, 0.25f);
}

TEST(STPBinary, TruncatedOrHostileSizesEndTheScan) {
    STPBinaryOMsg msg;
    msg.putInt32(1, 1);
    msg.putString(2, "hello");
    msg.finish();
    std::string body = Body(msg);
    // Cut the string short: its length word now runs past the end.
    STPBinaryIMsg cut(body.data(), 14);
    char* text = nullptr;
    EXPECT_FALSE(cut.getString(2, &text));
    int32_t v = 0;
    EXPECT_TRUE(cut.getInt32(1, &v));

    stpPut32(&body[12], 0xfffffff0u); // an absurd string length
    STPBinaryIMsg hostile(body.data(), body.size());
    EXPECT_FALSE(hostile.getString(2, &text));
    EXPECT_FALSE(hostile.beginStruct(9));

    // An "integer" whose size comes from a length word is no integer.
    const char odd[] = {0x20, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    STPBinaryIMsg sized(odd, sizeof odd);
    int64_t wide = 0;
    EXPECT_FALSE(sized.getInt64(1, &wide));
}
