// Binary bodies. Writing appends items and patches structure lengths when a structure
// closes. Reading walks items by their announced sizes and checks every size against the
// end of the enclosing structure, so a truncated or hostile body ends the scan instead of
// reading past it.
#include "shared/stp_transport/stp_binary.h"

#include <cstring>

#include "shared/gen_hooks.h"

namespace {

bool isInteger(int type) {
    return type == kSTPTypeInt8 || type == kSTPTypeInt16 || type == kSTPTypeInt32 ||
           type == kSTPTypeInt64;
}
bool isString(int type) {
    return type == kSTPTypeString;
}
bool isFloat(int type) {
    return type == kSTPTypeFloat;
}
bool isDouble(int type) {
    return type == kSTPTypeDouble;
}
bool isStruct(int type) {
    return type == kSTPTypeStruct;
}
bool isArray(int type) {
    return type == kSTPTypeArray;
}

bool validElemSize(int size) {
    return size == 1 || size == 2 || size == 4 || size == 8;
}

uint64_t loadElement(const char* p, int size) {
    switch (size) {
    case 1:
        return static_cast<uint8_t>(*p);
    case 2:
        return stpGet16(p);
    case 4:
        return stpGet32(p);
    default:
        return stpGet64(p);
    }
}

void storeHost(void* out, int index, int size, uint64_t v) {
    char* p = static_cast<char*>(out) + static_cast<size_t>(index) * size;
    uint8_t u8 = static_cast<uint8_t>(v);
    uint16_t u16 = static_cast<uint16_t>(v);
    uint32_t u32 = static_cast<uint32_t>(v);
    switch (size) {
    case 1:
        memcpy(p, &u8, 1);
        break;
    case 2:
        memcpy(p, &u16, 2);
        break;
    case 4:
        memcpy(p, &u32, 4);
        break;
    default:
        memcpy(p, &v, 8);
        break;
    }
}

uint64_t loadHost(const void* in, int index, int size) {
    const char* p = static_cast<const char*>(in) + static_cast<size_t>(index) * size;
    uint8_t u8;
    uint16_t u16;
    uint32_t u32;
    uint64_t u64;
    switch (size) {
    case 1:
        memcpy(&u8, p, 1);
        return u8;
    case 2:
        memcpy(&u16, p, 2);
        return u16;
    case 4:
        memcpy(&u32, p, 4);
        return u32;
    default:
        memcpy(&u64, p, 8);
        return u64;
    }
}

} // namespace

// ---- writing

void STPBinaryOMsg::putTag(int tag, int type) {
    align(4);
    put32(static_cast<uint32_t>(tag) * 256u + static_cast<uint32_t>(type));
}

void STPBinaryOMsg::putString(int tag, const char* text) {
    putTag(tag, kSTPTypeString);
    if (!text) {
        put32(0);
        return;
    }
    size_t n = strlen(text) + 1;
    put32(static_cast<uint32_t>(n));
    putBytes(text, n);
}

void STPBinaryOMsg::putInt8(int tag, int8_t value) {
    putTag(tag, kSTPTypeInt8);
    put8(static_cast<uint8_t>(value));
}

void STPBinaryOMsg::putInt16(int tag, int16_t value) {
    putTag(tag, kSTPTypeInt16);
    put16(static_cast<uint16_t>(value));
}

void STPBinaryOMsg::putInt32(int tag, int32_t value) {
    putTag(tag, kSTPTypeInt32);
    put32(static_cast<uint32_t>(value));
}

void STPBinaryOMsg::putInt64(int tag, int64_t value) {
    putTag(tag, kSTPTypeInt64);
    put64(static_cast<uint64_t>(value));
}

void STPBinaryOMsg::putFloat(int tag, float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    putTag(tag, kSTPTypeFloat);
    put32(bits);
}

void STPBinaryOMsg::putDouble(int tag, double value) {
    uint64_t bits;
    memcpy(&bits, &value, 8);
    putTag(tag, kSTPTypeDouble);
    put64(bits);
}

void STPBinaryOMsg::beginStruct(int tag) {
    putTag(tag, kSTPTypeStruct);
    open_.push_back(offset());
    put32(0);
}

void STPBinaryOMsg::endStruct() {
    if (open_.empty()) return;
    size_t at = open_.back();
    open_.pop_back();
    patch32(at, static_cast<uint32_t>(offset() - at - 4));
}

void STPBinaryOMsg::putArray(int tag, const void* elements, int count, int elemSize, bool counted) {
    if (!validElemSize(elemSize) || count < 0) return;
    putTag(tag, kSTPTypeArray);
    size_t bytes = static_cast<size_t>(count) * elemSize + (counted ? 4 : 0);
    put32(static_cast<uint32_t>(bytes));
    if (counted) put32(static_cast<uint32_t>(count));
    if (elemSize == 1) {
        putBytes(elements, static_cast<size_t>(count));
        return;
    }
    size_t at = offset();
    buf_.resize(at + static_cast<size_t>(count) * elemSize);
    for (int i = 0; i < count; i++) {
        char* p = &buf_[at + static_cast<size_t>(i) * elemSize];
        uint64_t v = loadHost(elements, i, elemSize);
        switch (elemSize) {
        case 2:
            stpPut16(p, static_cast<uint16_t>(v));
            break;
        case 4:
            stpPut32(p, static_cast<uint32_t>(v));
            break;
        default:
            stpPut64(p, v);
            break;
        }
    }
}

// ---- reading

STPBinaryIMsg::STPBinaryIMsg(const char* body, size_t length)
    : body_(body), length_(body ? length : 0) {
    levels_.push_back(Level{length_, 0, 0});
}

