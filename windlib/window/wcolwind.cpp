// Top-level windows (see wcolwind.h): creation, destruction in its fixed order, and the
// one handler every window's events go through. Callbacks may destroy the window they
// run for, so the handler holds a handle and checks it after every call out.
#include "windlib/window/wcolwind.h"

#include <map>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_display.h"
#include "windlib/wapplication.h"
#include "windlib/wevent.h"
#include "windlib/window/windowconfig.h"
#include "windlib/window/wplacer.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/ximages.h"
#include "windlib/x11/xselection.h"
#include "windlib/x11/xstatemanager.h"
#include "windlib/x11/xwindow.h"

namespace {

std::map<Window, ColWind*> byXWindow;
ColWind* errorWindow = nullptr;
int lastSequence = 0;

bool Alive(const mHandle* handle) {
    return MHandleObject(handle) != nullptr;
}

// A counted reference that is released when the scope ends.
class HandleRef {
public:
    explicit HandleRef(ColWind* w) : handle_(cwHandle(w)) {}
    ~HandleRef() { MHandleDestroy(handle_); }
    HandleRef(const HandleRef&) = delete;
    HandleRef& operator=(const HandleRef&) = delete;
    bool alive() const { return Alive(handle_); }

private:
    mHandle* handle_;
};

void SetIcon(Window w, const char* imageName) {
    const WImage* image = WFindImage(imageName);
    if (!display || !image || !image->bitmap) return;
    XWMHints* hints = XGetWMHints(display, w);
    XWMHints fresh;
    if (!hints) {
        fresh.flags = 0;
        hints = &fresh;
    }
    hints->flags |= IconPixmapHint;
    hints->icon_pixmap = image->bitmap;
    XSetWMHints(display, w, hints);
    if (hints != &fresh) XFree(hints);
}

// Queued events of a destroyed window would reach nobody.
Bool IsForWindow(Display*, XEvent* event, XPointer w) {
    return event->xany.window == (Window)w;
}

// Another program asking for the window's selection still gets its answer.
void DiscardEvents(Window w) {
    if (!display) return;
    XEvent event;
    while (XCheckIfEvent(display, &event, IsForWindow, (XPointer)w))
        if (event.type == SelectionRequest) WSelectionHandleEvent(&event);
}

// From the last table entry down, so items placed inside an earlier item go first.
void DeleteItems(ColWind* w) {
    for (size_t i = w->widgets.size(); i-- > 1;) {
        GItem* item = w->widgets[i].item;
        if (item && item != w) gitemDelete(item);
    }
    while (w->activeList) gitemDelete(w->activeList);
    while (w->graphicsList) gitemDelete(w->graphicsList);
}

// The line along the bottom edge: a sunken strip, the message inside it. It is painted
// last, over anything that reaches into it.
void PaintMessageLine(ColWind* w) {
    if (!(w->flags & kCwHasMessageLine)) return;
    int height = cwMessageLineHeight(), top = w->height - height;
    Window xw = w->window;
    WSetColor(xw, fg_pixel, bg_pixel);
    WClearRect(xw, 0, top, w->width, height);
    WDrawBevel(xw, 1, top + 1, w->width - 2, height - 2, false, bg_pixel);
    if (!w->message || !*w->message || bfont_num < 0) return;
    WSetClipRect(xw, 3, top + 2, w->width - 6, height - 4);
    WSetFont(xw, bfont_num);
    WDrawString(xw, 5, top + (height - bfont_h) / 2 + bfont_ascent, w->message, -1);
}

// The pointer moved onto another item (or off every item): the old one hears that it
// was left, the new one that it was entered.
void HoverTo(ColWind* w, GItem* item, const HandleRef& ref) {
    if (w->hovered == item) return;
    GItem* old = w->hovered;
    w->hovered = item;
    xinLibSt crossing = {};
    crossing.kind = kXinEnter;
    crossing.window = w->window;
    if (old) old->EventParse(&crossing, old);
    if (!ref.alive() || w->hovered != item || !item) return;
    crossing.a = 1;
    item->EventParse(&crossing, item);
}

void PaintItems(GItem* list, xinLibSt* event) {
    for (GItem* item = list; item; item = item->next) {
        if (!item->isMapped()) continue;
        if (item->x >= event->a + event->c || item->y >= event->b + event->d ||
            item->x + item->width <= event->a || item->y + item->height <= event->b)
            continue;
        item->EventParse(event, item);
    }
}

int Redraw(xinLibSt* event, ColWind* w, const HandleRef& ref) {
    if (w->flags & kCwPlacementPending) {
        w->flags &= ~kCwPlacementPending;
        if (w->reconfigureHook) w->reconfigureHook(w);
        if (!ref.alive()) return 1;
    }
    Window xw = w->window;
    WSetClipRect(xw, (int)event->a, (int)event->b, (int)event->c, (int)event->d);
    WSetColor(xw, fg_pixel, bg_pixel);
    WClearRect(xw, (int)event->a, (int)event->b, (int)event->c, (int)event->d);
    PaintItems(w->graphicsList, event);
    if (!ref.alive()) return 1;
    PaintItems(w->activeList, event);
    if (!ref.alive()) return 1;
    WSetClipRect(xw, (int)event->a, (int)event->b, (int)event->c, (int)event->d);
    PaintMessageLine(w);
    WResetClip(xw);
    if (w->eventFn) w->eventFn(event, w);
    return 1;
}

void Focus(xinLibSt* event, ColWind* w) {
    if (event->a) {
        if (!w->focus) {
            GItem* first = w->initialFocus;
            if (!first || !first->isMapped())
                cwFocusNext(w, false);
            else
                cwSetFocus(w, first);
        } else {
            w->focus->Activate(w->focus, 1);
        }
    } else if (w->focus) {
        w->focus->Activate(w->focus, 0);
    }
}

int Mouse(xinLibSt* event, ColWind* w, const HandleRef& ref) {
    HoverTo(w, cwItemAt(w, (int)event->a, (int)event->b), ref);
    if (!ref.alive()) return 1;
    GItem* target = w->pressed ? w->pressed : cwItemAt(w, (int)event->a, (int)event->b);
    if (event->d == 1) {
        w->pressed = target;
        WWindowTakeFocus(w->window);
        if (target && IsInteractiveKind(target->kind) && target->isTabstop()) cwSetFocus(w, target);
    } else if (event->d == -1) {
        w->pressed = nullptr;
    }
    event->e = (long)target;
    int handled = target ? target->EventParse(event, target) : 0;
    if (!handled && ref.alive() && w->eventFn) w->eventFn(event, w);
    return 1;
}

int Key(xinLibSt* event, ColWind* w, const HandleRef& ref) {
    if (w->focus && w->focus->isMapped() && w->focus->EventParse(event, w->focus)) return 1;
    if (!ref.alive()) return 1;
    for (GItem* item = w->graphicsList; item; item = item->next) {
        if (item->isMapped() && item->EventParse(event, item)) return 1;
        if (!ref.alive()) return 1;
    }
    if (w->eventFn && w->eventFn(event, w)) return 1;
    if (!ref.alive()) return 1;
    if (event->d == kKeyTab && !(event->c & (kModControl | kModAlt | kModMeta))) {
        cwTabFocus(w, (event->c & kModShift) != 0);
        return 1;
    }
    // The window's own bindings: Control+q closes, Control+p would print.
    if ((event->c & kModControl) && (event->d == 'q' || event->d == 'Q')) cwDestroy(w);
    return 1;
}

int CallEventFn(xinLibSt* event, ColWind* w) {
    if (w->eventFn) w->eventFn(event, w);
    return 1;
}

bool HookWindowGeometry(ColWind* window, ConfigRect* self, ConfigRect* parent, bool* hasParent) {
    if (!window || !cwGetGeometry(window, &self->x, &self->y, &self->width, &self->height))
        return false;
    *hasParent = false;
    if (window->owner &&
        WWindowGetGeometry(window->owner, &parent->x, &parent->y, &parent->width, &parent->height))
        *hasParent = true;
    return true;
}

} // namespace

