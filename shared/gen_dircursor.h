// The directory cursor: walks one directory with filters for files, directories, dot
// entries, "CVS" and a suffix, classifying each entry; and the one-call listing.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

struct GenDirCursor {
    char* dir;        // owned copy of the directory path
    const char* name; // current entry, valid until the next step
    char* path;       // owned full path of the current entry
    char isDir;
    char isLink;        // the entry is a symbolic link; status describes its target
    struct stat status; // all zero when stat failed
    char skipFiles;
    char skipDirs;
    char skipDotEntries; // set by gen_dir_open
    char skipCVS;
    char* suffix; // owned filter, or null
    int fastClassify;
    DIR* stream;
};

int gen_dir_open(GenDirCursor* cursor, const char* dir); // 1 when opened
void gen_dir_restrict_files(GenDirCursor* cursor, bool skip_files, const char* suffix);
void gen_dir_restrict_dirs(GenDirCursor* cursor, bool skip_dirs, bool skip_dot_entries,
                           bool skip_cvs);
void gen_dir_optimize_search(GenDirCursor* cursor, int flag);
// The next accepted entry name, or null at the end; path, flags and status then describe
// it. The path is the directory text and the name joined as they are, never reinterpreted.
const char* gen_dir_next_entry(GenDirCursor* cursor);
void gen_dir_close(GenDirCursor* cursor);

// Number of entries including "." and ".."; names (when given) receives a new
// null-terminated array of new copies; 0 and null when the directory cannot be opened.
int gen_read_directory(const char* dir, char*** names);
