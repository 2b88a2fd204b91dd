// Cut, copy and paste through the X selections for the text widgets. The selections are
// owned and requested over a second connection to the display of its own: the main
// connection's events all go to the windows, and a selection owner must see the requests
// of other programs. That connection is served from the idle notifier between events.
// Start with WSelectionOwn and WSelectionFetch.
#pragma once

enum WSelectionWhich {
    kSelectionPrimary = 1,   // what was last selected (middle-button paste)
    kSelectionClipboard = 2, // what was last cut or copied
    kSelectionBoth = 3
};

// Makes this program the owner of the selection(s) with a copy of `length` bytes of
// `text` (-1: up to its end). False when there is no display.
bool WSelectionOwn(int which, const char* text, int length);
// The selection's text as a new string (gen_free), or null when nobody owns it, the owner
// does not answer within a second, or there is no display. kSelectionBoth asks the
// clipboard first and the primary selection when the clipboard has no owner.
char* WSelectionFetch(int which);
// True while this program owns the selection.
bool WSelectionOwned(int which);
// Closes the second connection (the toolkit's display is going).
void WSelectionShutdown();
