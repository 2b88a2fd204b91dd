// The tagged binary body encoding: STPBinaryOMsg writes items as a tag word (tag number
// x 256 + type code) followed by the value, aligned and little-endian; STPBinaryIMsg looks
// items up by tag number, skipping the others by their size, so readers need not follow
// the writer's order. The body ends with a zero tag word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "shared/stp_transport/stp_message.h"

// Type codes: the low four bits give the value size, 0 meaning a length word follows.
enum STPBinaryType {
    kSTPTypeString = 0x10,
    kSTPTypeInt8 = 0x21,
    kSTPTypeInt16 = 0x22,
    kSTPTypeInt32 = 0x24,
    kSTPTypeInt64 = 0x28,
    kSTPTypeFloat = 0x34,
    kSTPTypeDouble = 0x38,
    kSTPTypeStruct = 0x40,
    kSTPTypeArray = 0x50
};

class STPBinaryOMsg : public STPOMsg {
public:
    STPBinaryOMsg() = default;

    // Tag numbers are positive and below 2^24.
    void putString(int tag, const char* text); // null: length 0, no bytes
    void putInt8(int tag, int8_t value);
    void putInt16(int tag, int16_t value);
    void putInt32(int tag, int32_t value);
    void putInt64(int tag, int64_t value);
    void putFloat(int tag, float value);
    void putDouble(int tag, double value);
    void beginStruct(int tag);
    void endStruct();
    // `count` elements of `elemSize` (1, 2, 4 or 8) bytes in host order; a counted array
    // carries the element count in front of the elements.
    void putArray(int tag, const void* elements, int count, int elemSize, bool counted);

private:
    void putTag(int tag, int type);
    std::vector<size_t> open_; // where the length word of each open structure sits
};

// Reads one binary body. Each getter scans the current level from the cursor for `tag`;
// when the item found is the next one in order the cursor moves past it, otherwise the
// cursor stays, so a lookup out of order does not disturb sequential reading. Getters
// return false when the tag is missing or holds another kind of value.
class STPBinaryIMsg {
public:
    STPBinaryIMsg(const char* body, size_t length);
    explicit STPBinaryIMsg(const STPIMsg& msg);

    bool getString(int tag, char** text); // new allocation (gen_free); length 0 gives null
    // Integer getters accept any integer item no wider than asked, sign-extended.
    bool getInt8(int tag, int8_t* value);
    bool getInt16(int tag, int16_t* value);
    bool getInt32(int tag, int32_t* value);
    bool getInt64(int tag, int64_t* value);
    bool getFloat(int tag, float* value);
    bool getDouble(int tag, double* value);
    bool beginStruct(int tag);
    bool endStruct();
    // Copies at most `capacity` elements (host order) into `elements` and sets *count to
    // the number the array holds. With null `elements` it only counts and the cursor stays.
    bool getArray(int tag, int elemSize, bool counted, void* elements, int capacity, int* count);

private:
    struct Item {
        size_t at = 0;
        int type = 0;
        size_t value = 0;  // first byte of the value (after any length word)
        size_t length = 0; // bytes of the value
        size_t next = 0;   // where the following item's tag word sits
    };
    struct Level {
        size_t end;
        size_t pos;
        size_t resume; // the parent's cursor once this structure is left
    };

    bool itemAt(size_t at, size_t end, Item* item) const;
    bool find(int tag, bool (*accepts)(int type), Item* item, bool* inOrder) const;
    bool getInteger(int tag, int width, int64_t* value);

    const char* body_;
    size_t length_;
    std::vector<Level> levels_;
};
