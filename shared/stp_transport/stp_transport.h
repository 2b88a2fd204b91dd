// STPTransport owns one connection: it frames outgoing messages into an output buffer
// and writes them as the socket accepts, splits the input stream into messages, and
// delivers each to the listeners registered for it, to a forwarding handler, or to the
// queues of received replies and requests. Start reading at handleDequeueAndDispatch
// and deliverMessage; explicit waits all go through serviceUntil.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "shared/stp_transport/stp_ascii.h"
#include "shared/stp_transport/stp_binary.h"
#include "shared/stp_transport/stp_message.h"
#include "shared/stp_transport/stp_retry.h"
#include "shared/stp_transport/stp_status.h"

class STPTransport;
class STPSocketListener;

// Receives the messages of one (source, destination, class) key or one awaited serial.
class STPMessageListener {
public:
    virtual ~STPMessageListener() = default;
    // `awaited`: a caller is waiting for the serial number this message answers. The
    // transport owns `msg`. Returning false declines it for now: when this listener is the
    // only one, the transport holds the message back and offers it again later.
    virtual bool handleMessage(STPTransport* transport, STPIMsg* msg, bool awaited) = 0;
    // The connection has ended; transport->status() says why.
    virtual void connectionClosed(STPTransport*) {}
};

// Claims a destination routing number and passes its messages on unopened.
class STPForwardingHandler {
public:
    virtual ~STPForwardingHandler() = default;
    // `bytes` is the whole message as it came off the stream, padding included.
    virtual void forwardMessage(STPTransport* from, const char* bytes, size_t length) = 0;
};

enum STPChannelState { kSTPChannelNone, kSTPChannelCreated, kSTPChannelStarted, kSTPChannelClosed };

class STPTransport {
public:
    STPTransport();
    // Adopts a connected socket (made non-blocking and close-on-exec here).
    explicit STPTransport(int fd);
    // Releases the socket; prefer delRef when the transport is shared.
    ~STPTransport();
    STPTransport(const STPTransport&) = delete;
    STPTransport& operator=(const STPTransport&) = delete;

    // Two transports joined inside this process: what one sends the other receives.
    static bool createLoopbackPair(STPTransport** first, STPTransport** second, TStat* stat);

    // The count starts at 1 for whoever made the transport; the last delRef deletes it.
    void addRef() { refs_++; }
    void delRef();

    // ---- connection
    bool connect(const char* host, int port, TStat* stat);
    // Opens the listening socket. With a retry handler, waits for the first peer and
    // accepts it; without, the peer is accepted when the socket reports it readable.
    bool listen(int port, RetryHandler* retry, TStat* stat);
    bool acceptConnection(RetryHandler* retry, TStat* stat);
    int localPort() const; // the bound port, useful after listening on port 0
    int getFD() const { return fd_; }
    bool isListening() const { return state_ == kListening; }
    bool isConnected() const { return state_ == kConnected; }
    bool isClosed() const { return state_ == kClosed; }
    const TStat& status() const { return status_; }
    // Closes on the caller's request; queued output is dropped.
    void closeConnection();

    // Registers the connection with the process's idle notifier (and removes it).
    void attachToIdleNotifier();
    void detachFromIdleNotifier();

    // ---- building and sending (the caller keeps and deletes the messages)
    STPAsciiOMsg* createAsciiMessage(int source, int destination, int msgClass, int number,
                                     int flags, const char* openingIdentifier = nullptr);
    STPBinaryOMsg* createBinaryMessage(int source, int destination, int msgClass, int number,
                                       int flags);
    STPAsciiOMsg* createAsciiReply(int source, int destination, uint32_t answers, int flags);
    STPBinaryOMsg* createBinaryReply(int source, int destination, uint32_t answers, int flags);

    // Finishes the message, gives it the next serial number and queues it; returns that
    // serial, or 0 when refused.
    uint32_t enqueueMessage(STPOMsg* msg, TStat* stat = nullptr);
    // Queues, then writes for at most `rounds` rounds with delivery suspended.
    uint32_t enqueueAndTryMessage(STPOMsg* msg, int rounds, TStat* stat);
    // Queues and writes. With a retry handler it waits until everything queued is written
    // (or the handler gives up, status 7: the rest stays queued); without, it writes what
    // the socket takes now and leaves the rest to the socket listener.
    uint32_t sendMessage(STPOMsg* msg, RetryHandler* retry, TStat* stat);
    // Queues a whole message as received elsewhere (forwarding), unchanged.
    bool enqueueRaw(const char* bytes, size_t length, TStat* stat);
    bool flush(RetryHandler* retry, TStat* stat);

