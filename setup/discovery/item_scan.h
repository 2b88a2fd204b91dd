// The scan of one item archive: its description and dependency members are unpacked with
// gtar into the scan tree, a temporary directory that lives only while a set is scanned and
// is removed on every way out, an exit on a signal included. Whether the archive is sound
// is judged from the command's status and what it says on standard error. Start at
// ScanTree, then UnpackItemMembers.
#pragma once

#include <string>

// Longest time one scan command may take unless -scan_timeout says otherwise.
constexpr int kDefaultScanTimeoutSeconds = 60;

// The scan tree. Making it changes into it; the exit-time clean-up removes it if the program
// ends before the tree goes.
class ScanTree {
public:
    // Stops the program with "Could not create temporary directory." when it cannot.
    ScanTree();
    ~ScanTree();
    ScanTree(const ScanTree&) = delete;
    ScanTree& operator=(const ScanTree&) = delete;

    const std::string& path() const { return path_; }
    // Changes to `dir` and removes the tree now.
    void Leave(const char* dir);

private:
    std::string path_;
};

// Unpacks the description and dependency members of item `item` from `archive` into the
// current directory with the extraction command `prefix`. Returns "" when the archive is
// sound (members it lacks are no fault), otherwise what is wrong with it: gtar's first error
// line, or that the command did not end in time and was stopped.
std::string UnpackItemMembers(const std::string& prefix, const std::string& archive,
                              const std::string& item);
