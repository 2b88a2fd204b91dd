// How the toolkit core tells the user something: the error reporter and the alert box.
// Both live with the dialogs (windlib/dialog), which the core must not depend on, so the
// core calls them through these hooks. The dialog module installs OrbitError and wAlert
// here; until it does, texts are printed on standard error.
#pragma once

#include "shared/gen_messages.h"

// Shows `text` at `level`; returns 1 for level 0, else 0 (OrbitError's contract).
extern int (*WReportErrorHook)(int level, const char* text);
// Shows `text` in an alert box and returns when the user has answered.
extern void (*WReportAlertHook)(const char* text);

// Formats and hands the text to WReportErrorHook; returns its result.
int WReportError(int level, const char* format, ...) GEN_PRINTF(2, 3);
void WReportAlert(const char* text);
