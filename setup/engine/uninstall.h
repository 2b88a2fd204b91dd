// Taking installations back out of a directory, from their manifests (install_manifest.h):
// RollBackRun undoes one run that failed or was cancelled, as if it had never happened;
// Uninstall removes every run recorded in a directory, newest first, but keeps what the
// user changed since. Both reach every path without following symbolic links, so that a
// link planted in the tree cannot lead them outside it. Start at RollBackRun.
#pragma once

#include <string>
#include <vector>

struct UndoProblem {
    std::string path; // relative to the installation directory (or a manifest's path)
    std::string reason;
};

struct RollbackResult {
    long removed = 0;  // paths the run created, gone again
    long restored = 0; // files the run replaced, back with their contents, mode and time
    long left = 0;     // directories the run created that now hold other files, left alone
    std::vector<UndoProblem> failed;
};

// Removes every path the run recorded in `manifestPath` (<target>/.setup/manifest-NNNN.txt)
// created (files and links first, then directories deepest first, those only when empty)
// and puts back every file it replaced from the copy kept aside, then the modes and times
// of the existing paths it changed. Works on the manifest of a run that crashed as well
// (without an end line). Afterwards the manifest and the kept files are gone; what could
// not be undone stays recorded in the manifest, with its kept files.
RollbackResult RollBackRun(const std::string& manifestPath);
// What the final report says about a rollback, one or more lines.
std::string RollbackSummary(const RollbackResult& result);

struct UninstallResult {
    std::string target;
    bool nothingToDo = false;         // no manifest was found
    std::vector<std::string> removed; // files, links and directories, relative to target
    long removedDirectories = 0;      // how many of `removed` are directories
    std::vector<std::string> kept;    // changed since they were installed: left in place
    std::vector<UndoProblem> failed;

    // 0 when every recorded file is gone or was kept on purpose, 1 on any failure.
    int ExitStatus() const { return failed.empty() ? 0 : 1; }
};

// Undoes every run recorded in target/.setup, newest first: a file whose size, mode and
// time are still what the run left is removed, a changed one is kept; directories the runs
// made go when empty; a run that never ended is rolled back. Then the manifests, the kept
// files and the log go, .setup itself when nothing else is in it, and the target too when
// the first run made it and it is empty. What failed stays recorded for another attempt.
UninstallResult Uninstall(const std::string& target);
// The summary the command line prints and the wizard shows.
std::string UninstallSummary(const UninstallResult& result);
