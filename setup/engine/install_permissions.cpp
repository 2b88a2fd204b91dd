// The permission walks over the installation tree. Before every archive the tree must be
// writable for owner and group (DoAddWritePermission); after the last one every installed
// file is made read-only (DoRemoveWritePermission). Walking the whole tree before every
// archive would cost time in proportion to everything installed so far, so the add walk
// looks only at what changed since the previous walk. Start reading at DoAddWritePermission.
//
// Where the system reports file changes, a watch on the tree (install_watch.cpp) names
// exactly the entries an archive created or changed. Where it does not, or when the watch
// cannot cover the tree, the add walk falls back to the portable way below: it remembers
// the directories it saw and looks into one again only when it has changed.
//
// Why that is safe: gtar never rewrites an installed file in place; it removes it and
// creates a new one (with or without its "U" option), which changes the change time
// (ctime) of the directory holding it. A directory's own mode can change in place (gtar
// sets the modes of directories it extracts), which changes that directory's ctime. So a
// directory whose ctime is as recorded holds the same entries with the same modes as
// before. Every walk still looks at the ctime of every directory, never at every file.
// File-system clocks are coarse: a change made within the same tick as the recorded ctime
// would leave it equal. A ctime is therefore trusted only when it is older than a fence
// taken from the file system itself at the start of the walk that recorded it; any later
// change carries a ctime at or after that fence.
//
// Every mode either walk changes is reported to the undo record (NoteInstalledModeChange)
// with the mode it had, so that a rollback can give it back.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "setup/engine/install_engine.h"
#include "setup/engine/install_undo.h"
#include "setup/engine/install_watch.h"
#include "setup/install_options.h"
#include "shared/indgen.h"

// Older systems lack these; the walk checks every entry's type before opening it anyway.
#ifndef O_DIRECTORY
#define O_DIRECTORY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace {

const mode_t kOwnerGroupWrite = 0220;
const mode_t kAnyWrite = 0222;

struct DirRecord {
    std::string name;
    dev_t device = 0;
    ino_t inode = 0;
    struct timespec ctime = {0, 0};
    bool settled = false; // ctime predates the fence of the walk that recorded it
    std::vector<DirRecord> subdirs;
    struct stat current = {}; // read by the listing of its parent in this walk
    bool haveCurrent = false; // ... when that is set
};

// What the add walk knows about one installation tree.
struct TreeMemory {
    std::string root;
    DirRecord top;
} memory;

// Directories already reported as unreadable: each is named once per run.
std::set<std::string> reported;
// Set when a walk met a directory it could not read.
bool walkIncomplete = false;

