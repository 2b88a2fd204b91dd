// Formatted text: the foundation's own printf engine MT_Vsprintf, which hands its output
// to a callback in pieces, and gen_asprintf, which collects those pieces into one new
// exact-size block. gen_snprintf and gen_msprintf use the C library instead. Start at
// MT_Vsprintf; the conversions follow it in the order integers, characters and strings,
// floating point.
#include "shared/gen_format.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"

namespace {

// One conversion's flags, width, precision and length modifier.
struct Conversion {
    bool left = false;
    bool plus = false;
    bool zero = false;
    bool blank = false;
    bool alternate = false;
    long width = 0;
    long precision = -1; // -1: none given
    int size = 0;        // -1 short, 0 int, 1 long, 2 64-bit
    bool longDouble = false;
};

const long kLargestField = INT_MAX / 2;

// Hands bytes to the caller's output function and counts them.
class Emitter {
public:
    Emitter(void* context, MTOutputFn output) : context_(context), output_(output) {}

    void Put(const char* bytes, long count) {
        while (count > 0) {
            int piece = count > INT_MAX ? INT_MAX : static_cast<int>(count);
            output_(context_, bytes, piece);
            bytes += piece;
            count -= piece;
            total_ += piece;
        }
    }
    void Put(const char* text) { Put(text, static_cast<long>(strlen(text))); }

    void Repeat(char c, long count) {
        static const char kBlanks[] = "                                ";
        static const char kZeros[] = "00000000000000000000000000000000";
        const char* run = c == '0' ? kZeros : kBlanks;
        const long kRun = sizeof kBlanks - 1;
        for (; count > 0; count -= kRun) Put(run, count < kRun ? count : kRun);
    }

