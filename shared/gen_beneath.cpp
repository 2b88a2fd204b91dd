// Reaching files below a directory without following links (see gen_beneath.h). The walk
// in OpenComponents is the portable way and the one that creates; on Linux a single
// openat2 with RESOLVE_BENEATH and RESOLVE_NO_SYMLINKS answers the common case of a
// directory that is already there. Copies and the tree with its open directory come last.
#include "shared/gen_beneath.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <vector>

#if defined(__linux__) && __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#include <sys/syscall.h>
#endif

#include "shared/gen_fileio.h"

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

namespace {

const size_t kCopyBuffer = 256 * 1024;

bool CopyContents(int from, int to) {
    std::vector<char> buffer(kCopyBuffer);
    for (;;) {
        ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!gen_write_all(to, buffer.data(), static_cast<size_t>(got))) return false;
    }
}

int CopyFile(int fromDir, const char* fromName, const struct stat& st, int toDir,
             const char* toName) {
    int from = openat(fromDir, fromName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (from < 0) return -1;
    int to = openat(toDir, toName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (to < 0) {
        int error = errno;
        close(from);
        errno = error;
        return -1;
    }
    struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    bool done =
        CopyContents(from, to) && fchmod(to, st.st_mode & 07777) == 0 && futimens(to, times) == 0;
    int error = errno;
    close(from);
    if (close(to) != 0 && done) {
        done = false;
        error = errno;
    }
    if (done) return 0;
    unlinkat(toDir, toName, 0);
    errno = error;
    return -1;
}

int CopyLink(int fromDir, const char* fromName, const struct stat& st, int toDir,
             const char* toName) {
    std::vector<char> target(static_cast<size_t>(st.st_size) + 2);
    ssize_t length = readlinkat(fromDir, fromName, target.data(), target.size() - 1);
    if (length < 0) return -1;
    target[static_cast<size_t>(length)] = 0;
    if (symlinkat(target.data(), toDir, toName) != 0) return -1;
    struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    utimensat(toDir, toName, times, AT_SYMLINK_NOFOLLOW); // a link's time is a nicety
    return 0;
}

} // namespace

int gen_beneath_copy(int fromDir, const char* fromName, const struct stat& st, int toDir,
                     const char* toName) {
    if (S_ISREG(st.st_mode)) return CopyFile(fromDir, fromName, st, toDir, toName);
    if (S_ISLNK(st.st_mode)) return CopyLink(fromDir, fromName, st, toDir, toName);
    errno = ENOTSUP;
    return -1;
}

bool GenBeneathTree::Open(const char* root) {
    Close();
    root_ = open(root, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return root_ >= 0;
}

bool GenBeneathTree::OpenDuplicate(int dir) {
    Close();
    root_ = fcntl(dir, F_DUPFD_CLOEXEC, 0);
    return root_ >= 0;
}

bool GenBeneathTree::OpenWithin(GenBeneathTree& outer, const char* path) {
    Close();
    root_ = outer.root() >= 0 ? gen_beneath_opendir(outer.root(), path) : -1;
    if (outer.root() < 0) errno = EBADF;
    return root_ >= 0;
}

void GenBeneathTree::Close() {
    if (last_ >= 0) close(last_);
    if (root_ >= 0) close(root_);
    root_ = last_ = -1;
    lastPath_.clear();
}

int GenBeneathTree::Directory(const std::string& path) {
    if (root_ < 0) {
        errno = EBADF;
        return -1;
    }
    if (path.empty() || path == ".") return root_;
    if (last_ >= 0 && path == lastPath_) return last_;
    if (last_ >= 0) close(last_);
    last_ = gen_beneath_opendir(root_, path.c_str());
    lastPath_ = last_ >= 0 ? path : "";
    return last_;
}

int GenBeneathTree::Parent(const std::string& path, std::string* base) {
    // Most calls come for the directory of the call before: no new strings then.
    size_t slash = path.rfind('/');
    if (last_ >= 0 && slash != std::string::npos && slash == lastPath_.size() &&
        path.compare(0, slash, lastPath_) == 0) {
        base->assign(path, slash + 1, std::string::npos);
        if (!base->empty() && *base != "." && *base != "..") return last_;
    }
    std::string dir;
    gen_beneath_split(path, &dir, base);
    if (base->empty() || *base == "." || *base == "..") {
        errno = EINVAL;
        return -1;
    }
    return Directory(dir);
}
