// The event-loop primitives: WEventAll takes every X event already queued and dispatches
// it, then runs the idle work; WYield sleeps until X input, a watched descriptor or the
// wait runs out. A program's loop is: WEventAll, ExtraProcess_Wait (wtimer.h), WYield,
// until NoMoreWindows. Also the abort keys, the loop-abort flag, a scheduled exit and the
// periodic callback. Start with WEventAll.
#pragma once

class ColWind;

// Dispatches every queued X event, then notifies idlers, timers and sockets. Returns 1
// normally, 0 when a dispatch asked to stop, and the "Command aborted." report's result
// for an abort key with no abort handler (only when allowAbort is non-zero).
int WEventAll(int allowAbort);
// Dispatches only the queued exposures, configures and (with allowAbort) abort keys, so
// windows stay painted during long work without letting the user act.
int WEventProcessSafeEvents(int allowAbort);
// Sleeps at most waitMs (cut to the double-click interval) until X input or descriptor
// activity; returns the wait used. Queued events make the wait 0 unless dontCheckQueue.
long WYield(long waitMs, bool dontCheckQueue);
// True when no top-level window is left.
bool NoMoreWindows();

// The stack of abort handlers run by an abort key (Escape).
typedef void (*WAbortHandler)();
void WEventPushAbortHandler(WAbortHandler handler);
void WEventPopAbortHandler();
WAbortHandler WEventGetAbortHandler();
// Pushes a handler for its lifetime while the display is up.
class GuiAbortHandler {
public:
    explicit GuiAbortHandler(WAbortHandler handler);
    ~GuiAbortHandler();
    GuiAbortHandler(const GuiAbortHandler&) = delete;
    GuiAbortHandler& operator=(const GuiAbortHandler&) = delete;

private:
    bool pushed_;
};

// Ends the current WEventAll pass after the event being dispatched.
void WEventAbortLoop();
bool WEventAborted();

void WEventAppScheduleExit(void (*fn)());
bool WEventAppShouldExit();
void WEventAppExit();

// fn(arg) runs at the end of every WEventAll. A new callback first stops the old one with
// stop(old arg, 0); destroying `window` clears it.
void WEventSetPeriodic(void (*fn)(void* arg), void (*stop)(void* arg, int reason), void* arg,
                       ColWind* window);
// The window is going: its periodic callback (if any) is cleared.
void WEventForgetWindow(ColWind* window);
