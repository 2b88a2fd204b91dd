// The installation tree's watch. Every directory of the tree carries an inotify watch for
// entries created, moved in or changed in their attributes; Collect only records the entry
// names, Update stats and fixes each named entry once. A directory that appears is
// watched before it is listed, so anything made in it afterwards is either listed or
// reported. Whatever the queue cannot account for (an overflow, a directory moved, the root
// gone) makes Update answer kLost and the caller starts afresh with a full walk. Every mode
// the watch changes is reported to the undo record, as the walks report theirs.
#include "setup/engine/install_watch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "setup/engine/install_undo.h"

// A build-time feature test: the watch exists only where the kernel interface does.
#if defined(__linux__) && defined(__has_include)
#if __has_include(<sys/inotify.h>)
#define VT_HAVE_INOTIFY 1
#include <sys/inotify.h>
#endif
#endif

namespace {

// Negative until first needed: see WatchBudget.
long watchBudget = -1;

} // namespace

void SetInstallWatchBudget(long watches) {
    watchBudget = watches;
}

#ifndef VT_HAVE_INOTIFY

InstallTreeWatch::Outcome InstallTreeWatch::Start(int, const char*) {
    return kUnusable;
}
void InstallTreeWatch::Collect() {}
InstallTreeWatch::Outcome InstallTreeWatch::Update() {
    return kUnusable;
}
void InstallTreeWatch::Stop() {}

#else

