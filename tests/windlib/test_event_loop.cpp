// The loop primitives on a live server: WEventAll takes only what is queued and checks the
// timers every 11 events, abort keys reach the top abort handler, WYield does not sleep
// over queued events, and the periodic callback and scheduled exit run at a pass's end.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>

#include "support/toolkit_fixture.h"
#include "windlib/config/config_tables.h"
#include "windlib/wevent.h"
#include "windlib/window/wcolwind.h"
#include "windlib/wreport.h"
#include "windlib/wtimer.h"
#include "windlib/x11/xdisplay.h"

namespace {

class EventLoop : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        w = cwxCreatexy(100, 100, 0, "Loop", nullptr, nullptr, nullptr, 0, 0, nullptr);
        ASSERT_NE(w, nullptr);
    }

    // Puts `count` client messages for the window straight into Xlib's queue.
    void Queue(int count) {
        for (int i = 0; i < count; ++i) {
            XEvent e = {};
            e.xclient.type = ClientMessage;
            e.xclient.display = display;
            e.xclient.window = w->window;
            e.xclient.format = 32;
            XPutBackEvent(display, &e);
        }
    }

    void QueueKey(KeySym symbol, unsigned int state) {
        XEvent e = {};
        e.xkey.type = KeyPress;
        e.xkey.display = display;
        e.xkey.window = w->window;
        e.xkey.state = state;
        e.xkey.keycode = XKeysymToKeycode(display, symbol);
        XPutBackEvent(display, &e);
    }

    ColWind* w = nullptr;
};

int Never(void*, int) {
    return 0;
}

TEST_F(EventLoop, DueTimerEndsThePassAfterElevenEvents) {
    Settle();
    mHandle* timer = ExtraProcess_Create(kExtraTimer, 0, Never, nullptr, nullptr);
    Queue(20);
    EXPECT_EQ(WEventAll(0), 1);
    EXPECT_EQ(XEventsQueued(display, QueuedAlready), 9);
    ExtraProcess_Kill(timer, 1);
    MHandleDestroy(timer);
    WEventAll(0);
    EXPECT_EQ(XEventsQueued(display, QueuedAlready), 0);
}

TEST_F(EventLoop, WithoutDueTimersOnePassTakesEverything) {
    Settle();
    Queue(30);
    WEventAll(0);
    EXPECT_EQ(XEventsQueued(display, QueuedAlready), 0);
}

int aborts = 0;
void CountAbort() {
    ++aborts;
}

int reported = -1;
int RecordReport(int level, const char*) {
    reported = level;
    return 0;
}

TEST_F(EventLoop, AbortKeysGoToTheTopHandlerOrAreReported) {
    Settle();
    aborts = 0;
    WEventPushAbortHandler(CountAbort);
    QueueKey(XK_Escape, 0);
    EXPECT_EQ(WEventAll(1), 1);
    EXPECT_EQ(aborts, 1);
    QueueKey(XK_c, ControlMask);
    WEventAll(1);
    EXPECT_EQ(aborts, 2);
    QueueKey(XK_Escape, 0);
    WEventAll(0); // not allowed to abort: dispatched as a key
    EXPECT_EQ(aborts, 2);
    WEventPopAbortHandler();

    auto saved = WReportErrorHook;
    WReportErrorHook = RecordReport;
    QueueKey(XK_Escape, 0);
    EXPECT_EQ(WEventAll(1), 0);
    EXPECT_EQ(reported, 3);
    WReportErrorHook = saved;
}

TEST_F(EventLoop, YieldDoesNotSleepOverQueuedEvents) {
    Settle();
    Queue(1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WYield(2000, false), 0);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
    WEventAll(0);
    // A long wait is cut to the double-click interval.
    EXPECT_EQ(WYield(5000, false), clickpause * 100 - 2);
}

int periodicRuns = 0;
int stops = 0;
void Periodic(void*) {
    ++periodicRuns;
}
void Stop(void*, int) {
    ++stops;
}
void OtherPeriodic(void*) {}

TEST_F(EventLoop, PeriodicCallbackRunsEachPassUntilItsWindowGoes) {
    periodicRuns = stops = 0;
    WEventSetPeriodic(Periodic, Stop, nullptr, w);
    WEventAll(0);
    WEventAll(0);
    EXPECT_EQ(periodicRuns, 2);
    cwDestroy(w);
    WEventAll(0);
    EXPECT_EQ(periodicRuns, 2);
    WEventSetPeriodic(Periodic, Stop, nullptr, nullptr);
    WEventSetPeriodic(OtherPeriodic, nullptr, nullptr, nullptr);
    EXPECT_EQ(stops, 1);
    WEventSetPeriodic(nullptr, nullptr, nullptr, nullptr);
}

int exits = 0;
void ScheduledExit() {
    ++exits;
}

TEST_F(EventLoop, ScheduledExitRunsAtTheEndOfAPass) {
    exits = 0;
    EXPECT_FALSE(WEventAppShouldExit());
    WEventAppScheduleExit(ScheduledExit);
    EXPECT_TRUE(WEventAppShouldExit());
    WEventAll(0);
    EXPECT_EQ(exits, 1);
    WEventAppScheduleExit(nullptr);
}

TEST_F(EventLoop, LastWindowGoneMeansNoMoreWindows) {
    EXPECT_FALSE(NoMoreWindows());
    cwDestroy(w);
    EXPECT_TRUE(NoMoreWindows());
}

} // namespace
