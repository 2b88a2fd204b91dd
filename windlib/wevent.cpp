// The loop primitives (see wevent.h). WEventAll never blocks: it takes only what Xlib has
// queued, and all sleeping happens in WYield, which flushes first and waits on the X
// socket together with every other descriptor the idle notifier watches.
#include "windlib/wevent.h"

#include <sys/select.h>

#include <cerrno>
#include <vector>

#include "shared/libcxxutil/ut_idle.h"
#include "windlib/config/config_tables.h"
#include "windlib/devenv_hooks.h"
#include "windlib/wapplication.h"
#include "windlib/window/wdispatch.h"
#include "windlib/wreport.h"
#include "windlib/wtimer.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xevents.h"
#include "xswitch/xswitch.h"

namespace {

// Timers must not starve behind a flood of events: the pass checks them this often.
const int kEventsBetweenTimerChecks = 11;
const long kFallbackLongestWaitMs = 500;

std::vector<WAbortHandler> abortHandlers;
bool loopAborted = false;
void (*scheduledExit)() = nullptr;

struct Periodic {
    void (*fn)(void*);
    void (*stop)(void*, int);
    void* arg;
    ColWind* window;
};
Periodic periodic = {nullptr, nullptr, nullptr, nullptr};

Bool AnyEvent(Display*, XEvent*, XPointer) {
    return True;
}

// An abort key: the top handler, or the report when nobody handles aborts.
int Abort() {
    if (!abortHandlers.empty()) {
        abortHandlers.back()();
        return 1;
    }
    return WReportError(3, "Command aborted.");
}

void NotifyIdle() {
    IdleNotifier* notifier = getIdleNotifier();
    if (!notifier) return;
    notifier->notifyIdle(false);
    notifier->notifyTimers(true);
    notifier->notifySocketActivity(0, true, true);
}

long CutToClickPause(long wait) {
    if (clickpause > 0 && wait > clickpause * 100L - 2) wait = clickpause * 100L - 2;
    return wait;
}

bool SafeEvent(Display*, XEvent* event, XPointer allowAbort) {
    switch (event->type) {
    case Expose:
    case GraphicsExpose:
    case NoExpose:
    case ConfigureNotify:
        return true;
    case KeyPress:
        return allowAbort && WIsAbortKey(event);
    default:
        return false;
    }
}

Bool SafePredicate(Display* d, XEvent* e, XPointer allowAbort) {
    return SafeEvent(d, e, allowAbort) ? True : False;
}

// Whatever the user queued before aborting is dropped with the work it asked for.
void DiscardQueued() {
    XEvent event;
    while (XCheckIfEvent(display, &event, AnyEvent, nullptr)) {
    }
}

} // namespace

int WEventAll(int allowAbort) {
    loopAborted = false;
    if (display) {
        int counted = 0;
        XEvent event;
        while (!loopAborted && XCheckIfEvent(display, &event, AnyEvent, nullptr)) {
            if (allowAbort && WIsAbortKey(&event)) return Abort();
            if (XFilterEvent(&event, None)) continue;
            if (WDispatchEvent(&event) == 0) return 0;
            if (++counted == kEventsBetweenTimerChecks) {
                counted = 0;
                if (ExtraProcess_AnyTimedOut()) break;
            }
        }
    }
    NotifyIdle();
    if (scheduledExit) WEventAppExit();
    CheckLocalTimeout();
    if (periodic.fn) periodic.fn(periodic.arg);
    return 1;
}

int WEventProcessSafeEvents(int allowAbort) {
    int result = 1;
    if (display && XWindowsOn) {
        XEvent event;
        while (XCheckIfEvent(display, &event, SafePredicate, (XPointer)(long)allowAbort)) {
            if (event.type == KeyPress) {
                DiscardQueued();
                return Abort();
            }
            if (event.type == NoExpose) continue;
            result = WDispatchEvent(&event);
            if (result != 1) break;
        }
    }
    if (getIdleNotifier()) getIdleNotifier()->notifyIdle(true);
    return result;
}

long WYield(long wait, bool dontCheckQueue) {
    if (!debugFlag[kSwitchUseFDRegistry]) {
        if (wait > kFallbackLongestWaitMs) wait = kFallbackLongestWaitMs;
        wait = CutToClickPause(wait);
        if (wait <= 0 || !display) return wait;
        if (XEventsQueued(display, QueuedAfterFlush) > 0 || Remote_NeedToPoll()) return 0;
        int fd = ConnectionNumber(display);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        struct timeval tv = {wait / 1000, (wait % 1000) * 1000};
        if (select(fd + 1, &readable, nullptr, nullptr, &tv) < 0 && errno != EINTR) return 0;
        return wait;
    }
    if (display) {
        // Requests still in our buffer would otherwise wait for the next timeout.
        if (dontCheckQueue)
            XFlush(display);
        else if (XEventsQueued(display, QueuedAfterFlush) > 0)
            wait = 0;
    }
    if (wait > 0) wait = CutToClickPause(wait);
    if (wait <= 0) return wait;
    if (debugFlag[kSwitchNewServerProtocol] && Remote_NeedToPoll()) return wait;
    // A signal ends the wait early (EINTR inside); the caller's loop simply goes round.
    if (getIdleNotifier()) getIdleNotifier()->notifySocketActivity(wait, false, true);
    return wait;
}

bool NoMoreWindows() {
    if (HistoryBrowser_IsOpen()) return false;
    GApplication* app = getAppInst();
    return !app || app->cwGetList() == nullptr;
}

void WEventPushAbortHandler(WAbortHandler handler) {
    abortHandlers.push_back(handler);
}

void WEventPopAbortHandler() {
    if (!abortHandlers.empty()) abortHandlers.pop_back();
}

WAbortHandler WEventGetAbortHandler() {
    return abortHandlers.empty() ? nullptr : abortHandlers.back();
}

GuiAbortHandler::GuiAbortHandler(WAbortHandler handler) : pushed_(XWindowsOn) {
    if (pushed_) WEventPushAbortHandler(handler);
}

GuiAbortHandler::~GuiAbortHandler() {
    if (pushed_) WEventPopAbortHandler();
}

void WEventAbortLoop() {
    loopAborted = true;
}

bool WEventAborted() {
    return loopAborted;
}

void WEventAppScheduleExit(void (*fn)()) {
    scheduledExit = fn;
}

bool WEventAppShouldExit() {
    return scheduledExit != nullptr;
}

void WEventAppExit() {
    if (scheduledExit) scheduledExit();
}

void WEventSetPeriodic(void (*fn)(void*), void (*stop)(void*, int), void* arg, ColWind* window) {
    if (periodic.fn && periodic.fn != fn && periodic.stop) periodic.stop(periodic.arg, 0);
    periodic = Periodic{fn, stop, arg, window};
}

void WEventForgetWindow(ColWind* window) {
    if (window && periodic.window == window)
        periodic = Periodic{nullptr, nullptr, nullptr, nullptr};
}
