// The reader of the options database's text. One pass over the text with an explicit stack
// of open blocks (so hostile nesting cannot exhaust the C++ stack): Reader::run takes
// statements, Reader::statement one "name.name {", "name = value" or "name += value",
// Reader::value the value after the operator. A dotted prefix holds for the rest of its line.
#include "windlib/config/options_db_reader.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/config/options_db.h"

namespace {

bool IsNameChar(char c) {
    return isalnum(static_cast<unsigned char>(c)) || c == '_';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}
bool EndsToken(char c) {
    return !c || IsBlank(c) || c == '\n' || c == ';' || c == ',' || c == '}';
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return gen_strnicmp(text.c_str(), prefix, static_cast<int>(strlen(prefix))) == 0;
}

class Reader {
public:
    Reader(OptionsDb& db, const char* text, const char* source)
        : db_(db), p_(text), source_(source) {}
    bool run();

private:
    bool statement();
    bool descend(const std::string& name);
    bool assignValue(const std::string& key, bool append);
    bool value(OdbValue* out);
    bool quoted(std::string* out);
    bool list(OdbValue* out);
    std::string token();
    bool number(const std::string& token, int32_t* out) const;
    OdbValue interpret(const std::string& token) const;
    bool append(OdbValue* existing, const OdbValue& more);

    void skipBlanks() {
        while (IsBlank(*p_)) ++p_;
    }
    void skipWhiteSpace() {
        for (; IsBlank(*p_) || *p_ == '\n'; ++p_) {
            if (*p_ == '\n') ++line_;
        }
    }
    void skipRestOfLine() {
        while (*p_ && *p_ != '\n') ++p_;
    }
    bool error(const std::string& what);

