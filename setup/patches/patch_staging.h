// Puts the files of a patch into the target directory all at once or not at all. Each file
// is written under a temporary name in its own directory, reached from the target without
// following links (shared/gen_beneath.h), and the new patch report likewise; Commit renames
// them into place, the report last. Until then Discard, which also runs when the process
// leaves early, removes every temporary and every directory the run created. Start at
// PatchStaging::Open.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

// Why the report file below `target` may not be written ("... is a symbolic link"), or
// empty when it is a plain file with one name or is not there. Nothing is opened for writing.
std::string CheckPatchReport(const char* target, const char* reportName);

class PatchStaging {
public:
    PatchStaging() = default;
    ~PatchStaging(); // discards what was not committed
    PatchStaging(const PatchStaging&) = delete;
    PatchStaging& operator=(const PatchStaging&) = delete;

    // Opens the target directory, creating what is missing of it.
    bool Open(const char* target);
    // A new file for `relative` (directories above it are created as needed) that is to
    // have `mode`: a descriptor open for writing its temporary, or -1.
    int BeginFile(const std::string& relative, mode_t mode);
    // Writes to the file BeginFile opened last.
    bool Write(int fd, const char* data, size_t n);
    // Closes the file, which now has its mode; it waits for Commit.
    bool EndFile(int fd);
    // The new report: a temporary holding the old report's bytes, to which Report appends
    // the new block. EndReport closes it and says whether everything fitted.
    bool BeginReport(const char* reportName);
    bool Report(const char* text, size_t n);
    bool Report(const std::string& text) { return Report(text.data(), text.size()); }
    bool EndReport();
    // Renames every file into place, then the report. Should a rename fail, the rest stay
    // out and Error() says which files were installed.
    bool Commit();
    // Removes every temporary left and the directories this run created, deepest first.
    void Discard();

    // What failed, as a sentence naming the file ("Can not write T/a: No space left...").
    const std::string& Error() const { return error_; }

private:
    struct Dir {
        std::string path; // relative to the target, "" for the target itself
        int fd;           // -1 while closed to stay within the descriptor limit
    };
    struct Staged {
        size_t dir;
        std::string relative;
        std::string temp; // name inside the directory
    };

    int DirFd(size_t index);
    int OpenDir(const std::string& path, bool create, const std::string& forFile);
    void CloseDirs();
    bool Fail(const char* what, const std::string& relative, int error);
    bool RenameStaged(const Staged& staged);

    std::string target_;
    int root_ = -1;
    std::vector<Dir> dirs_;
    std::unordered_map<std::string, size_t> dirIndex_;
    std::vector<Staged> staged_;
    size_t committed_ = 0;                   // files renamed into place so far
    std::vector<std::string> createdDirs_;   // below the target, in the order made
    std::vector<std::string> createdTarget_; // the target and its missing parents
    FILE* report_ = nullptr;
    std::string reportName_, reportTemp_;
    std::string error_;
    mode_t umask_ = 0;
    bool active_ = false;
};
