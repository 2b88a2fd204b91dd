// Owned C strings: comparisons and searches that tolerate null, ASCII case rules,
// copies, the concatenation family with its exact null rules, quoting and escaping.
// Every function that returns char* returns a new gen_alloc block the caller releases
// with gen_free, unless its comment says it points into an argument. The gen_f...
// variants release their first argument after building the result.
#pragma once

#include <cstddef>

// Comparison and search.
bool gen_strequal(const char* a, const char* b);              // case-insensitive; null == null
bool gen_strnequal(const char* a, const char* b, int n);
int gen_stricmp(const char* a, const char* b);                // -1, 0, 1; not null-safe
int gen_strnicmp(const char* a, const char* b, int n);
bool gen_strprefix(const char* s, const char* prefix);
bool gen_strprefixn(const char* s, const char* prefix, int n);
bool gen_strcaseprefix(const char* s, const char* prefix);
bool gen_strcaseprefixn(const char* s, const char* prefix, int n);
bool gen_strsuffix(const char* s, const char* suffix);        // suffix strictly shorter
char* gen_strstr(const char* s, const char* t);               // into s; empty t gives null
char* gen_strcasestr(const char* s, const char* t);           // into s; empty t gives s
char* gen_strstr2(const char* s, const char* t);
char* gen_strrstr(const char* s, const char* t);
char* gen_strrcasestr(const char* s, const char* t);

// Character classes.
bool gen_isspace(int c);
bool gen_isalnum(int c);
bool gen_isupper(int c);
bool gen_isblank(int c);
bool gen_isblankstring(const char* s);
bool gen_isbreak(int c);
int gen_is_whitespace(int c);  // 2 or 0
bool gen_is_separator(int c);
bool gen_is_alphanum(int c);
int gen_is_arith(int c);       // 9 or 0
int gen_char_type(int c);      // 0 word, 2 white, -1 NUL, 3 other

// Copies.
char* gen_copy(const char* s);
char* gen_copyn(const char* s, int n);
char* gen_fcopy(char* old, const char* s);
char* gen_fcopyn(char* old, const char* s, int n);
void gen_strchange(char** slot, const char* s);
void gen_strchangen(char** slot, const char* s, int n);
char* gen_strlower(const char* s);
char* gen_strupper(const char* s);
char* gen_binary_to_string(const unsigned char* bytes, int n);

// Concatenation.
char* gen_concat(const char* a, const char* b);
char* gen_fconcat(char* a, const char* b);
char* gen_concatn(const char* a, const char* b, int n);
char* gen_fconcatn(char* a, const char* b, int n);
char* gen_concat3(const char* a, const char* b, const char* c);
char* gen_fconcat3(char* a, const char* b, const char* c);
char* gen_concat_sep(const char* a, int sep, const char* b);
char* gen_fconcat_sep(char* a, int sep, const char* b);
char* gen_concat4(const char* a, const char* b, const char* c, const char* d);
char* gen_fconcat4(char* a, const char* b, const char* c, const char* d);
char* gen_concat5(const char* a, const char* b, const char* c, const char* d, const char* e);
char* gen_fconcat5(char* a, const char* b, const char* c, const char* d, const char* e);
char* gen_concat6(const char* a, const char* b, const char* c, const char* d, const char* e,
                  const char* f);
char* gen_fconcat6(char* a, const char* b, const char* c, const char* d, const char* e,
                   const char* f);
char* gen_concat7(const char* a, const char* b, const char* c, const char* d, const char* e,
                  const char* f, const char* g);
char* gen_fconcat7(char* a, const char* b, const char* c, const char* d, const char* e,
                   const char* f, const char* g);
char* gen_concat8(const char* a, const char* b, const char* c, const char* d, const char* e,
                  const char* f, const char* g, const char* h);
char* gen_fconcat8(char* a, const char* b, const char* c, const char* d, const char* e,
                   const char* f, const char* g, const char* h);
char* gen_concat9(const char* a, const char* b, const char* c, const char* d, const char* e,
                  const char* f, const char* g, const char* h, const char* i);
char* gen_fconcat9(char* a, const char* b, const char* c, const char* d, const char* e,
                   const char* f, const char* g, const char* h, const char* i);
char* gen_concat_int(const char* a, long value);
char* gen_fconcat_int(char* a, long value);

// Quoting and escaping.
char* gen_quotify_string(const char* s);
char* gen_single_quotify_string(const char* s);
char* gen_escapify_string(const char* s);
char* gen_dequotify_string(const char* s);
char* gen_single_dequotify_string(const char* s);
char* gen_double_dequotify_string(const char* s);
char* gen_unescapify_string(const char* s);
signed char gen_unescape_one_char(const char** p);
char* gen_shellescapify_filename(const char* s);
char* gen_unshellescapify_filename(const char* s);
