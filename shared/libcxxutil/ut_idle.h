// Idle processing between GUI events: one process-wide IdleNotifier runs idlers
// (background work a slice at a time), socket listeners (objects that own a descriptor
// and want to hear when it can be read or written) and timers. The event loop calls
// notifyIdle, notifyTimers and notifySocketActivity; see ut_idle.cpp for the rules.
#pragma once

#include <set>

class IdleNotifier;

class Idler {
public:
    virtual ~Idler() = default;
    virtual void handleIdle(IdleNotifier* notifier) = 0;
    virtual bool isIdlerSafe() { return false; }
};

class SocketListener {
public:
    virtual ~SocketListener() = default;
    virtual bool hasFD() = 0;
    virtual int getFD() = 0;
    virtual bool wantsToRead() = 0;
    virtual bool wantsToWrite() = 0;
    virtual bool wantsToReadException() { return false; }
    virtual bool wantsToDequeueAndDispatch() = 0;
    virtual bool wantsToStop() = 0;
    virtual void handleRead() = 0;
    virtual void handleWrite() = 0;
    virtual void handleException() {}
    virtual void handleDequeueAndDispatch() = 0;
    virtual void handleStop() = 0;
};

// A listener whose only work is to end the notifier's wait when its descriptor can be
// read: the reading itself is done elsewhere (the X connection by the event loop, a
// child's pipe by whoever polls it). It registers itself for its lifetime.
class DescriptorWakeUp : public SocketListener {
public:
    explicit DescriptorWakeUp(int fd); // a negative fd registers nothing
    ~DescriptorWakeUp() override;
    DescriptorWakeUp(const DescriptorWakeUp&) = delete;
    DescriptorWakeUp& operator=(const DescriptorWakeUp&) = delete;

    bool hasFD() override { return fd_ >= 0; }
    int getFD() override { return fd_; }
    bool wantsToRead() override { return true; }
    bool wantsToWrite() override { return false; }
    bool wantsToDequeueAndDispatch() override { return false; }
    bool wantsToStop() override { return false; }
    void handleRead() override {}
    void handleWrite() override {}
    void handleDequeueAndDispatch() override {}
    void handleStop() override {}

private:
    int fd_;
};

class TimerListener {
public:
    virtual ~TimerListener() = default;
    virtual void handleTimer(long long now_ms) = 0;
    virtual bool isTimerSafe() { return false; }
};

class IdleNotifier {
public:
    virtual ~IdleNotifier();

    void addIdleListener(Idler* idler);
    void removeIdleListener(Idler* idler);
    void addSocketListener(SocketListener* listener);
    void removeSocketListener(SocketListener* listener);
    void addTimerListener(TimerListener* listener, long interval_ms);
    void removeTimerListener(TimerListener* listener);
    int getNumIdlers() const;

    void notifyIdle(bool safe_only);
    void notifyTimers(bool safe_only);
    // Waits at most timeout_ms for descriptor activity; with process, dispatches it.
    // Returns whether any handler ran.
    bool notifySocketActivity(long timeout_ms, bool process, bool safe_timers_only);
    long getTimeBeforeNextTimer(bool safe_only) const; // -1 when there is no timer
    bool pendingSocketActivityToProcess();
    bool pendingDequeueAndDispatch();

private:
    friend IdleNotifier* getIdleNotifier();
    IdleNotifier();
    struct Impl;
    Impl* impl_;
};

// The notifier, created on first call; null once it has been destroyed at exit.
IdleNotifier* getIdleNotifier();