namespace {

const mode_t kOwnerGroupWrite = 0220;

// Where the system's per-user limit cannot be read.
const long kDefaultWatchBudget = 4096;

long SystemWatchBudget() {
    int fd = open("/proc/sys/fs/inotify/max_user_watches", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kDefaultWatchBudget;
    char text[32] = {};
    ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    long limit = got > 0 ? strtol(text, nullptr, 10) : 0;
    return limit > 1 ? limit / 2 : kDefaultWatchBudget;
}

long WatchBudget() {
    if (watchBudget < 0) watchBudget = SystemWatchBudget();
    return watchBudget;
}

// What a directory's watch reports. Deletions need no work (a removed directory's watch
// ends with IN_IGNORED); moves are followed only to notice directories moving.
const uint32_t kWatchedEvents = IN_CREATE | IN_ATTRIB | IN_MOVED_TO | IN_MOVED_FROM |
                                IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW |
                                IN_EXCL_UNLINK;

// Events that leave the recorded paths of directories wrong: start afresh.
const uint32_t kStructureLost = IN_Q_OVERFLOW | IN_UNMOUNT | IN_MOVE_SELF;

// Room for a few hundred events per read.
const size_t kEventBufferSize = 16384;
// A walk reads its own events back this often, well inside the kernel's queue (16384
// events by default).
const size_t kOwnChangesPerRead = 1024;

bool IsDots(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::string Below(const std::string& rel, const std::string& name) {
    return rel.empty() ? name : rel + "/" + name;
}

} // namespace

InstallTreeWatch::Outcome InstallTreeWatch::Start(int rootFd, const char* root) {
    Stop();
    char* resolved = root ? realpath(root, nullptr) : nullptr;
    if (!resolved) return kUnusable;
    rootPath_ = resolved;
    free(resolved);
    struct stat opened, named;
    if (fstat(rootFd, &opened) != 0 || stat(rootPath_.c_str(), &named) != 0 ||
        opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
        return kUnusable;
    if (WatchBudget() < 1) return kUnusable;
    rootDevice_ = opened.st_dev;
    rootInode_ = opened.st_ino;
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    rootFd_ = fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    rootWd_ = fd_ >= 0 ? inotify_add_watch(fd_, rootPath_.c_str(), kWatchedEvents) : -1;
    if (rootFd_ < 0 || rootWd_ < 0) {
        Stop();
        return kUnusable;
    }
    dirs_[rootWd_] = "";
    return Settle(Scan(rootWd_, ""));
}

void InstallTreeWatch::Collect() {
    Read(nullptr);
}

InstallTreeWatch::Outcome InstallTreeWatch::Update() {
    if (fd_ < 0) return kUnusable;
    Read(nullptr);
    if (lost_) return kLost;
    std::vector<Entry> changed;
    changed.swap(changed_);
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    // Sorted, the entries of one directory come together and share its descriptor.
    Outcome outcome = kUpToDate;
    for (size_t i = 0; i < changed.size() && outcome == kUpToDate;) {
        const int wd = changed[i].first;
        size_t end = i;
        while (end < changed.size() && changed[end].first == wd) end++;
        auto dir = dirs_.find(wd);
        if (dir != dirs_.end()) { // else removed since
            const std::string path = dir->second;
            outcome = FixAll(wd, path, &changed[i], &changed[end]);
        }
        i = end;
    }
    return Settle(outcome);
}

// Ends a walk. The walk's own mode changes come back as attribute events; they need no
// second look. Changes made by others while the walk runs are no more covered than by a
// full walk, which could not see them either.
InstallTreeWatch::Outcome InstallTreeWatch::Settle(Outcome outcome) {
    if (outcome == kUpToDate) Read(&own_);
    own_.clear();
    if (outcome == kUpToDate && lost_) outcome = kLost;
    if (outcome != kUpToDate) Stop();
    return outcome;
}

// Reads every queued event; those in `own` that only report attributes are left out.
void InstallTreeWatch::Read(const Entries* own) {
    if (fd_ < 0) return;
    alignas(struct inotify_event) char buffer[kEventBufferSize];
    while (!lost_) {
        ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got > 0) {
            Take(buffer, got, own);
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            // EAGAIN: all read. Anything else leaves us not knowing what we missed.
            if (got == 0 || errno != EAGAIN) lost_ = true;
            return;
        }
    }
}

void InstallTreeWatch::Take(const char* buffer, long length, const Entries* own) {
    for (long at = 0; at < length && !lost_;) {
        const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
        at += sizeof(struct inotify_event) + event->len;
        const uint32_t mask = event->mask;
        if (mask & kStructureLost) {
            lost_ = true;
        } else if (mask & IN_IGNORED) {
            dirs_.erase(event->wd);
            if (event->wd == rootWd_) lost_ = true;
        } else if (mask & IN_DELETE_SELF) {
            if (event->wd == rootWd_) lost_ = true;
        } else if ((mask & IN_ISDIR) && (mask & (IN_MOVED_FROM | IN_MOVED_TO))) {
            lost_ = true; // the paths recorded below it are wrong now
        } else if (event->len > 0 && !(mask & IN_MOVED_FROM)) {
            Entry entry(event->wd, event->name);
            if (own && (mask & ~IN_ISDIR) == IN_ATTRIB && own->count(entry)) continue;
            // A file's create and attribute events usually follow each other.
            if (changed_.empty() || changed_.back() != entry) changed_.push_back(std::move(entry));
        }
    }
    if (lost_) changed_.clear();
}

// The entries [first, last) of the directory `dir`, watched as `wd`, as they are now.
InstallTreeWatch::Outcome InstallTreeWatch::FixAll(int wd, const std::string& dir,
                                                   const Entry* first, const Entry* last) {
    int dirFd = openat(rootFd_, dir.empty() ? "." : dir.c_str(),
                       O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0) return errno == ENOENT || errno == ENOTDIR ? kUpToDate : kUnusable;
    Outcome outcome = kUpToDate;
    for (const Entry* e = first; e != last && outcome == kUpToDate; e++) {
        const char* name = e->second.c_str();
        struct stat status;
        if (fstatat(dirFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) outcome = kUnusable; // else gone again
            continue;
        }
        // Changing a link would change what it points at, which may lie outside the tree.
        if (S_ISLNK(status.st_mode)) continue;
        AddWrite(dirFd, wd, dir, name, status);
        if (S_ISDIR(status.st_mode)) outcome = Watch(Below(dir, e->second));
    }
    close(dirFd);
    return outcome;
}

// Watches the directory `rel`; one not watched before is walked whole.
InstallTreeWatch::Outcome InstallTreeWatch::Watch(const std::string& rel) {
    std::string path = rel.empty() ? rootPath_ : rootPath_ + "/" + rel;
    int wd = inotify_add_watch(fd_, path.c_str(), kWatchedEvents);
    if (wd < 0) return kUnusable;
    auto known = dirs_.find(wd);
    // The same directory under another path: it moved and took its subtree along.
    if (known != dirs_.end()) return known->second == rel ? kUpToDate : kLost;
    if (static_cast<long>(dirs_.size()) >= WatchBudget()) return kUnusable;
    dirs_.emplace(wd, rel);
    return Scan(wd, rel);
}

// Gives every entry of the directory `rel`, watched as `wd`, owner and group write and
// watches its subdirectories in turn.
InstallTreeWatch::Outcome InstallTreeWatch::Scan(int wd, const std::string& rel) {
    int fd = openat(rootFd_, rel.empty() ? "." : rel.c_str(),
                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* stream = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!stream) {
        if (fd >= 0) close(fd);
        return kUnusable; // the portable walk names what it cannot read
    }
    std::vector<std::string> subdirs;
    Outcome outcome = kUpToDate;
    // Once events were lost the walk starts afresh anyway.
    while (struct dirent* entry = lost_ ? nullptr : readdir(stream)) {
        if (IsDots(entry->d_name) || entry->d_type == DT_LNK) continue;
        struct stat status;
        if (fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) continue; // gone again
            outcome = kUnusable;
            break;
        }
        if (S_ISLNK(status.st_mode)) continue;
        AddWrite(fd, wd, rel, entry->d_name, status);
        if (S_ISDIR(status.st_mode)) subdirs.push_back(entry->d_name);
    }
    closedir(stream);
    for (size_t i = 0; i < subdirs.size() && outcome == kUpToDate; i++)
        outcome = Watch(Below(rel, subdirs[i]));
    return outcome;
}

// Adds owner and group write to the entry `name` of the open directory `dir` watched as
// `wd`, noting the change as the walk's own.
void InstallTreeWatch::AddWrite(int dirFd, int wd, const std::string& dir, const char* name,
                                const struct stat& status) {
    if ((status.st_mode & kOwnerGroupWrite) == kOwnerGroupWrite) return;
    if (UndoWantsModeChanges()) NoteInstalledModeChange(Below(dir, name), status.st_mode);
    if (fchmodat(dirFd, name, (status.st_mode & 07777) | kOwnerGroupWrite, 0) != 0) return;
    own_.emplace(wd, name);
    // Each change queues an event of its own: read them as the walk goes, or a walk over
    // a large tree would overflow the queue with nothing but its own changes.
    if (own_.size() % kOwnChangesPerRead == 0) Read(&own_);
}

void InstallTreeWatch::Stop() {
    if (fd_ >= 0) close(fd_); // takes every watch with it
    if (rootFd_ >= 0) close(rootFd_);
    fd_ = rootFd_ = rootWd_ = -1;
    rootDevice_ = rootInode_ = 0;
    rootPath_.clear();
    dirs_.clear();
    changed_.clear();
    lost_ = false;
}

#endif
