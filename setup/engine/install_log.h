// The log of every installation, with the window or without: <installation directory>/
// .setup/install.log. Each run appends one entry and writes it line by line as the run
// goes, straight to the file, so that a run that dies leaves what it did so far. Lines
// given before the log can be opened (the summary, notes made while the answers were
// checked) are kept and written first. Start with InstallLogOpen; the engine's display
// functions feed InstallLogLine.
#pragma once

#include <string>

// The program's command line, given by main once; every entry repeats it.
void InstallLogSetCommandLine(int argc, char** argv);

// Creates the installer's folder in `installDir` and opens the log for appending; writes
// the entry's head (date, program version, command line, the answers in answer-file form)
// and then the lines kept so far. False when it cannot be written: the run goes on
// without a log and the lines are dropped.
bool InstallLogOpen(const char* installDir);

// One line of the run, kept until the log is open. `kind` is 'E' (error), 'M' (message),
// 'I' (information) or 'N' (a note of the installer's own).
void InstallLogLine(char kind, const char* text);
// A command about to run, and how it ended (a wait status, -1 when unknown).
void InstallLogCommand(const char* command);
void InstallLogCommandEnded(int waitStatus);

// Writes the outcome and the closing line, and closes the log. What was kept is dropped
// too, so the next run starts a new entry.
void InstallLogClose(const char* outcome);

// The path of the log of the current (or last) run; empty when it could not be opened.
const std::string& InstallLogPath();
