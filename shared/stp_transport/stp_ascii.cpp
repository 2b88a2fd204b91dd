// ASCII bodies. The writer is a straight append. The reader never copies the body: it
// scans tokens in place, skips whole values (nested levels counted, not recursed, so a
// hostile nesting depth costs no stack) and keeps one cursor per level so that items
// read in writing order are found without rescanning.
#include "shared/stp_transport/stp_ascii.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Characters that end a name before its colon is seen.
bool endsName(char c) {
    return isBlank(c) || c == ':' || c == '"' || c == '{' || c == '}' || c == '[' || c == ']' ||
           c == '(' || c == ')';
}

bool isClose(char kind) {
    return kind == '}' || kind == ']';
}

} // namespace

// ---- writing

STPAsciiOMsg::STPAsciiOMsg(const char* openingIdentifier) {
    if (openingIdentifier) {
        putText(openingIdentifier);
        putText(" ");
    }
}

void STPAsciiOMsg::putText(const char* text) {
    putBytes(text, strlen(text));
}

void STPAsciiOMsg::putName(const char* name) {
    if (!name) return;
    putText(name);
    putText(":");
}

void STPAsciiOMsg::putNumber(const char* name, uint32_t value) {
    char buf[16];
    snprintf(buf, sizeof buf, "0x%x ", static_cast<unsigned>(value));
    putName(name);
    putText(buf);
}

void STPAsciiOMsg::putLargeNumber(const char* name, uint64_t value) {
    char buf[32];
    snprintf(buf, sizeof buf, "0x%x%08x ", static_cast<unsigned>(value >> 32),
             static_cast<unsigned>(value & 0xffffffffu));
    putName(name);
    putText(buf);
}

void STPAsciiOMsg::putString(const char* name, const char* text) {
    putName(name);
    if (!text) {
        putText("null ");
        return;
    }
    put8('"');
    for (const char* p = text; *p; p++) {
        if (*p == '\n') {
            put8('\\');
            put8('n');
            continue;
        }
        if (*p == '\\' || *p == '"') put8('\\');
        put8(static_cast<uint8_t>(*p));
    }
    putText("\" ");
}

void STPAsciiOMsg::putIdentifier(const char* name, const char* text) {
    putName(name);
    putText(text ? text : "null");
    putText(" ");
}

void STPAsciiOMsg::putQuotedIdentifier(const char* name, const char* text) {
    putName(name);
    put8('"');
    if (text) putText(text);
    putText("\" ");
}

void STPAsciiOMsg::beginStruct(const char* name) {
    putName(name);
    putText("{ ");
}

void STPAsciiOMsg::endStruct() {
    putText(" } ");
}

void STPAsciiOMsg::beginArray(const char* name, int count) {
    putName(name);
    if (count >= 0) {
        char buf[24];
        snprintf(buf, sizeof buf, "(0x%x )", static_cast<unsigned>(count));
        putText(buf);
    }
    putText("[ ");
}

void STPAsciiOMsg::endArray() {
    putText(" ] ");
}

// ---- reading

STPAsciiIMsg::STPAsciiIMsg(const char* body, size_t length)
    : text_(body), length_(body ? strnlen(body, length) : 0) {
    levels_.push_back(Level{0, 0});
}

STPAsciiIMsg::STPAsciiIMsg(const STPIMsg& msg) : STPAsciiIMsg(msg.body(), msg.bodyLength()) {}

STPAsciiIMsg::Token STPAsciiIMsg::scan(size_t at) const {
    Token t;
    while (at < length_ && isBlank(text_[at])) at++;
    t.start = t.nameEnd = t.value = t.end = at;
    if (at >= length_) return t;

    size_t q = at;
    while (q < length_ && !endsName(text_[q])) q++;
    if (q > at && q < length_ && text_[q] == ':') {
        t.nameEnd = q;
        t.value = q + 1;
    }
    size_t v = t.value;
    char c = v < length_ ? text_[v] : 0;
    switch (c) {
    case '"': {
        size_t j = v + 1;
        while (j < length_ && text_[j] != '"') j += text_[j] == '\\' ? 2 : 1;
        t.end = j < length_ ? j + 1 : length_;
        t.kind = '"';
        return t;
    }
    case '(': {
        size_t j = v + 1;
        while (j < length_ && text_[j] != ')' && text_[j] != '[') j++;
        size_t k = j < length_ && text_[j] == ')' ? j + 1 : j;
        while (k < length_ && isBlank(text_[k])) k++;
        if (k < length_ && text_[k] == '[') {
            t.countEnd = j;
            t.end = k + 1;
            t.kind = '[';
            return t;
        }
        break; // not an array after all: read it as a word
    }
    case '{':
    case '[':
    case '}':
    case ']':
        t.end = v + 1;
        t.kind = c;
        return t;
    default:
        break;
    }
    size_t j = v;
    while (j < length_ && !isBlank(text_[j])) j++;
    t.end = j;
    t.kind = 'w';
    return t;
}

size_t STPAsciiIMsg::skipItem(size_t at) const {
    int depth = 0;
    for (;;) {
        Token t = scan(at);
        if (t.kind == 0) return t.start;
        if (isClose(t.kind)) {
            if (depth == 0) return t.start; // the end of the enclosing level
            at = t.end;
            if (--depth == 0) return at;
            continue;
        }
        at = t.end;
        if (t.kind == '{' || t.kind == '[') {
            depth++;
            continue;
        }
        if (depth == 0) return at;
    }
}

