// The record of what one installation run wrote: which paths it created and which existing
// files it replaced (kept aside until the run ends, so that a rollback can put them back),
// in <installation directory>/.setup/manifest-NNNN.txt, one file per run, numbered in the
// order of the runs. ManifestRecorder writes it as the run goes; ReadManifest reads it
// back for a rollback or an uninstall (uninstall.h). Start at ManifestRecorder.
//
// The file is plain text, one record a line, fields separated by one blank:
//   setup-manifest 1                            format and version, always the first line
//   run <date> <program> <target> <state>       UTC date (2024-05-01T12:00:00Z); state is
//                                               "new" (the run made the target), "empty"
//                                               or "filled" (it held files before the run)
//   archive <path> | patch <path>               what the following lines came from
//   created <type> <path> [<after>]             a path this run made; type is file, dir,
//                                               symlink, hardlink or other
//   replaced <path> <before> <kept> [<after>]   an existing file this run replaced; <kept>
//                                               is its old version below .setup ("-": none)
//   existing <path> <mode> <mtime>              an existing directory the run writes into,
//                                               as it was ("." is the target itself)
//   mode <path> <mode>                          an existing path whose mode the run changed,
//                                               with the mode it had
//   end <outcome>                               the run ended: succeeded, failed, cancelled
// <before> and <after> are "<size> <mode> <mtime>": bytes, permission bits in octal, and
// seconds.nanoseconds since 1970 (after: as the run left the path, "- - -" when it was
// gone). The [<after>] fields are added when the run ends. In paths (and the other text
// fields) a blank, a backslash and every byte outside printable ASCII is written as \ooo,
// three octal digits, so that every name survives and a line splits at its blanks; in a
// shell, printf '%b' turns such a path back into its bytes.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "setup/engine/tar_members.h"

// The installer's own folder in the installation directory, and what it keeps there.
extern const char kSetupFolder[];    // ".setup"
extern const char kInstallLogName[]; // "install.log", the run's log, beside the manifests

// A path's size, permission bits and modification time, or that it was not there.
struct FileState {
    bool present = false;
    uint64_t size = 0;
    mode_t mode = 0; // permission bits only
    struct timespec mtime = {0, 0};

    static FileState Of(const struct stat& status);
    bool SameAs(const FileState& other) const;
};

struct ManifestEntry {
    enum Kind { kCreated, kReplaced, kExisting, kMode };
    Kind kind = kCreated;
    TarMember::Type type = TarMember::kFile; // kCreated
    std::string path;                        // relative to the target, unescaped
    FileState before; // kReplaced; mode and mtime for kExisting; mode for kMode
    std::string kept; // kReplaced: below .setup, "" when not kept
    FileState after;  // kCreated and kReplaced, once the run ended
    int source = -1;  // index into Manifest::sources, -1 before any
};

struct Manifest {
    struct Source {
        bool patch = false;
        std::string path;
    };
    std::string date, program, target, targetState;
    std::vector<Source> sources;
    std::vector<ManifestEntry> entries;
    bool ended = false; // an "end" line was read: the run ended (not a crash)
    std::string outcome;
};

// Writes a manifest field: see the escapes above.
std::string EscapeManifestText(const std::string& text);
// False when `text` holds a backslash not followed by three octal digits.
bool UnescapeManifestText(const std::string& text, std::string* bytes);

// Reads a manifest. A last line without its newline (cut short by a crash) is ignored.
// False with *error naming the line that cannot be read.
bool ReadManifest(const std::string& path, Manifest* manifest, std::string* error);
// Writes `manifest` whole to `path` through a temporary file renamed over it.
bool WriteManifest(const std::string& path, const Manifest& manifest, std::string* error);
// The same for the file `name` in the open directory `dir`.
bool WriteManifestAt(int dir, const std::string& name, const Manifest& manifest,
                     std::string* error);

// The manifests in a .setup folder, oldest first, as full paths; empty when there are none.
std::vector<std::string> ListManifests(const std::string& setupFolder);
// True when `target` holds anything but the installer's own folder (false when missing).
bool TargetHoldsFiles(const std::string& target);
// True when `target` has the installer's own folder (a patch then records what it writes).
bool TargetHasSetupFolder(const std::string& target);

enum class RunOutcome { kSucceeded, kFailed, kCancelled };

struct ManifestRun {
    std::string target;  // the installation directory
    std::string program; // what runs, for the run line ("setup", "setup -install_patch")
    // The run made the target directory itself (uninstall may then remove it).
    bool targetCreated = false;
    // Something besides the installer's own folder was in the target before the run. Only
    // then are existing paths looked at and replaced files kept aside; into an empty
    // target the recorder makes no system call per member.
    bool targetHeldFiles = false;
};

