// ut_string: an owned, always terminated byte string that grows on append. The text is
// never null, so callers can hand c_str() straight to the C functions.
#include "shared/libcxxutil/ut_string.h"

#include <cstring>

namespace {

char* newText(const char* text, size_t n) {
    char* copy = new char[n + 1];
    if (n) memcpy(copy, text, n);
    copy[n] = '\0';
    return copy;
}

} // namespace

ut_string::ut_string() : text_(newText("", 0)), length_(0) {}

ut_string::ut_string(const char* text)
    : text_(newText(text ? text : "", text ? strlen(text) : 0)), length_(strlen(text_)) {}

ut_string::ut_string(const ut_string& other)
    : text_(newText(other.text_, other.length_)), length_(other.length_) {}

ut_string& ut_string::operator=(const ut_string& other) {
    if (this != &other) {
        char* copy = newText(other.text_, other.length_);
        delete[] text_;
        text_ = copy;
        length_ = other.length_;
    }
    return *this;
}

ut_string::~ut_string() {
    delete[] text_;
}

void ut_string::assign(const char* text) {
    // Built before the old text goes, so assigning a part of ourselves is safe.
    size_t n = text ? strlen(text) : 0;
    char* copy = newText(text ? text : "", n);
    delete[] text_;
    text_ = copy;
    length_ = n;
}

void ut_string::append(const char* text, size_t n) {
    if (!text || n == 0) return;
    char* joined = new char[length_ + n + 1];
    memcpy(joined, text_, length_);
    memcpy(joined + length_, text, n);
    joined[length_ + n] = '\0';
    delete[] text_;
    text_ = joined;
    length_ += n;
}

void ut_string::append(const char* text) {
    if (text) append(text, strlen(text));
}

void ut_string::clear() {
    assign("");
}
