// Who the program is and where it lives: its name, its path and its directory, and the
// search for executables that works like a shell's. All text is owned by this module
// unless a function says it returns a new allocation.
#pragma once

extern char* gen_progname;  // last component of the program path; null before gen_init
extern char* gen_execname;  // the program path without trailing slashes
extern char* gen_progdir;   // absolute, link-resolved directory of the executable

const char* gen_getprogname();
void gen_changeprogname(const char* name);
const char* gen_getprogdir();  // computed on first use; not a copy
void gen_changeprogdir(const char* dir);

// New path of an executable named `name`, or null. A name with a directory part is only
// checked; a bare name is looked for in the program directory (when asked) and then on PATH.
char* gen_findexec(const char* name, bool search_progdir, bool resolve);
char* gen_findexecdir(const char* name, bool search_progdir, bool resolve);
// New absolute link-resolved form of path; a plain copy when that fails.
char* gen_realpath(const char* path);
// 1 executable, 0 directory or not executable, -1 null, empty or absent.
int gen_canexec(const char* path);

bool gen_is_vendor_dev_program();
bool gen_is_vendor_win32_dev_program();
bool gen_is_win98();
void gen_set_favorite_slash(char c);