// Records one run. The engine calls StartRun before the run writes anything into the
// target (its write test included), BeginArchive before feeding an archive to gtar,
// BeforeMember for every member before gtar sees its header (TarMemberScanner), EndArchive
// after gtar ended, and EndRun once. The permission walks report each mode they change on
// a path that existed before the run (NoteModeChange). A patch installation records the
// files it wrote after its all-or-nothing rename (BeginPatch, RecordPatched...).
//
// Replaced files are kept aside in .setup/kept-NNNN/ (a hard link where the file system
// allows, a copy otherwise): gtar removes a file before writing a new one, so the link
// keeps the old contents. They stay until the run ends: a successful run drops them, a
// failed or cancelled one leaves them for RollBackRun (uninstall.h), which uses them up,
// or for DropKeptFiles when the user declines the rollback.
//
// A failing call returns false and error() says why; recording goes on where it can. A
// recorder destroyed before EndRun leaves the manifest as a crash would: without its end.
class ManifestRecorder {
public:
    ManifestRecorder() = default;
    ~ManifestRecorder();
    ManifestRecorder(const ManifestRecorder&) = delete;
    ManifestRecorder& operator=(const ManifestRecorder&) = delete;

    // Creates .setup (when missing) and the run's manifest with its first lines.
    bool StartRun(const ManifestRun& run);
    void BeginArchive(const std::string& archive);
    void BeginPatch(const std::string& patchFile);
    // Records what extracting `member` will create or replace (and its missing parent
    // directories), keeping a replaced file aside first. False when an old file could not
    // be kept aside (gtar would destroy it) or the member writes into .setup.
    bool BeforeMember(const TarMember& member);
    // The permission walks are about to change the mode of `path` (relative to the target)
    // from `before`. Ignored for paths this run made; recorded once per path.
    void NoteModeChange(const std::string& path, mode_t before);
    // The last pass over the tree (the read-only pass) leaves the file `path` with `status`
    // but permission bits `mode`: the run's end takes that state instead of looking at the
    // file again, unless a member names the path once more.
    void NoteFinalState(const std::string& path, const struct stat& status, mode_t mode);
    // Whether NoteModeChange can record anything: only paths that were there before the
    // run count, and into an empty target there were none (its own mode is recorded).
    bool WantsModeChanges() const { return started_ && !ended_ && run_.targetHeldFiles; }
    // A patch wrote `path`: `before` is what was there (not present: the patch created it);
    // `keptCopy`, when given, is the old version the patch put aside, which the recorder
    // moves into .setup.
    bool RecordPatchedFile(const std::string& path, const FileState& before,
                           const std::string& keptCopy = "");
    // A directory the patch had to create.
    void RecordPatchedDirectory(const std::string& path);
    // Appends and flushes what this archive (or patch) added.
    bool EndArchive();
    // Adds every recorded path's state after the run and the end line, rewriting the
    // manifest once; after success, drops the kept-aside files.
    bool EndRun(RunOutcome outcome);

    const std::string& manifestPath() const { return manifestPath_; }
    const std::string& error() const { return error_; }
    // The problem of the last failing call, forgotten, so that the next one is seen anew.
    std::string TakeError() {
        std::string error;
        error.swap(error_);
        return error;
    }

private:
    enum PathState : unsigned char {
        kMadeDirectory,
        kMadeFile,
        kReplacedPath,
        kOldDirectory,
        kOldOther
    };

    bool Fail(const std::string& what, int error);
    void BeginSource(bool patch, const std::string& path);
    void Add(ManifestEntry entry);
    void Created(const std::string& path, TarMember::Type type);
    void AddCreated(const std::string& path, TarMember::Type type); // its entry only
    void NoteParents(const std::string& path);
    void NoteExistingDirectory(const std::string& path, const struct stat& status);
    bool Replace(const std::string& path, const struct stat& status);
    bool KeepAside(const std::string& path, const struct stat& status, std::string* kept);
    bool OpenKeptFolder();
    bool Flush();
    void DropKept();
    void CloseAll();

    ManifestRun run_;
    Manifest manifest_;
    std::string manifestPath_, keptName_, error_;
    int root_ = -1, setup_ = -1, file_ = -1, kept_ = -1;
    unsigned number_ = 0;
    long keptCount_ = 0;
    std::string pending_;    // lines not yet written
    std::string lastParent_; // the directory of the member before, known
    std::unordered_map<std::string, PathState> paths_;
    std::unordered_set<std::string> modeNoted_;
    std::unordered_map<std::string, FileState> finalStates_; // from NoteFinalState
    bool started_ = false, ended_ = false;
};

// After a failed or cancelled run whose rollback the user declined: forgets the kept-aside
// files of the run recorded in `manifestPath` (removes them and marks them "-").
bool DropKeptFiles(const std::string& manifestPath, std::string* error);
