// Header coding, framing checks and the message holders. A header shorter than ours
// (down to 32 bytes) comes from an older peer and lacks the token words; a longer one
// carries words we do not know, which are skipped.
#include "shared/stp_transport/stp_message.h"

#include <cstring>

void stpEncodeHeader(const STPHeader& h, char* out) {
    const uint32_t words[kSTPHeaderWords] = {h.headerLength,
                                             h.bodyLength,
                                             static_cast<uint32_t>(h.source),
                                             static_cast<uint32_t>(h.destination),
                                             h.serial,
                                             h.answers,
                                             static_cast<uint32_t>(h.msgClass),
                                             static_cast<uint32_t>(h.number),
                                             h.flags,
                                             h.token,
                                             h.depth};
    for (int i = 0; i < kSTPHeaderWords; i++) stpPut32(out + 4 * i, words[i]);
}

STPHeader stpDecodeHeader(const char* bytes, uint32_t headerLength) {
    uint32_t words[kSTPHeaderWords] = {0};
    uint32_t count = headerLength / 4;
    if (count > kSTPHeaderWords) count = kSTPHeaderWords;
    for (uint32_t i = 0; i < count; i++) words[i] = stpGet32(bytes + 4 * i);
    STPHeader h;
    h.headerLength = words[0];
    h.bodyLength = words[1];
    h.source = static_cast<int32_t>(words[2]);
    h.destination = static_cast<int32_t>(words[3]);
    h.serial = words[4];
    h.answers = words[5];
    h.msgClass = static_cast<int32_t>(words[6]);
    h.number = static_cast<int32_t>(words[7]);
    h.flags = words[8];
    h.token = words[9];
    h.depth = words[10];
    return h;
}

bool stpValidLengths(uint32_t headerLength, uint32_t bodyLength) {
    if (headerLength < kSTPMinHeaderSize || headerLength > kSTPMaxHeaderSize) return false;
    if (headerLength % 4 != 0) return false;
    return static_cast<int32_t>(bodyLength) >= 0;
}

uint64_t stpFramedLength(uint32_t headerLength, uint32_t bodyLength) {
    uint64_t n = static_cast<uint64_t>(headerLength) + bodyLength;
    return (n + 3) & ~static_cast<uint64_t>(3);
}

STPFrame stpCheckFrame(const char* bytes, size_t available, uint64_t* framed) {
    if (available < 8) return kSTPFrameIncomplete;
    uint32_t headerLength = stpGet32(bytes);
    uint32_t bodyLength = stpGet32(bytes + 4);
    if (!stpValidLengths(headerLength, bodyLength)) return kSTPFrameInvalid;
    uint64_t n = stpFramedLength(headerLength, bodyLength);
    if (available < n) return kSTPFrameIncomplete;
    *framed = n;
    return kSTPFrameComplete;
}

uint32_t stpNextSerial(uint32_t* counter) {
    ++*counter;
    if (*counter == 0) *counter = 1;
    return *counter;
}

STPOMsg::STPOMsg() {
    buf_.reserve(256);
    buf_.resize(kSTPHeaderSize);
}

void STPOMsg::finish() {
    if (finished_) return;
    align(4);
    put32(0);
    finished_ = true;
    encodeHeader();
}

void STPOMsg::encodeHeader() {
    header.headerLength = kSTPHeaderSize;
    header.bodyLength = static_cast<uint32_t>(buf_.size() - kSTPHeaderSize);
    stpEncodeHeader(header, buf_.data());
}

void STPOMsg::align(size_t n) {
    while (buf_.size() % n != 0) buf_.push_back(0);
}

void STPOMsg::putBytes(const void* bytes, size_t n) {
    const char* p = static_cast<const char*>(bytes);
    // A large item gets its room at once (plus the terminator) rather than by doubling.
    if (n > buf_.capacity() - buf_.size()) {
        size_t want = buf_.size() + n + 8;
        buf_.reserve(want > 2 * buf_.capacity() ? want : 2 * buf_.capacity());
    }
    buf_.insert(buf_.end(), p, p + n);
}

void STPOMsg::put16(uint16_t v) {
    char b[2];
    stpPut16(b, v);
    putBytes(b, 2);
}

void STPOMsg::put32(uint32_t v) {
    char b[4];
    stpPut32(b, v);
    putBytes(b, 4);
}

void STPOMsg::put64(uint64_t v) {
    char b[8];
    stpPut64(b, v);
    putBytes(b, 8);
}

STPIMsg::STPIMsg(const char* framed, const STPHeader& decoded)
    : header(decoded),
      body_(framed + decoded.headerLength, framed + decoded.headerLength + decoded.bodyLength) {}
