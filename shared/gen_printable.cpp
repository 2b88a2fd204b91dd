// Names made safe to show (see gen_printable.h). The cut counts characters of the name,
// not of the escapes, so that every shown name covers the same part of the original.
#include "shared/gen_printable.h"

std::string gen_printable_name(const char* name, size_t length) {
    std::string shown;
    size_t shownLength = length < kGenShownNameLength ? length : kGenShownNameLength;
    for (size_t i = 0; i < shownLength; i++) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c >= 0x20 && c < 0x7f) {
            shown += static_cast<char>(c);
            continue;
        }
        shown += '\\';
        shown += static_cast<char>('0' + (c >> 6));
        shown += static_cast<char>('0' + ((c >> 3) & 7));
        shown += static_cast<char>('0' + (c & 7));
    }
    if (length > shownLength) shown += "...";
    return shown;
}
