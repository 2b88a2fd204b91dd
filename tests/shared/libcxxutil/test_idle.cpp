// The idle notifier: idler passes under change, socket listeners over real sockets, and
// timers on a replaced clock. Every test leaves the notifier empty.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "shared/libcxxutil/ut_clock.h"
#include "shared/libcxxutil/ut_idle.h"

namespace {

using Log = std::vector<std::string>;
Log theLog;
long long theFakeMs = 0;

void FakeClock(long* seconds, long* microseconds) {
    *seconds = static_cast<long>(theFakeMs / 1000);
    *microseconds = static_cast<long>(theFakeMs % 1000) * 1000;
}

struct LogIdler : Idler {
    std::string name;
    bool safe = false;
    std::function<void()> action;
    void handleIdle(IdleNotifier*) override {
        theLog.push_back(name);
        if (action) action();
    }
    bool isIdlerSafe() override { return safe; }
};

struct LogListener : SocketListener {
    std::string name;
    int fd = -1;
    bool read = false, write = false, dequeue = false, stop = false;
    std::function<void()> onRead;
    bool hasFD() override { return fd >= 0; }
    int getFD() override { return fd; }
    bool wantsToRead() override { return read; }
    bool wantsToWrite() override { return write; }
    bool wantsToDequeueAndDispatch() override { return dequeue; }
    bool wantsToStop() override { return stop; }
    void handleRead() override {
        theLog.push_back(name + ":read");
        if (onRead) onRead();
    }
    void handleWrite() override { theLog.push_back(name + ":write"); }
    void handleDequeueAndDispatch() override { theLog.push_back(name + ":dispatch"); }
    void handleStop() override {
        theLog.push_back(name + ":stop");
        stop = false;
    }
};

struct LogTimer : TimerListener {
    std::string name;
    bool safe = false;
    std::function<void()> action;
    void handleTimer(long long now) override {
        theLog.push_back(name + "@" + std::to_string(now - 1000000));
        if (action) action();
    }
    bool isTimerSafe() override { return safe; }
};

class IdleTest : public ::testing::Test {
protected:
    void SetUp() override {
        notifier = getIdleNotifier();
        ASSERT_NE(notifier, nullptr);
        ASSERT_EQ(notifier->getNumIdlers(), 0);
        theLog.clear();
        theFakeMs = 1000000;
        ut_clock_source = FakeClock;
    }
    void TearDown() override {
        ut_clock_source = ut_monotonic_clock;
        for (int fd : fds) close(fd);
    }
    // A connected pair: both ends writable, the first readable once the second writes.
    void SocketPair(int* mine, int* peer) {
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        fds.push_back(*mine = pair[0]);
        fds.push_back(*peer = pair[1]);
    }
    IdleNotifier* notifier = nullptr;
    std::vector<int> fds;
};

TEST_F(IdleTest, IdlersRunOncePerPassInAddressOrderAndSafeOnlyPassesSkipUnsafeOnes) {
    std::vector<LogIdler> idlers(20); // more than fit the pass's fixed snapshot
    idlers[0].name = "unsafe";
    idlers[1].name = "safe";
    idlers[1].safe = true;
    for (int i = 19; i >= 0; --i) notifier->addIdleListener(&idlers[i]);
    notifier->addIdleListener(&idlers[0]);
    EXPECT_EQ(notifier->getNumIdlers(), 20);

    notifier->notifyIdle(false);
    ASSERT_EQ(theLog.size(), 20u);
    EXPECT_EQ(theLog[0], "unsafe");
    EXPECT_EQ(theLog[1], "safe");
    theLog.clear();
    notifier->notifyIdle(true);
    EXPECT_EQ(theLog, (Log{"safe"}));
    for (LogIdler& idler : idlers) notifier->removeIdleListener(&idler);
}

TEST_F(IdleTest, IdlerRemovedDuringAPassIsSkippedAndOneAddedWaitsForTheNext) {
    LogIdler idlers[3];
    idlers[0].name = "remover";
    idlers[1].name = "removed";
    idlers[2].name = "late";
    idlers[0].action = [&] {
        notifier->removeIdleListener(&idlers[1]);
        notifier->addIdleListener(&idlers[2]);
    };
    notifier->addIdleListener(&idlers[0]);
    notifier->addIdleListener(&idlers[1]);
    notifier->notifyIdle(false);
    EXPECT_EQ(theLog, (Log{"remover"}));
    idlers[0].action = nullptr;
    notifier->notifyIdle(false);
    EXPECT_EQ(theLog, (Log{"remover", "remover", "late"}));
    notifier->removeIdleListener(&idlers[0]);
    notifier->removeIdleListener(&idlers[2]);
}

TEST_F(IdleTest, ListenerRemovedInItsOwnReadGetsNoMoreCallsAndTheListCompacts) {
    int a = -1, a_peer = -1, b = -1, b_peer = -1;
    SocketPair(&a, &a_peer);
    SocketPair(&b, &b_peer);
    ASSERT_EQ(write(a_peer, "x", 1), 1);
    ASSERT_EQ(write(b_peer, "x", 1), 1);
    LogListener first, second;
    first.name = "a";
    first.fd = a;
    first.read = first.write = first.dequeue = true;
    first.onRead = [&] {
        notifier->removeSocketListener(&first);
        EXPECT_EQ(notifier->getNumIdlers(), 2); // emptied, not moved, while the pass runs
    };
    second.name = "b";
    second.fd = b;
    second.read = second.write = second.dequeue = true;
    second.onRead = [&] { second.stop = true; };
    notifier->addSocketListener(&first);
    notifier->addSocketListener(&second);

    // Data that arrived supersedes a queued-message turn; stopping is asked last.
    EXPECT_TRUE(notifier->notifySocketActivity(1000, true, false));
    EXPECT_EQ(theLog, (Log{"a:read", "b:read", "b:write", "b:stop"}));
    EXPECT_EQ(notifier->getNumIdlers(), 1);

    theLog.clear(); // the entry moved into the emptied slot is still served
    second.read = false;
    EXPECT_TRUE(notifier->notifySocketActivity(1000, true, false));
    EXPECT_EQ(theLog, (Log{"b:write", "b:dispatch"}));
    notifier->removeSocketListener(&second);
}

TEST_F(IdleTest, ListenersWithoutDescriptorOrWithQueuedMessagesAreServedWithoutWaiting) {
    ut_clock_source = ut_monotonic_clock;
    std::vector<LogListener> listeners(40); // beyond the list's first capacity
    listeners[0].name = "r";
    listeners[0].read = true;
    for (size_t i = 1; i < listeners.size(); ++i) listeners[i].dequeue = true;
    for (LogListener& listener : listeners) {
        notifier->addSocketListener(&listener);
        notifier->addSocketListener(&listener); // re-adding keeps one entry
    }
    EXPECT_EQ(notifier->getNumIdlers(), 40);
    EXPECT_TRUE(notifier->pendingDequeueAndDispatch());

    long long start = ut_clock_ms();
    EXPECT_TRUE(notifier->notifySocketActivity(60000, true, false));
    EXPECT_LT(ut_clock_ms() - start, 30000);
    ASSERT_EQ(theLog.size(), 40u);
    EXPECT_EQ(theLog[0], "r:read");
    for (LogListener& listener : listeners) notifier->removeSocketListener(&listener);
}

TEST_F(IdleTest, ActivitySeenWithoutProcessingIsDispatchedByTheNextProcessingCall) {
    int mine = -1, peer = -1;
    SocketPair(&mine, &peer);
    ASSERT_EQ(write(peer, "x", 1), 1);
    LogListener listener;
    listener.name = "s";
    listener.fd = mine;
    listener.read = true;
    notifier->addSocketListener(&listener);

    EXPECT_FALSE(notifier->notifySocketActivity(1000, false, false));
    EXPECT_TRUE(theLog.empty());
    EXPECT_TRUE(notifier->pendingSocketActivityToProcess());
    EXPECT_TRUE(notifier->notifySocketActivity(0, true, false));
    EXPECT_EQ(theLog, (Log{"s:read"}));
    notifier->removeSocketListener(&listener);
}

TEST_F(IdleTest, WaitLastsUntilDataArrivesOrTheNextTimerIsDue) {
    int mine = -1, peer = -1;
    SocketPair(&mine, &peer);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        usleep(200000);
        _exit(write(peer, "x", 1) == 1 ? 0 : 1);
    }
    LogListener listener;
    listener.name = "s";
    listener.fd = mine;
    listener.read = true;
    notifier->addSocketListener(&listener);
    EXPECT_EQ(notifier->getTimeBeforeNextTimer(false), -1); // no timer: the wait stands
    EXPECT_TRUE(notifier->notifySocketActivity(30000, true, false));
    EXPECT_EQ(theLog, (Log{"s:read"}));
    int status = 0;
    waitpid(child, &status, 0);

