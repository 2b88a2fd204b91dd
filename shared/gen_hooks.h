// The process-wide hooks of the foundation: leaving the process, allocating, releasing,
// reporting a message and naming the temporary directory. Every part of the program goes
// through these pointers, so a front end can redirect them (and restore them afterwards).
// Start with gen_alloc/gen_free; the message hook's default lives in gen_messages.cpp.
#pragma once

#include <cstdarg>
#include <cstddef>

typedef void (*GenExitHook)(int status);  // must not return
typedef void* (*GenAllocHook)(size_t count, size_t size);
typedef void* (*GenReallocHook)(void* block, long size);
typedef void (*GenFreeHook)(void* block);
typedef int (*GenMessageHook)(int code, const char* format, va_list args);
typedef const char* (*GenTempDirHook)(const char* preferred);

extern GenExitHook gen_exit;
extern GenAllocHook gen_alloc;        // zero-filled count x size bytes; count 0 gives null
extern GenReallocHook gen_realloc;    // size <= 0 releases; null block allocates zeroed
extern GenFreeHook gen_free;          // null is allowed
extern GenMessageHook gen_domessage;  // returns the severity code without the +100
extern GenTempDirHook gen_temp_dir;

[[noreturn]] void gen_default_exit(int status);
// True once gen_default_exit has started leaving the process.
bool gen_exit_in_progress();
void* gen_default_alloc(size_t count, size_t size);
void* gen_default_realloc(void* block, long size);
void gen_default_free(void* block);
int gen_default_domessage(int code, const char* format, va_list args);
const char* gen_default_temp_dir(const char* preferred);

// gen_realloc(block, count * size).
void* gen_allocate(void* block, size_t count, size_t size);
// A new zero-filled block of size bytes holding a copy of source; null for null.
void* gen_structcopy(const void* source, size_t size);

// Scratch buffers from a ring of `ring` slots: never freed by the caller, valid until
// the ring comes back to the same slot.
void* gen_get_temp_buf(unsigned ring, size_t size);
void* gen_get_zeroed_temp_buf(unsigned ring, size_t size);
char* gen_temp_copy(unsigned ring, const char* text);

// Writes "<prog>: fatal: Out of memory" with raw writes and leaves with status 3.
[[noreturn]] void gen_out_of_memory(size_t bytes);
