// The file operations of the program: system-call wrappers, queries, permission changes,
// creation and removal (recursive removal near the end), private temporary directory
// names, copy and move. Functions that return an integer report failure as -1 with errno
// from the system and never print.
#include "shared/gen_fileops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shared/gen_context.h"
#include "shared/gen_dircursor.h"
#include "shared/gen_filenames.h"
#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"

namespace {

// A null name reaches no system call (the C library may declare it non-null).
bool NoName(const char* name) {
    if (name != nullptr) return false;
    errno = ENOENT;
    return true;
}

constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kUnknownMode = 0664; // assumed for a file that cannot be examined

// The mode a permission change starts from, and in *found the mode found on disk (0 when
// the file cannot be examined).
mode_t StartingMode(const char* name, mode_t base, mode_t* found) {
    mode_t start = base;
    *found = gen_getmode(name, &start);
    return start & kPermissionBits;
}

mode_t ChangeMode(const char* name, mode_t base, mode_t clear, mode_t set) {
    mode_t found = 0;
    mode_t start = StartingMode(name, base, &found);
    if (name != nullptr) chmod(name, (start & ~clear) | set);
    return found;
}

bool IsSymbolicLink(const char* name) {
    struct stat status;
    return lstat(name, &status) == 0 && S_ISLNK(status.st_mode);
}

// Steps one counter letter through a..z then 0..9; true when it wrapped from 9 to a.
bool StepCounter(char* letter) {
    if (*letter == 'z') {
        *letter = '0';
    } else if (*letter == '9') {
        *letter = 'a';
        return true;
    } else {
        ++*letter;
    }
    return false;
}

struct TreeEntry {
    std::string path;
    bool isDir;
    bool isLink;
};

// Removes everything below dir. Entries are listed first and the stream closed before
// descending, so a deep tree never holds more than one directory open. A symbolic link
// is removed itself, never followed: the tree ends where the link begins.
void RemoveEntries(const char* dir) {
    GenDirCursor cursor;
    if (!gen_dir_open(&cursor, dir)) return;
    std::vector<TreeEntry> entries;
    while (gen_dir_next_entry(&cursor) != nullptr) {
        entries.push_back({cursor.path, cursor.isDir != 0, cursor.isLink != 0});
    }
    gen_dir_close(&cursor);
    // Failures are not collected: what stays behind makes the final rmdir fail instead.
    for (const TreeEntry& entry : entries) {
        const char* path = entry.path.c_str();
        if (entry.isLink) {
            gen_unlink(path);
        } else if (entry.isDir) {
            gen_removedir_recursive(path);
        } else {
            gen_removefile(path);
        }
    }
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

// Names are always searched through a single root, whatever the mode: every wrapper is
// its plain system call.
void gen_viewpath_init(int /*mode*/) {
    if (getenv("VTX_VP_DEBUG") != nullptr) gen_info("Viewpathing support is OFF.");
}

void gen_viewpath_release() {}

int gen_sys_access(const char* name, int mode) {
    return NoName(name) ? -1 : access(name, mode);
}

int gen_sys_chdir(const char* name) {
    return NoName(name) ? -1 : chdir(name);
}

int gen_sys_creat(const char* name, mode_t mode) {
    return NoName(name) ? -1 : creat(name, mode);
}

int gen_sys_link(const char* from, const char* to) {
    return NoName(from) || NoName(to) ? -1 : link(from, to);
}

int gen_sys_open(const char* name, int flags, mode_t mode) {
    return NoName(name) ? -1 : open(name, flags, mode);
}

FILE* gen_sys_fopen(const char* name, const char* mode) {
    if (NoName(name)) return nullptr;
    if (mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    return fopen(name, mode);
}

FILE* gen_sys_freopen(const char* name, const char* mode, FILE* stream) {
    if (NoName(name)) return nullptr;
    if (mode == nullptr || stream == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    return freopen(name, mode, stream);
}

int gen_sys_stat(const char* name, struct stat* st) {
    return NoName(name) ? -1 : stat(name, st);
}

int gen_sys_unlink(const char* name) {
    return NoName(name) ? -1 : unlink(name);
}

int gen_access(const char* name, int mode) {
    return gen_sys_access(name, mode);
}

int gen_diraccess(const char* name, int mode) {
    return gen_sys_access(name, mode);
}

int gen_chdir(const char* name) {
    gen_invalidate_cwd();
    return gen_sys_chdir(name);
}

int gen_creat(const char* name, mode_t mode) {
    return gen_sys_creat(name, mode);
}

int gen_open(const char* name, int flags, mode_t mode) {
    return gen_sys_open(name, flags, mode);
}

FILE* gen_fopen(const char* name, const char* mode) {
    return gen_sys_fopen(name, mode);
}

FILE* gen_freopen(const char* name, const char* mode, FILE* stream) {
    return gen_sys_freopen(name, mode, stream);
}

int gen_stat(const char* name, struct stat* st) {
    return gen_sys_stat(name, st);
}

int gen_unlink(const char* name) {
    return gen_sys_unlink(name);
}

int gen_link(const char* from, const char* to) {
    return gen_sys_link(from, to);
}

bool gen_isdir(const char* name) {
    struct stat status;
    return gen_stat(name, &status) == 0 && S_ISDIR(status.st_mode);
}

long long gen_filesize(const char* name) {
    struct stat status;
    return gen_stat(name, &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

mode_t gen_getmode(const char* name, mode_t* mode) {
    struct stat status;
    mode_t found = gen_stat(name, &status) == 0 ? status.st_mode : 0;
    if (mode != nullptr && *mode == 0) *mode = found != 0 ? found : kUnknownMode;
    return found;
}

int gen_islink(const char* name) {
    struct stat status;
    if (NoName(name) || lstat(name, &status) != 0) return 0;
    if (S_ISLNK(status.st_mode)) return 1;
    // Every directory has several links ("." and its subdirectories' ".."); only a
    // file's extra names are news.
    return !S_ISDIR(status.st_mode) && status.st_nlink > 1 ? 2 : 0;
}

int gen_newerthan(const char* a, const char* b) {
    struct stat first;
    struct stat second;
    if (gen_stat(a, &first) != 0) return -1;
    if (gen_stat(b, &second) != 0) return 1;
    if (first.st_mtim.tv_sec != second.st_mtim.tv_sec)
        return first.st_mtim.tv_sec > second.st_mtim.tv_sec ? 1 : 0;
    return first.st_mtim.tv_nsec > second.st_mtim.tv_nsec ? 1 : 0;
}

bool gen_isemptydir(const char* name) {
    GenDirCursor cursor;
    if (!gen_dir_open(&cursor, name)) return true;
    bool empty = gen_dir_next_entry(&cursor) == nullptr;
    gen_dir_close(&cursor);
    return empty;
}

mode_t gen_chmod_minusw(const char* name, mode_t base) {
    return ChangeMode(name, base, 0222, 0);
}

mode_t gen_chmod_plusw(const char* name, mode_t base) {
    return ChangeMode(name, base, 0, 0220);
}

mode_t gen_chmod_plusx(const char* name) {
    return ChangeMode(name, 0, 0, 0110);
}

mode_t gen_chmod_plusrw(const char* name, mode_t base) {
    return ChangeMode(name, base, 0, 0660);
}

mode_t gen_chmod_pluswu(const char* name, mode_t base) {
    return ChangeMode(name, base, 0022, 0200);
}

mode_t gen_chmod_sameas(const char* name, const char* model) {
    struct stat status;
    if (gen_stat(model, &status) != 0 || NoName(name)) return 0;
    chmod(name, status.st_mode & kPermissionBits);
    return status.st_mode;
}

int gen_createdir(const char* name, mode_t mode) {
    struct stat status;
    if (gen_stat(name, &status) == 0) {
        if (S_ISDIR(status.st_mode)) return 0;
        errno = EEXIST;
        return -1;
    }
    if (name == nullptr) return -1;
    return mkdir(name, mode);
}

int gen_createdir_recursive(const char* name, mode_t mode) {
    char* parent = gen_dirname(name);
    if (parent != nullptr && strcmp(parent, name) != 0 && !gen_isdir(parent))
        gen_createdir_recursive(parent, mode);
    gen_free(parent);
    return gen_createdir(name, mode);
}

char* gen_tmpdirname(const char* preferred) {
    char leaf[16];
    snprintf(leaf, sizeof leaf, "vt%04Xaa", static_cast<unsigned>(getpid()) & 0xFFFFu);
    char* name = gen_sconcat(gen_temp_dir(preferred), leaf);
    size_t length = strlen(name);
    char* high = name + length - 2;
    char* low = name + length - 1;
    struct stat status;
    // lstat: a dangling link still takes the name, and mkdir would refuse it.
    while (lstat(name, &status) == 0) {
        if (!StepCounter(low)) continue;
        if (*high == '9') {
            gen_free(name);
            errno = EEXIST;
            return nullptr;
        }
        StepCounter(high);
    }
    return name;
}

char* gen_createtmpdir(const char* preferred, mode_t mode) {
    char* name = gen_tmpdirname(preferred);
    if (name != nullptr && mkdir(name, mode) != 0) {
        gen_free(name);
        return nullptr;
    }
    return name;
}

int gen_removefile(const char* name) {
    if (gen_isdir(name)) {
        errno = EISDIR;
        return -1;
    }
    return gen_unlink(name);
}

int gen_removedir_recursive(const char* name) {
    if (NoName(name)) return -1;
    // Trailing slashes would make the system resolve a link before we look at it.
    std::string plain(name);
    while (plain.size() > 1 && plain.back() == '/') plain.pop_back();
    // A link naming a directory goes alone; what it points to is not ours to empty.
    if (IsSymbolicLink(plain.c_str())) return gen_unlink(plain.c_str());
    RemoveEntries(plain.c_str());
    return rmdir(plain.c_str());
}

int gen_removestar_recursive(const char* name) {
    RemoveEntries(name);
    return 0;
}

int gen_renamefile(const char* from, const char* to) {
    if (NoName(from) || NoName(to)) return -1;
    if (gen_isdir(from) || gen_isdir(to)) {
        errno = EISDIR;
        return -1;
    }
    if (rename(from, to) == 0) return 0;
    // Clearing the way only helps when there is something to move and both names are on
    // the same file system; otherwise removing the target would just lose it.
    struct stat status;
    if (errno == EXDEV || errno == ENOENT || lstat(from, &status) != 0) return -1;
    gen_unlink(to);
    return rename(from, to);
}

int gen_movefile(const char* from, const char* to) {
    if (gen_renamefile(from, to) == 0) return 0;
    if (gen_isdir(from) || gen_isdir(to)) return -1;
    if (gen_copyfile(from, to) != 0) return -1;
    return gen_removefile(from);
}

int gen_copyfile(const char* from, const char* to) {
    int in = gen_open(from, O_RDONLY);
    if (in < 0) return -1;
    struct stat source;
    struct stat target;
    // Creating the target truncates it: copying a file onto itself would empty it.
    if (fstat(in, &source) != 0 || S_ISDIR(source.st_mode) ||
        (gen_stat(to, &target) == 0 && SameFile(source, target))) {
        close(in);
        errno = EINVAL;
        return -1;
    }
    int out = gen_creat(to, 0666);
    if (out < 0) {
        int saved = errno;
        close(in);
        errno = saved;
        return -1;
    }
    char block[1024];
    bool failed = false;
    ssize_t count;
    // A read error ends the copy like the end of the file does.
    while (!failed && (count = read(in, block, sizeof block)) > 0) {
        failed = write(out, block, static_cast<size_t>(count)) != count;
    }
    close(in);
    if (close(out) != 0) failed = true;
    if (failed) {
        int saved = errno;
        gen_unlink(to);
        errno = saved;
        return -1;
    }
    gen_chmod_sameas(to, from);
    return 0;
}

int gen_symlink(const char* target, const char* name) {
    return NoName(target) || NoName(name) ? -1 : symlink(target, name);
}
