// Event translation (see xevents.h). Dispatching the record to a window and its items is
// the window layer's (windlib/window/wdispatch.cpp).
#include "windlib/x11/xevents.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstring>

#include "windlib/x11/xdirty.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xselection.h"
#include "windlib/x11/xwindow.h"
#include "xswitch/xswitch.h"

namespace {

unsigned int altMask = Mod1Mask;
unsigned int metaMask = 0;
unsigned int numLockMask = Mod2Mask;
KeySym heldModifier = NoSymbol; // an Alt or Meta pressed alone, delivered on release

bool IsAltOrMeta(KeySym s) {
    return s == XK_Alt_L || s == XK_Alt_R || s == XK_Meta_L || s == XK_Meta_R;
}

bool IsPrintable(int code, int bytes, long mods) {
    return bytes == 1 && code >= 0x20 && code < 0x100 && code != 0x7f &&
           !(mods & (kModControl | kModAlt | kModMeta));
}

void FillPointer(xinLibSt* r, Window w, int x, int y, unsigned int state) {
    r->window = w;
    r->a = x;
    r->b = y;
    r->c = WModifierBits(state);
}

// Queued key releases of the window are dropped and queued printable presses appended,
// so fast typing arrives as one record.
void MergeTyping(const XKeyEvent& first, xinLibSt* r, char* text) {
    while (r->f < kKeyTextSize && XEventsQueued(display, QueuedAlready) > 0) {
        XEvent next;
        XPeekEvent(display, &next);
        if (next.xany.window != first.window) break;
        if (next.type == KeyRelease) {
            KeySym s = XLookupKeysym(&next.xkey, 0);
            if (IsAltOrMeta(s)) break;
            XNextEvent(display, &next);
            continue;
        }
        if (next.type != KeyPress) break;
        char buf[8];
        KeySym s = NoSymbol;
        int n = XLookupString(&next.xkey, buf, sizeof buf, &s, nullptr);
        if (!IsPrintable(WKeyCodeOf(s), n, WModifierBits(next.xkey.state))) break;
        XNextEvent(display, &next);
        text[r->f++] = buf[0];
        r->g = (long)next.xkey.time;
    }
    text[r->f] = '\0';
}

bool TranslateKey(XEvent* event, xinLibSt* r, char* text) {
    XKeyEvent& k = event->xkey;
    KeySym symbol = NoSymbol;
    int bytes = XLookupString(&k, text, kKeyTextSize, &symbol, nullptr);
    if (bytes < 0) bytes = 0;
    text[bytes] = '\0';
    if (event->type == KeyRelease) {
        if (symbol == NoSymbol || symbol != heldModifier) return false;
        heldModifier = NoSymbol;
        bytes = 0;
        text[0] = '\0';
    } else if (IsAltOrMeta(symbol)) {
        heldModifier = symbol;
        return false;
    } else {
        heldModifier = NoSymbol;
    }
    unsigned int state = k.state;
    if (symbol == XK_ISO_Left_Tab) {
        symbol = XK_Tab;
        state |= ShiftMask;
    }
    int code = WKeyCodeOf(symbol);
    if (!code) return false;
    r->kind = (symbol == XK_Help || symbol == XK_F1) ? kXinHelp : kXinKey;
    FillPointer(r, k.window, k.x, k.y, state);
    r->d = code;
    r->e = (long)text;
    r->f = bytes;
    r->g = (long)k.time;
    r->h = 0;
    if (event->type == KeyPress && IsPrintable(code, bytes, r->c)) MergeTyping(k, r, text);
    return true;
}

bool TranslateButton(XEvent* event, xinLibSt* r) {
    if (event->type == MotionNotify) {
        XEvent later;
        while (XCheckTypedWindowEvent(display, event->xmotion.window, MotionNotify, &later))
            *event = later;
        const XMotionEvent& m = event->xmotion;
        r->kind = kXinMouse;
        FillPointer(r, m.window, m.x, m.y, m.state);
        r->d = 0;
        return true;
    }
    const XButtonEvent& b = event->xbutton;
    r->kind = kXinMouse;
    FillPointer(r, b.window, b.x, b.y, b.state);
    r->d = event->type == ButtonPress ? 1 : -1;
    r->f = (long)b.button;
    r->g = (long)b.time;
    return true;
}

bool TranslateConfigure(XEvent* event, xinLibSt* r) {
    XEvent later;
    while (XCheckTypedWindowEvent(display, event->xconfigure.window, ConfigureNotify, &later))
        *event = later;
    r->kind = kXinResize;
    r->window = event->xconfigure.window;
    r->a = event->xconfigure.width;
    r->b = event->xconfigure.height;
    return true;
}

// The selection service answers first; items that care still get the event itself.
bool TranslateSelection(XEvent* event, xinLibSt* r) {
    r->kind = kXinSelection;
    r->a = 1;
    r->b = (long)event;
    r->c = (long)sizeof *event;
    r->d = WSelectionHandleEvent(event);
    r->e = 1;
    return true;
}

bool TranslateClientMessage(const XClientMessageEvent& c, xinLibSt* r) {
    if (c.message_type != wm_protocols_atom || c.format != 32) return false;
    Atom protocol = (Atom)c.data.l[0];
    r->window = c.window;
    if (protocol == wm_delete_window_atom) {
        r->kind = kXinClose;
        return true;
    }
    if (protocol == wm_take_focus_atom) {
        WWindowTakeFocus(c.window);
        return false;
    }
    return false;
}

} // namespace

