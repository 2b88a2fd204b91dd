// Reaching files below a directory without ever following a symbolic link. Every path is
// taken from an open directory one component at a time (or in one openat2 call where the
// kernel resolves beneath a directory itself), so a link planted anywhere below, at any
// moment, is refused instead of followed. Writers that must not leave their tree stage new
// files with gen_beneath_mktemp and rename them into place. Start at gen_beneath_opendir.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

// How far gen_beneath_opendir got: the components it passed through (opened or created)
// before it stopped, and how many of those were there already.
struct GenBeneathWalk {
    int reached = 0;
    int existed = 0;
};

// Opens the directory `path` below the directory open as `dirfd`. The path is relative,
// '/'-separated, and has no ".." components (EINVAL otherwise); "" and "." are dirfd itself.
// A component that is a symbolic link fails with ELOOP, one that is something else than a
// directory with ENOTDIR. With createMode >= 0, missing components are made with that mode;
// they are walk->existed .. walk->reached - 1. Returns a new close-on-exec descriptor, or -1
// with errno.
int gen_beneath_opendir(int dirfd, const char* path, int createMode = -1,
                        GenBeneathWalk* walk = nullptr);

// Opens the existing regular file `path` below dirfd for reading, without following links
// and without blocking on a FIFO or a device. ELOOP for a link, EISDIR for a directory,
// EINVAL for anything else that is not a regular file, and with singleName EMLINK for a file
// that has more than one name. st (when given) receives the file's status.
int gen_beneath_openfile(int dirfd, const char* path, bool singleName = false,
                         struct stat* st = nullptr);

// Creates a new, empty file directly in dirfd under a name that starts with prefix and did
// not exist (O_EXCL, never through a link), open for writing. *name receives the name.
int gen_beneath_mktemp(int dirfd, const char* prefix, mode_t mode, std::string* name);

// The status of `path` below dirfd as lstat gives it, reached without following links.
int gen_beneath_lstat(int dirfd, const char* path, struct stat* st);

// Splits path at its last '/': the directory part ("" for none) and the last component.
void gen_beneath_split(const std::string& path, std::string* dir, std::string* base);
