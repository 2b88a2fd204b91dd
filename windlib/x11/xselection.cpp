// The X selections (see xselection.h). Everything runs on the main connection: requests
// from other programs arrive as events and are answered while they are dispatched
// (WSelectionHandleEvent), and a fetch waits for its answer by taking only that one
// SelectionNotify off the queue, so every other event stays queued for the loop. Texts
// bigger than one property change are neither offered nor taken (no incremental
// transfers). Start with WSelectionFetch.
#include "windlib/x11/xselection.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <climits>
#include <cstring>
#include <string>

#include "shared/gen_strings.h"
#include "shared/libcxxutil/ut_clock.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xerrors.h"

namespace {

const long kFetchTimeoutMs = 1000;
const int kPollSliceMs = 10;

// Atoms interned once per connection, in the order of kAtomNames.
enum { kAtomClipboard, kAtomTargets, kAtomUtf8, kAtomText, kAtomIncr, kAtomProperty, kAtoms };
const char* const kAtomNames[] = {"CLIPBOARD", "TARGETS", "UTF8_STRING",
                                  "TEXT",      "INCR",    "VT_SELECTION"};
static_assert(sizeof kAtomNames / sizeof kAtomNames[0] == kAtoms, "one name per atom");

// One selection we may own: the window that owns it and the text it stands for.
struct Owned {
    Atom atom;
    int bit; // its WSelectionWhich bit
    Window owner;
    bool owns;
    std::string text;
};

// The clipboard comes first, both when we take both and when we fetch either.
enum { kSlotClipboard, kSlotPrimary, kSlots };

struct State {
    Display* dpy = nullptr; // the connection the atoms and the hidden window belong to
    Atom atoms[kAtoms] = {};
    Window hidden = 0; // the owner for widgets without a window, and where answers arrive
    Owned slots[kSlots] = {{None, kSelectionClipboard, 0, false, std::string()},
                           {XA_PRIMARY, kSelectionPrimary, 0, false, std::string()}};
};

State state;
Time eventTime = CurrentTime; // of the input event being handled

// A fresh state for the present display; false when there is none to talk to.
bool Ready() {
    if (!display || !XWindowsOn || WXConnectionLost()) return false;
    if (state.dpy == display) return true;
    state = State();
    state.dpy = display;
    XInternAtoms(display, const_cast<char**>(kAtomNames), kAtoms, False, state.atoms);
    state.slots[kSlotClipboard].atom = state.atoms[kAtomClipboard];
    return true;
}

Window Hidden() {
    if (!state.hidden)
        state.hidden = XCreateWindow(display, RootWindow(display, screen), -10, -10, 1, 1, 0, 0,
                                     InputOnly, CopyFromParent, 0, nullptr);
    return state.hidden;
}

Owned* SlotOf(Atom selection) {
    for (Owned& slot : state.slots)
        if (slot.atom == selection && selection != None) return &slot;
    return nullptr;
}

int RecordNumber(Atom selection) {
    if (selection == XA_PRIMARY) return 0;
    if (selection == XA_SECONDARY) return 1;
    if (selection == state.atoms[kAtomClipboard]) return 2;
    return -1;
}

void Forget(Owned* slot) {
    slot->owns = false;
    slot->owner = 0;
    slot->text.clear();
}

long long NowMs() {
    long sec = 0, usec = 0;
    ut_monotonic_clock(&sec, &usec); // a real wait on another program, never a test's clock
    return sec * 1000LL + usec / 1000;
}

std::string Latin1ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += (char)c;
        } else {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Characters outside Latin-1, and bytes that are not well-formed UTF-8, become '?'.
std::string Utf8ToLatin1(const unsigned char* bytes, unsigned long length) {
    static const unsigned long kLeast[] = {0, 0x80, 0x800, 0x10000}; // no overlong forms
    std::string out;
    unsigned long i = 0;
    while (i < length) {
        unsigned char c = bytes[i];
        int extra = c < 0x80             ? 0
                    : (c & 0xE0) == 0xC0 ? 1
                    : (c & 0xF0) == 0xE0 ? 2
                    : (c & 0xF8) == 0xF0 ? 3
                                         : -1;
        if (extra < 0) {
            out += '?';
            ++i;
            continue;
        }
        unsigned long code = extra ? c & (0x3F >> extra) : c;
        int k = 1;
        for (; k <= extra && i + k < length && (bytes[i + k] & 0xC0) == 0x80; ++k)
            code = (code << 6) | (bytes[i + k] & 0x3F);
        bool whole = k > extra && code >= kLeast[extra];
        out += whole && code < 0x100 ? (char)code : '?';
        i += (unsigned long)k;
    }
    return out;
}

long PropertyRoom() {
    long units = XExtendedMaxRequestSize(display);
    if (units == 0) units = XMaxRequestSize(display);
    return units * 4 - 256;
}

// A requestor may be gone by the time we answer; that is not our protocol error.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// Writes `slot`'s text as the request's target into `property`; false when that target is
// not one we give or the text does not fit.
bool Convert(const Owned& slot, const XSelectionRequestEvent& request, Atom property) {
    const Atom* a = state.atoms;
    if (request.target == a[kAtomTargets]) {
        Atom offered[] = {a[kAtomTargets], a[kAtomUtf8], XA_STRING, a[kAtomText]};
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(offered), 4);
        return true;
    }
    std::string bytes;
    Atom type = XA_STRING;
    if (request.target == a[kAtomUtf8]) {
        bytes = Latin1ToUtf8(slot.text);
        type = a[kAtomUtf8];
    } else if (request.target == XA_STRING || request.target == a[kAtomText]) {
        bytes = slot.text;
    } else {
        return false;
    }
    if ((long)bytes.size() > PropertyRoom()) return false;
    XChangeProperty(display, request.requestor, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(bytes.data()), (int)bytes.size());
    return true;
}

