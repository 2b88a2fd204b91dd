// The installation run: DoInstall below walks through it in order (summary, archive list,
// the checks before the first write, installation directory, undo record, log, expansion,
// permissions, online help, the end of the record with its rollback, final report), one
// named step each. The display functions at the end are the only way the engine talks to
// the user, and every line they show also goes into the log. A cancel requested by the
// user, or a termination signal, is noticed at the next message or command and makes
// every later step a no-op; what the run wrote is then taken back unless the user keeps it.
#include "setup/engine/install_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "setup/discovery/distribution_sums.h"
#include "setup/engine/add_walk_plan.h"
#include "setup/engine/archive_feed.h"
#include "setup/engine/inflate_pipeline.h"
#include "setup/engine/install_log.h"
#include "setup/engine/install_undo.h"
#include "setup/engine/preflight.h"
#include "setup/install_options.h"
#include "shared/gen_printable.h"
#include "shared/indgen.h"
#include "shared/libcxxutil/ut_childgroups.h"

InstallProgressView* theProgressView = nullptr;

namespace {

// Names tried for the write test: "test", "test1", ... until one does not exist yet.
const int kWriteProbeAttempts = 100;

const char kCancelledLine[] = "The installation has been cancelled.";
const char kRemoveByHand[] = "Manually remove files created during the installation process.";

bool TypeSelected(int type) {
    const Component* c = installOptions.types[type];
    return c && c->selected;
}

bool DocsSelected() {
    const Component* c = installOptions.components[kKindDocs];
    return c && c->selected;
}

void EnterInstallDir() {
    if (installOptions.installDir) gen_chdir(installOptions.installDir);
}

void Print(const char* text) {
    printf("%s\n", text);
    fflush(stdout);
}

// What went wrong in this run, for the final report, the log and the exit status.
struct RunRecord {
    int archives = 0;
    std::vector<std::string> failedArchives;
    std::vector<std::string> failedManuals;
    bool permissionsIncomplete = false;
    bool rolledBack = false; // what the run wrote was taken back
    RollbackResult rollback;
} run;

// Fatal for the run: the report, and both cancel flags so that nothing else happens.
void AbandonInstall(const char* what, const char* dir) {
    char* message = gen_concat3(what, dir, ".");
    DoDisplayError(message);
    gen_free(message);
    installOptions.cancelRequested = true;
    installOptions.cancelled = true;
}

// targetDir in its expanded form, which the rest of the run uses.
void ExpandTargetDir() {
    InstallOptions& o = installOptions;
    char* expanded = o.targetDir ? gen_expand_filename(o.targetDir) : nullptr;
    gen_free(o.targetDir);
    o.targetDir = expanded ? expanded : gen_copy("");
}

// Creates targetDir and makes it current; false when any of that fails. *created tells
// whether the directory was made by this run.
bool PrepareInstallDir(bool* created) {
    InstallOptions& o = installOptions;
    gen_free(o.installDir);
    o.installDir = gen_copy(o.targetDir);
    struct stat status;
    *created = stat(o.installDir, &status) != 0;
    return *o.installDir && gen_createdir_recursive(o.installDir, 0755) == 0 &&
           gen_chdir(o.installDir) == 0;
}

// Creates and removes a scratch file in dir, never touching a file that is already there.
bool CanWriteIn(const char* dir) {
    for (int attempt = 0; attempt < kWriteProbeAttempts; attempt++) {
        char* probe =
            attempt == 0 ? gen_concat(dir, "/test") : gen_asprintf("%s/test%d", dir, attempt);
        int fd = gen_open(probe, O_WRONLY | O_CREAT | O_EXCL, 0600);
        int openError = errno;
        if (fd >= 0) {
            close(fd);
            gen_unlink(probe);
        }
        gen_free(probe);
        if (fd >= 0) return true;
        if (openError != EEXIST) return false;
    }
    return false;
}

// The archives the selection will expand, with the items it depends on. The selection
// itself stays as the user left it: the log and the answers record what was chosen.
std::vector<std::string> ArchivesOfSelection() {
    InstallOptions& o = installOptions;
    std::vector<std::pair<Component*, bool>> chosen;
    for (ComponentSet* set : {&o.bsps, &o.addons})
        for (Component* item : *set)
            if (item) chosen.emplace_back(item, item->selected);
    SelectDependedItems();
    GetTGZList();
    for (const auto& item : chosen) item.first->selected = item.second;
    std::vector<std::string> archives;
    for (const char* archive : o.tgzList)
        if (archive) archives.push_back(archive);
    return archives;
}

// A check before the first write said no: the run ends with nothing written, the way it
// ends when the directory cannot be made. The wizard shows the reason in an alert too.
void RefuseInstall(const std::string& reason, const char* outcome) {
    DoDisplayError(reason.c_str());
    if (theProgressView) theProgressView->Alert(reason.c_str());
    installOptions.cancelRequested = true;
    installOptions.cancelled = true;
    InstallLogClose(outcome);
}

// Room for the selection on the target's file system, and archives that are what the
// distribution's checksums say they are. False when the run must not write anything.
bool PassesChecksBeforeWriting() {
    const InstallOptions& o = installOptions;
    std::vector<std::string> archives = ArchivesOfSelection();
    SpaceCheck space = CheckSpace(o.sourceDir ? o.sourceDir : "", archives, o.targetDir);
    InstallLogLine('N', ("Space: " + space.how + ".").c_str());
    if (!space.enough) {
        RefuseInstall(space.message, "refused: not enough space");
        return false;
    }
    IntegrityCheck integrity =
        CheckIntegrity(o.sourceDir ? o.sourceDir : "", archives, o.inflateJobs);
    InstallLogLine('N', integrity.report.c_str());
    if (integrity.Passed()) return true;
    std::string reason = std::string("The distribution's archives do not match ") + kChecksumsFile +
                         "; nothing was installed:";
    for (const std::string& problem : integrity.problems) reason += "\n\t" + problem;
    RefuseInstall(reason, "refused: damaged archives");
    return false;
}

// The undo record starts before anything is written into the directory, its write test
// included, so that even the directory's own time can be given back.
void StartRecording(bool targetCreated) {
    std::string error;
    if (StartUndoRecord(installOptions.installDir, targetCreated, &error)) return;
    std::string message = "This installation cannot be undone: " + error;
    DoDisplayError(message.c_str());
}

void ShowSummary() {
    char* summary = installOptions.CreateInstallSummary();
    DoDisplayInformation(summary);
    gen_free(summary);
    DoDisplayInformation("");
}

void MakeInstalledFilesReadOnly() {
    EnterInstallDir();
    DoDisplayMessage("Adjusting write permissions.");
    bool complete = DoRemoveWritePermission(installOptions.installDir);
    run.permissionsIncomplete = !complete && !installOptions.cancelled;
    EnterInstallDir();
}

// The helpInstall command up to the manual's name: the one in the utilities directory
// when there is one, else the one the distribution installed.
std::string HelpInstallPrefix() {
    const InstallOptions& o = installOptions;
    auto quoted = [](const char* word) {
        char* q = QuoteCommandWord(word ? word : "");
        std::string text = q;
        gen_free(q);
        return text;
    };
    char* utilHelp = gen_concat(o.utilDir, "/helpInstall");
    bool inUtilDir = o.utilDir && gen_canexec(utilHelp) == 1;
    std::string prefix = inUtilDir ? quoted(utilHelp) + "  -noverbose manuals "
                                   : "./helpInstall -gtar " + quoted(o.gtarPath) + " -gzip " +
                                         quoted(o.gzipPath) + " -noverbose manuals ";
    gen_free(utilHelp);
    return prefix;
}

// Sorted names of the manuals directory; false when it cannot be listed.
bool ListManuals(std::vector<std::string>* names) {
    char* dir = gen_concat(installOptions.installDir, "/manuals");
    char** entries = nullptr;
    int count = gen_read_directory(dir, &entries);
    gen_free(dir);
    for (char** entry = entries; entry && *entry; entry++) {
        names->push_back(*entry);
        gen_free(*entry);
    }
    gen_free(entries);
    std::sort(names->begin(), names->end());
    return count > 0;
}

void InstallOnlineHelp() {
    EnterInstallDir(); // "./helpInstall" is the one the distribution installed there
    std::vector<std::string> names;
    if (!ListManuals(&names)) return;
    DoDisplayMessage("Installing online help files.");
    std::string prefix = HelpInstallPrefix();
    for (const std::string& name : names) {
        if (name.find(".tar.gz") == std::string::npos) continue;
        std::string path = "manuals/" + name;
        // helpInstall unpacks the manual into manuals/: recorded like an archive's members.
        BeginArchiveRecord(path.c_str());
        bool noted = RecordArchiveMembers(path.c_str(), "manuals");
        char* manual = QuoteCommandWord(path.c_str());
        int status = noted ? DoCommand((prefix + manual).c_str()) : -1;
        EndArchiveRecord();
        gen_free(manual);
        if (status != 0 && !installOptions.cancelled) run.failedManuals.push_back(name);
    }
}

// The log is opened once the directory is known to be writable; until then it keeps the
// lines (the summary, and any note made while the answers were checked).
void OpenLog() {
    if (InstallLogOpen(installOptions.installDir)) return;
    std::string message = std::string("Could not write the installation log in ") +
                          installOptions.installDir + "/" + kSetupFolder + ".";
    DoDisplayError(message.c_str());
}

long long FileSize(const char* path) {
    struct stat status;
    return stat(path, &status) == 0 ? static_cast<long long>(status.st_size) : 0;
}

// The expansion under way: the run's inflate pipeline, the plan of the add walks (none for
// the "blw" type) and where the current archive stands. Set while ExpandArchives runs.
struct Expansion {
    InflatePipeline* pipeline = nullptr;
    AddWalkPlan* walks = nullptr;
    ArchiveProgress progress = {0, 0, nullptr, 0, 0};
} expansion;

InflateLimits RunInflateLimits() {
    InflateLimits limits;
    limits.jobs = installOptions.inflateJobs;
    if (installOptions.bufferMb > 0) limits.budgetBytes = size_t(installOptions.bufferMb) << 20;
    return limits;
}

// The permission bits gtar takes away from the modes it extracts: the umask, except for
// root, whose gtar keeps the modes as stored.
mode_t GtarUmask() {
    mode_t mask = umask(0);
    umask(mask);
    return geteuid() == 0 ? 0 : mask;
}

// Every archive of the list in order, announced with where the run stands. One pipeline
// inflates the archives ahead while gtar expands the current one; an archive that cannot
// be expanded is reported and marked, and the run goes on with the next one.
void ExpandArchives() {
    const InstallOptions& o = installOptions;
    std::vector<std::string> archives;
    long long total = 0;
    for (const char* archive : o.tgzList) {
        if (!archive) break;
        archives.push_back(archive);
        total += FileSize(archive);
    }
    run.archives = static_cast<int>(archives.size());
    AddWalkPlan walks(GtarUmask()); // before the threads start: umask is process-wide
    InflatePipeline pipeline(archives, RunInflateLimits());
    std::string error;
    bool started = archives.empty() || pipeline.Start(&error);
    if (!started) DoDisplayError(error.c_str());
    bool walking = !TypeSelected(kTypeBlw);
    // What the run finds in place may be read-only; later walks are for what it leaves.
    if (walking && TargetHoldsFiles(o.installDir)) DoAddWritePermission(o.installDir);
    expansion.pipeline = &pipeline;
    expansion.walks = walking ? &walks : nullptr;
    long long done = 0;
    for (size_t i = 0; i < archives.size() && !o.cancelled; i++) {
        const char* archive = archives[i].c_str();
        ArchiveProgress progress = {static_cast<int>(i + 1), run.archives, archive, done, total};
        DoDisplayArchive(progress);
        expansion.progress = progress;
        BeginArchiveRecord(archive);
        bool expanded = started && DoExpandTGZ(archive);
        EndArchiveRecord();
        pipeline.NextArchive();
        walks.ArchiveEnded();
        if (!expanded && !o.cancelled) {
            run.failedArchives.push_back(archive);
            if (theProgressView) theProgressView->MarkArchiveFailed(progress.number);
            std::string message = std::string("Expanding ") + archive + " failed.";
            DoDisplayError(message.c_str());
        }
        done += FileSize(archive);
    }
    expansion = Expansion();
    pipeline.Cancel(); // whatever was read ahead of a cancel goes now
    if (theProgressView) theProgressView->ArchivesFinished();
}

bool RunFailed() {
    return !run.failedArchives.empty() || !run.failedManuals.empty() || run.permissionsIncomplete;
}

// A stopped run is taken back unless the user keeps it: by saying no in the wizard, or
// with -keep_partial where nobody is asked (without a window, or after a termination signal).
bool ShouldRollBackCancelled() {
    if (ut_TerminationCatcher::Signal() != 0 || !theProgressView)
        return !installOptions.keepPartial;
    return theProgressView->AskRollback();
}

// The end of the undo record: a finished run keeps it for uninstalling; a stopped one, or
// a failed one with -rollback_on_error, is taken back.
void SettleRecord() {
    const InstallOptions& o = installOptions;
    bool failed = RunFailed();
    if (!RecordingUndo()) return;
    EndUndoRecord(o.cancelled ? RunOutcome::kCancelled
                  : failed    ? RunOutcome::kFailed
                              : RunOutcome::kSucceeded);
    bool rollBack = o.cancelled ? ShouldRollBackCancelled() : failed && o.rollbackOnError;
    if (rollBack) {
        run.rollback = RollBackUndoRecord();
        run.rolledBack = true;
    } else if (o.cancelled || failed) {
        KeepPartialInstallation();
    }
}

// What went wrong, one line each, the failed archives named one a line.
std::string FailureReport() {
    std::string report = "Installation Completed with errors.";
    if (!run.failedArchives.empty()) {
        report += "\n" + std::to_string(run.failedArchives.size()) + " of " +
                  std::to_string(run.archives) + " archives could not be expanded:";
        for (const std::string& archive : run.failedArchives) report += "\n\t" + archive;
    }
    for (const std::string& manual : run.failedManuals)
        report += "\nThe online help in manuals/" + manual + " could not be installed.";
    if (run.permissionsIncomplete) report += "\nSome installed files could not be made read-only.";
    return report;
}

const char* SignalName(int signal) {
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

// The final report (with what a rollback did), the outcome in the log and the log's path
// as the very last line. Returns the run's exit status.
int ReportOutcome() {
    int signal = ut_TerminationCatcher::Signal();
    std::string outcome;
    int status = kInstallSucceeded;
    std::string undone = run.rolledBack ? RollbackSummary(run.rollback) : "";
    if (installOptions.cancelled) {
        std::string report =
            std::string(kCancelledLine) + "\n" + (undone.empty() ? kRemoveByHand : undone);
        DoDisplayError(report.c_str());
        outcome = signal ? std::string("cancelled by ") + SignalName(signal) : "cancelled";
        if (!undone.empty()) outcome += "\n" + undone;
        status = signal ? 128 + signal : kInstallFailed;
    } else if (RunFailed()) {
        outcome = FailureReport();
        if (!undone.empty()) outcome += "\n" + undone;
        DoDisplayError(outcome.c_str());
        status = kInstallFailed;
    } else {
        DoDisplayInformation("Installation Completed");
        outcome = "completed";
    }
    InstallLogClose(outcome.c_str());
    // After the log's end, so that it does not become the first line of the next entry.
    if (!InstallLogPath().empty()) {
        std::string where = "Installation log: " + InstallLogPath();
        if (theProgressView)
            theProgressView->DisplayInformation(where.c_str());
        else
            Print(where.c_str());
    }
    return status;
}

} // namespace

std::string SpaceProblemForSelection() {
    const InstallOptions& o = installOptions;
    char* target = gen_expand_filename(o.targetDir ? o.targetDir : "");
    SpaceCheck space =
        CheckSpace(o.sourceDir ? o.sourceDir : "", ArchivesOfSelection(), target ? target : "");
    gen_free(target);
    return space.message;
}

bool CancelRequested() {
    InstallOptions& o = installOptions;
    if (!o.cancelRequested && ut_TerminationCatcher::Signal() != 0) o.cancelRequested = true;
    return o.cancelRequested;
}

int DoInstall(const char*, int) {
    InstallOptions& o = installOptions;
    // From here a termination signal cancels the run instead of ending the program.
    ut_TerminationCatcher catcher;
    ut_TerminationCatcher::Reset();
    run = RunRecord();
    o.installFinished = false;
    ShowSummary();
    ExpandTargetDir();
    if (!PassesChecksBeforeWriting()) return kInstallFailed;

    bool targetCreated = false;
    if (!PrepareInstallDir(&targetCreated)) {
        AbandonInstall("Could not create ", o.targetDir);
        InstallLogClose("the installation directory could not be created");
        return kInstallFailed;
    }
    StartRecording(targetCreated);
    if (!CanWriteIn(o.installDir)) {
        AbandonInstall("Could not write to ", o.installDir);
        EndUndoRecord(RunOutcome::kFailed);
        RollBackUndoRecord();
        InstallLogClose("the installation directory could not be written");
        return kInstallFailed;
    }
    OpenLog();

    SelectDependedItems();
    GetTGZList();
    ExpandArchives();
    ForgetInstallTree(); // the add walks are over, also when cancelled

    if (!CancelRequested() && !TypeSelected(kTypeBlw)) MakeInstalledFilesReadOnly();
    if (!CancelRequested() && DocsSelected()) InstallOnlineHelp();

    // A cancel that came after the last step that looks for one still cut the run short:
    // the steps after it were skipped.
    if (CancelRequested()) o.cancelled = true;
    SettleRecord();
    int status = ReportOutcome();
    o.installFinished = true;
    if (theProgressView) theProgressView->ChangeCancelToDone();
    return status;
}

bool DoExpandTGZ(const char* archive) {
    // On its own, outside ExpandArchives: the archive is inflated by a pipeline of its own,
    // and the tree made writable first, as nothing is known of what it holds.
    std::unique_ptr<InflatePipeline> single;
    if (!expansion.pipeline) {
        single.reset(new InflatePipeline({archive}, RunInflateLimits()));
        std::string error;
        if (!single->Start(&error)) {
            DoDisplayError(error.c_str());
            return false;
        }
        if (!TypeSelected(kTypeBlw)) DoAddWritePermission(installOptions.installDir);
    }
    ArchiveProgress progress =
        expansion.pipeline ? expansion.progress : ArchiveProgress{1, 1, archive, 0, 0};
    ArchiveFeed feed(single ? single.get() : expansion.pipeline, progress, NoteArchiveMember);
    EnterInstallDir(); // gtar expands into the current directory
    char* command = ExtractStreamCommand();
    int status = DoCommand(command, &feed);
    gen_free(command);
    return status == 0 && !feed.Failed();
}

bool NoteArchiveMember(const TarMember& member) {
    AddWalkPlan* walks = expansion.walks;
    if (walks && walks->InTheWay(member)) {
        std::string note = "Making the installation directory writable again: an earlier "
                           "archive left " +
                           gen_printable_name(member.name) + " or a directory above it read-only.";
        InstallLogLine('N', note.c_str());
        DoAddWritePermission(installOptions.installDir);
        walks->Walked();
    }
    if (walks) walks->Note(member);
    return RecordArchiveMember(member);
}

int DoCommand(const char* command, CommandInput* input) {
    InstallOptions& o = installOptions;
    if (o.cancelled) return -1;
    if (CancelRequested()) {
        o.cancelled = true;
        return -1;
    }
    InstallLogCommand(command);
    int status = ExecAndDisplayCommand(command, input);
    InstallLogCommandEnded(status);
    return status;
}

void DoDisplayError(const char* text) {
    InstallLogLine('E', text);
    if (theProgressView)
        theProgressView->DisplayError(text);
    else
        Print(text);
}

namespace {
// Messages stop once a cancel was asked for: the first one to notice it takes it in.
bool MessagesStopped() {
    InstallOptions& o = installOptions;
    if (o.cancelled) return true;
    if (!CancelRequested()) return false;
    o.cancelled = true;
    return true;
}
} // namespace

void DoDisplayMessage(const char* text) {
    if (MessagesStopped()) return;
    InstallLogLine('M', text);
    if (theProgressView)
        theProgressView->DisplayMessage(text);
    else
        Print(text);
}

void DoDisplayInformation(const char* text) {
    InstallLogLine('I', text);
    if (theProgressView)
        theProgressView->DisplayInformation(text);
    else
        Print(text);
}

void DoDisplayArchive(const ArchiveProgress& progress) {
    if (MessagesStopped()) return;
    std::string line = "[" + std::to_string(progress.number) + "/" +
                       std::to_string(progress.count) + "] Expanding: " + progress.archive;
    InstallLogLine('M', line.c_str());
    if (theProgressView)
        theProgressView->DisplayArchive(progress);
    else
        Print((std::string("Expanding: ") + progress.archive).c_str());
}

bool InstallProgressView::AskRollback() {
    return !installOptions.keepPartial;
}

void InstallProgressView::DisplayArchive(const ArchiveProgress& progress) {
    DisplayMessage((std::string("Expanding: ") + progress.archive).c_str());
}