STPBinaryIMsg::STPBinaryIMsg(const STPIMsg& msg) : STPBinaryIMsg(msg.body(), msg.bodyLength()) {}

bool STPBinaryIMsg::itemAt(size_t at, size_t end, Item* item) const {
    if (at > end || end - at < 4) return false;
    uint32_t word = stpGet32(body_ + at);
    if (word == 0) return false; // the terminating zero tag
    item->at = at;
    item->type = static_cast<int>(word & 0xff);
    int size = item->type & 0x0f;
    if (validElemSize(size)) {
        item->value = at + 4;
        item->length = static_cast<size_t>(size);
    } else if (size == 0) {
        if (end - at < 8) return false;
        item->value = at + 8;
        item->length = stpGet32(body_ + at + 4);
    } else {
        return false;
    }
    if (item->value > end || item->length > end - item->value) return false;
    item->next = stpRoundUp4(item->value + item->length);
    return true;
}

bool STPBinaryIMsg::find(int tag, bool (*accepts)(int type), Item* item, bool* inOrder) const {
    const Level& level = levels_.back();
    size_t at = level.pos;
    Item it;
    while (itemAt(at, level.end, &it)) {
        uint32_t word = stpGet32(body_ + at);
        if (static_cast<int>(word >> 8) == tag && accepts(it.type)) {
            *item = it;
            *inOrder = at == level.pos;
            return true;
        }
        at = it.next;
    }
    return false;
}

bool STPBinaryIMsg::getInteger(int tag, int width, int64_t* value) {
    Item it;
    bool inOrder = false;
    if (!find(tag, isInteger, &it, &inOrder) || static_cast<int>(it.length) > width) return false;
    uint64_t raw = loadElement(body_ + it.value, static_cast<int>(it.length));
    int bits = static_cast<int>(it.length) * 8;
    if (bits < 64 && (raw >> (bits - 1)) & 1) raw |= ~uint64_t(0) << bits;
    *value = static_cast<int64_t>(raw);
    if (inOrder) levels_.back().pos = it.next;
    return true;
}

bool STPBinaryIMsg::getInt8(int tag, int8_t* value) {
    int64_t v;
    if (!getInteger(tag, 1, &v)) return false;
    *value = static_cast<int8_t>(v);
    return true;
}

bool STPBinaryIMsg::getInt16(int tag, int16_t* value) {
    int64_t v;
    if (!getInteger(tag, 2, &v)) return false;
    *value = static_cast<int16_t>(v);
    return true;
}

bool STPBinaryIMsg::getInt32(int tag, int32_t* value) {
    int64_t v;
    if (!getInteger(tag, 4, &v)) return false;
    *value = static_cast<int32_t>(v);
    return true;
}

bool STPBinaryIMsg::getInt64(int tag, int64_t* value) {
    return getInteger(tag, 8, value);
}

bool STPBinaryIMsg::getFloat(int tag, float* value) {
    Item it;
    bool inOrder = false;
    if (!find(tag, isFloat, &it, &inOrder)) return false;
    uint32_t bits = stpGet32(body_ + it.value);
    memcpy(value, &bits, 4);
    if (inOrder) levels_.back().pos = it.next;
    return true;
}

bool STPBinaryIMsg::getDouble(int tag, double* value) {
    Item it;
    bool inOrder = false;
    if (!find(tag, isDouble, &it, &inOrder)) return false;
    uint64_t bits = stpGet64(body_ + it.value);
    memcpy(value, &bits, 8);
    if (inOrder) levels_.back().pos = it.next;
    return true;
}

bool STPBinaryIMsg::getString(int tag, char** text) {
    Item it;
    bool inOrder = false;
    if (!find(tag, isString, &it, &inOrder)) return false;
    if (it.length == 0) {
        *text = nullptr;
    } else {
        // The stored length counts the terminator; stop early at an embedded one.
        size_t n = strnlen(body_ + it.value, it.length);
        char* out = static_cast<char*>(gen_alloc(n + 1, 1));
        memcpy(out, body_ + it.value, n);
        *text = out;
    }
    if (inOrder) levels_.back().pos = it.next;
    return true;
}

bool STPBinaryIMsg::beginStruct(int tag) {
    Item it;
    bool inOrder = false;
    if (!find(tag, isStruct, &it, &inOrder)) return false;
    size_t resume = inOrder ? it.next : levels_.back().pos;
    levels_.push_back(Level{it.value + it.length, it.value, resume});
    return true;
}

bool STPBinaryIMsg::endStruct() {
    if (levels_.size() < 2) return false;
    size_t resume = levels_.back().resume;
    levels_.pop_back();
    levels_.back().pos = resume;
    return true;
}

bool STPBinaryIMsg::getArray(int tag, int elemSize, bool counted, void* elements, int capacity,
                             int* count) {
    Item it;
    bool inOrder = false;
    if (!validElemSize(elemSize) || !find(tag, isArray, &it, &inOrder)) return false;
    size_t first = it.value;
    size_t bytes = it.length;
    size_t n = bytes / elemSize;
    if (counted) {
        if (bytes < 4) return false;
        first += 4;
        bytes -= 4;
        size_t announced = stpGet32(body_ + it.value);
        n = bytes / elemSize;
        if (announced < n) n = announced;
    }
    if (n > 0x7fffffff) n = 0x7fffffff;
    *count = static_cast<int>(n);
    if (!elements) return true;
    size_t copy = capacity < 0 ? 0 : static_cast<size_t>(capacity);
    if (copy > n) copy = n;
    for (size_t i = 0; i < copy; i++)
        storeHost(elements, static_cast<int>(i), elemSize,
                  loadElement(body_ + first + i * elemSize, elemSize));
    if (inOrder) levels_.back().pos = it.next;
    return true;
}