    char byte;
    ASSERT_EQ(read(mine, &byte, 1), 1);
    LogTimer timer;
    notifier->addTimerListener(&timer, 50);
    long start_s = 0, start_us = 0, end_s = 0, end_us = 0;
    ut_monotonic_clock(&start_s, &start_us);
    EXPECT_FALSE(notifier->notifySocketActivity(60000, false, false));
    ut_monotonic_clock(&end_s, &end_us);
    EXPECT_LT(end_s - start_s, 30);
    notifier->removeSocketListener(&listener);
    notifier->removeTimerListener(&timer);
}

TEST_F(IdleTest, TimersFireWhenDueInOrderAndAreRescheduled) {
    LogTimer timers[4];
    const char* names[] = {"a", "b", "c", "zero"};
    for (int i = 0; i < 4; ++i) timers[i].name = names[i];
    notifier->addTimerListener(&timers[1], 100);
    notifier->addTimerListener(&timers[0], 100);
    notifier->addTimerListener(&timers[2], 50);
    EXPECT_EQ(notifier->getTimeBeforeNextTimer(false), 50);

    theFakeMs += 99;
    notifier->notifyTimers(false);
    EXPECT_EQ(theLog, (Log{"c@99"}));
    EXPECT_EQ(notifier->getTimeBeforeNextTimer(false), 1);
    theFakeMs += 1; // equal due times run in the order they were added
    notifier->notifyTimers(false);
    EXPECT_EQ(theLog, (Log{"c@99", "b@100", "a@100"}));
    EXPECT_EQ(notifier->getTimeBeforeNextTimer(false), 49); // c again at 149

    for (LogTimer& timer : timers) notifier->removeTimerListener(&timer);
    EXPECT_EQ(notifier->getTimeBeforeNextTimer(false), -1);

    // A zero interval is due again at once; a pass runs no more timers than it started with.
    theLog.clear();
    notifier->addTimerListener(&timers[3], 0);
    notifier->notifyTimers(false);
    notifier->notifyTimers(false);
    EXPECT_EQ(theLog, (Log{"zero@100", "zero@100"}));
    notifier->removeTimerListener(&timers[3]);
}

