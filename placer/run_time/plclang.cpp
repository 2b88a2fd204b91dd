// The layout-rule language (see plclang.h). A rule is copied into a fixed buffer, split
// at the commas outside parentheses, and each field is read as a number, a list of
// numbers or a side word. Start at SplitFields.
#include "placer/run_time/plclang.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct SideName {
    const char* name;
    sidetype side;
};

const SideName kSideNames[] = {
    {"Left", kSideLeft},         {"Right", kSideRight},   {"LRCenter", kSideLRCenter},
    {"Top", kSideTop},           {"Bottom", kSideBottom}, {"Baseline", kSideBaseline},
    {"TBCenter", kSideTBCenter},
};
static_assert(sizeof kSideNames / sizeof kSideNames[0] == 7, "one name per side");

const char kBlanks[] = " \t\n\r";

enum { kSizeFields = 12, kPosFields = 10, kMaxFields = 16 };

// The fields of one rule, each a null-terminated piece of `buffer` with blanks trimmed.
struct Fields {
    char buffer[kPlcRuleBufferSize];
    char* field[kMaxFields];
    int count;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

char* Trim(char* start, char* end) {
    while (start < end && IsBlank(*start)) ++start;
    while (end > start && IsBlank(end[-1])) --end;
    *end = '\0';
    return start;
}

// Splits `text` at the commas that are not inside parentheses. Fails on more fields than
// a rule has or on parentheses that do not match.
bool SplitFields(const char* text, Fields* out, const char** fault) {
    strncpy(out->buffer, text, sizeof out->buffer - 1);
    out->buffer[sizeof out->buffer - 1] = '\0';
    out->count = 0;
    char* start = out->buffer;
    int depth = 0;
    for (char* p = out->buffer;; ++p) {
        if (*p == '(') ++depth;
        if (*p == ')' && --depth < 0) {
            *fault = "unmatched ')'";
            return false;
        }
        if (*p != '\0' && (*p != ',' || depth > 0)) continue;
        if (out->count == kMaxFields) {
            *fault = "too many fields";
            return false;
        }
        bool last = *p == '\0';
        out->field[out->count++] = Trim(start, p);
        if (last) break;
        start = p + 1;
    }
    if (depth != 0) {
        *fault = "unclosed '('";
        return false;
    }
    return true;
}

// A missing field reads as an empty one, so trailing fields default to 0.
const char* FieldAt(const Fields& fields, int index) {
    return index < fields.count ? fields.field[index] : "";
}

bool ParseInt(const char* text, int* value) {
    if (*text == '\0') {
        *value = 0;
        return true;
    }
    char* end = nullptr;
    errno = 0;
    long number = strtol(text, &end, 10);
    while (IsBlank(*end)) ++end;
    if (*end != '\0' || errno == ERANGE || number < -32768 || number > 32767) return false;
    *value = static_cast<int>(number);
    return true;
}

// "(a,b,c)" or "()"; an empty field is an empty list. The field is already trimmed.
bool ParseList(const char* text, std::vector<int>* list) {
    list->clear();
    if (*text == '\0') return true;
    size_t length = strlen(text);
    if (text[0] != '(' || text[length - 1] != ')') return false;
    std::string inner(text + 1, length - 2);
    if (inner.find_first_not_of(kBlanks) == std::string::npos) return true;
    size_t start = 0;
    for (;;) {
        size_t comma = inner.find(',', start);
        std::string item = inner.substr(start, comma == std::string::npos ? comma : comma - start);
        int value;
        if (item.find_first_not_of(kBlanks) == std::string::npos || !ParseInt(item.c_str(), &value))
            return false;
        list->push_back(value);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

// Reads fields [first, first + count) as integers into `values`.
bool ParseInts(const Fields& fields, int first, int count, int* const* values, const char** fault) {
    for (int i = 0; i < count; ++i) {
        if (!ParseInt(FieldAt(fields, first + i), values[i])) {
            *fault = "a number field holds something else";
            return false;
        }
    }
    return true;
}

} // namespace

bool plcClassifyLine(const char* text, PlacerSection* section) {
    switch (text ? text[0] : '\0') {
    case 'M':
        *section = kPlcMinSizes;
        return true;
    case 'S':
        *section = kPlcSizes;
        return true;
    case 'P':
        *section = kPlcPositions;
        return true;
    default:
        return false;
    }
}

bool plcParseSide(const char* word, sidetype* side) {
    while (IsBlank(*word)) ++word;
    size_t length = strlen(word);
    while (length > 0 && IsBlank(word[length - 1])) --length;
    if (length == 0) {
        *side = kSideTop;
        return true;
    }
    for (const SideName& entry : kSideNames) {
        if (strlen(entry.name) == length && strncmp(entry.name, word, length) == 0) {
            *side = entry.side;
            return true;
        }
    }
    return false;
}

bool plcParseSizeRule(const char* text, RuntimeSizeInfo* rule, const char** fault) {
    Fields fields;
    if (!SplitFields(text, &fields, fault)) return false;
    if (fields.count > kSizeFields) {
        *fault = "more than 12 fields";
        return false;
    }
    if (*FieldAt(fields, 0) == '\0') {
        *fault = "no target item";
        return false;
    }
    int* const target[] = {&rule->target};
    int* const terms[] = {
        &rule->pixels,          &rule->nWidths, &rule->widestWidths, &rule->lineHeights,
        &rule->scrollBarWidths, &rule->factor,  &rule->divisor,      &rule->group};
    if (!ParseInts(fields, 0, 1, target, fault)) return false;
    if (!ParseList(FieldAt(fields, 1), &rule->plus) ||
        !ParseList(FieldAt(fields, 2), &rule->minus)) {
        *fault = "an item list is not of the form (n,n,...)";
        return false;
    }
    if (!ParseInts(fields, 3, 8, terms, fault)) return false;
    rule->direction = FieldAt(fields, 11)[0] == 'H' ? kPlcHorizontal : kPlcVertical;
    return true;
}

bool plcParsePosRule(const char* text, RuntimePosInfo* rule, const char** fault) {
    Fields fields;
    if (!SplitFields(text, &fields, fault)) return false;
    if (fields.count > kPosFields) {
        *fault = "more than 10 fields";
        return false;
    }
    if (!ParseList(fields.field[0], &rule->targets) || rule->targets.empty()) {
        *fault = "the target list is not of the form (n,n,...)";
        return false;
    }
    int* const numbers[] = {&rule->reference,    &rule->pixels,      &rule->nWidths,
                            &rule->widestWidths, &rule->lineHeights, &rule->scrollBarWidths};
    if (!ParseInts(fields, 1, 6, numbers, fault)) return false;
    sidetype* const sides[] = {&rule->alignThem, &rule->ofThem, &rule->ofOther};
    for (int i = 0; i < 3; ++i) {
        if (!plcParseSide(FieldAt(fields, 7 + i), sides[i])) {
            *fault = "a side is not one of Left, Right, LRCenter, Top, Bottom, Baseline, TBCenter";
            return false;
        }
    }
    return true;
}
