// The file operations of the program: the system-call wrappers (view-path aware in
// principle, always plain here), queries, permission changes, creation and removal of
// files, directories and private temporary directories, copying and moving.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>

// View-pathing: started by gen_init with its mode (0 switches it off), released at exit.
void gen_viewpath_init(int mode);
void gen_viewpath_release();

int gen_access(const char* name, int mode);
int gen_diraccess(const char* name, int mode);
int gen_chdir(const char* name);
int gen_creat(const char* name, mode_t mode);
int gen_open(const char* name, int flags, mode_t mode = 0);
FILE* gen_fopen(const char* name, const char* mode);
FILE* gen_freopen(const char* name, const char* mode, FILE* stream);
int gen_stat(const char* name, struct stat* st);
int gen_unlink(const char* name);
int gen_link(const char* from, const char* to);
int gen_sys_access(const char* name, int mode);
int gen_sys_chdir(const char* name);
int gen_sys_creat(const char* name, mode_t mode);
int gen_sys_link(const char* from, const char* to);
int gen_sys_open(const char* name, int flags, mode_t mode = 0);
FILE* gen_sys_fopen(const char* name, const char* mode);
FILE* gen_sys_freopen(const char* name, const char* mode, FILE* stream);
int gen_sys_stat(const char* name, struct stat* st);
int gen_sys_unlink(const char* name);

bool gen_isdir(const char* name);
long long gen_filesize(const char* name); // -1 when stat fails
// The mode word from stat, or 0; *mode, when it holds 0, receives it (0664 when missing).
mode_t gen_getmode(const char* name, mode_t* mode);
int gen_islink(const char* name); // 1 symbolic link, 2 several hard links, 0 otherwise
// 1 when a was modified after b (or only b is missing), 0 when not, -1 when a is missing.
int gen_newerthan(const char* a, const char* b);
bool gen_isemptydir(const char* name); // also true when name cannot be listed

// Each returns the mode found before the change; base 0 means the current mode.
mode_t gen_chmod_minusw(const char* name, mode_t base);
mode_t gen_chmod_plusw(const char* name, mode_t base);
mode_t gen_chmod_plusx(const char* name);
mode_t gen_chmod_plusrw(const char* name, mode_t base);
mode_t gen_chmod_pluswu(const char* name, mode_t base);
mode_t gen_chmod_sameas(const char* name, const char* model);

// 0 when name is (or now is) a directory, -1 when something else holds the name.
int gen_createdir(const char* name, mode_t mode);
int gen_createdir_recursive(const char* name, mode_t mode); // missing parents get mode too
// New name "vtPPPPxy" under the temporary directory that nothing holds yet; null when all
// 1296 are taken. gen_createtmpdir also makes the directory (null when mkdir fails).
char* gen_tmpdirname(const char* preferred);
char* gen_createtmpdir(const char* preferred, mode_t mode);
int gen_removefile(const char* name); // -1 for a directory, which is never removed here
// Removes the tree below name, then name itself (the rmdir result). Symbolic links inside
// are removed, never followed; a name that is itself a link loses only the link.
int gen_removedir_recursive(const char* name);
int gen_removestar_recursive(const char* name); // empties name, keeps it; always 0
// Directories are refused (-1). A failed rename retries once after removing `to`, but
// only when `from` exists and both lie on the same file system.
int gen_renamefile(const char* from, const char* to);
int gen_movefile(const char* from, const char* to); // rename, else copy and remove
// 0, or -1 with no partial target left. Directories and copies onto the source itself
// are refused; the target gets the source's mode.
int gen_copyfile(const char* from, const char* to);
int gen_symlink(const char* target, const char* name);
