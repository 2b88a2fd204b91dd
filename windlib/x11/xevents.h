// X events into the toolkit's event record (xinLibSt, xinlib.h): key symbols into key
// codes, the modifier state into the toolkit's bits, queued motion, configure and typing
// collapsed into one record each. Exposures go to the dirty tracker instead, and selection
// events to the selection service (xselection.h) before they become records. Start with
// WTranslateEvent.
#pragma once

#include <X11/Xlib.h>

#include "windlib/x11/xinlib.h"

enum { kKeyTextSize = 256 };

// Fills `record` from the event (taking further queued events it merges). `text` receives
// the typed bytes of a key record (kKeyTextSize + 1 bytes). False when the event makes no
// record: exposures, held Alt/Meta presses, grab-caused crossings, mapping changes.
bool WTranslateEvent(XEvent* event, xinLibSt* record, char* text);

// The toolkit key code of a key symbol; 0 for symbols the toolkit drops.
int WKeyCodeOf(KeySym symbol);
// The toolkit modifier bits of an X state mask (Alt and Meta from the server's modifier
// mapping; NumLock and CapsLock left out).
long WModifierBits(unsigned int state);
// Re-reads the server's modifier mapping (after MappingNotify, and at start-up).
void WRefreshModifierMapping();

// True for Escape, or Control+c with the switch CntlCUnixBreak on.
bool WIsAbortKey(const XEvent* event);
