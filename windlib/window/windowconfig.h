// The window geometry register: per configuration name, where a top-level window was and how
// large, so that it opens again where the user left it. Kept between runs in "windowpos.ini"
// in the user configuration directory. Windows register when they are created
// (WindowConfig_CreateWindow) and report when they go (WindowConfig_DestroyWindow); start
// reading there. The geometry the user asks for (-geometry) wins over what is remembered.
// The window operations it needs beyond xwindow.h are at the end.
#pragma once

#include <X11/Xlib.h>

// Reads "windowpos.ini" once (until WindowConfig_Exit); needs the display.
void WindowConfig_Init();
// Writes the file when a remembered geometry changed, then forgets every record.
void WindowConfig_Exit();

// Registers `window` under `name`. The first window of a name gets the remembered geometry,
// later ones are cascaded from the one opened before them. 1 when it gave the window a
// geometry, 0 when it left it alone (nothing known, or the option is off).
int WindowConfig_CreateWindow(const char* name, Window window, bool ignoreSize,
                              bool ignorePosition);
// Call before the window goes: the first window of a name leaves its geometry behind.
void WindowConfig_DestroyWindow(const char* name, Window window);

// What WindowConfig_UserGeometry found.
enum { kUserGeometryPosition = 1, kUserGeometrySize = 2 };
// The geometry the user gives every top-level window: -geometry, or the resource or the
// configuration option "geometry", "WIDTHxHEIGHT+X+Y" with any part left out. Fills in the
// values it gives (a negative offset counts from the right or bottom edge, for a window of
// the size in *width x *height) and returns which it gave; 0 for none. A text that is no
// geometry is reported once and gives nothing.
int WindowConfig_UserGeometry(int* x, int* y, int* width, int* height);

// The geometry of a name: the open first window's live one (unless storedOnly), else the
// remembered values; -1 for each value not known, all -1 for an unknown name.
void WindowConfig_GetGeometry(const char* name, int* x, int* y, int* width, int* height,
                              bool storedOnly);
// The window's size and the position of its outermost ancestor (its frame), brought onto the
// display modulo its size. False (all -1) when the window is gone.
bool WindowConfig_GetWindowGeometry(Window window, int* x, int* y, int* width, int* height);
// Places (the frame of) the window at x, y with an inner size of width x height and tells
// the window manager so through the size hints.
void WindowConfig_SetWindowGeometry(Window window, int x, int y, int width, int height);

// ---- Window operations the register builds on ------------------------------------------

int WDisplayWidth();
int WDisplayHeight();
// The outermost ancestor below the root (a window manager's frame), or the window itself
// when it has none or is gone.
Window WParentissimus(Window w);
// How far the frame reaches beyond the window on each side; all 0 without a frame.
void WWindowGetFrameSize(Window w, int* left, int* top, int* right, int* bottom);
// Moves and resizes in one request.
void WWindowConfigure(Window w, int x, int y, int width, int height);
// Sets the position and size the window manager should honour (keeping the minimum size).
void WWindowSetSizehints(Window w, int x, int y, int width, int height);
// Keeps a rectangle on the screen: cut to the display, moved left and up by what reaches
// past the right and bottom edges, no negative corner, width at least 1 (else 100) and
// height at least 1 (else 40).
void WAdjustWindow(int* x, int* y, int* width, int* height);
