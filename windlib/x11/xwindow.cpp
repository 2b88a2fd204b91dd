// Top-level windows (see xwindow.h). Without a window manager nobody places, names or
// focuses a window for us, so everything it would read is set here and the focus is taken
// explicitly once the window is viewable.
#include "windlib/x11/xwindow.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstring>
#include <set>
#include <string>

#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xfonts.h"

Atom wm_protocols_atom = None;
Atom wm_delete_window_atom = None;
Atom wm_take_focus_atom = None;

namespace {

std::string windowClass = "Toolkit";
std::string command;
std::set<Window> viewable;

const long kEventMask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                        ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask |
                        StructureNotifyMask | FocusChangeMask | PropertyChangeMask;

void ChoosePosition(Window owner, int width, int height, int* x, int* y) {
    int ox = 0, oy = 0, ow = screen_width, oh = screen_height;
    if (owner) WWindowGetGeometry(owner, &ox, &oy, &ow, &oh);
    if (*x == -1) *x = ox + (ow - width) / 2;
    if (*y == -1) *y = oy + (oh - height) / 2;
    if (*x + width > screen_width) *x = screen_width - width;
    if (*y + height > screen_height) *y = screen_height - height;
    if (*x < 0) *x = 0;
    if (*y < 0) *y = 0;
}

void SetNames(Window w, const char* title, const char* iconName) {
    XTextProperty text;
    char* name = const_cast<char*>(title ? title : "");
    if (XStringListToTextProperty(&name, 1, &text)) {
        XSetWMName(display, w, &text);
        XFree(text.value);
    }
    char* icon = const_cast<char*>(iconName ? iconName : name);
    if (XStringListToTextProperty(&icon, 1, &text)) {
        XSetWMIconName(display, w, &text);
        XFree(text.value);
    }
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, w, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                    PropModeReplace, reinterpret_cast<unsigned char*>(name), (int)strlen(name));
}

} // namespace

void WWindowSetClassName(const char* className, const char* argv0) {
    windowClass = className ? className : "";
    command = argv0 ? argv0 : "";
}

void WWindowInitAtoms() {
    wm_protocols_atom = XInternAtom(display, "WM_PROTOCOLS", False);
    wm_delete_window_atom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    wm_take_focus_atom = XInternAtom(display, "WM_TAKE_FOCUS", False);
}

Window WWindowCreate(int x, int y, int width, int height, Window owner, const char* title,
                     const char* iconName) {
    if (!display) return 0;
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    bool chosen = x == -1 || y == -1;
    ChoosePosition(owner, width, height, &x, &y);
    XSetWindowAttributes a;
    a.background_pixel = bg_pixel;
    a.border_pixel = black_pixel;
    a.event_mask = kEventMask;
    a.bit_gravity = NorthWestGravity;
    Window w = XCreateWindow(display, RootWindow(display, screen), x, y, (unsigned)width,
                             (unsigned)height, 0, CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixel | CWBorderPixel | CWEventMask | CWBitGravity, &a);
    SetNames(w, title, iconName);
    XClassHint classHint;
    std::string resName = WProgramName();
    classHint.res_name = const_cast<char*>(resName.c_str());
    classHint.res_class = const_cast<char*>(windowClass.c_str());
    XSetClassHint(display, w, &classHint);
    Atom protocols[] = {wm_delete_window_atom};
    XSetWMProtocols(display, w, protocols, 1);
    XWMHints hints;
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(display, w, &hints);
    XSizeHints size;
    size.flags = (chosen ? PPosition : USPosition) | PSize;
    size.x = x;
    size.y = y;
    size.width = width;
    size.height = height;
    XSetWMNormalHints(display, w, &size);
    if (owner) XSetTransientForHint(display, w, owner);
    return w;
}

void WWindowShow(Window w) {
    if (display && w) XMapRaised(display, w);
}

void WWindowHide(Window w) {
    if (display && w) XUnmapWindow(display, w);
}

void WWindowDestroy(Window w) {
    if (!w) return;
    WWindowForget(w);
    WFontsForgetWindow(w); // text drawing holds server objects tied to the window
    if (display) XDestroyWindow(display, w);
}

void WWindowRaise(Window w) {
    if (display && w) XRaiseWindow(display, w);
}

void WWindowMove(Window w, int x, int y) {
    if (display && w) XMoveWindow(display, w, x, y);
}

void WWindowResize(Window w, int width, int height) {
    if (display && w && width > 0 && height > 0)
        XResizeWindow(display, w, (unsigned)width, (unsigned)height);
}

void WWindowSetMinSize(Window w, int width, int height) {
    if (!display || !w) return;
    XSizeHints hints;
    long supplied = 0;
    if (!XGetWMNormalHints(display, w, &hints, &supplied)) hints.flags = 0;
    hints.flags |= PMinSize;
    hints.min_width = width;
    hints.min_height = height;
    XSetWMNormalHints(display, w, &hints);
}

void WWindowSetTitle(Window w, const char* title) {
    if (display && w) SetNames(w, title, nullptr);
}

bool WWindowGetGeometry(Window w, int* x, int* y, int* width, int* height) {
    if (!display || !w) return false;
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, w, &a)) return false;
    Window child;
    int rx = 0, ry = 0;
    XTranslateCoordinates(display, w, RootWindow(display, screen), 0, 0, &rx, &ry, &child);
    *x = rx;
    *y = ry;
    *width = a.width;
    *height = a.height;
    return true;
}

void WWindowTakeFocus(Window w) {
    if (display && w && WWindowIsViewable(w))
        XSetInputFocus(display, w, RevertToParent, CurrentTime);
}

void WWindowNoteMapped(Window w, bool mapped) {
    if (mapped)
        viewable.insert(w);
    else
        viewable.erase(w);
}

bool WWindowIsViewable(Window w) {
    return viewable.count(w) != 0;
}

void WWindowForget(Window w) {
    viewable.erase(w);
}