TEST_F(IdleTest, SafeOnlyTimerPassesRunOnlySafeTimers) {
    LogTimer unsafe, safe;
    unsafe.name = "u";
    safe.name = "s";
    safe.safe = true;
    notifier->addTimerListener(&unsafe, 10);
    EXPECT_EQ(notifier->getTimeBeforeNextTimer(true), -1);
    notifier->addTimerListener(&safe, 20);
    EXPECT_EQ(notifier->getTimeBeforeNextTimer(true), 20);
    theFakeMs += 20;
    notifier->notifyTimers(true);
    EXPECT_EQ(theLog, (Log{"s@20"}));
    notifier->removeTimerListener(&unsafe);
    notifier->removeTimerListener(&safe);
}

TEST_F(IdleTest, TimerMayRemoveItselfAndOthersFromItsHandler) {
    LogTimer first, second, third;
    first.name = "1";
    third.name = "3";
    first.action = [&] {
        notifier->removeTimerListener(&first);
        notifier->removeTimerListener(&second);
    };
    notifier->addTimerListener(&first, 0);
    notifier->addTimerListener(&second, 0);
    notifier->addTimerListener(&third, 5);
    notifier->addTimerListener(&third, 10); // a listener may hold several timers
    theFakeMs += 10;
    notifier->notifyTimers(false);
    EXPECT_EQ(theLog, (Log{"1@10", "3@10", "3@10"}));
    EXPECT_EQ(notifier->getNumIdlers(), 2);
    notifier->removeTimerListener(&third);
    EXPECT_EQ(notifier->getNumIdlers(), 0);
}

TEST(IdleNotifierLifetime, NotifierIsGoneOnceDestroyedAtExit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            atexit([] { _exit(getIdleNotifier() == nullptr ? 7 : 8); });
            getIdleNotifier(); // created after the check, so destroyed before it runs
            exit(0);
        },
        ::testing::ExitedWithCode(7), "");
}

} // namespace
