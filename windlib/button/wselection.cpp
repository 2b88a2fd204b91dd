// The X selections (see wselection.h). One unmapped window on a connection of our own owns
// the selections and receives what other programs send back; SelectionListener serves it
// from the idle notifier, and a fetch waits for its answer on that connection alone, so the
// windows' event queue is never touched. Text is Latin-1 inside the toolkit; UTF-8 is
// offered and accepted at the border. Start with WSelectionFetch.
#include "windlib/button/wselection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <climits>
#include <cstring>
#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "shared/libcxxutil/ut_clock.h"
#include "shared/libcxxutil/ut_idle.h"
#include "windlib/x11/xdisplay.h"

namespace {

const long kFetchTimeoutMs = 1000;

class SelectionListener : public SocketListener {
public:
    bool hasFD() override;
    int getFD() override;
    bool wantsToRead() override { return true; }
    bool wantsToWrite() override { return false; }
    bool wantsToDequeueAndDispatch() override;
    bool wantsToStop() override { return false; }
    void handleRead() override;
    void handleWrite() override {}
    void handleDequeueAndDispatch() override { handleRead(); }
    void handleStop() override {}
};

struct SelectionState {
    Display* conn = nullptr;
    std::string displayName; // the toolkit display `conn` belongs to
    Window owner = 0;
    Atom atoms[2] = {None, None}; // PRIMARY, CLIPBOARD
    Atom targets = None, utf8 = None, text = None, property = None;
    bool owns[2] = {false, false};
    std::string owned[2];
    SelectionListener listener;
    bool listening = false;
};

SelectionState state;

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

long long NowMs() {
    long sec = 0, usec = 0;
    ut_monotonic_clock(&sec, &usec); // a real wait on another program, never a test clock
    return sec * 1000LL + usec / 1000;
}

int IndexOf(Atom selection) {
    if (selection == state.atoms[0]) return 0;
    if (selection == state.atoms[1]) return 1;
    return -1;
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

// Characters outside Latin-1 become '?'.
std::string Utf8ToLatin1(const unsigned char* bytes, unsigned long length) {
    std::string out;
    for (unsigned long i = 0; i < length;) {
        unsigned char c = bytes[i];
        int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : 3;
        unsigned long code = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < length; ++k)
            code = (code << 6) | (bytes[i + k] & 0x3F);
        out += code < 0x100 ? (char)code : '?';
        i += (unsigned long)extra + 1;
    }
    return out;
}

void Close() {
    if (state.listening && getIdleNotifier())
        getIdleNotifier()->removeSocketListener(&state.listener);
    state.listening = false;
    if (state.conn) {
        XDestroyWindow(state.conn, state.owner);
        XCloseDisplay(state.conn);
    }
    state.conn = nullptr;
    state.owner = 0;
    state.displayName.clear();
    for (int i = 0; i < 2; ++i) {
        state.owns[i] = false;
        state.owned[i].clear();
    }
}

// The connection for the toolkit's present display, opened on first use.
bool Ensure() {
    if (!display) {
        Close();
        return false;
    }
    const char* name = DisplayString(display);
    if (state.conn && state.displayName == name) return true;
    Close();
    state.conn = XOpenDisplay(name);
    if (!state.conn) return false;
    state.displayName = name;
    state.owner =
        XCreateSimpleWindow(state.conn, DefaultRootWindow(state.conn), -10, -10, 1, 1, 0, 0, 0);
    state.atoms[0] = XA_PRIMARY;
    state.atoms[1] = XInternAtom(state.conn, "CLIPBOARD", False);
    state.targets = XInternAtom(state.conn, "TARGETS", False);
    state.utf8 = XInternAtom(state.conn, "UTF8_STRING", False);
    state.text = XInternAtom(state.conn, "TEXT", False);
    state.property = XInternAtom(state.conn, "VT_SELECTION", False);
    if (getIdleNotifier()) {
        getIdleNotifier()->addSocketListener(&state.listener);
        state.listening = true;
    }
    return true;
}

// Answers one request for a selection we own; anything we cannot give is refused.
void Serve(const XSelectionRequestEvent& request) {
    XSelectionEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.type = SelectionNotify;
    reply.display = request.display;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = None;
    Atom property = request.property != None ? request.property : request.target;
    int index = IndexOf(request.selection);
    if (index >= 0 && state.owns[index]) {
        const std::string& text = state.owned[index];
        long room = XMaxRequestSize(state.conn) * 4 - 256; // no incremental transfers
        if (request.target == state.targets) {
            Atom offered[] = {state.targets, state.utf8, XA_STRING, state.text};
            XChangeProperty(state.conn, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(offered), 4);
            reply.property = property;
        } else if ((request.target == XA_STRING || request.target == state.text) &&
                   (long)text.size() < room) {
            XChangeProperty(state.conn, request.requestor, property, XA_STRING, 8, PropModeReplace,
                            (const unsigned char*)text.data(), (int)text.size());
            reply.property = property;
        } else if (request.target == state.utf8) {
            std::string utf8 = Latin1ToUtf8(text);
            if ((long)utf8.size() < room) {
                XChangeProperty(state.conn, request.requestor, property, state.utf8, 8,
                                PropModeReplace, (const unsigned char*)utf8.data(),
                                (int)utf8.size());
                reply.property = property;
            }
        }
    }
    XSendEvent(state.conn, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
}

void Handle(XEvent* event) {
    if (event->type == SelectionRequest) {
        // A requestor that went away meanwhile must not count as our protocol error.
        XErrorHandler previous = XSetErrorHandler(IgnoreErrors);
        Serve(event->xselectionrequest);
        XSync(state.conn, False);
        XSetErrorHandler(previous);
    } else if (event->type == SelectionClear) {
        int index = IndexOf(event->xselectionclear.selection);
        if (index >= 0) {
            state.owns[index] = false;
            state.owned[index].clear();
        }
    }
}

void Drain() {
    while (state.conn && XPending(state.conn) > 0) {
        XEvent event;
        XNextEvent(state.conn, &event);
        Handle(&event);
    }
}

bool WaitForReply(Atom selection, XSelectionEvent* reply) {
    long long deadline = NowMs() + kFetchTimeoutMs;
    for (;;) {
        while (XPending(state.conn) > 0) {
            XEvent event;
            XNextEvent(state.conn, &event);
            if (event.type == SelectionNotify && event.xselection.requestor == state.owner &&
                event.xselection.selection == selection) {
                *reply = event.xselection;
                return true;
            }
            Handle(&event);
        }
        long long left = deadline - NowMs();
        if (left <= 0) return false;
        struct pollfd fd = {ConnectionNumber(state.conn), POLLIN, 0};
        poll(&fd, 1, (int)left);
    }
}

char* ReadReply(const XSelectionEvent& reply) {
    if (reply.property == None) return nullptr;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(state.conn, state.owner, reply.property, 0, LONG_MAX / 4, True,
                           AnyPropertyType, &type, &format, &count, &after, &data) != Success)
        return nullptr;
    char* result = nullptr;
    if (data && format == 8) {
        std::string text =
            type == state.utf8 ? Utf8ToLatin1(data, count) : std::string((const char*)data, count);
        result = gen_copyn(text.data(), (int)text.size());
    }
    if (data) XFree(data);
    return result;
}

char* Request(Atom selection) {
    XDeleteProperty(state.conn, state.owner, state.property);
    XConvertSelection(state.conn, selection, XA_STRING, state.property, state.owner, CurrentTime);
    XFlush(state.conn);
    XSelectionEvent reply;
    if (!WaitForReply(selection, &reply)) return nullptr;
    return ReadReply(reply);
}

bool SelectionListener::hasFD() {
    return state.conn != nullptr;
}

int SelectionListener::getFD() {
    return state.conn ? ConnectionNumber(state.conn) : -1;
}

bool SelectionListener::wantsToDequeueAndDispatch() {
    return state.conn && XEventsQueued(state.conn, QueuedAlready) > 0;
}

void SelectionListener::handleRead() {
    Drain();
}

} // namespace

