// Paths below a directory without following links (see beneath.h). Every directory on
// the way is opened relative to the previous one with O_NOFOLLOW | O_DIRECTORY, so a link
// or a file in place of a directory fails the open instead of being followed.
#include "setup/engine/beneath.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace {

const size_t kCopyBuffer = 256 * 1024;

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> names;
    size_t at = 0;
    while (at < path.size()) {
        size_t slash = path.find('/', at);
        if (slash == std::string::npos) slash = path.size();
        names.push_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    return names;
}

int OpenDirectoryAt(int dir, const char* name) {
    int fd = openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
#ifdef O_PATH
    // A directory we may search but not read still leads on to what is below it.
    if (fd < 0 && errno == EACCES)
        fd = openat(dir, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
#endif
    return fd;
}

bool WriteAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        ssize_t written = write(fd, data, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

bool CopyContents(int from, int to) {
    std::vector<char> buffer(kCopyBuffer);
    for (;;) {
        ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!WriteAll(to, buffer.data(), static_cast<size_t>(got))) return false;
    }
}

int CopyFileAt(int fromDir, const char* fromName, const struct stat& status, int toDir,
               const char* toName) {
    int from = openat(fromDir, fromName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (from < 0) return -1;
    int to = openat(toDir, toName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (to < 0) {
        int error = errno;
        close(from);
        errno = error;
        return -1;
    }
    struct timespec times[2] = {{0, UTIME_OMIT}, status.st_mtim};
    bool done = CopyContents(from, to) && fchmod(to, status.st_mode & 07777) == 0 &&
                futimens(to, times) == 0;
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

int CopyLinkAt(int fromDir, const char* fromName, const struct stat& status, int toDir,
               const char* toName) {
    std::vector<char> target(static_cast<size_t>(status.st_size) + 2);
    ssize_t length = readlinkat(fromDir, fromName, target.data(), target.size() - 1);
    if (length < 0) return -1;
    target[static_cast<size_t>(length)] = 0;
    if (symlinkat(target.data(), toDir, toName) != 0) return -1;
    struct timespec times[2] = {{0, UTIME_OMIT}, status.st_mtim};
    utimensat(toDir, toName, times, AT_SYMLINK_NOFOLLOW); // a link's time is a nicety
    return 0;
}

} // namespace

bool TreeBeneath::Open(const std::string& root) {
    Close();
    root_ = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return root_ >= 0;
}

bool TreeBeneath::OpenDuplicate(int dir) {
    Close();
    root_ = fcntl(dir, F_DUPFD_CLOEXEC, 0);
    return root_ >= 0;
}

bool TreeBeneath::OpenWithin(TreeBeneath& outer, const std::string& path) {
    Close();
    int dir = outer.Directory(path);
    root_ = dir >= 0 ? fcntl(dir, F_DUPFD_CLOEXEC, 0) : -1;
    return root_ >= 0;
}

void TreeBeneath::Close() {
    for (int fd : fds_) close(fd);
    fds_.clear();
    names_.clear();
    opened_.clear();
    if (root_ >= 0) close(root_);
    root_ = -1;
}

int TreeBeneath::OpenChain(const std::vector<std::string>& names) {
    size_t common = 0;
    while (common < names.size() && common < names_.size() && names[common] == names_[common])
        common++;
    while (fds_.size() > common) {
        close(fds_.back());
        fds_.pop_back();
        names_.pop_back();
    }
    opened_.clear();
    for (const std::string& name : names_) opened_ += (opened_.empty() ? "" : "/") + name;
    for (size_t i = common; i < names.size(); i++) {
        const std::string& name = names[i];
        if (name.empty() || name == "." || name == "..") {
            errno = EINVAL;
            return -1;
        }
        int fd = OpenDirectoryAt(fds_.empty() ? root_ : fds_.back(), name.c_str());
        if (fd < 0) return -1;
        fds_.push_back(fd);
        names_.push_back(name);
        opened_ += (opened_.empty() ? "" : "/") + name;
    }
    return fds_.empty() ? root_ : fds_.back();
}

int TreeBeneath::Parent(const std::string& path, std::string* base) {
    // Most calls come for the directory of the call before.
    size_t slash = path.rfind('/');
    if (root_ >= 0 && !opened_.empty() && slash == opened_.size() &&
        path.compare(0, slash, opened_) == 0 && slash + 1 < path.size()) {
        base->assign(path, slash + 1, std::string::npos);
        if (*base != "." && *base != "..") return fds_.back();
    }
    std::vector<std::string> names = Components(path);
    if (root_ < 0 || names.empty() || names.back() == "." || names.back() == "..") {
        errno = root_ < 0 ? EBADF : EINVAL;
        return -1;
    }
    *base = names.back();
    names.pop_back();
    return OpenChain(names);
}

int TreeBeneath::Directory(const std::string& path) {
    if (root_ < 0) {
        errno = EBADF;
        return -1;
    }
    return OpenChain(path == "." ? std::vector<std::string>() : Components(path));
}

std::string BeneathReason(int error) {
    if (error == ELOOP) return "a symbolic link is in its path";
    if (error == ENOTDIR) return "a symbolic link or a file is in its path";
    return strerror(error);
}

int CopyEntryAt(int fromDir, const char* fromName, const struct stat& status, int toDir,
                const char* toName) {
    if (S_ISREG(status.st_mode)) return CopyFileAt(fromDir, fromName, status, toDir, toName);
    if (S_ISLNK(status.st_mode)) return CopyLinkAt(fromDir, fromName, status, toDir, toName);
    errno = ENOTSUP;
    return -1;
}
