// The placer's word reader (see plcword.h). Words are short, so the result is built in a
// std::string and copied once into a gen_alloc block at the end.
#include "placer/run_time/plcword.h"

#include <string>

#include "shared/gen_strings.h"

static bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Decodes a quoted word starting just after its opening quote; stops after the closing
// quote, at the end of the text, or at an escape that decodes to 0.
static const char* ReadQuoted(const char* p, std::string* word) {
    while (*p && *p != '"') {
        signed char c = gen_unescape_one_char(&p);
        if (c == 0) return p;
        word->push_back(static_cast<char>(c));
    }
    return *p == '"' ? p + 1 : p;
}

char* plcParseWord(const char* text, const char** rest) {
    if (!text) {
        if (rest) *rest = text;
        return nullptr;
    }
    const char* p = text;
    while (IsBlank(*p)) ++p;
    if (!*p) {
        if (rest) *rest = p;
        return nullptr;
    }
    std::string word;
    if (*p == '"') {
        p = ReadQuoted(p + 1, &word);
    } else {
        const char* start = p;
        while (*p && !IsBlank(*p)) ++p;
        word.assign(start, p - start);
    }
    if (rest) *rest = p;
    return gen_copyn(word.data(), static_cast<int>(word.size()));
}
