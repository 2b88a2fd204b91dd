// The test's second X client (see selection_client.h).
#include "tests/windlib/msl/selection_client.h"

#include <X11/Xatom.h>

#include "support/xvfb_fixture.h"

SelectionClient::SelectionClient(const std::string& display) {
    dpy_ = XOpenDisplay(display.c_str());
    if (dpy_) window_ = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 1, 1, 0, 0, 0);
}

SelectionClient::~SelectionClient() {
    if (dpy_) XCloseDisplay(dpy_);
}

Atom SelectionClient::atom(const char* name) {
    return XInternAtom(dpy_, name, False);
}

bool SelectionClient::read(const char* selection, std::string* text,
                           const std::function<void()>& pump, int timeoutMs) {
    Atom property = atom("MSL_TEST_READ");
    XDeleteProperty(dpy_, window_, property);
    XConvertSelection(dpy_, atom(selection), atom("UTF8_STRING"), property, window_, CurrentTime);
    XFlush(dpy_);
    bool answered = false, converted = false;
    WaitFor(
        [&] {
            pump();
            XEvent event;
            while (!answered && XCheckTypedWindowEvent(dpy_, window_, SelectionNotify, &event)) {
                answered = true;
                converted = event.xselection.property != None;
            }
            return answered;
        },
        timeoutMs);
    if (!converted) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy_, window_, property, 0, 1 << 20, True, AnyPropertyType, &type,
                           &format, &count, &after, &data) != Success)
        return false;
    text->assign(data ? (const char*)data : "", count);
    if (data) XFree(data);
    return format == 8;
}

void SelectionClient::own(const char* selection) {
    XSetSelectionOwner(dpy_, atom(selection), window_, CurrentTime);
    XSync(dpy_, False);
}

Window SelectionClient::owner(const char* selection) {
    return XGetSelectionOwner(dpy_, atom(selection));
}