    long total() const { return total_; }

private:
    void* context_;
    MTOutputFn output_;
    long total_ = 0;
};

// ---- Reading a conversion ------------------------------------------------------------

long ReadNumber(const char** p) {
    long value = 0;
    for (; **p >= '0' && **p <= '9'; (*p)++) {
        if (value < kLargestField) value = value * 10 + (**p - '0');
    }
    return value > kLargestField ? kLargestField : value;
}

// Reads flags, width, precision, blanks and the length modifier; leaves p at the
// conversion character.
Conversion ReadConversion(const char** p, va_list& args) {
    Conversion conv;
    for (;; (*p)++) {
        char c = **p;
        if (c == '-') {
            conv.left = true;
        } else if (c == '+') {
            conv.plus = true;
        } else if (c == '0') {
            conv.zero = true;
        } else if (c == ' ') {
            conv.blank = true;
        } else if (c == '#') {
            conv.alternate = true;
        } else {
            break;
        }
    }
    if (**p == '*') {
        long width = va_arg(args, int);
        if (width < 0) {
            conv.left = true;
            width = -width;
        }
        conv.width = width > kLargestField ? kLargestField : width;
        (*p)++;
    } else {
        conv.width = ReadNumber(p);
    }
    if (**p == '.') {
        (*p)++;
        if (**p == '*') {
            int precision = va_arg(args, int);
            conv.precision = precision < 0 ? -1 : precision;
            (*p)++;
        } else {
            conv.precision = ReadNumber(p);
        }
    }
    while (**p == ' ') (*p)++;
    if (**p == 'l') {
        conv.size = 1;
        if (*++(*p) == 'l') {
            conv.size = 2;
            (*p)++;
        }
    } else if (**p == 'L') {
        conv.size = 2;
        conv.longDouble = true;
        (*p)++;
    } else if (**p == 'h') {
        conv.size = -1;
        (*p)++;
    }
    return conv;
}

// ---- Integers ------------------------------------------------------------------------

long long SignedArgument(const Conversion& conv, va_list& args) {
    switch (conv.size) {
    case -1:
        return static_cast<short>(va_arg(args, int));
    case 1:
        return va_arg(args, long);
    case 2:
        return va_arg(args, long long);
    default:
        return va_arg(args, int);
    }
}

unsigned long long UnsignedArgument(const Conversion& conv, va_list& args) {
    switch (conv.size) {
    case -1:
        return static_cast<unsigned short>(va_arg(args, unsigned int));
    case 1:
        return va_arg(args, unsigned long);
    case 2:
        return va_arg(args, unsigned long long);
    default:
        return va_arg(args, unsigned int);
    }
}

void EmitInteger(Emitter& out, const Conversion& conv, char kind, unsigned long long magnitude,
                 bool negative) {
    const bool isSigned = kind == 'd' || kind == 'i';
    const unsigned base = kind == 'o' ? 8 : (isSigned || kind == 'u') ? 10 : 16;
    const char* digitSet = (kind == 'X' || kind == 'P') ? "0123456789ABCDEF" : "0123456789abcdef";

    char digits[32];
    char* first = digits + sizeof digits;
    if (conv.precision != 0 || magnitude != 0) {
        do {
            *--first = digitSet[magnitude % base];
            magnitude /= base;
        } while (magnitude);
    }
    const long digitCount = digits + sizeof digits - first;

    const char* sign = "";
    if (isSigned) sign = negative ? "-" : conv.plus ? "+" : conv.blank ? " " : "";
    const char* prefix = "";
    if (conv.alternate && base == 16 && digitCount > 0 && *first != '0') {
        prefix = (kind == 'X' || kind == 'P') ? "0X" : "0x";
    }
    long zeros = conv.precision > digitCount ? conv.precision - digitCount : 0;
    if (conv.alternate && base == 8 && zeros == 0 && (digitCount == 0 || *first != '0')) zeros = 1;

    long body = static_cast<long>(strlen(sign) + strlen(prefix)) + zeros + digitCount;
    long padding = conv.width > body ? conv.width - body : 0;
    if (!conv.left && conv.zero && conv.precision < 0) {
        zeros += padding; // zero padding goes after the sign and the 0x
        padding = 0;
    }
    if (!conv.left) out.Repeat(' ', padding);
    out.Put(sign);
    out.Put(prefix);
    out.Repeat('0', zeros);
    out.Put(first, digitCount);
    if (conv.left) out.Repeat(' ', padding);
}

// ---- Characters and strings ----------------------------------------------------------

void EmitField(Emitter& out, const Conversion& conv, const char* text, long length,
               bool zeroPadding) {
    long padding = conv.width > length ? conv.width - length : 0;
    if (!conv.left) out.Repeat(zeroPadding && conv.zero ? '0' : ' ', padding);
    out.Put(text, length);
    if (conv.left) out.Repeat(' ', padding);
}

void EmitString(Emitter& out, const Conversion& conv, const char* text) {
    if (!text) text = "(null)";
    // Bounded scan: with a precision the text need not be terminated.
    size_t length =
        conv.precision >= 0 ? strnlen(text, static_cast<size_t>(conv.precision)) : strlen(text);
    EmitField(out, conv, text, static_cast<long>(length), false);
}

// ---- Floating point ------------------------------------------------------------------

// The digits come from the C library, given the same flags, width and precision.
void EmitFloating(Emitter& out, const Conversion& conv, char kind, va_list& args) {
    char format[16];
    char* f = format;
    *f++ = '%';
    if (conv.left) *f++ = '-';
    if (conv.plus) *f++ = '+';
    if (conv.zero) *f++ = '0';
    if (conv.blank) *f++ = ' ';
    if (conv.alternate) *f++ = '#';
    *f++ = '*';
    *f++ = '.';
    *f++ = '*';
    if (conv.longDouble) *f++ = 'L';
    *f++ = kind;
    *f = '\0';

    const int width = static_cast<int>(conv.width);
    const int precision = static_cast<int>(conv.precision); // negative: the default
    long double ldValue = 0;
    double dValue = 0;
    if (conv.longDouble) {
        ldValue = va_arg(args, long double);
    } else {
        dValue = va_arg(args, double);
    }
    auto print = [&](char* buffer, size_t size) {
        return conv.longDouble ? snprintf(buffer, size, format, width, precision, ldValue)
                               : snprintf(buffer, size, format, width, precision, dValue);
    };

    char local[128];
    int length = print(local, sizeof local);
    if (length < 0) return;
    if (static_cast<size_t>(length) < sizeof local) {
        out.Put(local, length);
        return;
    }
    char* large = static_cast<char*>(gen_alloc(1, static_cast<size_t>(length) + 1));
    print(large, static_cast<size_t>(length) + 1);
    out.Put(large, length);
    gen_free(large);
}

void StoreCount(const Conversion& conv, long count, va_list& args) {
    switch (conv.size) {
    case -1:
        *va_arg(args, short*) = static_cast<short>(count);
        break;
    case 1:
        *va_arg(args, long*) = count;
        break;
    case 2:
        *va_arg(args, long long*) = count;
        break;
    default:
        *va_arg(args, int*) = static_cast<int>(count);
        break;
    }
}

} // namespace

