// Formatted text. gen_asprintf formats with the foundation's own engine (MT_Vsprintf)
// into a new exact-size allocation; short texts need no intermediate heap block.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "shared/gen_messages.h"

// Receives the formatted output in pieces, in order; returns the count it took.
typedef int (*MTOutputFn)(void* context, const char* bytes, int count);

// The formatting engine: returns the number of characters produced.
int MT_Vsprintf(const char* format, va_list args, void* context, MTOutputFn output);

char* gen_asprintf(const char* format, ...) GEN_PRINTF(1, 2);
char* gen_avsprintf(const char* format, va_list args);

// The C library's formatting. Returns the full length; when the text does not fit, exactly
// `size` bytes are copied and no terminator is added.
int gen_snprintf(char* buffer, size_t size, const char* format, ...) GEN_PRINTF(3, 4);
int gen_vsnprintf(char* buffer, size_t size, const char* format, va_list args);
// New text in a block from the C library's malloc (release with free).
char* gen_msprintf(const char* format, ...) GEN_PRINTF(1, 2);
char* gen_vmsprintf(const char* format, va_list args);
