// The timer and process registry: the wait a pass reports, timers on a replaced clock,
// finishing and killing, real child processes, and callbacks that change the registry
// under a running pass.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "shared/libcxxutil/ut_clock.h"
#include "windlib/wtimer.h"

namespace {

long long theFakeMs = 0;

void FakeClock(long* seconds, long* microseconds) {
    *seconds = static_cast<long>(theFakeMs / 1000);
    *microseconds = static_cast<long>(theFakeMs % 1000) * 1000;
}

std::vector<std::string> theLog;

// What a record does when called, and what it saw.
struct Work {
    std::string name;
    int result = 0;
    int finishResult = 1;
    int finishedWith = -1;
    std::function<void(int index)> action;
};

int RunWork(void* data, int index) {
    Work* work = static_cast<Work*>(data);
    if (!work->name.empty()) theLog.push_back(work->name);
    if (work->action) work->action(index);
    return work->result;
}

int FinishWork(void* data, int status) {
    Work* work = static_cast<Work*>(data);
    work->finishedWith = status;
    return work->finishResult;
}

class WTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        theFakeMs = 10000000;
        ut_clock_source = FakeClock;
        baseline = MHandleNumAllocated();
        theLog.clear();
    }
    void TearDown() override {
        while (ExtraProcess_NumberPending() > 0) ExtraProcess_Remove(0);
        for (mHandle* handle : handles) MHandleDestroy(handle);
        EXPECT_EQ(MHandleNumAllocated(), baseline);
        ut_clock_source = ut_monotonic_clock;
    }
    mHandle* Create(int kind, long arg, Work* work, bool withFinish = true) {
        mHandle* handle =
            ExtraProcess_Create(kind, arg, RunWork, withFinish ? FinishWork : nullptr, work);
        handles.push_back(handle);
        return handle;
    }
    long Pass() {
        long wait = -1;
        EXPECT_EQ(ExtraProcess_Wait(&wait), 1);
        return wait;
    }
    int baseline = 0;
    std::vector<mHandle*> handles;
};

TEST_F(WTimerTest, PassReportsFiveSecondsWhenIdleAndZeroWithBackgroundWork) {
    EXPECT_EQ(Pass(), 5000);
    EXPECT_EQ(ExtraProcess_Wait(nullptr), 1);
    Work dormant, background;
    Create(kExtraDormant, 0, &dormant);
    EXPECT_EQ(Pass(), 5000);
    Create(kExtraBackground, 0, &background);
    EXPECT_EQ(Pass(), 0);
    EXPECT_EQ(ExtraProcess_GetWaitTypeFromIndex(0), kExtraDormant);
    EXPECT_EQ(ExtraProcess_GetWaitTypeFromIndex(1), kExtraBackground);
    EXPECT_EQ(ExtraProcess_GetWaitTypeFromIndex(2), kExtraBadIndex);
    EXPECT_EQ(ExtraProcess_GetWaitTypeFromIndex(-1), kExtraBadIndex);
    EXPECT_EQ(ExtraProcess_Create(7, 0, RunWork, nullptr, nullptr), nullptr);
}

TEST_F(WTimerTest, TimerRunsOnceItsDelayHasPassedAndEveryPassUntilReArmed) {
    Work timer;
    timer.name = "t";
    mHandle* handle = Create(kExtraTimer, 1500, &timer);
    EXPECT_EQ(Pass(), 1500);
    theFakeMs += 1499;
    EXPECT_FALSE(ExtraProcess_AnyTimedOut());
    EXPECT_EQ(Pass(), 1);
    EXPECT_TRUE(theLog.empty());

    theFakeMs += 1;
    EXPECT_TRUE(ExtraProcess_AnyTimedOut());
    EXPECT_EQ(Pass(), 0); // not re-armed: due again at once
    EXPECT_EQ(Pass(), 0);
    EXPECT_EQ(theLog.size(), 2u);

    timer.action = [&](int) { ExtraProcess_SetTimeout(handle, 1000); };
    EXPECT_EQ(Pass(), 1000);
    EXPECT_EQ(Pass(), 1000);
    EXPECT_EQ(theLog.size(), 3u);
}

TEST_F(WTimerTest, FinishedRecordIsRemovedOnlyWhenItsFinishCallbackAgrees) {
    Work keeps, goes;
    keeps.result = goes.result = 1;
    keeps.finishResult = 0;
    Create(kExtraTimer, 0, &keeps);
    Create(kExtraTimer, 0, &goes);
    Pass();
    EXPECT_EQ(keeps.finishedWith, 0);
    EXPECT_EQ(goes.finishedWith, 0);
    EXPECT_EQ(ExtraProcess_NumberPending(), 1);

    Work noFinish;
    noFinish.result = 1;
    Create(kExtraBackground, 0, &noFinish, false);
    Pass();
    EXPECT_EQ(ExtraProcess_NumberPending(), 1);
}

