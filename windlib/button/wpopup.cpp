// Pop-up windows (see wpopup.h).
#include "windlib/button/wpopup.h"

#include "windlib/x11/xdisplay.h"

void WPopupPrepare(Window w) {
    if (!display || !w) return;
    XSetWindowAttributes a;
    a.override_redirect = True;
    a.save_under = True;
    XChangeWindowAttributes(display, w, CWOverrideRedirect | CWSaveUnder, &a);
}

bool WPopupGrab(Window w) {
    if (!display || !w) return false;
    const unsigned int mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    return XGrabPointer(display, w, False, mask, GrabModeAsync, GrabModeAsync, None, None,
                        CurrentTime) == GrabSuccess;
}

void WPopupUngrab() {
    if (display) {
        XUngrabPointer(display, CurrentTime);
        XFlush(display);
    }
}
