// The wire form shared by every message: the 44-byte header of eleven little-endian
// words, the stream framing (header + body rounded up to 4) with its validation, the
// serial counter, and the two message holders the body encodings build on: STPOMsg (an
// outgoing message being written) and STPIMsg (one received message, header and body).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum {
    kSTPHeaderWords = 11,
    kSTPHeaderSize = 44, // what this side sends
    kSTPMinHeaderSize = 32,
    kSTPMaxHeaderSize = 128
};
static_assert(kSTPHeaderSize == 4 * kSTPHeaderWords, "the header is whole words");

// Message classes (header word 6).
enum STPClass {
    kSTPClassNoop = 4,
    kSTPClassSync = 5,
    kSTPClassChannel = 6,
    kSTPClassNegotiation = 12,
    kSTPClassCommand = 13,
    kSTPClassAscii = 14,
    kSTPClassBinary = 15
};

// Message numbers within the fixed classes.
enum {
    kSTPChannelCreate = 1,
    kSTPChannelStart = 2,
    kSTPChannelClose = 3,
    kSTPNegotiate = 1,
    kSTPInterfaceRequest = 2,
    kSTPSynchronize = 3,
    kSTPNumberByName = -1 // class 13/14: the body's first identifier names the message
};

// The flag bits the transport interprets; the rest are carried unchanged.
enum {
    kSTPFlagWantsReply = 1,
    kSTPFlagTransaction = 4, // deliverable only within the current transaction token
    kSTPFlagAlways = 16
};

// Little-endian stores and loads, whatever the host's byte order.
inline void stpPut16(char* p, uint16_t v) {
    p[0] = static_cast<char>(v & 0xff);
    p[1] = static_cast<char>(v >> 8);
}
inline void stpPut32(char* p, uint32_t v) {
    for (int i = 0; i < 4; i++) p[i] = static_cast<char>((v >> (8 * i)) & 0xff);
}
inline uint16_t stpGet16(const char* p) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint16_t>(u[0] | (u[1] << 8));
}
inline uint32_t stpGet32(const char* p) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(u[0]) | (static_cast<uint32_t>(u[1]) << 8) |
           (static_cast<uint32_t>(u[2]) << 16) | (static_cast<uint32_t>(u[3]) << 24);
}
// A 64-bit value is two words, the most significant first.
inline void stpPut64(char* p, uint64_t v) {
    stpPut32(p, static_cast<uint32_t>(v >> 32));
    stpPut32(p + 4, static_cast<uint32_t>(v));
}
inline uint64_t stpGet64(const char* p) {
    return (static_cast<uint64_t>(stpGet32(p)) << 32) | stpGet32(p + 4);
}
inline size_t stpRoundUp4(size_t n) {
    return (n + 3) & ~static_cast<size_t>(3);
}

struct STPHeader {
    uint32_t headerLength = kSTPHeaderSize;
    uint32_t bodyLength = 0; // content, padding and the terminating zero word
    int32_t source = 0;      // the sender's routing number
    int32_t destination = 0; // used for forwarding
    uint32_t serial = 0;     // given by the sending transport when queued
    uint32_t answers = 0;    // serial of the message answered; 0 when not a reply
    int32_t msgClass = 0;
    int32_t number = 0;
    uint32_t flags = 0;
    uint32_t token = 0; // high and low 16 bits of the sender's transaction token
    uint32_t depth = 0;
};

void stpEncodeHeader(const STPHeader& header, char* out); // writes kSTPHeaderSize bytes
// Reads a received header of `headerLength` bytes; words it does not hold read as 0.
STPHeader stpDecodeHeader(const char* bytes, uint32_t headerLength);

// Whether the two length words announce a well-formed message: header of 32 to 128
// bytes in whole words, body length not negative.
bool stpValidLengths(uint32_t headerLength, uint32_t bodyLength);
// Bytes one message occupies on the stream: header + body rounded up to 4.
uint64_t stpFramedLength(uint32_t headerLength, uint32_t bodyLength);

enum STPFrame { kSTPFrameIncomplete, kSTPFrameComplete, kSTPFrameInvalid };
// Looks at the start of a received byte stream; on kSTPFrameComplete `framed` is the
// number of stream bytes the first message occupies.
STPFrame stpCheckFrame(const char* bytes, size_t available, uint64_t* framed);

// Advances a per-transport serial counter: 1, 2, ... 4294967295, 1; never 0.
uint32_t stpNextSerial(uint32_t* counter);

// An outgoing message: the header and the encoded body behind it in one buffer, ready to
// be copied to the stream. The body encodings derive from it.
class STPOMsg {
public:
    virtual ~STPOMsg() = default;

    STPHeader header;

    // Appends the terminating zero word (once) and encodes the header; nothing may be
    // written after it.
    void finish();
    // Re-encodes the header after a field changed (the transport sets the serial).
    void encodeHeader();
    bool isFinished() const { return finished_; }
    const char* data() const { return buf_.data(); }
    size_t size() const { return buf_.size(); }

protected:
    STPOMsg();
    size_t offset() const { return buf_.size(); }
    void align(size_t n); // zero padding to a multiple of n from the message start
    void putBytes(const void* bytes, size_t n);
    void put8(uint8_t v) { buf_.push_back(static_cast<char>(v)); }
    void put16(uint16_t v);
    void put32(uint32_t v);
    void put64(uint64_t v);
    void patch32(size_t at, uint32_t v) { stpPut32(&buf_[at], v); }

    std::vector<char> buf_;

private:
    bool finished_ = false;
};

// One received message: its decoded header and a copy of its body bytes.
class STPIMsg {
public:
    // `framed` holds the header and the whole body (stpCheckFrame said complete).
    STPIMsg(const char* framed, const STPHeader& decoded);

    STPHeader header;

    const char* body() const { return body_.data(); }
    size_t bodyLength() const { return body_.size(); }
    bool isReply() const { return header.answers != 0; }

private:
    std::vector<char> body_;
};
