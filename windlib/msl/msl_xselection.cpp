// The X selection service (see msl_xselection.h). The window loop turns SelectionRequest
// and SelectionClear events into records without their details, so this module hears of
// them as Xlib reads them off the connection: a wire-to-event converter chained in front of
// Xlib's own copies each one into a queue (and does nothing else, since it runs inside
// Xlib). The queue is answered from an idler, which the loop runs right after dispatching.
#include "windlib/msl/msl_xselection.h"

#include <X11/Xatom.h>

#include <cstring>
#include <vector>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "shared/libcxxutil/ut_idle.h"
#include "windlib/x11/xdisplay.h"

// The extension interface declares the converter hook; it also defines min and max.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace {

typedef Bool (*WireToEventFn)(Display*, XEvent*, xEvent*);

enum { kClipboard, kPrimary, kNumOffers };

struct State {
    Display* hooked = nullptr;
    WireToEventFn previousRequest = nullptr;
    WireToEventFn previousClear = nullptr;
    std::vector<XSelectionRequestEvent> requests;
    std::vector<XSelectionClearEvent> clears;
    char* text = nullptr;
    Window owner = 0;
    Atom atoms[kNumOffers] = {None, None};
    bool owned[kNumOffers] = {false, false};
    Atom targets = None, utf8 = None, textAtom = None;
};
State state;

class SelectionIdler : public Idler {
public:
    void handleIdle(IdleNotifier*) override { WSelectionServe(); }
    bool isIdlerSafe() override { return true; }
};
SelectionIdler idler;

Bool CaptureRequest(Display* dpy, XEvent* event, xEvent* wire) {
    Bool keep = state.previousRequest ? state.previousRequest(dpy, event, wire) : False;
    if (keep && dpy == state.hooked && event->type == SelectionRequest)
        state.requests.push_back(event->xselectionrequest);
    return keep;
}

Bool CaptureClear(Display* dpy, XEvent* event, xEvent* wire) {
    Bool keep = state.previousClear ? state.previousClear(dpy, event, wire) : False;
    if (keep && dpy == state.hooked && event->type == SelectionClear)
        state.clears.push_back(event->xselectionclear);
    return keep;
}

// True while our converter sits on this connection. A restarted toolkit may get a new
// connection at the old address, so the address alone proves nothing.
bool Attached() {
    if (!display || state.hooked != display) return false;
    WireToEventFn current = XESetWireToEvent(display, SelectionRequest, CaptureRequest);
    if (current == CaptureRequest) return true;
    XESetWireToEvent(display, SelectionRequest, current);
    return false;
}

// A new connection starts with nothing owned or pending.
void Attach() {
    if (Attached()) return;
    gen_free(state.text);
    state = State();
    state.hooked = display;
    state.previousRequest = XESetWireToEvent(display, SelectionRequest, CaptureRequest);
    state.previousClear = XESetWireToEvent(display, SelectionClear, CaptureClear);
    state.atoms[kClipboard] = XInternAtom(display, "CLIPBOARD", False);
    state.atoms[kPrimary] = XA_PRIMARY;
    state.targets = XInternAtom(display, "TARGETS", False);
    state.utf8 = XInternAtom(display, "UTF8_STRING", False);
    state.textAtom = XInternAtom(display, "TEXT", False);
    if (IdleNotifier* notifier = getIdleNotifier()) notifier->addIdleListener(&idler);
}

int OfferIndex(Atom selection) {
    for (int i = 0; i < kNumOffers; ++i)
        if (state.atoms[i] == selection && selection != None) return i;
    return -1;
}

// A requestor may be gone by the time we answer; that must not count as our error.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// Writes the answer into the requestor's property; false when the target is not served.
bool Convert(const XSelectionRequestEvent& request, Atom property) {
    if (request.target == state.targets) {
        Atom list[] = {state.targets, state.utf8, XA_STRING, state.textAtom};
        XChangeProperty(state.hooked, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        (unsigned char*)list, 4);
        return true;
    }
    if (request.target != state.utf8 && request.target != XA_STRING &&
        request.target != state.textAtom)
        return false;
    long length = (long)strlen(state.text);
    long limit = XExtendedMaxRequestSize(state.hooked);
    if (limit == 0) limit = XMaxRequestSize(state.hooked);
    if (length > limit * 4 - 256) return false; // too big for one property change
    Atom type = request.target == state.textAtom ? XA_STRING : request.target;
    XChangeProperty(state.hooked, request.requestor, property, type, 8, PropModeReplace,
                    (unsigned char*)state.text, (int)length);
    return true;
}

void Answer(const XSelectionRequestEvent& request) {
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.display = state.hooked;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = None;
    int which = OfferIndex(request.selection);
    Atom property = request.property != None ? request.property : request.target;
    if (which >= 0 && state.owned[which] && state.text && request.owner == state.owner &&
        Convert(request, property))
        reply.property = property;
    XSendEvent(state.hooked, request.requestor, False, NoEventMask, (XEvent*)&reply);
}

} // namespace

bool WSelectionOffer(Window owner, const char* text, unsigned long time) {
    if (!display || !XWindowsOn || !owner || !text) return false;
    Attach();
    gen_strchange(&state.text, text);
    state.owner = owner;
    bool all = true;
    for (int i = 0; i < kNumOffers; ++i) {
        XSetSelectionOwner(display, state.atoms[i], owner, (Time)time);
        state.owned[i] = XGetSelectionOwner(display, state.atoms[i]) == owner;
        all = all && state.owned[i];
    }
    return all;
}

const char* WSelectionOffered(Atom selection) {
    if (!Attached()) return nullptr;
    int which = OfferIndex(selection);
    return which >= 0 && state.owned[which] ? state.text : nullptr;
}

void WSelectionServe() {
    if (state.clears.empty() && state.requests.empty()) return;
    if (!Attached()) {
        state.clears.clear();
        state.requests.clear();
        return;
    }
    // Xlib may read (and so queue) more events while we answer: work on a taken copy.
    std::vector<XSelectionClearEvent> clears;
    clears.swap(state.clears);
    for (const XSelectionClearEvent& clear : clears) {
        int which = OfferIndex(clear.selection);
        if (which >= 0 && clear.window == state.owner) state.owned[which] = false;
    }
    if (state.requests.empty()) return;
    std::vector<XSelectionRequestEvent> requests;
    requests.swap(state.requests);
    XSync(display, False); // errors of earlier requests stay reportable
    XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
    for (const XSelectionRequestEvent& request : requests) Answer(request);
    XSync(display, False);
    XSetErrorHandler(previous);
}
