// The engine's side of the undo records (install_manifest.h): the one recorder of the
// running installation, the notes that the expansion and the permission walks hand it,
// and what becomes of the record when the run ends (kept, or rolled back). DoInstall
// calls these at its named steps; start at StartUndoRecord.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>

#include "setup/engine/install_manifest.h"
#include "setup/engine/uninstall.h"

// Whether runs keep an undo record; they do unless told otherwise (the benchmark measures
// the engine without one).
void SetUndoRecordKept(bool kept);

// Starts recording the run into installDir/.setup before anything else is written there
// (the write test included). `targetCreated`: the run made installDir. False with *error
// when no record can be kept; the run then goes on without one and cannot be undone. True
// without recording when records are not kept.
bool StartUndoRecord(const char* installDir, bool targetCreated, std::string* error);
// True while a run is being recorded.
bool RecordingUndo();

// An archive is about to be expanded, and has been. EndArchiveRecord writes what the
// archive added, so that a crash loses at most the archive in progress.
void BeginArchiveRecord(const char* archive);
void EndArchiveRecord();
// A member of the archive being expanded is about to be written: the record learns what it
// will create or replace (an old file is kept aside first). False when the member must not
// be extracted; the reason has been shown.
bool RecordArchiveMember(const TarMember& member);
// Learns the members of `archive` from the archive itself and records each of them before
// a command that unpacks it is started; with `below`, as unpacked into that directory of
// the installation (as helpInstall unpacks a manual). False when one may not be extracted:
// the reason has been shown, and the archive must not be unpacked.
bool RecordArchiveMembers(const char* archive, const char* below = nullptr);

// Whether the permission walks need to report the modes they change: only while a run
// that went into a directory holding files is recorded.
bool UndoWantsModeChanges();
// A permission walk changes the mode of `relative` (below the installation directory),
// which had mode `before`. Paths this run made and the installer's own folder are ignored.
void NoteInstalledModeChange(const std::string& relative, mode_t before);

// The read-only pass leaves the file `relative` as `status` says, with permission bits
// `mode`: the record takes its state after the run from there.
void NoteInstalledFinalState(const std::string& relative, const struct stat& status, mode_t mode);

// Ends the record as `outcome`; kept files of a failed or cancelled run stay for
// RollBackUndoRecord or KeepPartialInstallation.
void EndUndoRecord(RunOutcome outcome);
// Takes back everything the ended run wrote (see RollBackRun).
RollbackResult RollBackUndoRecord();
// The user keeps what a stopped run wrote: its kept-aside old files are let go.
void KeepPartialInstallation();

// Runs `check` (the rules, whose write test makes and removes a scratch file in the
// installation directory) and gives the directory back the time it had before, so that a
// later rollback, which can restore only what its record saw, leaves it as it was.
void KeepingTargetTime(const char* targetDir, const std::function<void()>& check);
