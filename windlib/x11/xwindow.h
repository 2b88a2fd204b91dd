// Top-level X windows as the window layer needs them: creation with every property a
// window manager (or xdotool, when there is none) reads, showing, moving, sizing, the
// input focus and whether a window is viewable. Widgets never call these; ColWind does.
#pragma once

#include <X11/Xlib.h>

extern Atom wm_protocols_atom;
extern Atom wm_delete_window_atom;
extern Atom wm_take_focus_atom;

// The class new windows get (WM_CLASS), and the command that started the program.
void WWindowSetClassName(const char* className, const char* argv0);
// Interns the atoms above; called by WDrawInit.
void WWindowInitAtoms();

// Creates a hidden top-level window of the given inner size. x or y of -1 lets the toolkit
// choose (centred over `owner`, or on the screen). A non-zero owner makes it transient.
Window WWindowCreate(int x, int y, int width, int height, Window owner, const char* title,
                     const char* iconName);
// Maps the window (and raises it).
void WWindowShow(Window w);
void WWindowHide(Window w);
void WWindowDestroy(Window w);
void WWindowRaise(Window w);
void WWindowMove(Window w, int x, int y);
void WWindowResize(Window w, int width, int height);
// The minimum size a window manager should allow.
void WWindowSetMinSize(Window w, int width, int height);
void WWindowSetTitle(Window w, const char* title);
// Position on the screen and size; false when the window is gone.
bool WWindowGetGeometry(Window w, int* x, int* y, int* width, int* height);
// Gives the keyboard focus to the window (when it is viewable).
void WWindowTakeFocus(Window w);

// Viewable state as the event stream reports it (MapNotify / UnmapNotify).
void WWindowNoteMapped(Window w, bool mapped);
bool WWindowIsViewable(Window w);
void WWindowForget(Window w);
