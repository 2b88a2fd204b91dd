// Checked standard I/O (gen_safe_fopen and gen_safe_fseek end the program with a fixed
// message when they fail) and the line readers.
#pragma once

#include <cstddef>
#include <cstdio>

// The open stream; on failure "Unable to open <name> for input|output: " and exit 1.
FILE* gen_safe_fopen(const char* name, const char* description, const char* mode);
long gen_safe_fread(const char* name, void* buffer, size_t size, size_t count, FILE* stream);
void* gen_safe_readbytes(const char* name, FILE* stream, void* buffer, size_t size);
size_t gen_safe_fwrite(const char* name, const void* buffer, size_t size, size_t count,
                       FILE* stream);
int gen_safe_fseek(const char* name, FILE* stream, long offset, int whence);
int gen_safe_fclose(const char* name, const char* description, FILE* stream);

// Writes all `length` bytes to `fd`, going on after interruptions and short writes; false
// when a write fails (errno says why).
bool gen_write_all(int fd, const void* data, size_t length);

// New text holding the next line with its line feed; "" at end of file; null for null.
char* gen_afgets(FILE* stream);
// The caller's buffer holding the next line without its end, or null at end of file. A
// carriage return ends a line and takes the character after it along.
char* gen_getline(FILE* stream, char** buffer, int* capacity);
long gen_getfile(const char* name, char* buffer, long length); // one read; <0 unopenable
// 0 with the whole file in a malloc'ed *buffer (terminated one past *size), or -1.
int gen_readfile_into_buffer(const char* name, char** buffer, long* size);