bool Earlier(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

bool Same(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool StillAsRecorded(const DirRecord& record, const struct stat& now) {
    return record.settled && record.device == now.st_dev && record.inode == now.st_ino &&
           Same(record.ctime, now.st_ctim);
}

void Record(DirRecord* record, const struct stat& now, const struct timespec& fence) {
    record->device = now.st_dev;
    record->inode = now.st_ino;
    record->ctime = now.st_ctim;
    record->settled = Earlier(now.st_ctim, fence);
}

// "Now" by the file system's own clock: a change of the root's ctime (its mode is set to
// what it is), read back. Where that is refused the root's last change is a safe fence.
struct timespec TakeFence(int rootFd) {
    struct stat status;
    if (fstat(rootFd, &status) != 0) return {0, 0};
    if (fchmod(rootFd, status.st_mode & 07777) == 0) fstat(rootFd, &status);
    return status.st_ctim;
}

void ReportUnreadable(const std::string& path) {
    walkIncomplete = true;
    if (!reported.insert(path).second) return;
    std::string message = "Could not change the permissions of the files in " + path + ".";
    DoDisplayError(message.c_str());
}

int OpenDirectoryAt(int dirFd, const char* name) {
    return openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// The entry names of an open directory, without "." and "..". Takes `fd` over.
bool ReadEntries(int fd, std::vector<std::string>* names) {
    DIR* stream = fdopendir(fd);
    if (!stream) {
        close(fd);
        return false;
    }
    while (struct dirent* entry = readdir(stream)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        names->push_back(name);
    }
    closedir(stream);
    return true;
}

// The stream reads through a copy of the descriptor; the walk itself never reads from it.
bool ReadEntriesAt(int dirFd, std::vector<std::string>* names) {
    int fd = dup(dirFd);
    return fd >= 0 && ReadEntries(fd, names);
}

// The walk's root as its reports name it: the paths they build start with it.
std::string walkRoot;

// `shown`, a path a walk reports, relative to the walk's root.
std::string BelowWalkRoot(const std::string& shown) {
    size_t length = walkRoot.size();
    if (shown.size() > length + 1 && shown.compare(0, length, walkRoot) == 0 &&
        shown[length] == '/')
        return shown.substr(length + 1);
    return shown;
}

// True when the mode had to change. The entry is `shownName` in the directory `shownDir`, as
// reports name them.
bool AddWriteAt(int dirFd, const char* name, const struct stat& status, const std::string& shownDir,
                const std::string& shownName) {
    if ((status.st_mode & kOwnerGroupWrite) == kOwnerGroupWrite) return false;
    if (UndoWantsModeChanges())
        NoteInstalledModeChange(BelowWalkRoot(shownDir + "/" + shownName), status.st_mode);
    fchmodat(dirFd, name, (status.st_mode & 07777) | kOwnerGroupWrite, 0);
    return true;
}

DirRecord* FindSubdir(DirRecord& record, const std::string& name) {
    for (DirRecord& sub : record.subdirs)
        if (sub.name == name) return &sub;
    return nullptr;
}

// Where the walk is: a directory named by `rel` below the open directory `fd` ("" is fd
// itself). Unchanged directories are looked at through paths, without opening them; a
// directory is opened only to be listed, and then becomes the base of its subtree.
struct Place {
    int fd;
    std::string rel;
    std::string shown; // the path used in reports

    Place Below(const std::string& name) const {
        return {fd, rel.empty() ? name : rel + "/" + name, shown + "/" + name};
    }
    const char* Name() const { return rel.empty() ? "." : rel.c_str(); }
};

// Beyond this a relative path is not built further: the directory is opened instead.
const size_t kLongestRelativePath = 1024;

// Gives every file of a changed directory owner and group write permission and lists its
// subdirectories afresh, keeping what is known of those that are still there (each with
// its status just read). Symbolic links are left alone: changing one would change what it
// points at, which may lie outside the installation.
bool RescanForAdd(int dirFd, DirRecord* record, const std::string& shown) {
    std::vector<std::string> names;
    if (!ReadEntriesAt(dirFd, &names)) {
        ReportUnreadable(shown);
        return false;
    }
    std::vector<DirRecord> subdirs;
    for (const std::string& name : names) {
        struct stat status;
        if (fstatat(dirFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISLNK(status.st_mode)) continue;
        if (!S_ISDIR(status.st_mode)) {
            AddWriteAt(dirFd, name.c_str(), status, shown, name);
            continue;
        }
        DirRecord* known = FindSubdir(*record, name);
        if (known && known->inode == status.st_ino && known->device == status.st_dev) {
            subdirs.push_back(std::move(*known));
        } else {
            subdirs.emplace_back();
            subdirs.back().name = name;
        }
        subdirs.back().current = status;
        subdirs.back().haveCurrent = true;
    }
    record->subdirs = std::move(subdirs);
    return true;
}

void VisitForAdd(const Place& place, DirRecord* record, const struct stat& status,
                 const struct timespec& fence);

// Looks at each known subdirectory: one that is as recorded and has no subdirectories of
// its own needs nothing; any other gets owner and group write and is visited.
void VisitSubdirs(const Place& place, DirRecord* record, const struct timespec& fence) {
    for (DirRecord& sub : record->subdirs) {
        Place below = place.Below(sub.name);
        struct stat status = sub.current;
        bool found =
            sub.haveCurrent || fstatat(below.fd, below.Name(), &status, AT_SYMLINK_NOFOLLOW) == 0;
        sub.haveCurrent = false;
        if (!found || !S_ISDIR(status.st_mode)) {
            record->settled = false; // look again next time
            continue;
        }
        bool same = StillAsRecorded(sub, status);
        if (same && sub.subdirs.empty()) continue;
        // Its mode may have changed without its parent changing.
        if (!same && AddWriteAt(below.fd, below.Name(), status, place.shown, sub.name))
            fstatat(below.fd, below.Name(), &status, AT_SYMLINK_NOFOLLOW);
        VisitForAdd(below, &sub, status, fence);
    }
}

void VisitForAdd(const Place& place, DirRecord* record, const struct stat& status,
                 const struct timespec& fence) {
    bool changed = !StillAsRecorded(*record, status);
    if (!changed && place.rel.size() < kLongestRelativePath) {
        VisitSubdirs(place, record, fence);
        return;
    }
    int fd = OpenDirectoryAt(place.fd, place.Name());
    if (fd < 0) {
        ReportUnreadable(place.shown);
        record->settled = false;
        return;
    }
    bool rescanned = changed && RescanForAdd(fd, record, place.shown);
    VisitSubdirs({fd, "", place.shown}, record, fence);
    close(fd);
    if (rescanned) Record(record, status, fence);
}

// What the listing says an entry is, where it says so: links and directories then need
// no status of their own.
enum ListedKind { kListedOther, kListedDirectory, kListedLink };

ListedKind KindOf(const struct dirent* entry) {
#ifdef DT_DIR
    if (entry->d_type == DT_DIR) return kListedDirectory;
    if (entry->d_type == DT_LNK) return kListedLink;
#else
    (void)entry;
#endif
    return kListedOther;
}

// Takes write permission from one file (where it has any), telling the undo record the
// mode it had and the state it is left in.
void RemoveWriteAt(int dirFd, const char* name, const struct stat& status, const std::string& dir) {
    mode_t mode = status.st_mode & 07777;
    bool change = (mode & kAnyWrite) != 0;
    std::string relative = RecordingUndo() ? BelowWalkRoot(dir + "/" + name) : "";
    if (change && UndoWantsModeChanges()) NoteInstalledModeChange(relative, status.st_mode);
    if (change && fchmodat(dirFd, name, mode & ~kAnyWrite, 0) == 0) mode &= ~kAnyWrite;
    if (RecordingUndo()) NoteInstalledFinalState(relative, status, mode);
}

// Takes all write permission from every file below the open directory: one status and at
// most one change per file, none for links and directories. At the top of the tree the
// installer's own folder is left alone: its log is written after this pass.
void RemoveWriteBelow(int dirFd, const std::string& path, bool top) {
    int fd = dup(dirFd);
    DIR* stream = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!stream) {
        if (fd >= 0) close(fd);
        ReportUnreadable(path);
        return;
    }
    std::vector<std::string> subdirs;
    while (struct dirent* entry = readdir(stream)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        if (top && strcmp(name, kSetupFolder) == 0) continue;
        ListedKind kind = KindOf(entry);
        if (kind == kListedLink) continue;
        if (kind == kListedDirectory) {
            subdirs.push_back(name);
            continue;
        }
        struct stat status;
        if (fstatat(dirFd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(status.st_mode))
            subdirs.push_back(name);
        else if (!S_ISLNK(status.st_mode))
            RemoveWriteAt(dirFd, name, status, path);
    }
    closedir(stream);
    for (const std::string& name : subdirs) {
        std::string subPath = path + "/" + name;
        int subFd = OpenDirectoryAt(dirFd, name.c_str());
        if (subFd < 0) {
            ReportUnreadable(subPath);
            continue;
        }
        RemoveWriteBelow(subFd, subPath, false);
        close(subFd);
    }
}

bool WalkCancelled() {
    return CancelRequested() || installOptions.cancelled;
}

// The watch on the tree, while it can be used. Once it cannot, the tree is walked the
// portable way until the walks start on another tree.
InstallTreeWatch treeWatch;
bool watchUnusable = false;

void ForgetTree(const char* root) {
    memory = TreeMemory{root, DirRecord()};
    treeWatch.Stop();
    watchUnusable = false;
}

// Brings the tree up to date through its watch, starting it first when the tree is new or
// the watch lost track of it. False when the watch cannot serve this tree.
bool WatchedAddWalk(int rootFd, const char* dir) {
    if (watchUnusable) return false;
    struct stat root;
    if (fstat(rootFd, &root) != 0) return false;
    InstallTreeWatch::Outcome outcome =
        treeWatch.Watches(root.st_dev, root.st_ino) ? treeWatch.Update() : InstallTreeWatch::kLost;
    if (outcome == InstallTreeWatch::kLost) outcome = treeWatch.Start(rootFd, dir);
    if (outcome == InstallTreeWatch::kUpToDate) return true;
    treeWatch.Stop();
    watchUnusable = true;
    return false;
}

// The portable add walk: directories whose ctime moved on are listed again.
void RememberingAddWalk(int rootFd, const char* dir) {
    struct timespec fence = TakeFence(rootFd);
    struct stat status;
    // The fence itself changed the root, so the root is always looked at again.
    memory.top.settled = false;
    if (fstat(rootFd, &status) == 0) VisitForAdd({rootFd, "", dir}, &memory.top, status, fence);
}

} // namespace

void DoAddWritePermission(const char* dir) {
    int rootFd = dir ? open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (rootFd < 0) return;
    if (!WalkCancelled()) {
        walkRoot = dir;
        if (memory.root != dir) ForgetTree(dir);
        if (!WatchedAddWalk(rootFd, dir)) RememberingAddWalk(rootFd, dir);
    }
    close(rootFd);
}

void CollectInstallTreeChanges() {
    treeWatch.Collect();
}

void ForgetInstallTree() {
    ForgetTree("");
}

bool DoRemoveWritePermission(const char* dir) {
    // The files are about to be read-only: what the add walk knows no longer holds, and the
    // watch would only record this walk's own changes.
    ForgetInstallTree();
    int rootFd = dir ? open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (rootFd < 0) return false;
    walkIncomplete = false;
    walkRoot = dir;
    if (!WalkCancelled()) RemoveWriteBelow(rootFd, dir, true);
    close(rootFd);
    return !walkIncomplete;
}
