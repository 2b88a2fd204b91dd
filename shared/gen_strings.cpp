// Owned C strings: null-tolerant comparisons and searches, ASCII character classes,
// copies, the concatenation family and quoting/escaping. Every new text comes from
// gen_alloc. The concatenations' null rules differ member by member; read each one's
// comment in gen_strings.h before changing it.
#include "shared/gen_strings.h"

#include <cstdio>
#include <cstring>

#include "shared/gen_hooks.h"

namespace {

int Lower(int c) {
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}
int Upper(int c) {
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

// Signed-byte ordering after lowering over at most n characters (all when n < 0); the
// end of a string orders before every byte.
int CompareLowered(const char* a, const char* b, long n) {
    for (long i = 0; n < 0 || i < n; i++) {
        if (!a[i] && !b[i]) return 0;
        if (!a[i]) return -1;
        if (!b[i]) return 1;
        int ca = static_cast<signed char>(Lower(static_cast<unsigned char>(a[i])));
        int cb = static_cast<signed char>(Lower(static_cast<unsigned char>(b[i])));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return 0;
}

bool SameAt(const char* s, const char* t, size_t length, bool ignore_case) {
    if (!ignore_case) return memcmp(s, t, length) == 0;
    for (size_t i = 0; i < length; i++) {
        if (Lower(static_cast<unsigned char>(s[i])) != Lower(static_cast<unsigned char>(t[i])))
            return false;
    }
    return true;
}

char* FindFirst(const char* s, const char* t, bool ignore_case) {
    size_t ls = strlen(s), lt = strlen(t);
    for (size_t i = 0; lt <= ls && i <= ls - lt; i++) {
        if (SameAt(s + i, t, lt, ignore_case)) return const_cast<char*>(s + i);
    }
    return nullptr;
}

char* FindLast(const char* s, const char* t, bool ignore_case) {
    if (!s || !t || !*t) return nullptr;
    size_t ls = strlen(s), lt = strlen(t);
    if (lt > ls) return nullptr;
    for (size_t i = ls - lt + 1; i-- > 0;) {
        if (SameAt(s + i, t, lt, ignore_case)) return const_cast<char*>(s + i);
    }
    return nullptr;
}

bool IsPrefix(const char* s, const char* p, long limit, bool ignore_case) {
    if (!p) return true;
    size_t lp = strlen(p);
    if (limit >= 0 && static_cast<size_t>(limit) < lp) lp = static_cast<size_t>(limit);
    if (lp == 0) return true;
    if (!s || strlen(s) < lp) return false;
    return SameAt(s, p, lp, ignore_case);
}

bool Empty(const char* s) {
    return !s || !*s;
}

char* NewText(size_t length) {
    return static_cast<char*>(gen_alloc(1, length + 1));
}

// The pieces end to end, a null piece counting as empty.
char* Join(const char* const* pieces, int count) {
    size_t total = 0;
    for (int i = 0; i < count; i++) total += pieces[i] ? strlen(pieces[i]) : 0;
    char* result = NewText(total);
    char* out = result;
    for (int i = 0; i < count; i++) {
        if (!pieces[i]) continue;
        size_t length = strlen(pieces[i]);
        memcpy(out, pieces[i], length);
        out += length;
    }
    return result;
}

char* ReleaseAfter(char* old, char* result) {
    gen_free(old);
    return result;
}

} // namespace

// ---- Comparison and search -----------------------------------------------------------

bool gen_strequal(const char* a, const char* b) {
    if (!a || !b) return !a && !b;
    return CompareLowered(a, b, -1) == 0;
}

bool gen_strnequal(const char* a, const char* b, int n) {
    if (!a || !b) return !a && !b;
    return n <= 0 || CompareLowered(a, b, n) == 0;
}

int gen_stricmp(const char* a, const char* b) {
    return CompareLowered(a, b, -1);
}

int gen_strnicmp(const char* a, const char* b, int n) {
    if (n < 1) return 0;
    return CompareLowered(a, b, n);
}

bool gen_strprefix(const char* s, const char* prefix) {
    return IsPrefix(s, prefix, -1, false);
}
bool gen_strprefixn(const char* s, const char* prefix, int n) {
    return IsPrefix(s, prefix, n < 0 ? 0 : n, false);
}
bool gen_strcaseprefix(const char* s, const char* prefix) {
    return IsPrefix(s, prefix, -1, true);
}
bool gen_strcaseprefixn(const char* s, const char* prefix, int n) {
    return IsPrefix(s, prefix, n < 0 ? 0 : n, true);
}

bool gen_strsuffix(const char* s, const char* suffix) {
    if (!s || !suffix) return false;
    size_t ls = strlen(s), lx = strlen(suffix);
    return lx < ls && memcmp(s + ls - lx, suffix, lx) == 0;
}

char* gen_strstr(const char* s, const char* t) {
    if (!s || Empty(t)) return nullptr;
    return FindFirst(s, t, false);
}

char* gen_strcasestr(const char* s, const char* t) {
    if (!s || !t) return nullptr;
    if (!*t) return *s ? const_cast<char*>(s) : nullptr;
    return FindFirst(s, t, true);
}

char* gen_strstr2(const char* s, const char* t) {
    return gen_strcasestr(s, t);
}
char* gen_strrstr(const char* s, const char* t) {
    return FindLast(s, t, false);
}
char* gen_strrcasestr(const char* s, const char* t) {
    return FindLast(s, t, true);
}

// ---- Character classes ---------------------------------------------------------------

namespace {
// Characters arrive as plain char promoted to int: a negative value is a byte above 127.
bool IsHighByte(int c) {
    return c < 0 || c > 127;
}
bool IsLetterOrDigit(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}
} // namespace

bool gen_isspace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool gen_isalnum(int c) {
    return IsLetterOrDigit(c);
}
bool gen_isupper(int c) {
    return c >= 'A' && c <= 'Z';
}
bool gen_isblank(int c) {
    return c == ' ' || c == '\t';
}

bool gen_isblankstring(const char* s) {
    if (!s) return false;
    for (; *s; s++) {
        if (!gen_isblank(*s)) return false;
    }
    return true;
}

bool gen_isbreak(int c) {
    return c == ';' || c < 33 || c >= 127;
}
int gen_is_whitespace(int c) {
    return (c == '\t' || c == '\n' || c == ' ') ? 2 : 0;
}
bool gen_is_separator(int c) {
    return c == '/';
}
bool gen_is_alphanum(int c) {
    return IsLetterOrDigit(c) || c == '$' || IsHighByte(c);
}

int gen_is_arith(int c) {
    return (c > 0 && c < 128 && strchr("=><:!+-*/|&", c)) ? 9 : 0;
}

int gen_char_type(int c) {
    if (c == '\0') return -1;
    if (IsLetterOrDigit(c) || c == '_' || c == '$' || IsHighByte(c)) return 0;
    if (gen_is_whitespace(c)) return 2;
    return 3;
}

// ---- Copies --------------------------------------------------------------------------

char* gen_copy(const char* s) {
    if (!s) return nullptr;
    size_t length = strlen(s);
    char* copy = NewText(length);
    memcpy(copy, s, length);
    return copy;
}

char* gen_copyn(const char* s, int n) {
    if (!s || n < 0) return nullptr;
    size_t length = strnlen(s, static_cast<size_t>(n));
    char* copy = NewText(length);
    memcpy(copy, s, length);
    return copy;
}

char* gen_fcopy(char* old, const char* s) {
    return ReleaseAfter(old, gen_copy(s));
}
char* gen_fcopyn(char* old, const char* s, int n) {
    return ReleaseAfter(old, gen_copyn(s, n));
}

void gen_strchange(char** slot, const char* s) {
    if (*slot == s) return;
    *slot = gen_fcopy(*slot, s);
}

void gen_strchangen(char** slot, const char* s, int n) {
    *slot = gen_fcopyn(*slot, s, n);
}

char* gen_strlower(const char* s) {
    char* copy = gen_copy(s);
    for (char* p = copy; p && *p; p++)
        *p = static_cast<char>(Lower(static_cast<unsigned char>(*p)));
    return copy;
}

char* gen_strupper(const char* s) {
    char* copy = gen_copy(s);
    for (char* p = copy; p && *p; p++)
        *p = static_cast<char>(Upper(static_cast<unsigned char>(*p)));
    return copy;
}

char* gen_binary_to_string(const unsigned char* bytes, int n) {
    if (!bytes || n < 0) return nullptr;
    static const char kDigits[] = "0123456789abcdef";
    char* text = NewText(2 * static_cast<size_t>(n));
    for (int i = 0; i < n; i++) {
        text[2 * i] = kDigits[bytes[i] & 0xf];
        text[2 * i + 1] = kDigits[bytes[i] >> 4];
    }
    return text;
}

// ---- Concatenation -------------------------------------------------------------------

char* gen_concat(const char* a, const char* b) {
    if (Empty(a)) return gen_copy(b);
    if (Empty(b)) return gen_copy(a);
    const char* pieces[] = {a, b};
    return Join(pieces, 2);
}

char* gen_concatn(const char* a, const char* b, int n) {
    if (Empty(a)) return gen_copyn(b, n);
    if (!b || n <= 0) return gen_copy(a);
    size_t la = strlen(a), lb = strnlen(b, static_cast<size_t>(n));
    char* result = NewText(la + lb);
    memcpy(result, a, la);
    memcpy(result + la, b, lb);
    return result;
}

char* gen_concat3(const char* a, const char* b, const char* c) {
    if (!a) return gen_concat(b, c);
    if (!b) return gen_concat(a, c);
    if (!c) return gen_concat(a, b);
    const char* pieces[] = {a, b, c};
    return Join(pieces, 3);
}

char* gen_concat_sep(const char* a, int sep, const char* b) {
    if (!a) return gen_copy(b);
    if (sep == 0) return gen_concat(a, b);
    if (!b) return gen_copy(a);
    char separator[2] = {static_cast<char>(sep), '\0'};
    const char* pieces[] = {a, separator, b};
    return Join(pieces, 3);
}

char* gen_concat4(const char* a, const char* b, const char* c, const char* d) {
    const char* pieces[] = {a, b, c, d};
    return Join(pieces, 4);
}

char* gen_concat5(const char* a, const char* b, const char* c, const char* d, const char* e) {
    const char* pieces[] = {a, b, c, d, e};
    return Join(pieces, 5);
}

char* gen_concat6(const char* a, const char* b, const char* c, const char* d, const char* e,
                  const char* f) {
    const char* pieces[] = {a, b, c, d, e, f};
    return Join(pieces, 6);
}

char* gen_concat7(const char* a, const char* b, const char* c, const char* d, const char* e,
                  const char* f, const char* g) {
    const char* pieces[] = {a, b, c, d, e, f, g};
    return Join(pieces, 7);
}

char* gen_concat8(const char* a, const char* b, const char* c, const char* d, const char* e,
                  const char* f, const char* g, const char* h) {
    const char* pieces[] = {a, b, c, d, e, f, g, h};
    return Join(pieces, 8);
}

char* gen_concat9(const char* a, const char* b, const char* c, const char* d, const char* e,
                  const char* f, const char* g, const char* h, const char* i) {
    const char* pieces[] = {a, b, c, d, e, f, g, h, i};
    return Join(pieces, 9);
}

char* gen_concat_int(const char* a, long value) {
    char digits[24];
    snprintf(digits, sizeof digits, "%ld", value);
    return gen_concat(a, digits);
}

char* gen_fconcat(char* a, const char* b) {
    return ReleaseAfter(a, gen_concat(a, b));
}
char* gen_fconcatn(char* a, const char* b, int n) {
    return ReleaseAfter(a, gen_concatn(a, b, n));
}
char* gen_fconcat3(char* a, const char* b, const char* c) {
    return ReleaseAfter(a, gen_concat3(a, b, c));
}
char* gen_fconcat_sep(char* a, int sep, const char* b) {
    return ReleaseAfter(a, gen_concat_sep(a, sep, b));
}
char* gen_fconcat4(char* a, const char* b, const char* c, const char* d) {
    return ReleaseAfter(a, gen_concat4(a, b, c, d));
}
char* gen_fconcat5(char* a, const char* b, const char* c, const char* d, const char* e) {
    return ReleaseAfter(a, gen_concat5(a, b, c, d, e));
}
char* gen_fconcat6(char* a, const char* b, const char* c, const char* d, const char* e,
                   const char* f) {
    return ReleaseAfter(a, gen_concat6(a, b, c, d, e, f));
}
char* gen_fconcat7(char* a, const char* b, const char* c, const char* d, const char* e,
                   const char* f, const char* g) {
    return ReleaseAfter(a, gen_concat7(a, b, c, d, e, f, g));
}
char* gen_fconcat8(char* a, const char* b, const char* c, const char* d, const char* e,
                   const char* f, const char* g, const char* h) {
    return ReleaseAfter(a, gen_concat8(a, b, c, d, e, f, g, h));
}
char* gen_fconcat9(char* a, const char* b, const char* c, const char* d, const char* e,
                   const char* f, const char* g, const char* h, const char* i) {
    return ReleaseAfter(a, gen_concat9(a, b, c, d, e, f, g, h, i));
}
char* gen_fconcat_int(char* a, long value) {
    return ReleaseAfter(a, gen_concat_int(a, value));
}

// ---- Quoting and escaping ------------------------------------------------------------

namespace {

// Control characters that escapify writes as a backslash and a letter or digit.
const char kControlEscapes[][2] = {{'\n', 'n'}, {'\r', 'r'}, {'\t', 't'},
                                   {1, '1'},    {2, '2'},    {3, '3'}};
static_assert(sizeof kControlEscapes / sizeof kControlEscapes[0] == 6, "six control escapes");

// Letters after a backslash and the characters they stand for.
const char kLetterEscapes[][2] = {{'a', 7},  {'b', 8}, {'f', 12}, {'n', 10},
                                  {'r', 13}, {'t', 9}, {'v', 11}};
static_assert(sizeof kLetterEscapes / sizeof kLetterEscapes[0] == 7, "seven letter escapes");

template <size_t N> char LookUp(const char (&table)[N][2], char key) {
    for (const auto& entry : table) {
        if (entry[0] == key) return entry[1];
    }
    return 0;
}

// Backslash before backslash and both quotes; with `controls` also the control characters
// that escapify writes as letters or digits. An optional quote character surrounds it.
char* Escape(const char* s, char quote, bool controls) {
    if (!s) return nullptr;
    size_t length = strlen(s);
    char* result = NewText(2 * length + 2); // each byte at most doubles
    char* out = result;
    if (quote) *out++ = quote;
    for (const char* p = s; *p; p++) {
        char c = *p;
        char escaped = 0;
        if (c == '\\' || c == '"' || c == '\'') {
            escaped = c;
        } else if (controls) {
            escaped = LookUp(kControlEscapes, c);
        }
        if (escaped) {
            *out++ = '\\';
            *out++ = escaped;
        } else {
            *out++ = c;
        }
    }
    if (quote) *out++ = quote;
    return result;
}

// s without every unescaped quote character (0: none), escapes decoded, stopping at an
// escape that decodes to 0.
char* Dequote(const char* s, char quote) {
    if (!s) return nullptr;
    char* result = NewText(strlen(s));
    char* out = result;
    const char* p = s;
    while (*p) {
        if (quote && *p == quote) {
            p++;
            continue;
        }
        signed char c = gen_unescape_one_char(&p);
        if (c == 0) break;
        *out++ = static_cast<char>(c);
    }
    return result;
}

bool IsOctalDigit(char c) {
    return c >= '0' && c <= '7';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

char* gen_quotify_string(const char* s) {
    return Escape(s, '"', false);
}
char* gen_single_quotify_string(const char* s) {
    return Escape(s, '\'', false);
}
char* gen_escapify_string(const char* s) {
    return Escape(s, 0, true);
}

char* gen_dequotify_string(const char* s) {
    if (!s) return nullptr;
    char quote = (*s == '"' || *s == '\'') ? *s : 0;
    return Dequote(s, quote);
}

char* gen_single_dequotify_string(const char* s) {
    return Dequote(s, '\'');
}
char* gen_double_dequotify_string(const char* s) {
    return Dequote(s, '"');
}
char* gen_unescapify_string(const char* s) {
    return Dequote(s, 0);
}

signed char gen_unescape_one_char(const char** p) {
    const char* in = *p;
    if (*in != '\\') {
        char c = *in;
        if (c) in++; // never step past the terminator
        *p = in;
        return static_cast<signed char>(c);
    }
    in++; // the backslash
    char c = *in;
    int value = 0;
    if (c >= '0' && c <= '3') {
        value = c - '0';
        in++;
        for (int digits = 0; digits < 2 && IsOctalDigit(*in); digits++) {
            value = value * 8 + (*in++ - '0');
        }
    } else if (c == 'x') {
        in++;
        for (int digits = 0; digits < 2 && HexValue(*in) >= 0; digits++) {
            value = value * 16 + HexValue(*in++);
        }
    } else {
        char letter = LookUp(kLetterEscapes, c);
        value = letter ? letter : static_cast<unsigned char>(c); // others stand for themselves
        if (c) in++;
    }
    *p = in;
    return static_cast<signed char>(value);
}

char* gen_shellescapify_filename(const char* s) {
    if (!s) return nullptr;
    if (!strpbrk(s, " \"")) return gen_copy(s);
    const char* pieces[] = {"'", s, "'"};
    return Join(pieces, 3);
}

char* gen_unshellescapify_filename(const char* s) {
    if (!s) return nullptr;
    if (*s == '"') return gen_dequotify_string(s);
    if (*s != '\'') return gen_copy(s);
    size_t length = strlen(s + 1);
    if (length > 0 && s[length] == '\'') length--;
    return gen_copyn(s + 1, static_cast<int>(length));
}
