// The running installation's undo record (see install_undo.h). One recorder lives for the
// run; a problem it meets is shown once and the run goes on, except for a member that
// cannot be recorded safely, whose archive is refused. RecordArchiveMembers reads an archive
// through the in-process inflater and the tar scanner, so that every member is recorded
// (and an old file it replaces kept aside) before gtar can touch it.
#include "setup/engine/install_undo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "setup/engine/gzip_inflater.h"
#include "setup/engine/install_engine.h"
#include "setup/engine/install_log.h"
#include "setup/engine/tar_members.h"
#include "shared/indgen.h"
#include "windlib/wevent.h"

namespace {

// Compressed bytes read at a time, and inflated bytes handed to the scanner at a time.
const size_t kReadBytes = 256 * 1024;
const size_t kInflateBytes = 256 * 1024;

bool recordsKept = true;

struct UndoState {
    ManifestRecorder* recorder = nullptr;
    std::string manifestPath;
    bool reported = false; // the recorder's first problem has been shown
} undo;

// What reading an archive's members needs, made once for every archive of the run: the
// inflater's state is large, and so are the buffers.
struct MemberReader {
    GzipInflater inflater;
    std::unique_ptr<unsigned char[]> in{new unsigned char[kReadBytes]};
    std::unique_ptr<unsigned char[]> out{new unsigned char[kInflateBytes]};
};
MemberReader* memberReader = nullptr;

// The recorder's problem, shown once: after it the record may be incomplete.
void ReportRecorderProblem() {
    if (undo.reported || !undo.recorder || undo.recorder->error().empty()) return;
    undo.reported = true;
    std::string message = "The installation record is incomplete: " + undo.recorder->error();
    DoDisplayError(message.c_str());
}

bool InSetupFolder(const std::string& relative) {
    size_t length = strlen(kSetupFolder);
    return relative.compare(0, length, kSetupFolder) == 0 &&
           (relative.size() == length || relative[length] == '/');
}

// `member` as it lands when its archive is unpacked into the directory `below`.
TarMember Below(const char* below, TarMember member) {
    member.name = member.name == "." ? below : std::string(below) + "/" + member.name;
    if (member.type == TarMember::kHardLink)
        member.linkTarget = std::string(below) + "/" + member.linkTarget;
    return member;
}

// Feeds inflated bytes to the scanner and notes every member that ends in them. False
// once a member was refused; *more false once the tar stream has ended or cannot be read.
bool ScanPiece(TarMemberScanner* scanner, const unsigned char* data, size_t size, const char* below,
               bool* more) {
    for (size_t at = 0, used = 0; at < size && *more; at += used) {
        TarMemberScanner::Status status =
            scanner->Feed(reinterpret_cast<const char*>(data) + at, size - at, &used);
        if (status == TarMemberScanner::kMember &&
            !RecordArchiveMember(below ? Below(below, scanner->member()) : scanner->member()))
            return false;
        // gtar reports a damaged stream itself; what came before it is recorded.
        if (status == TarMemberScanner::kEnd || status == TarMemberScanner::kBad) *more = false;
    }
    return true;
}

} // namespace

void SetUndoRecordKept(bool kept) {
    recordsKept = kept;
}

bool StartUndoRecord(const char* installDir, bool targetCreated, std::string* error) {
    delete undo.recorder;
    undo = UndoState();
    if (!recordsKept) return true;
    ManifestRun run;
    run.target = installDir;
    run.program = "setup";
    run.targetCreated = targetCreated;
    run.targetHeldFiles = !targetCreated && TargetHoldsFiles(installDir);
    undo.recorder = new ManifestRecorder;
    if (undo.recorder->StartRun(run)) {
        undo.manifestPath = undo.recorder->manifestPath();
        return true;
    }
    *error = undo.recorder->error();
    delete undo.recorder;
    undo.recorder = nullptr;
    return false;
}

bool RecordingUndo() {
    return undo.recorder != nullptr;
}

void BeginArchiveRecord(const char* archive) {
    if (undo.recorder) undo.recorder->BeginArchive(archive);
}

void EndArchiveRecord() {
    if (undo.recorder && !undo.recorder->EndArchive()) ReportRecorderProblem();
}

bool RecordArchiveMember(const TarMember& member) {
    if (!undo.recorder || undo.recorder->BeforeMember(member)) return true;
    std::string message = "Not expanded: " + undo.recorder->TakeError();
    DoDisplayError(message.c_str());
    return false;
}

bool RecordArchiveMembers(const char* archive, const char* below) {
    if (!undo.recorder) return true;
    int fd = open(archive, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return true; // gtar will say why it cannot read it either
    if (!memberReader) memberReader = new MemberReader;
    GzipInflater& inflater = memberReader->inflater;
    unsigned char* in = memberReader->in.get();
    unsigned char* out = memberReader->out.get();
    inflater.Restart();
    TarMemberScanner scanner;
    bool more = true, noted = true;
    while (more && noted && !CancelRequested()) {
        ssize_t got = read(fd, in, kReadBytes);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) inflater.FeedEnd();
        if (got > 0) inflater.Feed(in, static_cast<size_t>(got));
        GzipInflater::Status status;
        do {
            size_t written = 0;
            status = inflater.Inflate(out, kInflateBytes, &written);
            noted = ScanPiece(&scanner, out, written, below, &more);
        } while (noted && more && status == GzipInflater::kOutputFull);
        if (status != GzipInflater::kNeedInput || got <= 0) more = false;
        WEventAll(0); // a large archive must not freeze the window
    }
    close(fd);
    return noted;
}

bool UndoWantsModeChanges() {
    return undo.recorder && undo.recorder->WantsModeChanges();
}

void NoteInstalledModeChange(const std::string& relative, mode_t before) {
    if (undo.recorder && !InSetupFolder(relative)) undo.recorder->NoteModeChange(relative, before);
}

void NoteInstalledFinalState(const std::string& relative, const struct stat& status, mode_t mode) {
    if (undo.recorder) undo.recorder->NoteFinalState(relative, status, mode);
}

void EndUndoRecord(RunOutcome outcome) {
    if (!undo.recorder) return;
    if (!undo.recorder->EndRun(outcome)) ReportRecorderProblem();
    ReportRecorderProblem();
    delete undo.recorder;
    undo.recorder = nullptr;
}

RollbackResult RollBackUndoRecord() {
    RollbackResult result;
    if (!undo.manifestPath.empty()) result = RollBackRun(undo.manifestPath);
    undo.manifestPath.clear();
    return result;
}

void KeepPartialInstallation() {
    std::string error;
    if (!undo.manifestPath.empty() && !DropKeptFiles(undo.manifestPath, &error)) {
        std::string message = "The installation record could not be updated: " + error;
        DoDisplayError(message.c_str());
    }
    undo.manifestPath.clear();
}

void KeepingTargetTime(const char* targetDir, const std::function<void()>& check) {
    char* dir = targetDir ? gen_expand_filename(targetDir) : nullptr;
    struct stat before, after;
    bool existed = dir && *dir && stat(dir, &before) == 0 && S_ISDIR(before.st_mode);
    check();
    // The same directory, changed meanwhile only by the check's scratch file.
    if (existed && stat(dir, &after) == 0 && after.st_ino == before.st_ino &&
        after.st_dev == before.st_dev && after.st_nlink == before.st_nlink) {
        struct timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
        utimensat(AT_FDCWD, dir, times, 0);
    }
    gen_free(dir);
}
