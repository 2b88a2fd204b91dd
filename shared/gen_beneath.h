// Reaching files below a directory without ever following a symbolic link. Every path is
// taken from an open directory one component at a time (or in one openat2 call where the
// kernel resolves beneath a directory itself), so a link planted anywhere below, at any
// moment, is refused instead of followed. Writers that must not leave their tree stage new
// files with gen_beneath_mktemp and rename them into place; code that visits many paths of
// one tree goes through a GenBeneathTree, which keeps the directory it reached last open.
// Start at gen_beneath_opendir.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

// How far gen_beneath_opendir got: the components it passed through (opened or created)
// before it stopped, and how many of those were there already.
struct GenBeneathWalk {
    int reached = 0;
    int existed = 0;
};

// Opens the directory `path` below the directory open as `dirfd`. The path is relative,
// '/'-separated, and has no ".." components (EINVAL otherwise); "" and "." are dirfd itself.
// A component that is a symbolic link fails with ELOOP, one that is something else than a
// directory with ENOTDIR. With createMode >= 0, missing components are made with that mode;
// they are walk->existed .. walk->reached - 1. Returns a new close-on-exec descriptor, or -1
// with errno.
int gen_beneath_opendir(int dirfd, const char* path, int createMode = -1,
                        GenBeneathWalk* walk = nullptr);

// Opens the existing regular file `path` below dirfd for reading, without following links
// and without blocking on a FIFO or a device. ELOOP for a link, EISDIR for a directory,
// EINVAL for anything else that is not a regular file, and with singleName EMLINK for a file
// that has more than one name. st (when given) receives the file's status.
int gen_beneath_openfile(int dirfd, const char* path, bool singleName = false,
                         struct stat* st = nullptr);

// Creates a new, empty file directly in dirfd under a name that starts with prefix and did
// not exist (O_EXCL, never through a link), open for writing. *name receives the name.
int gen_beneath_mktemp(int dirfd, const char* prefix, mode_t mode, std::string* name);

// The status of `path` below dirfd as lstat gives it, reached without following links.
int gen_beneath_lstat(int dirfd, const char* path, struct stat* st);

// Splits path at its last '/': the directory part ("" for none) and the last component.
void gen_beneath_split(const std::string& path, std::string* dir, std::string* base);

// Copies the plain file or symbolic link `fromName` in `fromDir` (described by `st`) to
// `toName` in `toDir`, which must not exist yet, with its mode and modification time; for
// where a rename or a hard link cannot cross file systems. Anything else fails with ENOTSUP;
// a failed copy leaves nothing at `toName`. 0, or -1 with errno.
int gen_beneath_copy(int fromDir, const char* fromName, const struct stat& st, int toDir,
                     const char* toName);

// One tree, with every path below its root reached as gen_beneath_opendir reaches it. The
// directory reached last stays open, so that paths sorted by directory cost one walk per
// directory rather than one per path. Not copyable: it owns its descriptors.
class GenBeneathTree {
public:
    GenBeneathTree() = default;
    ~GenBeneathTree() { Close(); }
    GenBeneathTree(const GenBeneathTree&) = delete;
    GenBeneathTree& operator=(const GenBeneathTree&) = delete;

    // The root, by a path the caller chose (links in that path itself are followed). False
    // with errno.
    bool Open(const char* root);
    // A duplicate of the open directory `dir` as the root.
    bool OpenDuplicate(int dir);
    // The directory `path` below `outer`'s root as the root; a link on the way refuses.
    bool OpenWithin(GenBeneathTree& outer, const char* path);
    void Close();
    int root() const { return root_; }

    // The directory holding `path` (relative, '/'-separated, no ".."), *base its last
    // component. The descriptor stays the tree's, valid until the next call; -1 with errno.
    int Parent(const std::string& path, std::string* base);
    // The directory `path` itself ("" or "." for the root), with the same lifetime.
    int Directory(const std::string& path);

private:
    int root_ = -1;
    int last_ = -1;        // the directory reached last, when not the root
    std::string lastPath_; // ... and its path below the root
};