int MT_Vsprintf(const char* format, va_list caller_args, void* context, MTOutputFn output) {
    // A copy the helpers can take by reference: a va_list parameter may have decayed to a
    // pointer.
    va_list args;
    va_copy(args, caller_args);
    Emitter out(context, output);
    const char* p = format ? format : "(null)";
    while (*p) {
        const char* plain = p;
        while (*p && *p != '%') p++;
        out.Put(plain, p - plain);
        if (!*p) break;
        p++;
        Conversion conv = ReadConversion(&p, args);
        const char kind = *p;
        if (!kind) break; // the format ended inside a conversion
        p++;
        switch (kind) {
        case 'd':
        case 'i': {
            long long value = SignedArgument(conv, args);
            unsigned long long magnitude =
                value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
            EmitInteger(out, conv, kind, magnitude, value < 0);
            break;
        }
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            EmitInteger(out, conv, kind, UnsignedArgument(conv, args), false);
            break;
        case 'p':
        case 'P':
            EmitInteger(out, conv, kind, reinterpret_cast<uintptr_t>(va_arg(args, void*)), false);
            break;
        case 'c': {
            char c = static_cast<char>(va_arg(args, int));
            EmitField(out, conv, &c, 1, true);
            break;
        }
        case 's':
            EmitString(out, conv, va_arg(args, const char*));
            break;
        case 'e':
        case 'f':
        case 'g':
        case 'E':
        case 'G':
            EmitFloating(out, conv, kind, args);
            break;
        case 'n':
            StoreCount(conv, out.total(), args);
            break;
        default: // '%' and any unknown character print as themselves
            EmitField(out, conv, &kind, 1, false);
            break;
        }
    }
    va_end(args);
    return static_cast<int>(out.total());
}

// ---- gen_asprintf --------------------------------------------------------------------

namespace {

// Short texts stay in the inline area; only longer ones touch the heap before the result.
struct Accumulator {
    char inlineArea[1024];
    size_t inlineUsed = 0;
    char* overflow = nullptr;
    size_t overflowUsed = 0;
    size_t overflowCapacity = 0;
};

int Accumulate(void* context, const char* bytes, int count) {
    Accumulator& acc = *static_cast<Accumulator*>(context);
    size_t k = static_cast<size_t>(count);
    size_t room = sizeof acc.inlineArea - acc.inlineUsed;
    size_t inlinePart = k < room ? k : room;
    memcpy(acc.inlineArea + acc.inlineUsed, bytes, inlinePart);
    acc.inlineUsed += inlinePart;
    bytes += inlinePart;
    k -= inlinePart;
    if (k == 0) return count;
    if (acc.overflowUsed + k > acc.overflowCapacity) {
        acc.overflowCapacity = (k + acc.overflowCapacity) * 2;
        acc.overflow =
            static_cast<char*>(gen_realloc(acc.overflow, static_cast<long>(acc.overflowCapacity)));
    }
    memcpy(acc.overflow + acc.overflowUsed, bytes, k);
    acc.overflowUsed += k;
    return count;
}

// A va_list is a pointer on some hosts and a structure on others; only the first can be
// null.
template <typename T> bool IsNullArgumentList(T* args) {
    return args == nullptr;
}
template <typename T> bool IsNullArgumentList(const T&) {
    return false;
}

} // namespace

char* gen_avsprintf(const char* format, va_list args) {
    if (!format) {
        gen_error("[gen_asprintf]: Format was NULL (illegal).");
        return nullptr;
    }
    if (IsNullArgumentList(args)) {
        gen_error("[gen_asprintf]: vlist was NULL (illegal).");
        return nullptr;
    }
    Accumulator acc;
    MT_Vsprintf(format, args, &acc, Accumulate);
    char* text = static_cast<char*>(gen_alloc(1, acc.inlineUsed + acc.overflowUsed + 1));
    memcpy(text, acc.inlineArea, acc.inlineUsed);
    if (acc.overflowUsed) memcpy(text + acc.inlineUsed, acc.overflow, acc.overflowUsed);
    gen_free(acc.overflow);
    return text;
}

char* gen_asprintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = gen_avsprintf(format, args);
    va_end(args);
    return text;
}

// ---- The C library's formatting ------------------------------------------------------

int gen_vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
    // Formatted whole into a scratch buffer first, so that a text that does not fit still
    // hands over exactly size bytes instead of size - 1 and a terminator.
    static char* scratch = nullptr;
    static size_t scratchCapacity = 0;
    if (!format) format = "";
    va_list measure;
    va_copy(measure, args);
    int length = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0 || size == 0) return length;
    size_t needed = static_cast<size_t>(length) + 1;
    if (needed <= size) {
        vsnprintf(buffer, size, format, args);
        return length;
    }
    if (scratchCapacity < needed) {
        scratch = static_cast<char*>(gen_realloc(scratch, static_cast<long>(needed)));
        scratchCapacity = needed;
    }
    vsnprintf(scratch, needed, format, args);
    memcpy(buffer, scratch, size);
    return length;
}

int gen_snprintf(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = gen_vsnprintf(buffer, size, format, args);
    va_end(args);
    return length;
}

char* gen_vmsprintf(const char* format, va_list args) {
    if (!format) return nullptr;
    va_list measure;
    va_copy(measure, args);
    int length = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) return nullptr;
    size_t size = static_cast<size_t>(length) + 1;
    char* text = static_cast<char*>(malloc(size));
    if (!text) gen_out_of_memory(size);
    vsnprintf(text, size, format, args);
    return text;
}

char* gen_msprintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = gen_vmsprintf(format, args);
    va_end(args);
    return text;
}
