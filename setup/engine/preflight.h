// The checks an installation makes before its first write: is there room for it on the
// target's file system (CheckSpace), and are the selected archives the ones the
// distribution lists in its checksums file (CheckIntegrity). Both only read; the caller
// decides what a refusal means in its mode. The lists they read are written by
// setup/discovery/distribution_sums.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SpaceCheck {
    bool enough = true;
    // The refusal, empty when there is room: "Not enough space in <mount point>: this
    // installation needs N MB, M MB are free." (MB: 1,000,000 bytes; N rounded up, M
    // down), and on a line of its own the same for inodes.
    std::string message;
    std::string mountPoint;
    uint64_t neededBytes = 0, freeBytes = 0;
    uint64_t neededInodes = 0, freeInodes = 0;
    // The member count of every archive was known and the file system counts inodes.
    bool inodesChecked = false;
    std::string how; // for the log: where the sizes came from
};

// What the archives (full paths, as in the archive list) will take below `target` (which
// need not exist yet: its nearest existing ancestor stands for it), against what that
// file system has free for an unprivileged user. An archive takes its uncompressed size
// from info/sizes.txt of `distDir` when listed there, else from its gzip trailer, plus one
// file-system block for every member when the member counts are known.
SpaceCheck CheckSpace(const std::string& distDir, const std::vector<std::string>& archives,
                      const std::string& target);

// The mount point of the file system that holds `path` or, when it does not exist, its
// nearest existing ancestor: the deepest directory whose device differs from its parent's.
std::string MountPointOf(const std::string& path);

struct IntegrityCheck {
    bool checked = false;              // the distribution has a checksums file
    std::vector<std::string> problems; // one line per archive, naming it
    std::string report;                // one line for the log
    bool Passed() const { return problems.empty(); }
};

// When `distDir` has info/checksums.txt, hashes every selected archive (several at once,
// up to `jobs` threads; 0: one per processor, at most 8) and compares: a mismatch, an
// archive the file does not list or one that cannot be read is a problem naming it.
// Without the file nothing is checked and the report says so.
IntegrityCheck CheckIntegrity(const std::string& distDir, const std::vector<std::string>& archives,
                              int jobs = 0);
