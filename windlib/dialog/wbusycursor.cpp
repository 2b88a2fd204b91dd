// The busy cursor (see wbusycursor.h). Windows opened while it is on keep the normal
// cursor; they are not busy.
#include "windlib/dialog/wbusycursor.h"

#include <X11/Xlib.h>

#include "windlib/window/wcolwind.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"

namespace {

int busyDepth = 0;

bool SetCursor(ColWind* window, void* busy, void*) {
    if (busy)
        XDefineCursor(display, window->window, watch_cur);
    else
        XUndefineCursor(display, window->window);
    return true;
}

void ShowOnAll(bool busy) {
    if (!display) return;
    cwCallProcOnAll(SetCursor, busy ? &busyDepth : nullptr, nullptr);
    XFlush(display);
}

} // namespace

void WBusyCursorOn() {
    if (busyDepth++ == 0) ShowOnAll(true);
}

void WBusyCursorOff() {
    if (busyDepth == 0) return;
    if (--busyDepth == 0) ShowOnAll(false);
}

void WBusyCursorReset() {
    if (busyDepth == 0) return;
    busyDepth = 0;
    ShowOnAll(false);
}

bool WBusyCursorShown() {
    return busyDepth > 0;
}
