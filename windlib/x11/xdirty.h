// The dirty-region tracker: exposures and invalidations collect per window into one dirty
// shape, and when the loop goes idle every dirty window gets one redraw event (kind 0)
// carrying the bounding rectangle of its dirty shape. Widgets never paint from Expose
// events directly. Repaints come at most once a frame (a screen shows no more), so work
// that changes a window thousands of times a second pays for a few dozen paints; a timer
// wakes the loop for a paint held back. Start with XDirtyTracker::handleIdle.
#pragma once

#include <X11/Xlib.h>

#include <map>

#include "shared/libcxxutil/ut_idle.h"
#include "windlib/x11/xshape.h"

// Delivers a redraw of the rectangle to the window; set by the window layer.
typedef void (*WRedrawDelivery)(Window window, int x, int y, int width, int height);
extern WRedrawDelivery WDeliverRedraw;

class XDirtyTracker : public Idler, public TimerListener {
public:
    XDirtyTracker();
    ~XDirtyTracker() override;
    XDirtyTracker(const XDirtyTracker&) = delete;
    XDirtyTracker& operator=(const XDirtyTracker&) = delete;

    // Adds an Expose or GraphicsExpose rectangle to its window's dirty shape.
    void noteExpose(const XEvent* event);
    void markDirty(Window w, const WShape& shape);
    void markClean(Window w, const WShape& shape);
    bool isClean(Window w) const;
    // The window's dirty shape (empty when clean).
    WShape getDirtyShape(Window w) const;
    // Sends the window its redraw and marks it clean, unless it must not be drawn now.
    // Returns true when the window is clean afterwards.
    bool paintAndClean(Window w);
    // An area of the window was scrolled by dx, dy by copying: what was dirty inside
    // `shape` is now dirty where the copy moved it.
    void notePan(Window w, const WShape& shape, int dx, int dy);
    void forgetWindow(Window w);
    int dirtyWindowCount() const { return (int)dirty_.size(); }

    // Paints every dirty window, unless the last paint was less than a frame ago: then
    // the paint waits for the frame's end.
    void handleIdle(IdleNotifier* notifier) override;
    bool isIdlerSafe() override { return true; }
    void handleTimer(long long nowMs) override;
    bool isTimerSafe() override { return true; }

    // The shortest time between two paints, in milliseconds.
    enum { kFrameMs = 16 };

private:
    void registerIdler();
    void paintAll(IdleNotifier* notifier);
    void wakeAfter(long ms);

    std::map<Window, WShape> dirty_;
    bool registered_ = false;
    bool timerSet_ = false;
    long long lastPaintMs_ = -1;
};

extern XDirtyTracker* dirtyTracker; // null outside WDrawInit .. WDrawExit

// Marks the rectangle dirty (nothing for a width or height below 1).
void WInvalidateRect(Window w, int x, int y, int width, int height);
// True while the window is not visible or its clip shape is empty: drawing would be lost.
bool WDontDraw(Window w);