    // ---- waiting
    // Services the connection until `done` holds. Without a retry handler it waits in
    // 10-second rounds for as long as the connection lives.
    bool serviceUntil(const std::function<bool()>& done, RetryHandler* retry, TStat* stat,
                      STPText timeoutText);
    // The reply answering `serial`; the caller deletes it. Null on failure (see stat).
    STPIMsg* awaitResponse(uint32_t serial, RetryHandler* retry, TStat* stat);
    bool sendSync(int local, int remote, TStat* stat);
    // Waits for the peer's marker sent from `remote` to `local`, and consumes it.
    bool awaitSync(int local, int remote, RetryHandler* retry, TStat* stat);
    // Queued messages nobody listened for; the caller deletes them. Null when none.
    STPIMsg* takeRequest();
    STPIMsg* takeReply(uint32_t answers);
    size_t queuedRequests() const { return requests_.size(); }
    size_t heldMessages() const { return held_.size(); }

    // ---- listeners
    void registerMessageListener(STPMessageListener* listener, int source, int destination,
                                 int msgClass);
    void unregisterMessageListener(STPMessageListener* listener, int source, int destination,
                                   int msgClass);
    void unregisterMessageListener(STPMessageListener* listener); // every registration
    // One-shot: the reply answering `serial` goes to `listener`.
    void registerResponseListener(STPMessageListener* listener, uint32_t serial);
    void registerForwardingHandler(int destination, STPForwardingHandler* handler);
    void unregisterForwardingHandler(int destination);

    // ---- channels, keyed by (local, remote) routing numbers
    bool createChannel(int local, int remote, TStat* stat);
    bool closeChannel(int local, int remote, TStat* stat);
    STPChannelState channelState(int local, int remote) const;

    // ---- transaction tokens
    // Starts a transaction with a fresh token; an exclusive one lets only messages of
    // this transaction (and replies and always-deliver messages) through until it ends.
    uint32_t beginTransaction(bool exclusive);
    void endTransaction() { popToken(); }
    void pushToken(uint32_t token, uint32_t depth, uint32_t flags);
    void popToken();
    uint32_t currentToken() const { return tokens_.empty() ? 0 : tokens_.back().token; }
    uint32_t currentDepth() const { return tokens_.empty() ? 0 : tokens_.back().depth; }
    bool inTransaction() const { return !tokens_.empty(); }
    bool shouldDeliverMessage(const STPHeader& header) const;

    // ---- driven by the socket listener, or by pollOnce
    bool wantsToRead() const;
    bool wantsToWrite() const;
    bool wantsToDequeueAndDispatch() const;
    bool wantsToStop() const { return state_ == kClosed && !stopHandled_; }
    void handleRead();
    void handleWrite();
    void handleDequeueAndDispatch();
    void handleStop(); // tells the listeners once that the connection has ended
    // One service round: waits at most timeoutMs for the socket, then reads, writes and
    // dispatches. Returns whether anything happened.
    bool pollOnce(long timeoutMs);

private:
    enum State { kIdle, kListening, kConnected, kClosed };
    struct Token {
        uint32_t token;
        uint32_t depth;
        uint32_t flags;
    };
    typedef std::tuple<int, int, int> ListenerKey; // source, destination, class

    void fillHeader(STPHeader* h, int source, int destination, int msgClass, int number,
                    int flags) const;
    typedef std::pair<int, int> RoutePair;

    void fail(int code, STPText text, TStat* stat);
    void closeWith(int code, STPText text);
    void adopt(int fd);
    void ensureInputRoom();
    void resetInputIfEmpty();
    enum ReadResult { kReadFailed, kReadEnd, kReadNothing, kReadSome, kReadFull };
    ReadResult readOnce();
    void acceptPeer();
    bool writeOutput();
    void appendOutput(const char* bytes, size_t length, bool writeFirst);
    uint32_t queueMessage(STPOMsg* msg, TStat* stat, bool writeFirst);
    void dispatchInput();
    void resetConnectionState();
    void deliverHeld();
    void deliverMessage(STPIMsg* msg);
    void deliverToListeners(STPIMsg* msg);
    void handleChannel(const STPIMsg& msg);
    void heldMayMove() { heldDirty_ = true; }

    int fd_ = -1;
    State state_ = kIdle;
    int refs_ = 1;
    TStat status_;
    uint32_t sendCounter_ = 0;
    uint32_t tokenCounter_ = 0;
    int suspend_ = 0; // delivery suspended while above zero
    bool stopHandled_ = false;
    STPSocketListener* socketListener_ = nullptr;

    std::vector<char> out_;
    size_t outWritten_ = 0;
    char* in_ = nullptr;
    size_t inCap_ = 0;
    size_t inStart_ = 0;
    size_t inEnd_ = 0;

    std::deque<STPIMsg*> replies_;
    std::deque<STPIMsg*> requests_;
    std::deque<STPIMsg*> held_;
    bool heldDirty_ = false;
    std::multiset<uint32_t> awaited_;
    std::multimap<ListenerKey, STPMessageListener*> listeners_;
    std::map<uint32_t, STPMessageListener*> responseListeners_;
    std::map<int, STPForwardingHandler*> forwarders_;
    std::map<RoutePair, STPChannelState> channels_;
    std::vector<RoutePair> syncs_; // (source, destination) as received
    std::vector<Token> tokens_;
};
