// The installer's entry services: the help text, reporting an error (and stopping),
// asking to confirm a cancel, and the window loop. main itself is in setup_main.cpp.
#pragma once

extern const char kSetupHelpText[];
// The program's own version ("1.0.0"), written into every installation log.
extern const char kSetupVersion[];

// Writes the help text to standard error and exits with status 1.
[[noreturn]] void SetupDisplayHelp();
// The message on standard error (command-line mode) or in an alert, then the help text.
[[noreturn]] void SetupReportErrorAndExit(const char* message);
// The same choice of channel, and the caller goes on.
void SetupReportErrorNoExit(const char* message);
// Asks "Do you really want to cancel this installation?"; on yes sets cancelRequested.
bool VerifyCancelInstall();
// Dispatches events, serves timers and children and sleeps until no window is left.
void DoWindowLoop();
