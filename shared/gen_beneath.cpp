// Reaching files below a directory without following links (see gen_beneath.h). The walk
// in OpenComponents is the portable way and the one that creates; on Linux a single
// openat2 with RESOLVE_BENEATH and RESOLVE_NO_SYMLINKS answers the common case of a
// directory that is already there.
#include "shared/gen_beneath.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

#if defined(__linux__) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#include <sys/syscall.h>
#endif

namespace {

// Searching a directory is all a walk needs, so a directory that may be searched but not
// read is no obstacle where the system can open it for searching only.
#if defined(O_PATH)
constexpr int kSearchOnly = O_PATH;
#elif defined(O_SEARCH)
constexpr int kSearchOnly = O_SEARCH;
#else
constexpr int kSearchOnly = O_RDONLY;
#endif
constexpr int kDirFlags = kSearchOnly | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Systems (and O_PATH) disagree on what O_NOFOLLOW|O_DIRECTORY gives for a link (ELOOP,
// ENOTDIR, EMLINK); look at the entry itself to say which it was.
int ClassifyRefusal(int dirfd, const char* name, int error) {
    if (error != ELOOP && error != ENOTDIR && error != EMLINK) return error;
    struct stat st;
    if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return error;
    if (S_ISLNK(st.st_mode)) return ELOOP;
    return S_ISDIR(st.st_mode) ? error : ENOTDIR;
}

bool IsRelativeWithoutParent(const std::string& path) {
    if (!path.empty() && path[0] == '/') return false;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

// Opens one component below `at`, creating it when asked. *created tells whether it did.
int OpenComponent(int at, const std::string& name, int createMode, bool* created) {
    *created = false;
    int fd = openat(at, name.c_str(), kDirFlags);
    if (fd < 0 && errno == ENOENT && createMode >= 0) {
        if (mkdirat(at, name.c_str(), static_cast<mode_t>(createMode)) == 0)
            *created = true;
        else if (errno != EEXIST)
            return -1;
        fd = openat(at, name.c_str(), kDirFlags);
    }
    if (fd < 0) errno = ClassifyRefusal(at, name.c_str(), errno);
    return fd;
}

int OpenComponents(int dirfd, const std::string& path, int createMode, GenBeneathWalk* walk) {
    int current = openat(dirfd, ".", kDirFlags);
    bool creating = false;
    for (size_t start = 0; current >= 0 && start < path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".") continue;
        bool created = false;
        int next = OpenComponent(current, name, createMode, &created);
        int error = errno;
        close(current);
        current = next;
        errno = error;
        if (next < 0) break;
        creating = creating || created;
        walk->reached++;
        if (!creating) walk->existed++;
    }
    return current;
}

#if defined(__linux__) && defined(SYS_openat2)
// One call for the whole path; -1 with errno ENOSYS where the kernel lacks it.
int OpenBeneathAtOnce(int dirfd, const std::string& path) {
    struct open_how how = {};
    how.flags = kSearchOnly | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(syscall(SYS_openat2, dirfd, path.c_str(), &how, sizeof how));
}
#else
int OpenBeneathAtOnce(int, const std::string&) {
    errno = ENOSYS;
    return -1;
}
#endif

int CountComponents(const std::string& path) {
    int count = 0;
    for (size_t start = 0; start < path.size();) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start && path.compare(start, end - start, ".") != 0) count++;
        start = end + 1;
    }
    return count;
}

// Letters for temporary names, drawn from a generator seeded once per process.
uint64_t NextTempBits() {
    static uint64_t state = 0;
    if (state == 0)
        state = (uint64_t(getpid()) << 32) ^ uint64_t(time(nullptr)) ^
                reinterpret_cast<uintptr_t>(&state) ^ 0x9E3779B97F4A7C15ull;
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}
} // namespace

int gen_beneath_opendir(int dirfd, const char* path, int createMode, GenBeneathWalk* walk) {
    GenBeneathWalk ignored;
    if (!walk) walk = &ignored;
    *walk = GenBeneathWalk();
    std::string relative = path ? path : "";
    if (!IsRelativeWithoutParent(relative)) {
        errno = EINVAL;
        return -1;
    }
    int components = CountComponents(relative);
    if (components > 0) {
        int fd = OpenBeneathAtOnce(dirfd, relative);
        if (fd >= 0) {
            walk->reached = walk->existed = components;
            return fd;
        }
    }
    // Not there yet, refused, or no openat2: the walk creates, or finds what refused.
    return OpenComponents(dirfd, relative, createMode, walk);
}

void gen_beneath_split(const std::string& path, std::string* dir, std::string* base) {
    size_t slash = path.rfind('/');
    *dir = slash == std::string::npos ? "" : path.substr(0, slash);
    *base = slash == std::string::npos ? path : path.substr(slash + 1);
}

int gen_beneath_lstat(int dirfd, const char* path, struct stat* st) {
    std::string dir, base;
    gen_beneath_split(path ? path : "", &dir, &base);
    int at = gen_beneath_opendir(dirfd, dir.c_str());
    if (at < 0) return -1;
    int result = base.empty() ? fstat(at, st) : fstatat(at, base.c_str(), st, AT_SYMLINK_NOFOLLOW);
    int error = errno;
    close(at);
    errno = error;
    return result;
}

int gen_beneath_openfile(int dirfd, const char* path, bool singleName, struct stat* st) {
    struct stat local;
    if (!st) st = &local;
    std::string dir, base;
    gen_beneath_split(path ? path : "", &dir, &base);
    if (base.empty() || base == "." || base == "..") {
        errno = EISDIR;
        return -1;
    }
    int at = gen_beneath_opendir(dirfd, dir.c_str());
    if (at < 0) return -1;
    // The type is judged before opening, so that a FIFO or a device is never opened at all;
    // O_NONBLOCK covers one swapped in between, and fstat judges what was opened.
    int fd = -1, error = 0;
    if (fstatat(at, base.c_str(), st, AT_SYMLINK_NOFOLLOW) != 0)
        error = errno;
    else if (S_ISLNK(st->st_mode))
        error = ELOOP;
    else if (S_ISREG(st->st_mode))
        fd = openat(at, base.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    else
        error = S_ISDIR(st->st_mode) ? EISDIR : EINVAL;
    if (fd < 0 && error == 0) error = ClassifyRefusal(at, base.c_str(), errno);
    close(at);
    if (fd >= 0 && fstat(fd, st) != 0) error = errno;
    if (fd >= 0 && error == 0 && !S_ISREG(st->st_mode)) error = EINVAL;
    if (fd >= 0 && error == 0 && singleName && st->st_nlink > 1) error = EMLINK;
    if (fd >= 0 && error == 0 && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error != 0) {
        if (fd >= 0) close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int gen_beneath_mktemp(int dirfd, const char* prefix, mode_t mode, std::string* name) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 1000; attempt++) {
        uint64_t bits = NextTempBits();
        *name = prefix;
        for (int i = 0; i < 6; i++, bits /= 62) *name += kLetters[bits % 62];
        int fd = openat(dirfd, name->c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}
