// The growable string MString, the GenFreer scope guard, caller-held string arrays, the
// reentrant tokenizer and the file-name shortener. Each is independent of the others;
// read them in any order.
#include "shared/gen_mstring.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"

// ---- MString -------------------------------------------------------------------------

MString* MString_new(int capacity) {
    if (capacity < 1) capacity = 1;
    MString* ms = static_cast<MString*>(gen_alloc(1, sizeof(MString)));
    ms->capacity = capacity;
    ms->length = 0;
    ms->buffer = static_cast<char*>(gen_alloc(1, static_cast<size_t>(capacity)));
    return ms;
}

int MString_ensureCapacity(MString* ms, int needed) {
    if (!ms) {
        gen_error("[MString_ensureCapacity]: cannot operate on NULL MString");
        return -1;
    }
    if (needed < ms->capacity) return 0;
    int grown = 2 * needed;
    ms->buffer = static_cast<char*>(gen_realloc(ms->buffer, grown));
    // The buffer stays zero-filled beyond the text, as a new one is.
    memset(ms->buffer + ms->capacity, 0, static_cast<size_t>(grown - ms->capacity));
    ms->capacity = grown;
    return 0;
}

namespace {

int AppendBytes(MString* ms, const char* s, size_t count) {
    MString_ensureCapacity(ms, ms->length + static_cast<int>(count));
    memcpy(ms->buffer + ms->length, s, count);
    ms->length += static_cast<int>(count);
    ms->buffer[ms->length] = '\0';
    return static_cast<int>(count);
}

} // namespace

int MString_append(MString* ms, const char* s) {
    if (!ms || !s) {
        gen_error("[MString_append]: cannot operate on NULL");
        return -1;
    }
    return AppendBytes(ms, s, strlen(s));
}

int MString_appendn(MString* ms, const char* s, int n) {
    if (!ms || !s) {
        gen_error("[MString_appendn]: cannot operate on NULL");
        return -1;
    }
    if (n <= 0) return 0;
    return AppendBytes(ms, s, strnlen(s, static_cast<size_t>(n)));
}

int MString_appendf(MString* ms, const char* format, ...) {
    if (!ms || !format) {
        gen_error("[MString_appendf]: cannot operate on NULL");
        return -1;
    }
    va_list args;
    va_start(args, format);
    char* text = gen_avsprintf(format, args);
    va_end(args);
    int appended = AppendBytes(ms, text, strlen(text));
    gen_free(text);
    return appended;
}

int MString_len(const MString* ms) {
    return ms ? ms->length : 0;
}

char* MString_copy(const MString* ms) {
    if (!ms) {
        gen_error("[MString_copy]: cannot operate on NULL MString");
        return nullptr;
    }
    return gen_copyn(ms->buffer, ms->length);
}

char* MString_peel(MString* ms) {
    if (!ms) {
        gen_error("[MString_peel]: cannot operate on NULL MString");
        return nullptr;
    }
    char* text = static_cast<char*>(gen_realloc(ms->buffer, ms->length + 1));
    gen_free(ms);
    return text;
}

void MString_delete(MString* ms) {
    if (!ms) {
        gen_error("[MString_delete]: cannot operate on NULL MString");
        return;
    }
    gen_free(ms->buffer);
    gen_free(ms);
}

void MString_removeTrailingWhiteSpace(MString* ms) {
    if (!ms) return;
    while (ms->length > 0 && gen_is_whitespace(ms->buffer[ms->length - 1])) {
        ms->buffer[--ms->length] = '\0';
    }
}

// ---- GenFreer ------------------------------------------------------------------------

GenFreer::~GenFreer() {
    for (void* p : marked_) gen_free(p); // a std::set iterates in ascending order
    marked_.clear();
}

void GenFreer::markAddress(void* p) {
    if (p) marked_.insert(p);
}

int GenFreer::markStringArray(char** array, int count) {
    if (!array) return 0;
    int marked = 0;
    for (; count == -1 ? array[marked] != nullptr : marked < count; marked++) {
        markAddress(array[marked]);
    }
    markAddress(array);
    return marked;
}

void GenFreer::cancel(void* p) {
    marked_.erase(p);
}
void GenFreer::cancelAll() {
    marked_.clear();
}

// ---- String arrays -------------------------------------------------------------------

void gen_strarray_init(char*** array, int* count) {
    *array = nullptr;
    *count = 0;
}

namespace {

void AddOwned(char*** array, int* count, char* text) {
    *array =
        static_cast<char**>(gen_allocate(*array, static_cast<size_t>(*count) + 1, sizeof(char*)));
    (*array)[(*count)++] = text;
}

} // namespace

void gen_strarray_add_str(char*** array, int* count, const char* s) {
    AddOwned(array, count, gen_copy(s));
}

void gen_strarray_add_strn(char*** array, int* count, const char* s, int n) {
    AddOwned(array, count, gen_copyn(s, n));
}

void gen_strarray_free(char*** array, int* count) {
    for (int i = 0; *array && i < *count; i++) gen_free((*array)[i]);
    gen_free(*array);
    gen_strarray_init(array, count);
}

// ---- Tokens and numbers --------------------------------------------------------------

char* gen_strtok_r(char* s, const char* delimiters, char** next) {
    if (next) *next = nullptr;
    if (!s) return nullptr;
    if (!delimiters) delimiters = "";
    s += strspn(s, delimiters);
    if (!*s) return nullptr;
    char* end = s + strcspn(s, delimiters);
    if (*end) {
        *end = '\0';
        if (next) *next = end + 1;
    }
    return s;
}

unsigned long gen_strtoul(const char* s, char** end, int base) {
    return strtoul(s, end, base);
}

// ---- File-name shortener -------------------------------------------------------------

char* gen_manglefilename(const char* name) {
    return gen_manglefilename_length(name, 64, true);
}

char* gen_manglefilename_length(const char* name, int length, bool hash_tail) {
    const int kHashRoom = 9; // eight hexadecimal digits and the terminator
    if (length <= kHashRoom || !name) return nullptr;
    size_t nameLength = strlen(name);
    size_t keep = static_cast<size_t>(length - kHashRoom);
    const char* tail = nameLength <= keep ? name : name + nameLength - keep;

    uint32_t hash = 0;
    for (const char* p = hash_tail ? tail : name; *p; p++) {
        hash = ((hash << 7) | (hash >> 25)) ^ static_cast<unsigned char>(*p);
    }
    char* result = static_cast<char*>(gen_alloc(1, static_cast<size_t>(length)));
    snprintf(result, static_cast<size_t>(length), "%08x%s", static_cast<unsigned>(hash), tail);
    for (char* p = result; *p; p++) {
        if (*p == '/' || *p == '\\' || *p == ':') *p = '@';
    }
    return result;
}