ColWind::ColWind(unsigned kind_, int width_, int height_)
    : GItem(kind_, nullptr, 32767, 32767, width_, height_) {}

ColWind::~ColWind() {
    gen_free(iconName);
    gen_free(title);
    gen_free(message);
}

int ColWind::FontNumber() const {
    return fontNumber >= 0 ? fontNumber : active_font;
}

void ColWind::itemGone(GItem* item) {
    if (hovered == item) hovered = nullptr;
    if (messageItem == item) messageItem = nullptr;
    if (focus == item) focus = nullptr;
    if (initialFocus == item) initialFocus = nullptr;
    if (pressed == item) pressed = nullptr;
    for (CwWidget& entry : widgets)
        if (entry.item == item) entry.item = nullptr;
}

bool cwSetUp(ColWind* w, Window owner, const char* title, const char* iconName, CwCleanupFn cleanup,
             CwEventFn event, int x, int y, const char* iconImage) {
    if (!display || !XWindowsOn) return false;
    // -geometry places and sizes every top-level window the program opens.
    int user = !owner && w->kind == kKindColWind
                   ? WindowConfig_UserGeometry(&x, &y, &w->width, &w->height)
                   : 0;
    w->window = WWindowCreate(x, y, w->width, w->height, owner, title, iconName);
    if (!w->window) return false;
    w->owner = owner;
    w->title = gen_copy(title);
    w->iconName = gen_copy(iconName);
    w->cleanupFn = cleanup;
    w->eventFn = event;
    w->sequence = ++lastSequence;
    w->flags = kCwLive | kCwPlacementPending | ((user & kUserGeometrySize) ? kCwUserSize : 0);
    w->widgets.push_back(CwWidget{w, 0xFFFFFFFFul});
    SetIcon(w->window, iconImage);
    MHandleCreate(kMHandleWindow, w); // the window's own reference, released by cwDestroy
    byXWindow[w->window] = w;
    if (getAppInst()) getAppInst()->cwInsertList(w, 0, 0);
    return true;
}

