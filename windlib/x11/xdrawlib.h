// The drawing layer: set-up and shutdown of everything drawn with (WDrawInit, WDrawExit),
// the cursors, the bell, flushing and syncing, and the few drawing primitives widgets
// paint with. Widgets draw only through these and the state manager (xstatemanager.h);
// every primitive draws into the window's mapped drawable with the window's properties.
#pragma once

#include <X11/Xlib.h>

extern Cursor arrow_cur, right_arrow_cur, text_cur, edge_cur, move_cur, no_cur, add_cur;
extern Cursor scrolld_cur, scrollm_cur, scrollu_cur, scrolll_cur, scrollr_cur;
extern Cursor updown_cur, leftright_cur, watch_cur, cross_cur, blank_cur, scroll_cur;
extern Pixmap iconp;         // the 64 x 24 icon bitmap
extern Pixmap stipples[4];   // indexed by WStipple; [0] unused
extern int tab_size;         // 8
extern int scroll_bar_width; // 19
extern int motion_threshold; // pixels a press must move before it counts as a drag
extern int extra_button_width;
extern long largest_request; // bytes
extern bool focus_elsewhere; // some other client had the focus at start-up
extern bool beep_enabled;

// Sets up the drawing layer once the display is open; a second call returns true at once.
// True when the built-in images loaded.
bool WDrawInit();
// Frees the drawing resources and closes the display.
void WDrawExit();
bool WDrawInitDone();

void WSoundBeep();
// Bells rung so far (the bell itself cannot be observed).
long WBeepCount();
void WFlush();
// Waits until the server has processed everything sent (only flushes with the flush-only
// switch on); nothing before start-up.
void WSync();

// ---- Primitives ---------------------------------------------------------------------

void WSetColor(Window w, unsigned long foreground, unsigned long background);
void WSetForeground(Window w, unsigned long foreground);
// Selects font entry `number` for the window's text.
void WSetFont(Window w, int number);
// Drawing in `w` is clipped to the rectangle until WResetClip.
void WSetClipRect(Window w, int x, int y, int width, int height);
void WResetClip(Window w);

void WDrawLine(Window w, int x1, int y1, int x2, int y2);
// The outline of a width x height rectangle (its last row and column included).
void WDrawRect(Window w, int x, int y, int width, int height);
void WFillRect(Window w, int x, int y, int width, int height);
// Fills with the window's background colour (the property, not the X background).
void WClearRect(Window w, int x, int y, int width, int height);
// Text with its baseline at y, in the window's font and foreground colour.
void WDrawString(Window w, int x, int y, const char* text, int length);
// A 3-D frame one pixel wide in the shades of `background`, the colour it sits on (see
// WBevelShades): light top-left and dark bottom-right when raised, the other way round
// when sunken. All four edges show on any background.
void WDrawBevel(Window w, int x, int y, int width, int height, bool raised,
                unsigned long background);
// Copies an area within the window; the part whose source lay outside the window is
// marked dirty.
void WCopyArea(Window w, int x, int y, int width, int height, int toX, int toY);
