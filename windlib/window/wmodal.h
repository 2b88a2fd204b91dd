// Dialog: the modal window. DoDialogue runs a nested copy of the window loop until the
// dialog ends (dlEnd from a button handler) or its window is destroyed; meanwhile input
// for other windows beeps and raises the dialog. The alerts and questions of the dialog
// module are built on this. Start with DoDialogue.
#pragma once

#include "windlib/window/wcolwind.h"

class Dialog;
// Checks the dialog's answer before it ends; 0 rejects it (the dialog stays, with a beep).
typedef int (*DialogVerifyFn)(Dialog* dialog, GItem* field);

class Dialog : public ColWind {
public:
    Dialog(int width, int height);

    DialogVerifyFn verify = nullptr; // the first text field's verify function
    GItem* verifyField = nullptr;
    Window focusBefore = 0; // the window that had the focus when the dialog began
};

// A hidden dialog; x, y of -1 centre it over `parent` (or the screen).
Dialog* dlCreate(int width, int height, Window parent, const char* title, CwCleanupFn cleanup,
                 CwEventFn event, int x, int y);
// Runs the dialog modally; its result, or 0 when it was destroyed (or a Panic ended it).
int DoDialogue(Dialog* dialog, Window parent);
// Ends the dialog with `result` (clears its live flag); DoDialogue returns after the
// current event.
void dlEnd(Dialog* dialog, int result);
// Destroys an ended dialog and gives the focus back to the window that had it.
void dlVanish(Dialog* dialog);
// Names the text field whose verify function checks a non-zero answer.
void dlSetVerify(Dialog* dialog, GItem* field, DialogVerifyFn verify);
// The innermost dialog that DoDialogue is running, or null.
Dialog* dlCurrentModal();