ColWind* cwxCreatexy(int width, int height, Window owner, const char* title, const char* iconName,
                     CwCleanupFn cleanup, CwEventFn event, int x, int y, const char* iconImage) {
    ColWind* w = new ColWind(kKindColWind, width, height);
    if (!cwSetUp(w, owner, title, iconName, cleanup, event, x, y, iconImage)) {
        delete w;
        return nullptr;
    }
    return w;
}

ColWind* cwCreatexy(int width, int height, Window owner, const char* title, const char* iconName,
                    CwCleanupFn cleanup, CwEventFn event, int x, int y) {
    ColWind* w =
        cwxCreatexy(width, height, owner, title, iconName, cleanup, event, x, y, "ORBITPIC");
    if (w) {
        WWindowShow(w->window);
        WSync();
    }
    return w;
}

ColWind* cwCreatexyNextToCw(int width, int height, Window owner, const char* title,
                            const char* iconName, CwCleanupFn cleanup, CwEventFn event,
                            ColWind* beside) {
    int x = -1, y = -1, bw = 0, bh = 0;
    if (beside && cwGetGeometry(beside, &x, &y, &bw, &bh)) x += bw + 8;
    ColWind* w =
        cwxCreatexy(width, height, owner, title, iconName, cleanup, event, x, y, "ORBITPIC");
    if (w) {
        WWindowShow(w->window);
        WSync();
    }
    return w;
}

int cwDestroy(ColWind* w) {
    if (!w || (w->flags & kCwDestroying)) return 0;
    w->flags |= kCwDestroying;
    mHandle* handle = cwHandle(w);
    if (w->cleanupFn && !w->cleanupFn(w) && Alive(handle)) {
        w->flags &= ~kCwDestroying;
        MHandleDestroy(handle);
        return 0;
    }
    if (!Alive(handle)) {
        MHandleDestroy(handle);
        return 1;
    }
    if (errorWindow == w) errorWindow = nullptr;
    WEventForgetWindow(w);
    DeleteItems(w);
    PlacerDestroyRuntimeInfo(w);
    if (getAppInst()) getAppInst()->cwRemoveList(w);
    byXWindow.erase(w->window);
    if (stateManager) stateManager->forgetWindow(w->window);
    if (dirtyTracker) dirtyTracker->forgetWindow(w->window);
    WWindowDestroy(w->window);
    DiscardEvents(w->window);
    MHandleDie(w);
    MHandleDestroy(handle); // ours
    MHandleDestroy(handle); // the window's own, taken at creation
    delete w;
    return 1;
}

int any_cleanup(ColWind*) {
    return 1;
}

void cwSetMsg(ColWind* w, const char* text, int flag) {
    if (!w) return;
    gen_strchange(&w->message, text);
    if (flag) WSoundBeep();
    if (w->messageItem) w->messageItem->Invalidate();
    if (w->flags & kCwHasMessageLine) {
        int height = cwMessageLineHeight();
        WInvalidateRect(w->window, 0, w->height - height, w->width, height);
    }
}

int cwMessageLineHeight() {
    return bfont_h + 6;
}

const char* cwGetMsg(const ColWind* w) {
    return w && w->message ? w->message : "";
}

void SetErrorWindow(ColWind* w) {
    errorWindow = w;
}

ColWind* GetErrorWindow() {
    return errorWindow;
}

void cwCallProcOnAll(bool (*fn)(ColWind*, void*, void*), void* a, void* b) {
    GApplication* app = getAppInst();
    if (!app) return;
    for (ColWind* w = app->cwGetList(); w; w = static_cast<ColWind*>(w->next))
        if ((w->flags & kCwLive) && !fn(w, a, b)) return;
}