    OptionsDb& db_;
    const char* p_;
    const char* source_;
    int line_ = 1;
    std::vector<OdbNode*> blocks_; // open blocks, the top node first
    OdbNode* node_ = nullptr;      // where the current line's statements go
};

bool Reader::error(const std::string& what) {
    std::string where = std::string(source_) + ":" + std::to_string(line_);
    gen_error("%s: parse error: %s", where.c_str(), what.c_str());
    return false;
}

bool Reader::run() {
    blocks_.assign(1, &db_.top());
    node_ = &db_.top();
    bool clean = true;
    for (;;) {
        skipBlanks();
        char c = *p_;
        if (!c) break;
        bool ok = true;
        if (c == '\n') {
            ++p_;
            ++line_;
            node_ = blocks_.back();
        } else if (c == ';') {
            ++p_;
        } else if (c == '#') {
            skipRestOfLine();
        } else if (c == '}' && blocks_.size() > 1) {
            ++p_;
            blocks_.pop_back();
            node_ = blocks_.back();
        } else {
            ok = statement();
        }
        if (ok) continue;
        clean = false;
        if (!db_.continueOnError()) return false;
        skipRestOfLine();
        node_ = blocks_.back();
    }
    if (blocks_.size() > 1) return error("expected '}'");
    return clean;
}

bool Reader::statement() {
    for (;;) {
        const char* start = p_;
        while (IsNameChar(*p_)) ++p_;
        std::string name(start, p_ - start);
        if (name.empty()) return error("empty attribute name");
        skipBlanks();
        char c = *p_;
        if (!c) return error("unexpected end of file");
        if (c == '\n') return error("unexpected end of line");
        if (c == '=') {
            ++p_;
            return assignValue(name, false);
        }
        if (c == '+' && p_[1] == '=') {
            p_ += 2;
            return assignValue(name, true);
        }
        if (c == '{') {
            ++p_;
            if (!descend(name)) return false;
            blocks_.push_back(node_);
            return true;
        }
        if (c != '.') {
            char second = p_[1] && p_[1] != '\n' ? p_[1] : ' ';
            return error(std::string("unknown operator sequence \"") + c + second + "\" ");
        }
        ++p_;
        if (!descend(name)) return false;
        skipBlanks();
    }
}

bool Reader::descend(const std::string& name) {
    if (node_->depth() >= kOdbMaxDepth) return error("nodes nested too deeply");
    node_ = node_->addChild(name);
    return true;
}

bool Reader::assignValue(const std::string& key, bool append) {
    skipBlanks();
    if (!*p_ || *p_ == '\n' || *p_ == ';' || *p_ == '}') return error("empty attribute value");
    OdbValue parsed;
    if (!value(&parsed)) return false;
    OdbValue* existing = node_->value(key);
    if (!append || !existing) {
        node_->set(key, parsed);
        return true;
    }
    return this->append(existing, parsed);
}

bool Reader::value(OdbValue* out) {
    if (*p_ == '"') {
        std::string text;
        if (!quoted(&text)) return false;
        *out = OdbValue::String(text.c_str());
        return true;
    }
    if (*p_ == '{' && !db_.compatibilityMode()) return list(out);
    std::string text = token();
    if (text.empty()) return error("empty attribute value");
    *out = db_.compatibilityMode() ? OdbValue::String(text.c_str()) : interpret(text);
    return true;
}

// A double-quoted string with backslash escapes; it may span lines.
bool Reader::quoted(std::string* out) {
    ++p_;
    for (;;) {
        char c = *p_;
        if (!c || (c == '\\' && !p_[1])) return error("unexpected end of file");
        if (c == '"') {
            ++p_;
            return true;
        }
        const char* before = p_;
        signed char decoded = gen_unescape_one_char(&p_);
        for (const char* q = before; q < p_; ++q) {
            if (*q == '\n') ++line_;
        }
        if (decoded) out->push_back(static_cast<char>(decoded));
    }
}

// "{ item, item }": numbers with integer lists, else strings (quoted or bare).
bool Reader::list(OdbValue* out) {
    ++p_;
    std::vector<std::string> items;
    bool allNumbers = true;
    for (;;) {
        skipWhiteSpace();
        if (!*p_) return error("unexpected end of file");
        if (*p_ == '}') break;
        std::string item;
        if (*p_ == '"') {
            if (!quoted(&item)) return false;
            allNumbers = false;
        } else {
            item = token();
            int32_t ignored;
            if (item.empty()) return error("expected '}'");
            if (!number(item, &ignored)) allNumbers = false;
        }
        items.push_back(item);
        skipWhiteSpace();
        if (*p_ == ',') {
            ++p_;
        } else if (!*p_) {
            return error("unexpected end of file");
        } else if (*p_ != '}') {
            return error("expected '}'");
        }
    }
    ++p_;
    OdbValue value;
    if (db_.integerLists() && allNumbers && !items.empty()) {
        value.type = kOdbIntegerList;
        for (const std::string& item : items) {
            int32_t n = 0;
            number(item, &n);
            value.numbers.push_back(n);
        }
    } else {
        value.type = kOdbStringList;
        value.strings = items;
    }
    *out = value;
    return true;
}

std::string Reader::token() {
    const char* start = p_;
    while (!EndsToken(*p_)) ++p_;
    return std::string(start, p_ - start);
}

// C notation with an optional minus and, in memory-size mode, a K or M unit.
bool Reader::number(const std::string& token, int32_t* out) const {
    const char* s = token.c_str();
    bool negative = *s == '-';
    if (negative) ++s;
    if (!isdigit(static_cast<unsigned char>(*s))) return false;
    char* end;
    errno = 0;
    unsigned long long magnitude = strtoull(s, &end, 0);
    if (errno == ERANGE || magnitude > 0x80000000ULL) return false;
    if (db_.memorySizes() && (*end == 'K' || *end == 'k')) {
        magnitude *= 1024;
        ++end;
    } else if (db_.memorySizes() && (*end == 'M' || *end == 'm')) {
        magnitude *= 1048576;
        ++end;
    }
    if (*end) return false;
    long long value =
        negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (value < INT32_MIN || value > INT32_MAX) return false;
    *out = static_cast<int32_t>(value);
    return true;
}

OdbValue Reader::interpret(const std::string& token) const {
    if (StartsWithNoCase(token, "yes") || StartsWithNoCase(token, "on") ||
        StartsWithNoCase(token, "true"))
        return OdbValue::Integer(1);
    if (StartsWithNoCase(token, "no") || StartsWithNoCase(token, "off") ||
        gen_strequal(token.c_str(), "false"))
        return OdbValue::Integer(0);
    int32_t n;
    if (number(token, &n)) return OdbValue::Integer(n);
    return OdbValue::String(token.c_str());
}

// "+=": text onto a string, items onto a list of the same kind.
bool Reader::append(OdbValue* existing, const OdbValue& more) {
    bool moreIsNumber = more.type == kOdbInteger || more.type == kOdbIntegerList;
    switch (existing->type) {
    case kOdbString:
        if (more.type == kOdbString) {
            existing->null = false;
            existing->text += more.text;
            return true;
        }
        if (more.type == kOdbInteger) {
            existing->null = false;
            existing->text += std::to_string(more.number);
            return true;
        }
        break;
    case kOdbStringList:
        if (more.type == kOdbString) {
            existing->strings.push_back(more.text);
            return true;
        }
        if (more.type == kOdbStringList) {
            existing->strings.insert(existing->strings.end(), more.strings.begin(),
                                     more.strings.end());
            return true;
        }
        break;
    case kOdbInteger:
    case kOdbIntegerList:
        if (!moreIsNumber || !db_.integerLists()) break;
        if (existing->type == kOdbInteger) {
            existing->type = kOdbIntegerList;
            existing->numbers.assign(1, existing->number);
        }
        if (more.type == kOdbInteger)
            existing->numbers.push_back(more.number);
        else
            existing->numbers.insert(existing->numbers.end(), more.numbers.begin(),
                                     more.numbers.end());
        return true;
    }
    return error("cannot append this value");
}

} // namespace

bool OdbReadText(OptionsDb& db, const char* text, const char* source) {
    Reader reader(db, text, source);
    return reader.run();
}
