// The directory cursor: one open directory stream, stepped entry by entry through the
// filters set on it, each entry classified as file or directory. gen_dir_next_entry is
// the heart; gen_read_directory is the unfiltered one-call listing.
#include "shared/gen_dircursor.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

#include "shared/gen_filenames.h"
#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"

namespace {

bool IsDotEntry(const char* name) {
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

// The entry's path is a plain join. Neither a "~name" entry nor a ".." in the directory
// text may be reinterpreted here: callers remove what this path names.
char* EntryPath(const char* dir, const char* name) {
    size_t length = strlen(dir);
    bool slash = length > 0 && dir[length - 1] != '/';
    return gen_concat3(dir, slash ? "/" : "", name);
}

void Classify(GenDirCursor* cursor) {
    const char* name = cursor->name;
    memset(&cursor->status, 0, sizeof cursor->status);
    cursor->isDir = 0;
    cursor->isLink = 0;
    if (cursor->suffix != nullptr && !gen_issuffix(name, cursor->suffix)) return;
    if (cursor->fastClassify) {
        cursor->isDir = IsDotEntry(name) || gen_getsuffix(name) == nullptr;
        return;
    }
    // lstat first: one call for an ordinary entry, and the only way to see a link. The
    // status then describes what a link points to.
    if (lstat(cursor->path, &cursor->status) != 0) {
        memset(&cursor->status, 0, sizeof cursor->status);
    } else if (S_ISLNK(cursor->status.st_mode)) {
        if (stat(cursor->path, &cursor->status) == 0) {
            cursor->isLink = 1;
        } else {
            memset(&cursor->status, 0, sizeof cursor->status);
        }
    }
    // "." and ".." are directories even where search permission hides their status.
    cursor->isDir = S_ISDIR(cursor->status.st_mode) || IsDotEntry(name);
}

bool Accepted(const GenDirCursor* cursor) {
    const char* name = cursor->name;
    if (!cursor->isDir) {
        return !cursor->skipFiles &&
               (cursor->suffix == nullptr || gen_issuffix(name, cursor->suffix));
    }
    if (cursor->skipDirs) return false;
    if (cursor->skipDotEntries && IsDotEntry(name)) return false;
    return !(cursor->skipCVS && strcmp(name, "CVS") == 0);
}

} // namespace

int gen_dir_open(GenDirCursor* cursor, const char* dir) {
    memset(cursor, 0, sizeof *cursor);
    if (dir == nullptr) return 0;
    cursor->stream = opendir(dir);
    if (cursor->stream == nullptr) return 0;
    cursor->dir = gen_copy(dir);
    cursor->skipDotEntries = 1;
    return 1;
}

void gen_dir_restrict_files(GenDirCursor* cursor, bool skip_files, const char* suffix) {
    cursor->skipFiles = skip_files;
    gen_free(cursor->suffix);
    cursor->suffix = gen_copy(suffix);
}

void gen_dir_restrict_dirs(GenDirCursor* cursor, bool skip_dirs, bool skip_dot_entries,
                           bool skip_cvs) {
    cursor->skipDirs = skip_dirs;
    cursor->skipDotEntries = skip_dot_entries;
    cursor->skipCVS = skip_cvs;
}

void gen_dir_optimize_search(GenDirCursor* cursor, int flag) {
    cursor->fastClassify = flag;
}

const char* gen_dir_next_entry(GenDirCursor* cursor) {
    if (cursor->stream == nullptr) return nullptr;
    while (struct dirent* entry = readdir(cursor->stream)) {
        cursor->name = entry->d_name;
        gen_free(cursor->path);
        cursor->path = EntryPath(cursor->dir, cursor->name);
        Classify(cursor);
        if (Accepted(cursor)) return cursor->name;
    }
    cursor->name = nullptr;
    return nullptr;
}

void gen_dir_close(GenDirCursor* cursor) {
    if (cursor->stream != nullptr) closedir(cursor->stream);
    gen_free(cursor->dir);
    gen_free(cursor->path);
    gen_free(cursor->suffix);
    memset(cursor, 0, sizeof *cursor);
}

int gen_read_directory(const char* dir, char*** names) {
    if (names != nullptr) *names = nullptr;
    DIR* stream = dir != nullptr ? opendir(dir) : nullptr;
    if (stream == nullptr) return 0;
    int count = 0;
    int room = 32;
    char** list = nullptr;
    if (names != nullptr) list = static_cast<char**>(gen_alloc(room + 1, sizeof(char*)));
    while (struct dirent* entry = readdir(stream)) {
        if (list != nullptr && count == room) {
            room *= 2;
            list = static_cast<char**>(gen_allocate(list, room + 1, sizeof(char*)));
        }
        if (list != nullptr) list[count] = gen_copy(entry->d_name);
        count++;
    }
    closedir(stream);
    if (list != nullptr) {
        list[count] = nullptr;
        *names = list;
    }
    return count;
}
