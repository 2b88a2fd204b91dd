// The X selections (CLIPBOARD and PRIMARY) for the whole toolkit, on the main display
// connection: a widget hands over a copy of its text with WSelectionOwn and takes another
// program's text with WSelectionFetch; the event layer gives every selection event to
// WSelectionHandleEvent, which answers the requests for what we own. Text inside the
// toolkit is Latin-1; other programs get and give UTF-8 as well.
#pragma once

#include <X11/Xlib.h>

enum WSelectionWhich {
    kSelectionPrimary = 1,   // what was last selected (middle-button paste)
    kSelectionClipboard = 2, // what was last cut or copied
    kSelectionBoth = 3
};

// Makes this program the owner of the selection(s) in `which` (the clipboard first) with a
// copy of `length` bytes of `text` (-1: up to its end). The owner window is `owner`, or a
// hidden window of the toolkit when 0; `time` is the server time of the event that asked
// for it (0: that of the input event being handled, if any). True when the server made us
// the owner of every selection asked for; false without a display.
bool WSelectionOwn(int which, const char* text, int length, Window owner = 0,
                   unsigned long time = 0);
// The selection's text as a new string (gen_free), or null when nobody owns it, the owner
// refuses or does not answer within about a second, or there is no display. Our own
// selections are answered from memory. kSelectionBoth asks the clipboard first and the
// primary selection when the clipboard has no owner.
char* WSelectionFetch(int which);
// True while this program owns one of the selections in `which`.
bool WSelectionOwned(int which);

// ---- For the event layer ------------------------------------------------------------

// Answers a SelectionRequest for a selection we own (anything else is refused) and forgets
// a selection on SelectionClear; other events are left alone. Returns the record's
// selection number: 0 PRIMARY, 1 SECONDARY, 2 CLIPBOARD, -1 any other.
int WSelectionHandleEvent(XEvent* event);
// Remembers the server time of an input event, for ownership taken while it is handled.
void WSelectionNoteEventTime(const XEvent* event);
// Forgets what we own and the hidden window (the display is closing).
void WSelectionShutdown();
