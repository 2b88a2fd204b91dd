// Offering copied text to other X clients: the text becomes the CLIPBOARD and then the
// PRIMARY selection of a window, and the requests other clients send for it are answered
// (TARGETS, UTF8_STRING, STRING, TEXT) from the idle pass of the window loop. Start with
// WSelectionOffer; the .cpp explains how requests are picked up.
#pragma once

#include <X11/Xlib.h>

// Makes a copy of `text` the CLIPBOARD and then the PRIMARY selection, owned by `owner`
// from server time `time` (CurrentTime when 0). False when the display is not up or the
// server did not make `owner` the owner of both.
bool WSelectionOffer(Window owner, const char* text, unsigned long time);
// The text offered under the selection named by `atom` while this process owns it, else
// null.
const char* WSelectionOffered(Atom selection);
// Answers the selection requests that have arrived (the idle pass calls it as well).
void WSelectionServe();
