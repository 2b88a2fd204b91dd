// Every question and every handler goes straight to the transport, which keeps all
// connection state; this object only has the shape the idle notifier expects.
#include "shared/stp_transport/stp_socket_listener.h"

#include "shared/stp_transport/stp_transport.h"

bool STPSocketListener::hasFD() {
    return transport_->getFD() >= 0;
}
int STPSocketListener::getFD() {
    return transport_->getFD();
}
bool STPSocketListener::wantsToRead() {
    return transport_->wantsToRead();
}
bool STPSocketListener::wantsToWrite() {
    return transport_->wantsToWrite();
}
bool STPSocketListener::wantsToDequeueAndDispatch() {
    return transport_->wantsToDequeueAndDispatch();
}
bool STPSocketListener::wantsToStop() {
    return transport_->wantsToStop();
}
void STPSocketListener::handleRead() {
    transport_->handleRead();
}
void STPSocketListener::handleWrite() {
    transport_->handleWrite();
}
void STPSocketListener::handleDequeueAndDispatch() {
    transport_->handleDequeueAndDispatch();
}

void STPSocketListener::handleStop() {
    STPTransport* transport = transport_;
    transport->handleStop();
}