int WKeyCodeOf(KeySym s) {
    if (s >= 0x20 && s <= 0xff) return (int)s;
    if ((s & ~0xffUL) == 0xff00) return 0x100 + (int)(s & 0xff);
    return 0;
}

long WModifierBits(unsigned int state) {
    long bits = 0;
    if (state & ShiftMask) bits |= kModShift;
    if (state & ControlMask) bits |= kModControl;
    if (state & altMask) bits |= kModAlt;
    if (metaMask && (state & metaMask)) bits |= kModMeta;
    if (state & Button1Mask) bits |= kModButton1;
    if (state & Button2Mask) bits |= kModButton2;
    if (state & Button3Mask) bits |= kModButton3;
    return bits;
}

void WRefreshModifierMapping() {
    if (!display) return;
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map) return;
    altMask = metaMask = numLockMask = 0;
    for (int mod = Mod1MapIndex; mod <= Mod5MapIndex; ++mod) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            KeyCode code = map->modifiermap[mod * map->max_keypermod + i];
            if (!code) continue;
            KeySym s = XkbKeycodeToKeysym(display, code, 0, 0);
            unsigned int mask = 1U << mod;
            if (s == XK_Alt_L || s == XK_Alt_R) altMask |= mask;
            if (s == XK_Meta_L || s == XK_Meta_R) metaMask |= mask;
            if (s == XK_Num_Lock) numLockMask |= mask;
        }
    }
    if (!altMask) altMask = Mod1Mask & ~numLockMask;
    metaMask &= ~altMask; // a key that is both counts as Alt
    XFreeModifiermap(map);
}

bool WTranslateEvent(XEvent* event, xinLibSt* record, char* text) {
    memset(record, 0, sizeof *record);
    record->kind = kXinNothing;
    record->window = event->xany.window;
    WSelectionNoteEventTime(event);
    switch (event->type) {
    case KeyPress:
    case KeyRelease:
        return TranslateKey(event, record, text);
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
        return TranslateButton(event, record);
    case EnterNotify:
    case LeaveNotify:
        if (event->xcrossing.mode != NotifyNormal) return false;
        record->kind = kXinEnter;
        record->a = event->type == EnterNotify;
        return true;
    case FocusIn:
    case FocusOut:
        if (event->xfocus.detail == NotifyPointer) return false;
        record->kind = kXinFocus;
        record->a = event->type == FocusIn;
        return true;
    case MapNotify:
    case UnmapNotify:
        record->window = event->xmap.window;
        WWindowNoteMapped(record->window, event->type == MapNotify);
        record->kind = kXinMap;
        record->a = event->type == MapNotify;
        return true;
    case ConfigureNotify:
        return TranslateConfigure(event, record);
    case Expose:
    case GraphicsExpose:
        if (dirtyTracker) dirtyTracker->noteExpose(event);
        return false;
    case ClientMessage:
        return TranslateClientMessage(event->xclient, record);
    case SelectionNotify:
    case SelectionRequest:
    case SelectionClear:
        return TranslateSelection(event, record);
    case MappingNotify:
        XRefreshKeyboardMapping(&event->xmapping);
        WRefreshModifierMapping();
        return false;
    default:
        return false;
    }
}

bool WIsAbortKey(const XEvent* event) {
    if (event->type != KeyPress) return false;
    XKeyEvent k = event->xkey;
    KeySym s = XLookupKeysym(&k, 0);
    if (s == XK_Escape) return true;
    return debugFlag[kSwitchCntlCUnixBreak] && (k.state & ControlMask) && s == XK_c;
}
