// The dirty-region tracker (see xdirty.h).
#include "windlib/x11/xdirty.h"

#include "shared/gen_messages.h"
#include "shared/libcxxutil/ut_clock.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xstatemanager.h"
#include "windlib/x11/xwindow.h"
#include "xswitch/xswitch.h"

XDirtyTracker* dirtyTracker = nullptr;
WRedrawDelivery WDeliverRedraw = nullptr;

namespace {

const int kSwitchShowDirtyRects = 756;

// With the diagnostic switch on, every invalidation is outlined in red.
void Outline(Window w, const WShape& shape) {
    if (!debugFlag[kSwitchShowDirtyRects] || !display || !stateManager) return;
    XRectangle r = shape.boundingBox();
    XGCValues v;
    v.foreground = WAllocateColor(0xffff, 0, 0);
    GC gc = XCreateGC(display, w, GCForeground, &v);
    XDrawRectangle(display, w, gc, r.x, r.y, r.width ? r.width - 1 : 0,
                   r.height ? r.height - 1 : 0);
    XFreeGC(display, gc);
}

} // namespace

XDirtyTracker::XDirtyTracker() = default;

XDirtyTracker::~XDirtyTracker() {
    if (!getIdleNotifier()) return;
    if (registered_) getIdleNotifier()->removeIdleListener(this);
    if (timerSet_) getIdleNotifier()->removeTimerListener(this);
}

void XDirtyTracker::registerIdler() {
    if (registered_ || !getIdleNotifier()) return;
    getIdleNotifier()->addIdleListener(this);
    registered_ = true;
}

void XDirtyTracker::noteExpose(const XEvent* event) {
    if (event->type == Expose) {
        const XExposeEvent& e = event->xexpose;
        markDirty(e.window, WShape(e.x, e.y, e.width, e.height));
    } else if (event->type == GraphicsExpose) {
        const XGraphicsExposeEvent& e = event->xgraphicsexpose;
        markDirty(e.drawable, WShape(e.x, e.y, e.width, e.height));
    }
}

void XDirtyTracker::markDirty(Window w, const WShape& shape) {
    if (!w || shape.isEmpty()) return;
    dirty_[w].add(shape);
    Outline(w, shape);
    registerIdler();
}

void XDirtyTracker::markClean(Window w, const WShape& shape) {
    auto it = dirty_.find(w);
    if (it == dirty_.end()) return;
    it->second.subtract(shape);
    if (it->second.isEmpty()) dirty_.erase(it);
}

bool XDirtyTracker::isClean(Window w) const {
    return dirty_.find(w) == dirty_.end();
}

WShape XDirtyTracker::getDirtyShape(Window w) const {
    auto it = dirty_.find(w);
    return it == dirty_.end() ? WShape() : it->second;
}

bool XDirtyTracker::paintAndClean(Window w) {
    auto it = dirty_.find(w);
    if (it == dirty_.end()) return true;
    if (WDontDraw(w)) return false;
    XRectangle r = it->second.boundingBox();
    dirty_.erase(it);
    if (WDeliverRedraw) WDeliverRedraw(w, r.x, r.y, r.width, r.height);
    return true;
}

void XDirtyTracker::notePan(Window w, const WShape& shape, int dx, int dy) {
    auto it = dirty_.find(w);
    if (it == dirty_.end()) return;
    WShape moved = it->second;
    moved.intersect(shape);
    moved.translate(dx, dy);
    moved.intersect(shape);
    it->second.add(moved);
}

void XDirtyTracker::forgetWindow(Window w) {
    dirty_.erase(w);
}

void XDirtyTracker::handleIdle(IdleNotifier* notifier) {
    long long now = ut_clock_ms();
    long sinceLast = lastPaintMs_ < 0 ? (long)kFrameMs : (long)(now - lastPaintMs_);
    // Only where the loop's wait ends at the notifier's timers can a paint be held back.
    if (sinceLast < kFrameMs && debugFlag[kSwitchUseFDRegistry]) {
        // Windows that cannot be drawn now wait for their exposure, not for a timer.
        for (const auto& entry : dirty_) {
            if (WDontDraw(entry.first)) continue;
            wakeAfter(kFrameMs - sinceLast);
            break;
        }
        return;
    }
    lastPaintMs_ = now;
    paintAll(notifier);
}

void XDirtyTracker::wakeAfter(long ms) {
    IdleNotifier* notifier = getIdleNotifier();
    if (timerSet_ || !notifier) return;
    notifier->addTimerListener(this, ms < 1 ? 1 : ms);
    timerSet_ = true;
}

void XDirtyTracker::handleTimer(long long) {
    IdleNotifier* notifier = getIdleNotifier();
    notifier->removeTimerListener(this);
    timerSet_ = false;
    if (registered_) handleIdle(notifier);
}

void XDirtyTracker::paintAll(IdleNotifier* notifier) {
    if (registered_) notifier->removeIdleListener(this);
    registered_ = false;
    bool anyLeft = false;
    // A redraw may invalidate or destroy windows, so walk a copy of the keys.
    std::vector<Window> windows;
    for (const auto& entry : dirty_) windows.push_back(entry.first);
    for (Window w : windows)
        if (!paintAndClean(w)) anyLeft = true;
    if (anyLeft) registerIdler();
}

void WInvalidateRect(Window w, int x, int y, int width, int height) {
    if (width < 1 || height < 1 || !dirtyTracker) return;
    dirtyTracker->markDirty(w, WShape(x, y, width, height));
}

bool WDontDraw(Window w) {
    __Assert(w != 0, "w != NoWindow", __FILE__, __LINE__, 0);
    if (!WWindowIsViewable(w)) return true;
    if (stateManager) {
        const XDrawingProperties& p = stateManager->properties(w);
        if (p.clipped && p.clip.empty()) return true;
    }
    return false;
}