bool STPAsciiIMsg::find(const char* name, Token* token) const {
    Token t = scan(pos_);
    if (!name) {
        *token = t;
        return t.kind != 0 && !isClose(t.kind);
    }
    size_t n = strlen(name);
    auto matches = [&](const Token& k) {
        return k.nameEnd - k.start == n && memcmp(text_ + k.start, name, n) == 0;
    };
    if (t.kind != 0 && matches(t)) {
        *token = t;
        return true;
    }
    size_t at = levels_.back().start;
    for (;;) {
        t = scan(at);
        if (t.kind == 0 || isClose(t.kind)) return false;
        if (matches(t)) {
            *token = t;
            return true;
        }
        at = skipItem(at);
    }
}

bool STPAsciiIMsg::parseWord(const Token& t, bool large, uint64_t* value) const {
    char buf[64];
    size_t n = t.end - t.value;
    if (t.kind != 'w' || n == 0 || n >= sizeof buf) return false;
    memcpy(buf, text_ + t.value, n);
    buf[n] = 0;
    char* end = nullptr;
    *value = large ? strtoull(buf, &end, 0) : strtoul(buf, &end, 0);
    return end != buf;
}

char* STPAsciiIMsg::copyText(size_t from, size_t to, bool unescape) const {
    char* out = static_cast<char*>(gen_alloc(to - from + 1, 1));
    size_t o = 0;
    for (size_t i = from; i < to; i++) {
        char c = text_[i];
        if (unescape && c == '\\') {
            if (++i >= to) break;
            c = text_[i] == 'n' ? '\n' : text_[i];
        }
        out[o++] = c;
    }
    out[o] = 0;
    return out;
}

bool STPAsciiIMsg::getNumber(const char* name, uint32_t* value) {
    Token t;
    uint64_t v = 0;
    if (!find(name, &t) || !parseWord(t, false, &v)) return false;
    *value = static_cast<uint32_t>(v);
    pos_ = t.end;
    return true;
}

bool STPAsciiIMsg::getLargeNumber(const char* name, uint64_t* value) {
    Token t;
    if (!find(name, &t) || !parseWord(t, true, value)) return false;
    pos_ = t.end;
    return true;
}

bool STPAsciiIMsg::getString(const char* name, char** text) {
    Token t;
    if (!find(name, &t)) return false;
    if (t.kind == 'w' && t.end - t.value == 4 && memcmp(text_ + t.value, "null", 4) == 0) {
        *text = nullptr;
    } else if (t.kind == '"') {
        size_t to = t.end > t.value + 1 && text_[t.end - 1] == '"' ? t.end - 1 : t.end;
        *text = copyText(t.value + 1, to, true);
    } else {
        return false;
    }
    pos_ = t.end;
    return true;
}

bool STPAsciiIMsg::getIdentifier(const char* name, char** text) {
    Token t;
    if (!find(name, &t) || t.kind != 'w') return false;
    *text = copyText(t.value, t.end, false);
    pos_ = t.end;
    return true;
}

bool STPAsciiIMsg::getQuotedIdentifier(const char* name, char** text) {
    Token t;
    if (!find(name, &t) || t.kind != '"') return false;
    size_t to = t.end > t.value + 1 && text_[t.end - 1] == '"' ? t.end - 1 : t.end;
    *text = copyText(t.value + 1, to, false);
    pos_ = t.end;
    return true;
}

bool STPAsciiIMsg::enter(const char* name, char open, int* count) {
    Token t;
    if (!find(name, &t) || t.kind != open) return false;
    if (count) {
        *count = 0;
        if (t.countEnd > t.value) {
            Token c;
            c.kind = 'w';
            c.value = t.value + 1;
            c.end = t.countEnd;
            while (c.value < c.end && isBlank(text_[c.value])) c.value++;
            while (c.end > c.value && isBlank(text_[c.end - 1])) c.end--;
            uint64_t v = 0;
            if (parseWord(c, false, &v)) *count = static_cast<int>(static_cast<uint32_t>(v));
        } else {
            Token next = scan(t.end);
            if (next.kind != 0 && !isClose(next.kind))
                gen_warning("unspecified stp ascii array size");
        }
    }
    levels_.push_back(Level{t.end, open});
    pos_ = t.end;
    return true;
}

bool STPAsciiIMsg::leave(char open) {
    if (levels_.size() < 2 || levels_.back().open != open) return false;
    size_t at = pos_;
    for (;;) {
        Token t = scan(at);
        if (t.kind == 0) {
            at = t.start;
            break;
        }
        if (isClose(t.kind)) {
            at = t.end;
            break;
        }
        at = skipItem(at);
    }
    levels_.pop_back();
    pos_ = at;
    return true;
}

bool STPAsciiIMsg::beginStruct(const char* name) {
    return enter(name, '{', nullptr);
}
bool STPAsciiIMsg::endStruct() {
    return leave('{');
}

bool STPAsciiIMsg::beginArray(const char* name, int* count) {
    int ignored = 0;
    return enter(name, '[', count ? count : &ignored);
}

bool STPAsciiIMsg::endArray() {
    return leave('[');
}

bool STPAsciiIMsg::atLevelEnd() const {
    Token t = scan(pos_);
    return t.kind == 0 || isClose(t.kind);
}

char* STPAsciiIMsg::openingIdentifier() const {
    Token t = scan(0);
    if (t.kind != 'w' || t.nameEnd != t.start) return nullptr;
    return copyText(t.value, t.end, false);
}