TEST_F(WTimerTest, KillFinishesWithTheGivenStatusAndLeavesAHandleThatResolvesToNothing) {
    Work work;
    work.finishResult = 0;
    mHandle* handle = Create(kExtraChild, 4242, &work);
    mHandle* copy = MHandleCopy(handle);
    EXPECT_EQ(ExtraProcess_GetPid(copy), 4242);

    ExtraProcess_Kill(handle, 9);
    EXPECT_EQ(work.finishedWith, 9);
    EXPECT_EQ(ExtraProcess_NumberPending(), 1); // the finish callback said no
    work.finishResult = 1;
    ExtraProcess_Kill(handle, 5);
    EXPECT_EQ(ExtraProcess_NumberPending(), 0);

    EXPECT_EQ(MHandleObject(copy), nullptr);
    EXPECT_EQ(ExtraProcess_GetPid(copy), 0);
    EXPECT_EQ(ExtraProcess_SetTimeout(copy, 10), 0);
    ExtraProcess_Kill(copy, 1);
    EXPECT_EQ(work.finishedWith, 5);
    MHandleDestroy(copy); // the fixture's release of the last reference frees it
}

TEST_F(WTimerTest, ReapedChildGetsItsExitStatusEvenWhenItsCallbackSaysNothing) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(3);
    Work watch;
    mHandle* handle = Create(kExtraChild, child, &watch);
    EXPECT_EQ(ExtraProcess_GetPid(handle), child);

    for (int i = 0; i < 1000 && watch.finishedWith < 0; ++i) {
        Pass();
        if (watch.finishedWith < 0) usleep(10000);
    }
    ASSERT_GE(watch.finishedWith, 0) << "child was never reaped";
    EXPECT_TRUE(WIFEXITED(watch.finishedWith));
    EXPECT_EQ(WEXITSTATUS(watch.finishedWith), 3);
    EXPECT_EQ(ExtraProcess_NumberPending(), 0);
    EXPECT_EQ(ExtraProcess_GetPid(handle), 0);
}

TEST_F(WTimerTest, CallbacksMayRemoveRecordsWithoutDisturbingThePass) {
    Work works[4];
    for (int i = 0; i < 4; ++i) {
        works[i].name = std::to_string(i);
        Create(kExtraBackground, 0, &works[i]);
    }
    works[1].action = [](int index) { ExtraProcess_Remove(index); };     // itself
    works[2].action = [](int index) { ExtraProcess_Remove(index - 1); }; // the one before
    Pass();
    EXPECT_EQ(theLog, (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(ExtraProcess_NumberPending(), 2);

    theLog.clear();
    works[2].action = nullptr;
    Pass();
    EXPECT_EQ(theLog, (std::vector<std::string>{"2", "3"}));
}

TEST_F(WTimerTest, NestedPassSkipsTheRecordWhoseCallbackIsRunning) {
    Work outer, other;
    outer.name = "outer";
    other.name = "other";
    int depth = 0;
    outer.action = [&](int) {
        if (depth++ == 0) Pass(); // a modal loop inside the callback
    };
    Create(kExtraBackground, 0, &outer);
    Create(kExtraBackground, 0, &other);
    Pass();
    EXPECT_EQ(theLog, (std::vector<std::string>{"outer", "other", "other"}));
}

TEST_F(WTimerTest, RegistryGrowsByTenWhenTheTenthRecordArrives) {
    ASSERT_LE(extraProcessListMax, 10) << "an earlier test already grew the registry";
    std::vector<Work> works(10);
    for (int i = 0; i < 9; ++i) Create(kExtraDormant, 0, &works[i]);
    EXPECT_EQ(extraProcessListMax, 10);
    Create(kExtraDormant, 0, &works[9]);
    EXPECT_EQ(extraProcessListMax, 20);
    EXPECT_EQ(ExtraProcess_NumberPending(), 10);
}

TEST_F(WTimerTest, TimeoutsCarryMillisecondsIntoSeconds) {
    theFakeMs = 10900;
    long sec = 0, ms = 0;
    WSetTimeout(&sec, &ms, 250);
    EXPECT_EQ(sec, 11);
    EXPECT_EQ(ms, 150);
    EXPECT_EQ(WCheckTimeout(sec, ms), 250);
    theFakeMs = 11149;
    EXPECT_EQ(WCheckTimeout(sec, ms), 1);
    theFakeMs = 11150;
    EXPECT_EQ(WCheckTimeout(sec, ms), 0);
    theFakeMs = 12000;
    EXPECT_EQ(WCheckTimeout(sec, ms), 0);
}

} // namespace
