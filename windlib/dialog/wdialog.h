// The general button dialogue: lines of text over a row of buttons, run modally until one
// is pressed. The alerts and questions (wyesno.h) are built on it. Also the rules every
// dialog of this folder obeys before it shows anything: the batch switches answer with the
// default, no display answers without a window, and NeverEverShowADialog ends the program.
// Start with wButtonDialogue.
#pragma once

#include <X11/Xlib.h>

#include "windlib/x11/xinlib.h"

class Button;
class Dialog;

// The labels of the standard answers.
extern const char* button_ok_str;     // "OK"
extern const char* button_yes_str;    // "Yes"
extern const char* button_no_str;     // "No"
extern const char* button_cancel_str; // "Cancel"

// The nameless switch that makes every dialog answer with its default (set it with -X13).
enum { kSwitchBatchDialogs = 13 };

// True when dialogs answer with their default and show nothing: the batch switch or
// dashRunFixes is on.
bool DialogBatchMode();
// True when there is no display to show a dialog on.
bool DialogNoDisplay();
// With NeverEverShowADialog on, writes "FATAL: <text>" to standard error and ends the
// program with status 100; otherwise returns.
void DialogRefuseIfForbidden(const char* text);
// The alert title: the about box's program line without leading and trailing blanks.
// A new string.
char* DialogProgramTitle();

// Shows `lines` (null-terminated) above one button per label (null-terminated) and
// returns the index of the button pressed; `defaultIndex` is the button Return presses
// and the answer in batch mode. Without a display the answer is 0, and 0 as well when the
// dialog is destroyed from outside. `unused` is not read. A null title shows the
// program's name.
int wButtonDialogue(const char* const* lines, const char* const* labels, int defaultIndex,
                    int unused, Window parent, const char* title);

// ---- Shared by the dialogs of this folder ------------------------------------------------

// The longest prefix of `line` (bytes) whose width in the dialogs' text font fits in
// `maxWidth` pixels.
int DialogFitLength(const char* line, int maxWidth);
// Lines joined with line feeds, each cut to the display width less 6 "n" widths. New string.
char* DialogJoinLines(const char* const* lines);
// The text split at line feeds into at most `maxLines` lines (all when negative); an empty
// last line (the text ended with a line feed) is dropped. A new null-terminated array of
// new strings; free it with DialogFreeLines.
char** DialogSplitLines(const char* text, int maxLines);
void DialogFreeLines(char** lines);
// Moves the dialog so that it is centred over `parent` (the screen when 0) at its present
// size, kept on the screen.
void DialogCentre(Dialog* dialog, Window parent);
// Gives the dialog its keys: Escape ends the dialog with `escapeIndex` (no effect when
// negative). Return and space press the focused button, which the dialog's button set
// starts on its default (bsSetInitialFocus); before any item has the focus Return presses
// the default button.
void DialogRouteKeys(Dialog* dialog, int escapeIndex);
// The callback of a dialog's answer buttons: ends the dialog with the button's index in
// its set.
void DialogButtonPressed(Button* button, xinLibSt* event);
