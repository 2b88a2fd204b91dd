// Puts the files of a patch into the target directory all at once or not at all. Each file
// is written under a temporary name in its own directory, reached from the target without
// following links (shared/gen_beneath.h), and the new patch report likewise; Commit renames
// them into place, the report last. Until then Discard, which also runs when the process
// leaves early, removes every temporary and every directory the run created. What Commit
// put in place stays known afterwards, for the target's undo records. Start at
// PatchStaging::Open.
#pragma once

#include <sys/stat.h>
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
    // A file Commit renamed into place (the report too), with what was there before.
    struct PlacedFile {
        std::string relative;
        bool existed = false;
        struct stat before = {};
    };

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
    // After Commit: the files now in place, in the order they were renamed, and the
    // directories below the target that the run made, from the top.
    const std::vector<PlacedFile>& Placed() const { return placed_; }
    const std::vector<std::string>& MadeDirectories() const { return madeDirs_; }

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
    // Renames `temp` in `dir` to `name`, noting what it replaces under `relative`.
    bool Place(int dir, const std::string& temp, const char* name, const std::string& relative);

    std::string target_;
    int root_ = -1;
    std::vector<Dir> dirs_;
    std::unordered_map<std::string, size_t> dirIndex_;
    std::vector<Staged> staged_;
    size_t committed_ = 0;                   // files renamed into place so far
    std::vector<std::string> createdDirs_;   // below the target, in the order made
    std::vector<std::string> createdTarget_; // the target and its missing parents
    std::vector<PlacedFile> placed_;
    std::vector<std::string> madeDirs_;
    FILE* report_ = nullptr;
    std::string reportName_, reportTemp_;
    std::string error_;
    mode_t umask_ = 0;
    bool active_ = false;
};