int cwEventParse(xinLibSt* event, ColWind* w) {
    if (!w || !(w->flags & kCwLive) || (w->flags & kCwDestroying)) return 1;
    HandleRef ref(w);
    mHandle* previousError = cwHandle(errorWindow);
    errorWindow = w;
    int result = 1;
    if (w->filter && w->filter(event, w, w->filterArg)) {
        // swallowed
    } else {
        switch (event->kind) {
        case kXinRedraw:
            result = Redraw(event, w, ref);
            break;
        case kXinResize:
            w->width = (int)event->a;
            w->height = (int)event->b;
            if (w->resizeHook) w->resizeHook(w, w->width, w->height);
            if (ref.alive()) result = CallEventFn(event, w);
            break;
        case kXinMap:
            if (event->a) WWindowTakeFocus(w->window);
            result = CallEventFn(event, w);
            break;
        case kXinClose:
            cwDestroy(w);
            break;
        case kXinFocus:
            Focus(event, w);
            if (ref.alive()) result = CallEventFn(event, w);
            break;
        case kXinKey:
        case kXinHelp:
            result = Key(event, w, ref);
            break;
        case kXinMouse:
            result = Mouse(event, w, ref);
            break;
        case kXinEnter:
            if (!event->a) HoverTo(w, nullptr, ref); // the pointer left the window
            if (ref.alive()) result = CallEventFn(event, w);
            break;
        case kXinSelection:
            if (w->focus && w->focus->EventParse(event, w->focus)) break;
            if (ref.alive()) result = CallEventFn(event, w);
            break;
        default:
            result = CallEventFn(event, w);
            break;
        }
    }
    errorWindow = cwFromHandle(previousError);
    MHandleDestroy(previousError);
    return result;
}

ColWind* cwFromXWindow(Window xw) {
    auto it = byXWindow.find(xw);
    return it == byXWindow.end() ? nullptr : it->second;
}

mHandle* cwHandle(ColWind* w) {
    return w ? MHandleCreate(kMHandleWindow, w) : nullptr;
}

ColWind* cwFromHandle(const mHandle* handle) {
    return static_cast<ColWind*>(MHandleObject(handle));
}

void cwSetWidget(ColWind* w, int index, GItem* item, unsigned long mask) {
    if (!w || index < 1) return;
    if ((int)w->widgets.size() <= index) w->widgets.resize(index + 1, CwWidget{nullptr, 0});
    w->widgets[index] = CwWidget{item, mask};
}

GItem* cwGetWidget(ColWind* w, int index) {
    if (!w || index < 0 || index >= (int)w->widgets.size()) return nullptr;
    return w->widgets[index].item;
}

void cwSetFocus(ColWind* w, GItem* item) {
    if (!w || w->focus == item) return;
    GItem* old = w->focus;
    w->focus = item;
    if (old) old->Activate(old, 0);
    if (item) item->Activate(item, 1);
}

void cwFocusNext(ColWind* w, bool backwards) {
    if (!w) return;
    std::vector<GItem*> stops;
    for (GItem* item = w->activeList; item; item = item->next)
        if (item->isMapped() && item->isTabstop() && IsInteractiveKind(item->kind))
            stops.push_back(item);
    if (stops.empty()) return;
    int at = -1;
    for (size_t i = 0; i < stops.size(); ++i)
        if (stops[i] == w->focus) at = (int)i;
    int n = (int)stops.size();
    int next = at < 0 ? (backwards ? n - 1 : 0) : (at + (backwards ? n - 1 : 1)) % n;
    cwSetFocus(w, stops[next]);
}

void cwTabFocus(ColWind* w, bool backwards) {
    if (!w) return;
    w->focusStep = backwards ? -1 : 1;
    cwFocusNext(w, backwards);
    w->focusStep = 0;
}

void cwRedraw(ColWind* w) {
    if (w) WInvalidateRect(w->window, 0, 0, w->width, w->height);
}

bool cwGetGeometry(ColWind* w, int* x, int* y, int* width, int* height) {
    return w && WWindowGetGeometry(w->window, x, y, width, height);
}

GItem* cwItemAt(ColWind* w, int x, int y) {
    for (GItem* item = w->activeList; item; item = item->next)
        if (item->isMapped() && item->contains(x, y)) return item;
    for (GItem* item = w->graphicsList; item; item = item->next)
        if (item->isMapped() && item->contains(x, y)) return item;
    return nullptr;
}

void cwDeliverRedraw(Window xw, int x, int y, int width, int height) {
    ColWind* w = cwFromXWindow(xw);
    if (!w) return;
    xinLibSt event = {};
    event.kind = kXinRedraw;
    event.window = xw;
    event.a = x;
    event.b = y;
    event.c = width;
    event.d = height;
    cwEventParse(&event, w);
}

void WDrawPostInit() {
    WDeliverRedraw = cwDeliverRedraw;
    cfg_displayHooks.windowGeometry = HookWindowGeometry;
}
