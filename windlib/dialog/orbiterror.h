// How the toolkit tells the user about errors: OrbitError, the reporter every toolkit
// layer calls (the core reaches it through WReportError, windlib/wreport.h), and
// wAlert_domessage, a message hook for the runtime (gen_domessage) that shows messages as
// alerts instead of writing them to standard error. Start with OrbitError.
#pragma once

#include <cstdarg>

#include "shared/gen_messages.h"

// Run just before and just after each report when set, so a program can mute what would
// disturb the user while the alert is up.
extern void (*OrbitErrorMuteHook)();
extern void (*OrbitErrorUnmuteHook)();

// Records `level` as the last error (unless an error of a level other than 1 is recorded
// already), re-enables user input (the busy cursor goes) and, for a non-empty format,
// shows the formatted text in an alert without a parent; without a display it is printed.
// Returns 1 for level 0, else 0.
int OrbitError(int level, const char* format, ...) GEN_PRINTF(2, 3);
// OrbitError with the text already formatted.
int OrbitErrorText(int level, const char* text);
// The level of the last recorded error, or -1 when none is recorded.
int OrbitErrorLastLevel();
void OrbitErrorForget();

// A replacement for gen_domessage: the severity prefix, ": " and the message in an alert.
// Counts the message as the runtime does and returns its code (without the +100).
int wAlert_domessage(int code, const char* format, va_list args);
