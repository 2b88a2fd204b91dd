// Feeds bytes to the reading side of the message transport: as a stream arriving on a
// connection (framing, forwarding, delivery, negotiation and service dispatch), and as
// an ASCII and a binary body walked with every getter. Nothing may read out of bounds,
// loop without end or leak, whatever the bytes claim.
#include <unistd.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "shared/gen_hooks.h"
#include "shared/stp_transport/stp_spec_class.h"

namespace {

int Silent(int code, const char*, va_list) {
    return code;
}

void WalkAscii(const char* body, size_t n) {
    STPAsciiIMsg in(body, n);
    gen_free(in.openingIdentifier());
    char* text = nullptr;
    uint32_t number = 0;
    uint64_t large = 0;
    int count = 0;
    for (int step = 0; step < 500; step++) {
        if (in.atLevelEnd()) {
            if (in.endStruct() || in.endArray()) continue;
            break;
        }
        if (in.beginStruct(nullptr) || in.beginArray(nullptr, &count)) continue;
        if (in.getNumber(nullptr, &number) || in.getLargeNumber(nullptr, &large)) continue;
        if (in.getString(nullptr, &text) || in.getQuotedIdentifier(nullptr, &text) ||
            in.getIdentifier(nullptr, &text)) {
            gen_free(text);
            continue;
        }
        break;
    }
    STPAsciiIMsg named(body, n);
    for (const char* name : {"name", "msgs", "id", "s", "__action"}) {
        if (named.getString(name, &text)) gen_free(text);
        named.getNumber(name, &number);
        if (named.beginArray(name, &count)) named.endArray();
        if (named.beginStruct(name)) {
            named.getNumber("id", &number);
            named.endStruct();
        }
    }
}

void WalkBinaryLevel(STPBinaryIMsg& in, int depth) {
    char* text = nullptr;
    int8_t i8;
    int16_t i16;
    int32_t i32;
    int64_t i64;
    float f;
    double d;
    uint64_t elements[16];
    int count = 0;
    for (int tag = 0; tag < 8; tag++) {
        if (in.getString(tag, &text)) gen_free(text);
        in.getInt8(tag, &i8);
        in.getInt16(tag, &i16);
        in.getInt32(tag, &i32);
        in.getInt64(tag, &i64);
        in.getFloat(tag, &f);
        in.getDouble(tag, &d);
        for (int size : {1, 2, 4, 8})
            for (bool counted : {false, true})
                in.getArray(tag, size, counted, elements, 16 * 8 / size, &count);
        if (depth < 4 && in.beginStruct(tag)) {
            WalkBinaryLevel(in, depth + 1);
            in.endStruct();
        }
    }
}

void WalkBinary(const char* body, size_t n) {
    STPBinaryIMsg in(body, n);
    WalkBinaryLevel(in, 0);
}

const STPMessageDef kMessages[] = {
    {"a", kSTPFlagWantsReply, "{ }"},
    {"b", kSTPFlagTransaction, "{ }"},
};

class Walker : public STPSpecClass {
public:
    Walker() : STPSpecClass("Fuzz", "v", kMessages, 2) {}

protected:
    void handleAsciiMessage(int, STPAsciiIMsg& in, STPAsciiOMsg*) override {
        uint32_t v = 0;
        in.getNumber("x", &v);
    }
    void handleBinaryMessage(int, STPBinaryIMsg& in, STPBinaryOMsg*) override {
        WalkBinaryLevel(in, 0);
    }
};

class Forward : public STPForwardingHandler {
public:
    void forwardMessage(STPTransport*, const char* bytes, size_t length) override {
        if (length >= kSTPHeaderSize) WalkBinary(bytes + kSTPHeaderSize, length - kSTPHeaderSize);
    }
};

void FeedStream(const uint8_t* data, size_t size) {
    STPTransport* writer = nullptr;
    STPTransport* reader = nullptr;
    if (!STPTransport::createLoopbackPair(&writer, &reader, nullptr)) return;
    Walker* service = new Walker;
    service->attach(reader, 0, 0);
    Forward forward;
    reader->registerForwardingHandler(1, &forward);

    size_t done = 0;
    while (done < size) {
        ssize_t n = write(writer->getFD(), data + done, size - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
        reader->pollOnce(0);
    }
    writer->delRef(); // the reader now sees the end of the stream
    for (int round = 0; round < 64 && !reader->isClosed(); round++) reader->pollOnce(0);
    while (STPIMsg* msg = reader->takeRequest()) {
        WalkAscii(msg->body(), msg->bodyLength());
        WalkBinary(msg->body(), msg->bodyLength());
        delete msg;
    }
    service->detach();
    service->delRef();
    reader->delRef();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gen_domessage = Silent;
    const char* bytes = reinterpret_cast<const char*>(data);
    WalkAscii(bytes, size);
    WalkBinary(bytes, size);
    FeedStream(data, size);
    return 0;
}
