// Reaching paths below one directory without ever following a symbolic link, for the
// undo records (install_manifest, uninstall): a link planted in an installation tree must
// not lead a rollback or an uninstall to change anything outside it. TreeBeneath opens a
// path's directories one component at a time with O_NOFOLLOW and keeps the chain it opened
// last, so that neighbouring paths cost no further opens. CopyEntryAt copies a file or a
// link between two open directories where a rename or a hard link cannot.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

class TreeBeneath {
public:
    TreeBeneath() = default;
    ~TreeBeneath() { Close(); }
    TreeBeneath(const TreeBeneath&) = delete;
    TreeBeneath& operator=(const TreeBeneath&) = delete;

    // Opens the root (following links in the root's own path: the caller named it). False
    // with errno set.
    bool Open(const std::string& root);
    // Takes a duplicate of the open directory `dir` as the root.
    bool OpenDuplicate(int dir);
    // Opens as the root the directory `path` below `outer`'s root, reached as Directory does.
    bool OpenWithin(TreeBeneath& outer, const std::string& path);
    void Close();
    int root() const { return root_; }

    // The directory that holds `path` (relative: components separated by single "/", no
    // "." or ".." and no leading "/"), reached without following any link; *base gets
    // the last component. The descriptor stays ours and is valid until the next call.
    // -1 with errno: ELOOP or ENOTDIR when a link or a file stands in the way.
    int Parent(const std::string& path, std::string* base);
    // The directory `path` itself ("." or "" for the root), reached the same way.
    int Directory(const std::string& path);

private:
    int OpenChain(const std::vector<std::string>& names);

    int root_ = -1;
    std::vector<std::string> names_; // the components opened last
    std::vector<int> fds_;           // fds_[i] is names_[0..i] opened
    std::string opened_;             // names_ joined: the directory fds_.back() is
};

// Why an operation on a path failed, for a report: the system's text, or what a link in
// the way means here.
std::string BeneathReason(int error);

// Copies the file or symbolic link `fromName` in `fromDir` (described by `status`) to
// `toName` in `toDir`, which must not exist, with its mode and modification time. Only
// plain files and symbolic links can be copied; -1 with errno otherwise, and nothing is
// left at `toName` after a failure.
int CopyEntryAt(int fromDir, const char* fromName, const struct stat& status, int toDir,
                const char* toName);
