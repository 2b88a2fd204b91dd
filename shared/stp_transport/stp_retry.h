// Retry handlers decide how long an explicit wait on a transport goes on (a send that
// the socket cannot take yet, an awaited reply, a negotiation). The transport waits in
// rounds; after each round it asks the handler whether to keep going. A GUI program
// derives its own handler to keep windows alive between rounds.
#pragma once

class STPTransport;

class RetryHandler {
public:
    virtual ~RetryHandler() = default;
    // Called after every wait round that did not finish the wait; false gives up.
    virtual bool retry(STPTransport* transport) = 0;
    // The longest one round may sleep waiting for socket activity, in milliseconds.
    virtual long waitInterval() const { return 100; }
};

// Gives up once `timeoutMs` milliseconds have passed since it was made or restarted,
// read from the replaceable clock of ut_clock.h.
class TimeoutSTPRetryHandler : public RetryHandler {
public:
    explicit TimeoutSTPRetryHandler(long timeoutMs);

    bool retry(STPTransport* transport) override;
    long waitInterval() const override; // never beyond the deadline
    void restart();
    long remainingMs() const;
    int rounds() const { return rounds_; }

private:
    long timeoutMs_;
    long long deadlineMs_;
    int rounds_ = 0;
};
