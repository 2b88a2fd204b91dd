// Names from outside the program (a patch, a distribution, a command line) made safe to
// show in a message: cut to a length a reader can take in, and with every byte that is not
// printable ASCII written as a backslash and three octal digits, so that a hostile name can
// neither run on for pages nor send escape sequences to the terminal.
#pragma once

#include <cstddef>
#include <string>

// At most this many characters of a name are shown; a longer one ends in "...".
constexpr size_t kGenShownNameLength = 200;

// `length` bytes of `name` (which may hold zero bytes) as they may be shown.
std::string gen_printable_name(const char* name, size_t length);
inline std::string gen_printable_name(const std::string& name) {
    return gen_printable_name(name.data(), name.size());
}
