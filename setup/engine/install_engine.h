// The install engine: what happens after the user presses Install, or what the unattended
// run does. DoInstall is the whole run, step by step; start reading there
// (install_engine.cpp). The archive list is built in install_archives.cpp, the permission
// walks are in install_permissions.cpp (add_walk_plan.h says when one is due), the child
// processes that expand the archives are run and watched in install_child.cpp and fed
// their streams by archive_feed.h; install_log.h keeps the run's log, install_undo.h its
// undo record, and install_console.h is the unattended run's terminal.
#pragma once

#include <vector>

#include "setup/engine/install_manifest.h"

class CommandInput;
class Component;

// Where an archive stands in the run: number `number` of `count` (from 1), with
// `bytesDone` of `bytesTotal` bytes of compressed input expanded before it.
struct ArchiveProgress {
    int number;
    int count;
    const char* archive;
    long long bytesDone;
    long long bytesTotal;
};

// Where the engine shows its progress: the wizard's window, or the unattended run's
// terminal (install_console.h). The engine points theProgressView at one while it runs;
// with none it prints every line as "%s\n" on standard output.
class InstallProgressView {
public:
    virtual ~InstallProgressView() = default;
    // Each shows one line in its own colour (or on its own stream) and lets the window
    // repaint.
    virtual void DisplayError(const char* text) = 0;
    virtual void DisplayMessage(const char* text) = 0;
    virtual void DisplayInformation(const char* text) = 0;
    // The Cancel button becomes an enabled "Finish".
    virtual void ChangeCancelToDone() = 0;
    // An archive is about to be expanded: by default the message "Expanding: <archive>".
    virtual void DisplayArchive(const ArchiveProgress& progress);
    // Between polls while an archive expands: how far it has come (its bytesDone counts the
    // compressed input taken so far).
    virtual void ArchiveAdvanced(const ArchiveProgress& /*progress*/) {}
    // The archive of that number could not be expanded: its line is marked as failed.
    virtual void MarkArchiveFailed(int /*number*/) {}
    // The last archive is done.
    virtual void ArchivesFinished() {}
    // Called between polls while a command runs: time to redraw what shows elapsed time.
    virtual void Tick() {}
    // The run was refused before anything was written (the reason is also shown as an
    // error line): the wizard makes the user acknowledge it.
    virtual void Alert(const char* /*text*/) {}
    // The user stopped the run: may what it has written be removed? A view that cannot ask
    // answers what the options say (yes, unless -keep_partial).
    virtual bool AskRollback();
};

extern InstallProgressView* theProgressView;

// What DoInstall returns: 0 when every archive expanded with status 0, the online help
// (when chosen) installed and the read-only pass finished; 1 when anything failed or the
// user cancelled; 128 + the signal's number when a termination signal stopped the run.
enum { kInstallSucceeded = 0, kInstallFailed = 1 };

// The whole installation into installOptions.targetDir; both arguments are ignored. Runs
// inside the Install button's handler, or for the unattended run directly. SIGINT, SIGTERM
// and SIGHUP while it runs cancel it the way the Cancel button does.
int DoInstall(const char* unused, int unusedFlags);

// True once the run should stop: the user confirmed a cancel, a fatal error ended the run,
// or a termination signal arrived (which this turns into a cancel request).
bool CancelRequested();

// The refusal of the space check for what the current selection (with the items it depends
// on) would install into targetDir, or "" when there is room. Changes no selection.
std::string SpaceProblemForSelection();

// Rebuilds installOptions.tgzList: every archive of the selection that can be opened, in
// the order of expansion, followed by one null entry.
void GetTGZList();
// Appends the archives of the selected items among the first `count` of `set`. `kind`
// names the set; the items' own names already carry it.
void AddToTGZList(const char* kind, Component** set, int count, std::vector<char*>& list);

// Expands one archive into installDir, the current directory: gtar reads the archive's tar
// stream on its standard input, from the run's inflate pipeline, where the archive is the
// current one (outside a run it is inflated on its own). True when the whole stream went
// to gtar and gtar ended with status 0. Shows nothing itself but a broken stream's
// message: the caller announces the archive.
bool DoExpandTGZ(const char* archive);
// Told of every member of the archive being expanded before gtar sees the member's header:
// the tree is made writable where the member needs it, and the undo record learns what
// the member will create or replace. False stops the archive there (the reason has been
// shown).
bool NoteArchiveMember(const TarMember& member);
// New text: the gtar command that expands a tar stream read from its standard input into
// the current directory ("-xf -" for the copy of gtar in utilDir, "Uxf -" for any other).
char* ExtractStreamCommand();

// Adds owner and group write permission to every file and directory below `dir`. Repeated
// calls on the same tree look again only where the tree changed since the previous call.
void DoAddWritePermission(const char* dir);
// Removes all write permission from every file below `dir`; directories keep their modes,
// and the installer's own folder (kSetupFolder) is left writable. False when some
// directory could not be read (each is reported).
bool DoRemoveWritePermission(const char* dir);
// Takes in what changed in the tree of the add walks so far, so that a command changing
// very many files cannot overrun the record of its changes. Cheap; called while commands run.
void CollectInstallTreeChanges();
// Drops what the add walks know of their tree and gives back the system resources it holds.
void ForgetInstallTree();

// Runs one command with ExecAndDisplayCommand unless the installation is being cancelled,
// and logs it with how it ended. Returns its wait status; -1 when it did not run.
int DoCommand(const char* command, CommandInput* input = nullptr);
// Runs one command without a shell, in a process group of its own; feeds its standard
// input from `input` (archive_feed.h; without one, the command reads end of input), shows
// its standard output as messages and its standard error as errors while it runs, keeps
// the window live, stops the group (and the input) on a cancel and reaps it. Returns the
// command's wait status, or -1 when it could not start or nobody could tell how it ended.
int ExecAndDisplayCommand(const char* command, CommandInput* input = nullptr);

// One line in the progress view, also printed as "%s\n" on standard output. A message is
// dropped (and the cancel takes effect) once a cancel was requested.
void DoDisplayError(const char* text);
void DoDisplayMessage(const char* text);
void DoDisplayInformation(const char* text);
// The announcement of one archive, a message (dropped once a cancel was requested).
void DoDisplayArchive(const ArchiveProgress& progress);
