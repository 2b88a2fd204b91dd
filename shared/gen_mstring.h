// The growable string MString, the scope guard GenFreer that releases a set of
// allocations together, string arrays, a reentrant tokenizer and the file-name shortener.
#pragma once

#include <set>

#include "shared/gen_messages.h"

struct MString {
    int capacity;  // bytes in buffer; always > length
    int length;
    char* buffer;  // owned, terminated at length
};

MString* MString_new(int capacity);
int MString_append(MString* ms, const char* s);
int MString_appendn(MString* ms, const char* s, int n);
int MString_appendf(MString* ms, const char* format, ...) GEN_PRINTF(2, 3);
int MString_len(const MString* ms);
char* MString_copy(const MString* ms);
char* MString_peel(MString* ms);  // the buffer, now the caller's; the record is released
void MString_delete(MString* ms);
void MString_removeTrailingWhiteSpace(MString* ms);
int MString_ensureCapacity(MString* ms, int needed);

// Releases every marked address at the end of the scope (in ascending address order).
class GenFreer {
public:
    GenFreer() = default;
    ~GenFreer();
    GenFreer(const GenFreer&) = delete;
    GenFreer& operator=(const GenFreer&) = delete;

    template <typename T> T* mark(T* p) {
        markAddress(p);
        return p;
    }
    // count elements, or up to the first null one when count is -1; then the array.
    int markStringArray(char** array, int count);
    void cancel(void* p);
    void cancelAll();

private:
    void markAddress(void* p);
    std::set<void*> marked_;
};

// String arrays: a caller-held (array, count) pair.
void gen_strarray_init(char*** array, int* count);
void gen_strarray_add_str(char*** array, int* count, const char* s);
void gen_strarray_add_strn(char*** array, int* count, const char* s, int n);
void gen_strarray_free(char*** array, int* count);

char* gen_strtok_r(char* s, const char* delimiters, char** next);
unsigned long gen_strtoul(const char* s, char** end, int base);

// New text of at most length - 1 characters usable as one file-name component.
char* gen_manglefilename(const char* name);
char* gen_manglefilename_length(const char* name, int length, bool hash_tail);
