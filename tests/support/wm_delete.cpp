// SendWmDelete (see wm_delete.h).
#include "support/wm_delete.h"

#include <X11/Xlib.h>

#include <cstring>

bool SendWmDelete(const std::string& name, unsigned long window) {
    Display* d = XOpenDisplay(name.c_str());
    if (!d) return false;
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &event);
    XSync(d, False);
    XCloseDisplay(d);
    return true;
}
