// The bridge between a transport and the idle notifier: the notifier asks it what the
// connection wants (read, write, dispatch of queued messages, a stop after the
// connection died) and calls the matching transport handler. Made by
// STPTransport::attachToIdleNotifier; owned by its transport.
#pragma once

#include "shared/libcxxutil/ut_idle.h"

class STPTransport;

class STPSocketListener : public SocketListener {
public:
    explicit STPSocketListener(STPTransport* transport) : transport_(transport) {}

    bool hasFD() override;
    int getFD() override;
    bool wantsToRead() override;
    bool wantsToWrite() override;
    bool wantsToDequeueAndDispatch() override;
    bool wantsToStop() override;
    void handleRead() override;
    void handleWrite() override;
    void handleDequeueAndDispatch() override;
    // The transport detaches (and deletes) this listener here; nothing runs after.
    void handleStop() override;

    STPTransport* transport() const { return transport_; }

private:
    STPTransport* transport_;
};
