// STPSpecClass is the base of every service client and server spoken over a transport:
// it negotiates with its peer which message names exist and what number each has on
// the other side, then sends service messages under the peer's numbers and dispatches
// incoming ones (handleMessage) to the virtual handlers a service overrides. Start
// with negotiate() and handleMessage().
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "shared/stp_transport/stp_transport.h"

// One message of a service interface.
struct STPMessageDef {
    const char* name;
    int flags;          // header flags; bits 4 and 16 also tell the peer how to deliver it
    const char* format; // the message's format description, returned on interface requests
};

class STPSpecClass : public STPMessageListener {
public:
    // The table must outlive the object. A message's local number is its index + 1.
    STPSpecClass(const char* interfaceName, const char* versionStamp, const STPMessageDef* messages,
                 int count);
    ~STPSpecClass() override;
    STPSpecClass(const STPSpecClass&) = delete;
    STPSpecClass& operator=(const STPSpecClass&) = delete;

    void addRef() { refs_++; }
    void delRef();

    // Hears the messages sent from `remote` to `local` over `transport` (held referenced).
    void attach(STPTransport* transport, int local, int remote);
    void detach();
    STPTransport* transport() const { return transport_; }

    // ---- negotiation
    bool sendNegotiate(TStat* stat);
    // Sends our negotiation and waits for the peer's.
    bool negotiate(RetryHandler* retry, TStat* stat);
    bool synchronize(RetryHandler* retry, TStat* stat);
    // Asks the peer for its messages and their formats (see peerInterface).
    bool request_interface(RetryHandler* retry, TStat* stat);
    bool isNegotiated() const { return peerNegotiated_; }
    bool isSynchronized() const { return synchronized_; }
    // The peer's number for local message `index`, or -1 when the peer lacks it.
    int peerNumber(int index) const;
    int peerFlags(int index) const;
    const std::string& peerName() const { return peerName_; }
    // Names the peer offered that this side does not know: (name, number, flags).
    const std::vector<std::pair<std::string, std::pair<int, int>>>& extraMessages() const {
        return extra_;
    }
    const std::vector<std::pair<std::string, std::string>>& peerInterface() const {
        return peerInterface_;
    }
    void setTags(const std::vector<std::string>& tags) { tags_ = tags; }
    const std::vector<std::string>& peerTags() const { return peerTags_; }

    // Marks the virtual connection down for sending, receiving or both.
    void setConnectionDown(bool sending, bool receiving);

    // ---- sending (null and a status when the message cannot be sent)
    STPAsciiOMsg* createAsciiMessage(int index, TStat* stat);
    STPBinaryOMsg* createBinaryMessage(int index, TStat* stat);
    uint32_t send(STPOMsg* msg, RetryHandler* retry, TStat* stat);
    // Sends a request and waits for its reply (the caller deletes it).
    STPIMsg* sendAndAwaitReply(STPOMsg* msg, RetryHandler* retry, TStat* stat);
    // Runs command `name` with `action` on the peer; *result gets its "__ret".
    bool sendCommand(const char* name, int action, int* result, RetryHandler* retry, TStat* stat);

    int heldCount() const { return static_cast<int>(held_.size()); }
    int findMessage(const char* name) const; // local index, or -1

    // The transport's entry point for every message of this service.
    bool handleMessage(STPTransport* transport, STPIMsg* msg, bool awaited) override;
    // Held messages can no longer reach us: their references are released (which may
    // delete this object).
    void connectionClosed(STPTransport* transport) override;

protected:
    // Service hooks. `reply` is null unless the sender asked for one. `index` is the
    // local message index, or -1 for a name this side does not know.
    virtual int handleCommand(const char* name, int action, STPAsciiIMsg& in);
    virtual void handleAsciiMessage(int index, STPAsciiIMsg& in, STPAsciiOMsg* reply);
    virtual void handleBinaryMessage(int index, STPBinaryIMsg& in, STPBinaryOMsg* reply);

private:
    struct PeerEntry {
        int number = -1;
        int flags = 0;
    };

    bool checkSend(bool needsNegotiation, TStat* stat);
    void releaseHolds();
    void resolveNumber(STPIMsg* msg);
    void completeFlags(STPHeader* h) const;
    void dispatch(STPIMsg* msg, STPAsciiOMsg* asciiReply, STPBinaryOMsg* binaryReply);
    void handleNegotiate(STPAsciiIMsg& in);
    void writeInterface(STPAsciiOMsg* reply) const;
    bool sendSynchronize(TStat* stat);
    void forgetPeer();
    bool waitFor(std::function<bool()> done, RetryHandler* retry, TStat* stat, STPText timedOut);

    const char* name_;
    const char* versionStamp_;
    const STPMessageDef* messages_;
    int count_;
    int refs_ = 1;
    STPTransport* transport_ = nullptr;
    int local_ = 0;
    int remote_ = 0;
    bool sendDown_ = false;
    bool receiveDown_ = false;
    bool sentNegotiate_ = false;
    bool peerNegotiated_ = false;
    bool sentSynchronize_ = false;
    bool synchronized_ = false;
    std::vector<PeerEntry> peer_;
    std::vector<std::pair<std::string, std::pair<int, int>>> extra_;
    std::vector<std::pair<std::string, std::string>> peerInterface_;
    std::vector<std::string> tags_;
    std::vector<std::string> peerTags_;
    std::string peerName_;
    std::string peerVersionStamp_;
    std::set<const STPIMsg*> held_;
};
