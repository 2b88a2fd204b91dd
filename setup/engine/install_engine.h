// The install engine: what happens after the user presses Install. DoInstall is the whole
// run, step by step; start reading there (install_engine.cpp). The archive list is built in
// install_archives.cpp, the permission walks are in install_permissions.cpp and the child
// processes that expand the archives are run and watched in install_child.cpp.
#pragma once

#include <vector>

class Component;

// Where the engine shows its progress. The wizard's window implements it and points
// theProgressView at itself while it exists; with no view the engine only prints.
class InstallProgressView {
public:
    virtual ~InstallProgressView() = default;
    // Each appends one line in its own colour, scrolls to it and lets the window repaint.
    virtual void DisplayError(const char* text) = 0;
    virtual void DisplayMessage(const char* text) = 0;
    virtual void DisplayInformation(const char* text) = 0;
    // The Cancel button becomes an enabled "Finish".
    virtual void ChangeCancelToDone() = 0;
};

extern InstallProgressView* theProgressView;

// The whole installation into installOptions.targetDir; both arguments are ignored and the
// result is always 0. Runs once per process, inside the Install button's handler.
int DoInstall(const char* unused, int unusedFlags);

// Rebuilds installOptions.tgzList: every archive of the selection that can be opened, in
// the order of expansion, followed by one null entry.
void GetTGZList();
// Appends the archives of the selected items among the first `count` of `set`. `kind`
// names the set; the items' own names already carry it.
void AddToTGZList(const char* kind, Component** set, int count, std::vector<char*>& list);

// Expands one archive with gtar into installDir, the current directory.
void DoExpandTGZ(const char* archive);

// Adds owner and group write permission to every file and directory below `dir`. Repeated
// calls on the same tree look again only where the tree changed since the previous call.
void DoAddWritePermission(const char* dir);
// Removes all write permission from every file below `dir`; directories keep their modes.
void DoRemoveWritePermission(const char* dir);
// Takes in what changed in the tree of the add walks so far, so that a command changing
// very many files cannot overrun the record of its changes. Cheap; called while commands run.
void CollectInstallTreeChanges();
// Drops what the add walks know of their tree and gives back the system resources it holds.
void ForgetInstallTree();

// Runs one command with ExecAndDisplayCommand unless the installation is being cancelled.
void DoCommand(const char* command);
// Runs one command without a shell, in a process group of its own; shows its standard
// output as messages and its standard error as errors while it runs, keeps the window
// live, stops the group on a cancel and reaps it. Returns the command's wait status, or -1
// when it could not start or nobody could tell how it ended.
int ExecAndDisplayCommand(const char* command);

// One line in the progress view, also printed as "%s\n" on standard output. A message is
// dropped (and the cancel takes effect) once a cancel was requested.
void DoDisplayError(const char* text);
void DoDisplayMessage(const char* text);
void DoDisplayInformation(const char* text);