bool WSelectionOwn(int which, const char* text, int length) {
    if (!Ensure()) return false;
    if (!text) text = "";
    if (length < 0) length = (int)strlen(text);
    bool any = false;
    for (int i = 0; i < 2; ++i) {
        if (!(which & (1 << i))) continue;
        XSetSelectionOwner(state.conn, state.atoms[i], state.owner, CurrentTime);
        state.owns[i] = XGetSelectionOwner(state.conn, state.atoms[i]) == state.owner;
        state.owned[i] = state.owns[i] ? std::string(text, (size_t)length) : std::string();
        any = any || state.owns[i];
    }
    XFlush(state.conn);
    return any;
}

char* WSelectionFetch(int which) {
    if (!Ensure()) return nullptr;
    Drain();                     // a pending SelectionClear tells us we lost a selection
    const int order[2] = {1, 0}; // the clipboard first
    for (int i : order) {
        if (!(which & (1 << i))) continue;
        Window owner = XGetSelectionOwner(state.conn, state.atoms[i]);
        if (owner == None) continue;
        if (owner == state.owner && state.owns[i])
            return gen_copyn(state.owned[i].data(), (int)state.owned[i].size());
        return Request(state.atoms[i]);
    }
    return nullptr;
}

bool WSelectionOwned(int which) {
    if (!state.conn) return false;
    Drain();
    for (int i = 0; i < 2; ++i)
        if ((which & (1 << i)) && state.owns[i]) return true;
    return false;
}

void WSelectionShutdown() {
    Close();
}
