// Dispatch: one X event to the window that owns it, as the toolkit's event record, inside
// an error-recovery point so a failing handler ends only its own dispatch. While a modal
// dialog runs, input meant for other windows beeps and raises the dialog instead.
#pragma once

#include <X11/Xlib.h>

// Returns 1 (0 is reserved for a handler that asks the loop to stop).
int WDispatchEvent(XEvent* event);
