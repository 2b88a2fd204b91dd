// Pop-up windows for the widgets here (the drop list of a pull-down): a top-level window
// the window manager leaves alone, and the pointer grab that lets it see a click anywhere
// on the screen, so a click outside closes it. The drawing layer has no such windows; the
// few X calls they need are kept here.
#pragma once

#include <X11/Xlib.h>

// Tells the window manager to leave the window undecorated where it is put; call before
// showing it.
void WPopupPrepare(Window w);
// Sends every pointer event to `w` until WPopupUngrab; false when the server refused.
bool WPopupGrab(Window w);
void WPopupUngrab();
