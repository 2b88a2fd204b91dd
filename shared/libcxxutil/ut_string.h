// ut_string: the small owned string class of the utility layer.
#pragma once

#include <cstddef>

class ut_string {
public:
    ut_string();
    explicit ut_string(const char* text);
    ut_string(const ut_string& other);
    ut_string& operator=(const ut_string& other);
    ~ut_string();

    const char* c_str() const { return text_; }
    size_t length() const { return length_; }
    void assign(const char* text);
    void append(const char* text, size_t n);
    void append(const char* text);
    void clear();

private:
    char* text_; // never null
    size_t length_;
};
