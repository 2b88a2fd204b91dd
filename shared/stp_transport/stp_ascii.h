// The ASCII body encoding: STPAsciiOMsg writes blank-separated text tokens (numbers in
// hexadecimal, quoted strings with backslash escapes, identifiers, named items,
// "{ }" structures and "[ ]" arrays with an optional "(count)"), and STPAsciiIMsg reads
// them back, finding named items at the current level in any order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "shared/stp_transport/stp_message.h"

class STPAsciiOMsg : public STPOMsg {
public:
    // The opening identifier, when given, is the body's first token (a service message
    // names itself this way).
    explicit STPAsciiOMsg(const char* openingIdentifier = nullptr);

    // A null `name` writes an unnamed item (array elements and positional arguments).
    void putNumber(const char* name, uint32_t value);
    void putLargeNumber(const char* name, uint64_t value);
    void putString(const char* name, const char* text);     // null text is written "null"
    void putIdentifier(const char* name, const char* text); // text must hold no blank
    void putQuotedIdentifier(const char* name, const char* text);
    void beginStruct(const char* name);
    void endStruct();
    void beginArray(const char* name, int count = -1); // a negative count is not written
    void endArray();

private:
    void putText(const char* text);
    void putName(const char* name);
};

// Reads one ASCII body. Getters look `name` up among the items of the current level (a
// null name takes the item at the cursor) and move the cursor past the item found; they
// return false, leaving the cursor alone, when the item is missing or of another kind.
// Returned text is a new allocation the caller releases with gen_free.
class STPAsciiIMsg {
public:
    STPAsciiIMsg(const char* body, size_t length);
    explicit STPAsciiIMsg(const STPIMsg& msg);

    bool getNumber(const char* name, uint32_t* value);
    bool getLargeNumber(const char* name, uint64_t* value);
    bool getString(const char* name, char** text); // "null" gives a null text
    bool getIdentifier(const char* name, char** text);
    bool getQuotedIdentifier(const char* name, char** text);
    bool beginStruct(const char* name);
    bool endStruct(); // skips whatever is left of the structure
    // The count as written, or 0 when the array carries none.
    bool beginArray(const char* name, int* count);
    bool endArray();
    // No further item in the current structure or array (or body).
    bool atLevelEnd() const;
    // The body's first identifier, without moving the cursor; null when it starts otherwise.
    char* openingIdentifier() const;

private:
    struct Token {
        size_t start = 0;    // first byte after the blanks
        size_t nameEnd = 0;  // end of "name" before the colon; == start when unnamed
        size_t value = 0;    // first byte of the value
        size_t end = 0;      // one past the token
        size_t countEnd = 0; // arrays with a count: the count's text is [value + 1, countEnd)
        char kind = 0;       // '"', 'w' (word), '{', '[', '}', ']', or 0 at the end
    };
    struct Level {
        size_t start;
        char open;
    };

    Token scan(size_t at) const;
    size_t skipItem(size_t at) const;
    bool find(const char* name, Token* token) const;
    bool parseWord(const Token& t, bool large, uint64_t* value) const;
    char* copyText(size_t from, size_t to, bool unescape) const;
    bool enter(const char* name, char open, int* count);
    bool leave(char open);

    const char* text_;
    size_t length_;
    size_t pos_ = 0;
    std::vector<Level> levels_;
};
