// ColWind: a top-level window and the container of its items. It owns its X window, its
// widget table (the items by index, each with its activation mask), its layout data and
// its items, and handles every event of its X window in cwEventParse. Windows are named
// by counted handles (cwHandle) wherever a callback may outlive them. Dialog (wmodal.h)
// is the modal kind. Start with cwxCreatexy and cwEventParse.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "windlib/mhandle.h"
#include "windlib/window/gitem.h"

struct RuntimePlacerInfo;
class ColWind;

// Window-level event function; non-zero means it handled the event.
typedef int (*CwEventFn)(xinLibSt* event, ColWind* window);
// Called by cwDestroy; 0 refuses the destruction.
typedef int (*CwCleanupFn)(ColWind* window);
// Sees every event first; non-zero swallows it.
typedef int (*CwFilterFn)(xinLibSt* event, ColWind* window, void* arg);
typedef void (*CwResizeHook)(ColWind* window, int width, int height);
typedef void (*CwReconfigureHook)(ColWind* window);

// The handle kind of windows (mHandle).
enum { kMHandleWindow = 1 };

enum ColWindFlags {
    kCwLive = 1,
    kCwDestroying = 2,
    kCwBordered = 4,         // a 4-pixel frame the toolkit draws on each side
    kCwPlacementPending = 8, // the first redraw still has to lay the window out
    kCwHasMessageLine = 16,  // cwSetMsg text is drawn along the bottom edge
    kCwUserSize = 32,        // the user gave its size (-geometry): the layout keeps it
    kCwScaled = 64           // its created size has been taken to the display's scale
};

enum { kCwBorder = 4 };

// One entry of the widget table: the item and the activation levels it belongs to.
struct CwWidget {
    GItem* item;
    unsigned long mask;
};

class ColWind : public GItem {
public:
    ColWind(unsigned kind, int width, int height);
    ~ColWind() override;

    Window getW() const override { return window; }
    int FontNumber() const override;
    // An item left the window (destroyed): it loses focus and its table entry.
    void itemGone(GItem* item);

    Window window = 0;
    Window owner = 0;
    char* iconName = nullptr;
    char* title = nullptr;
    CwEventFn eventFn = nullptr;
    CwCleanupFn cleanupFn = nullptr;
    CwFilterFn filter = nullptr;
    void* filterArg = nullptr;
    CwResizeHook resizeHook = nullptr;
    CwReconfigureHook reconfigureHook = nullptr;
    RuntimePlacerInfo* placer = nullptr;
    std::vector<CwWidget> widgets; // index 0 stands for the window itself
    unsigned long activationLevel = 0xFFFFFFFFul;
    unsigned long previousLevel = 0xFFFFFFFFul;
    int sequence = 0;
    int result = 0; // a Dialog's answer
    unsigned flags = 0;
    int fontNumber = -1; // the window's current font (-1: the active one)
    int placedWidth = 0; // the size the layout was last done for
    int placedHeight = 0;
    GItem* focus = nullptr;
    GItem* initialFocus = nullptr;
    GItem* pressed = nullptr; // receives the mouse until the button is released
    GItem* hovered = nullptr; // the item under the pointer, told when it enters and leaves
    int focusStep = 0;        // while Tab moves the focus: 1 forward, -1 backward
    char* message = nullptr;
    // An item that shows the window's message (a status box) instead of a line along the
    // bottom edge; null for none.
    GItem* messageItem = nullptr;
    void* user = nullptr; // the program's object behind the window
};

// Creates a hidden, live window with an inner size of width x height. x, y of -1 let the
// toolkit choose; a non-zero owner makes it transient for that X window. Returns null
// when the display is not up.
ColWind* cwxCreatexy(int width, int height, Window owner, const char* title, const char* iconName,
                     CwCleanupFn cleanup, CwEventFn event, int x, int y, const char* iconImage);
// Gives a new window object (a ColWind or a kind derived from it) its X window, names,
// functions and place in the application's list; false when the display is not up.
bool cwSetUp(ColWind* window, Window owner, const char* title, const char* iconName,
             CwCleanupFn cleanup, CwEventFn event, int x, int y, const char* iconImage);
// The same with the icon "ORBITPIC", then shown and synchronised.
ColWind* cwCreatexy(int width, int height, Window owner, const char* title, const char* iconName,
                    CwCleanupFn cleanup, CwEventFn event, int x, int y);
// The same, placed to the right of `beside` before it is shown.
ColWind* cwCreatexyNextToCw(int width, int height, Window owner, const char* title,
                            const char* iconName, CwCleanupFn cleanup, CwEventFn event,
                            ColWind* beside);

// 1 when the window is gone; 0 when its cleanup function refused, or when it is null or
// already being destroyed.
int cwDestroy(ColWind* window);
// The finishing step a cleanup function may end with; returns 1 (destruction goes on).
int any_cleanup(ColWind* window);

// Shows the text in the window's message line (flag non-zero: also beep); null or ""
// clears it. Without a message line (kCwHasMessageLine or a messageItem) the text is kept
// and nothing shows it.
void cwSetMsg(ColWind* window, const char* text, int flag);
// The height of the message line along the bottom edge.
int cwMessageLineHeight();
// The window's message, or "" when there is none.
const char* cwGetMsg(const ColWind* window);
void SetErrorWindow(ColWind* window);
ColWind* GetErrorWindow();
// Calls fn for every live window, most recent first, until it returns false.
void cwCallProcOnAll(bool (*fn)(ColWind* window, void* a, void* b), void* a, void* b);

// The handler of every window's events (see the window layer's dispatch).
int cwEventParse(xinLibSt* event, ColWind* window);

// The live window owning the X window, or null.
ColWind* cwFromXWindow(Window w);
// A new reference to the window's handle (MHandleDestroy when done); it resolves to null
// once the window is destroyed.
mHandle* cwHandle(ColWind* window);
ColWind* cwFromHandle(const mHandle* handle);

// Stores the item in the widget table under `index` with its activation mask.
void cwSetWidget(ColWind* window, int index, GItem* item, unsigned long mask);
GItem* cwGetWidget(ColWind* window, int index);
// Gives the keyboard focus to the item (null: none); the old one is told it lost it.
void cwSetFocus(ColWind* window, GItem* item);
// Moves the focus to the next (or previous) mapped tab stop.
void cwFocusNext(ColWind* window, bool backwards);
// The same for Tab (Shift+Tab): the item that gets the focus learns which way it came
// (focusStep), so a button set starts at its first (last) button.
void cwTabFocus(ColWind* window, bool backwards);
// Repaints the whole window.
void cwRedraw(ColWind* window);
// The window's geometry on the screen; false when it is gone.
bool cwGetGeometry(ColWind* window, int* x, int* y, int* width, int* height);

// The window's item under the point (mapped, active list first), or null.
GItem* cwItemAt(ColWind* window, int x, int y);

// Delivers a redraw of the rectangle to the window owning `w` (the dirty tracker's hook).
void cwDeliverRedraw(Window w, int x, int y, int width, int height);
// Installs the window layer's hooks into the drawing layer and the configuration.
void WDrawPostInit();