void Answer(const XSelectionRequestEvent& request) {
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.display = display;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = None;
    // Clients that predate the property field leave it None and mean the target's name.
    Atom property = request.property != None ? request.property : request.target;
    const Owned* slot = SlotOf(request.selection);
    XSync(display, False); // errors of earlier requests are still reported
    XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
    if (slot && slot->owns && slot->owner == request.owner && Convert(*slot, request, property))
        reply.property = property;
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XSync(display, False);
    XSetErrorHandler(previous);
}

// A SelectionClear may be older than our taking the selection again: only the server's
// present owner counts.
void Cleared(const XSelectionClearEvent& clear) {
    Owned* slot = SlotOf(clear.selection);
    if (slot && slot->owns && slot->owner == clear.window &&
        XGetSelectionOwner(display, slot->atom) != slot->owner)
        Forget(slot);
}

// Asks the owner for the selection as `target` and waits for its answer; false when none
// came in time. Answers to earlier, abandoned requests are dropped on the way.
bool AskOwner(Atom selection, Atom target, XSelectionEvent* reply) {
    Window requestor = Hidden();
    Atom property = state.atoms[kAtomProperty];
    XEvent event;
    while (XCheckTypedWindowEvent(display, requestor, SelectionNotify, &event)) {
    }
    XDeleteProperty(display, requestor, property);
    XConvertSelection(display, selection, target, property, requestor, CurrentTime);
    XFlush(display);
    long long deadline = NowMs() + kFetchTimeoutMs;
    for (;;) {
        while (XCheckTypedWindowEvent(display, requestor, SelectionNotify, &event)) {
            if (event.xselection.selection == selection && event.xselection.target == target) {
                *reply = event.xselection;
                return true;
            }
        }
        long long left = deadline - NowMs();
        if (left <= 0) return false;
        struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, left < kPollSliceMs ? (int)left : kPollSliceMs);
    }
}

// The text the owner put into our property, or null.
char* ReadReply(const XSelectionEvent& reply) {
    if (reply.property == None) return nullptr;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, reply.requestor, reply.property, 0, LONG_MAX / 4, True,
                           AnyPropertyType, &type, &format, &count, &after, &data) != Success)
        return nullptr;
    char* text = nullptr;
    if (data && format == 8 && type != state.atoms[kAtomIncr]) {
        std::string latin1 = type == state.atoms[kAtomUtf8]
                                 ? Utf8ToLatin1(data, count)
                                 : std::string(reinterpret_cast<const char*>(data), count);
        text = gen_copyn(latin1.data(), (int)latin1.size());
    }
    if (data) XFree(data);
    return text;
}

// UTF-8 first; an owner that refuses it is asked for Latin-1.
char* Request(Atom selection) {
    XSelectionEvent reply;
    if (!AskOwner(selection, state.atoms[kAtomUtf8], &reply)) return nullptr;
    if (reply.property == None && !AskOwner(selection, XA_STRING, &reply)) return nullptr;
    return ReadReply(reply);
}

} // namespace

bool WSelectionOwn(int which, const char* text, int length, Window owner, unsigned long time) {
    if (!Ready()) return false;
    if (!text) text = "";
    if (length < 0) length = (int)strlen(text);
    if (!owner) owner = Hidden();
    Time when = time ? (Time)time : eventTime;
    bool any = false, all = true;
    for (Owned& slot : state.slots) {
        if (!(which & slot.bit)) continue;
        XSetSelectionOwner(display, slot.atom, owner, when);
        if (XGetSelectionOwner(display, slot.atom) == owner) {
            slot.owns = true;
            slot.owner = owner;
            slot.text.assign(text, (size_t)length);
        } else {
            Forget(&slot);
        }
        any = true;
        all = all && slot.owns;
    }
    return any && all;
}

char* WSelectionFetch(int which) {
    if (!Ready()) return nullptr;
    for (Owned& slot : state.slots) {
        if (!(which & slot.bit)) continue;
        Window current = XGetSelectionOwner(display, slot.atom);
        if (current == None) continue;
        if (slot.owns && current == slot.owner)
            return gen_copyn(slot.text.data(), (int)slot.text.size());
        return Request(slot.atom);
    }
    return nullptr;
}

bool WSelectionOwned(int which) {
    if (!Ready()) return false;
    for (const Owned& slot : state.slots)
        if ((which & slot.bit) && slot.owns && XGetSelectionOwner(display, slot.atom) == slot.owner)
            return true;
    return false;
}

int WSelectionHandleEvent(XEvent* event) {
    if (!Ready()) return -1;
    switch (event->type) {
    case SelectionRequest:
        Answer(event->xselectionrequest);
        return RecordNumber(event->xselectionrequest.selection);
    case SelectionClear:
        Cleared(event->xselectionclear);
        return RecordNumber(event->xselectionclear.selection);
    case SelectionNotify:
        return RecordNumber(event->xselection.selection);
    default:
        return -1;
    }
}

void WSelectionNoteEventTime(const XEvent* event) {
    switch (event->type) {
    case KeyPress:
    case KeyRelease:
        eventTime = event->xkey.time;
        break;
    case ButtonPress:
    case ButtonRelease:
        eventTime = event->xbutton.time;
        break;
    case MotionNotify:
        eventTime = event->xmotion.time;
        break;
    default:
        break;
    }
}

void WSelectionShutdown() {
    state = State();
    eventTime = CurrentTime;
}
