// A watch on the installation tree, so that the permission walk before an archive looks
// only at what the previous archive changed instead of at everything installed so far.
// Built on the kernel's file-change notification where the system has one (Linux inotify);
// elsewhere Start always answers kUnusable and the walk keeps to its portable path
// (install_permissions.cpp). Start reading at InstallTreeWatch::Start, then Update.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

// Watches every directory of one tree and gives owner and group write permission to what
// appears or changes in it. Symbolic links are never followed or changed. Not copyable: it
// owns the notification descriptor.
class InstallTreeWatch {
public:
    enum Outcome {
        kUpToDate, // every entry of the tree has owner and group write
        kLost,     // changes went unrecorded (queue overflow, a directory moved): Start afresh
        kUnusable, // this tree cannot be watched (no support, watch limit, unreadable)
    };

    InstallTreeWatch() = default;
    ~InstallTreeWatch() { Stop(); }
    InstallTreeWatch(const InstallTreeWatch&) = delete;
    InstallTreeWatch& operator=(const InstallTreeWatch&) = delete;

    // Watches the tree at `root` (open as `rootFd`, which stays the caller's) and gives every
    // entry below it owner and group write, the way a full walk does.
    Outcome Start(int rootFd, const char* root);
    // Takes in the changes queued so far without acting on them: cheap when there are none,
    // and called while a long command runs so that the kernel's queue cannot overflow.
    void Collect();
    // Gives owner and group write to every entry changed since the last Start or Update; a
    // new directory is watched and walked whole, as its first changes were not seen.
    Outcome Update();
    // Forgets the tree and gives its watches back to the system.
    void Stop();

    bool Active() const { return fd_ >= 0; }
    // The device and inode of the watched root.
    bool Watches(dev_t device, ino_t inode) const {
        return Active() && device == rootDevice_ && inode == rootInode_;
    }

private:
    using Entry = std::pair<int, std::string>; // (watch of its directory, name)
    struct EntryHash {
        size_t operator()(const Entry& e) const {
            return std::hash<std::string>()(e.second) ^ static_cast<size_t>(e.first);
        }
    };
    using Entries = std::unordered_set<Entry, EntryHash>;

    Outcome FixAll(int wd, const std::string& dir, const Entry* first, const Entry* last);
    Outcome Watch(const std::string& rel);
    Outcome Scan(int wd, const std::string& rel);
    void AddWrite(int dirFd, int wd, const std::string& dir, const char* name,
                  const struct stat& status);
    void Read(const Entries* own);
    void Take(const char* buffer, long length, const Entries* own);
    Outcome Settle(Outcome outcome);

    int fd_ = -1;
    int rootFd_ = -1;
    int rootWd_ = -1;
    dev_t rootDevice_ = 0;
    ino_t rootInode_ = 0;
    std::string rootPath_;                      // absolute, for adding watches
    std::unordered_map<int, std::string> dirs_; // watch -> path below the root ("" the root)
    std::vector<Entry> changed_;                // since the last Update
    Entries own_;                               // what this walk itself changed
    bool lost_ = false;
};

// The most watches a tree may take; by default (or when negative) half the system's
// per-user limit, so that the user's other programs keep theirs. A tree that needs more is
// walked the portable way.
void SetInstallWatchBudget(long watches);
