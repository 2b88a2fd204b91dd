// The connection engine. Input arrives in one growing buffer and is cut into messages by
// dispatchInput; each message is copied out before it is delivered, because a listener
// may send, wait and so read and dispatch again underneath us. Output is one buffer of
// encoded messages written as far as the socket takes it. Waits (awaitResponse, flush,
// acceptConnection, ...) are loops of pollOnce under a retry handler.
#include "shared/stp_transport/stp_transport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "shared/libcxxutil/ut_idle.h"
#include "shared/stp_transport/stp_socket_listener.h"

namespace {

const size_t kBlockSize = 32768;     // input buffer unit
const size_t kMinRoom = 1024;        // grow when no more room than this is left
const size_t kShrinkBlocks = 10;     // an emptied buffer beyond this many blocks shrinks
const size_t kOutputCompact = 65536; // written output dropped from the front past this
const long kDefaultWaitMs = 10000;   // wait round without a retry handler
const long kWriteRoundMs = 10;
const int kReadRounds = 8; // reads per readable event, so one busy peer cannot starve the rest

#ifdef MSG_NOSIGNAL
const int kSendFlags = MSG_NOSIGNAL; // a vanished peer is a status, not a signal
#else
const int kSendFlags = 0;
#endif

void setSocketOptions(int fd) {
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void makeNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

bool wouldBlock(int err) {
    return err == EAGAIN || err == EWOULDBLOCK;
}

void ok(TStat* stat) {
    if (stat) stat->clear();
}

// Resolves a dotted address first, then by name lookup.
bool resolveHost(const char* host, struct in_addr* addr) {
    if (!host) return false;
    if (inet_pton(AF_INET, host, addr) == 1) return true;
    struct addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return false;
    *addr = reinterpret_cast<struct sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

// A connect interrupted by a signal goes on in the background; wait for its outcome.
int finishInterruptedConnect(int fd) {
    struct pollfd p = {fd, POLLOUT, 0};
    int r;
    do r = poll(&p, 1, -1);
    while (r < 0 && errno == EINTR);
    int err = 0;
    socklen_t len = sizeof err;
    if (r < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0) return -1;
    return err == 0 ? 0 : -1;
}

} // namespace

// ---- life

STPTransport::STPTransport() {}

STPTransport::STPTransport(int fd) {
    if (fd >= 0) adopt(fd);
}

STPTransport::~STPTransport() {
    detachFromIdleNotifier();
    if (fd_ >= 0) ::close(fd_);
    delete[] in_;
    for (STPIMsg* m : replies_) delete m;
    for (STPIMsg* m : requests_) delete m;
    for (STPIMsg* m : held_) delete m;
}

void STPTransport::delRef() {
    if (--refs_ <= 0) delete this;
}

bool STPTransport::createLoopbackPair(STPTransport** first, STPTransport** second, TStat* stat) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) < 0) {
        if (stat) stat->set(kSTPFailed, kTextConnectFailed);
        return false;
    }
    *first = new STPTransport(sv[0]);
    *second = new STPTransport(sv[1]);
    ok(stat);
    return true;
}

void STPTransport::adopt(int fd) {
    resetConnectionState();
    makeNonBlocking(fd);
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    fd_ = fd;
    state_ = kConnected;
    stopHandled_ = false;
    status_.clear();
}

// Everything that belongs to one connection; the listeners and forwarders registered by
// the transport's users stay.
void STPTransport::resetConnectionState() {
    for (std::deque<STPIMsg*>* queue : {&replies_, &requests_, &held_}) {
        for (STPIMsg* m : *queue) delete m;
        queue->clear();
    }
    heldDirty_ = false;
    inStart_ = inEnd_ = 0;
    out_.clear();
    outWritten_ = 0;
    awaited_.clear();
    responseListeners_.clear();
    channels_.clear();
    syncs_.clear();
    tokens_.clear();
}

void STPTransport::fail(int code, STPText text, TStat* stat) {
    status_.set(code, text);
    stpReport(stat, status_);
}

void STPTransport::closeWith(int code, STPText text) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    state_ = kClosed;
    status_.set(code, text);
    out_.clear();
    outWritten_ = 0;
}

void STPTransport::closeConnection() {
    closeWith(kSTPOk, kTextClosedByCaller);
    inStart_ = inEnd_ = 0;
}

// ---- connecting

bool STPTransport::connect(const char* host, int port, TStat* stat) {
    if (fd_ >= 0) closeConnection();
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (!resolveHost(host, &addr.sin_addr)) {
        fail(kSTPFailed, kTextUnableToResolve, stat);
        return false;
    }
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        fail(kSTPFailed, kTextConnectFailed, stat);
        return false;
    }
    setSocketOptions(fd);
    int r = ::connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr);
    if (r < 0 && errno == EINTR) r = finishInterruptedConnect(fd);
    if (r < 0) {
        ::close(fd);
        fail(kSTPFailed, kTextConnectFailed, stat);
        return false;
    }
    adopt(fd);
    ok(stat);
    return true;
}

bool STPTransport::listen(int port, RetryHandler* retry, TStat* stat) {
    if (fd_ >= 0) closeConnection();
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        fail(kSTPFailed, kTextCouldNotBind, stat);
        return false;
    }
    setSocketOptions(fd);
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) < 0) {
        ::close(fd);
        fail(kSTPFailed, kTextCouldNotBind, stat);
        return false;
    }
    if (::listen(fd, 5) < 0) {
        ::close(fd);
        fail(kSTPFailed, kTextCouldNotListen, stat);
        return false;
    }
    makeNonBlocking(fd);
    fd_ = fd;
    state_ = kListening;
    stopHandled_ = false;
    status_.clear();
    if (retry) return acceptConnection(retry, stat);
    ok(stat);
    return true;
}

bool STPTransport::acceptConnection(RetryHandler* retry, TStat* stat) {
    if (state_ != kListening) {
        fail(kSTPFailed, kTextAcceptFailed, stat);
        return false;
    }
    return serviceUntil([this] { return state_ != kListening; }, retry, stat,
                        kTextAcceptTimedOut) &&
           state_ == kConnected;
}

int STPTransport::localPort() const {
    struct sockaddr_in addr;
    socklen_t len = sizeof addr;
    if (fd_ < 0 || getsockname(fd_, reinterpret_cast<struct sockaddr*>(&addr), &len) < 0) return -1;
    return ntohs(addr.sin_port);
}

// ---- the idle notifier

void STPTransport::attachToIdleNotifier() {
    if (socketListener_) return;
    IdleNotifier* notifier = getIdleNotifier();
    if (!notifier) return;
    socketListener_ = new STPSocketListener(this);
    notifier->addSocketListener(socketListener_);
}

void STPTransport::detachFromIdleNotifier() {
    if (!socketListener_) return;
    if (IdleNotifier* notifier = getIdleNotifier()) notifier->removeSocketListener(socketListener_);
    delete socketListener_;
    socketListener_ = nullptr;
}

bool STPTransport::wantsToRead() const {
    return fd_ >= 0 && (state_ == kConnected || state_ == kListening);
}

bool STPTransport::wantsToWrite() const {
    return fd_ >= 0 && state_ == kConnected && outWritten_ < out_.size();
}

bool STPTransport::wantsToDequeueAndDispatch() const {
    if (suspend_ > 0) return false;
    if (heldDirty_) {
        for (const STPIMsg* m : held_)
            if (shouldDeliverMessage(m->header)) return true;
    }
    uint64_t framed = 0;
    return inEnd_ > inStart_ &&
           stpCheckFrame(in_ + inStart_, inEnd_ - inStart_, &framed) != kSTPFrameIncomplete;
}

void STPTransport::handleStop() {
    if (stopHandled_) return;
    stopHandled_ = true;
    addRef();
    detachFromIdleNotifier();
    std::vector<STPMessageListener*> told;
    std::multimap<ListenerKey, STPMessageListener*> copy = listeners_;
    for (auto& entry : copy) {
        bool seen = false;
        for (STPMessageListener* t : told) seen = seen || t == entry.second;
        if (seen) continue;
        told.push_back(entry.second);
        entry.second->connectionClosed(this);
    }
    delRef();
}

bool STPTransport::pollOnce(long timeoutMs) {
    addRef();
    bool any = false;
    if (wantsToDequeueAndDispatch()) {
        handleDequeueAndDispatch();
        any = true;
        timeoutMs = 0;
    }
    if (fd_ >= 0) {
        struct pollfd p = {fd_, 0, 0};
        if (wantsToRead()) p.events |= POLLIN;
        if (wantsToWrite()) p.events |= POLLOUT;
        if (p.events && poll(&p, 1, static_cast<int>(timeoutMs)) > 0) {
            if (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
                handleRead();
                any = true;
            }
            if ((p.revents & POLLOUT) && wantsToWrite()) {
                handleWrite();
                any = true;
            }
        }
    }
    if (wantsToStop() && !socketListener_) handleStop();
    delRef();
    return any;
}

bool STPTransport::serviceUntil(const std::function<bool()>& done, RetryHandler* retry, TStat* stat,
                                STPText timeoutText) {
    addRef();
    bool result = true;
    while (!done()) {
        bool alive = state_ == kConnected || state_ == kListening;
        if (!alive && !wantsToDequeueAndDispatch()) {
            if (status_.code == kSTPOk) status_.set(kSTPFailed, kTextNotConnected);
            stpReport(stat, status_);
            result = false;
            break;
        }
        pollOnce(retry ? retry->waitInterval() : kDefaultWaitMs);
        if (done()) break;
        if (retry && !retry->retry(this)) {
            fail(kSTPTimedOut, timeoutText, stat);
            result = false;
            break;
        }
    }
    if (result) ok(stat);
    delRef();
    return result;
}

// ---- reading

void STPTransport::ensureInputRoom() {
    if (inCap_ - inEnd_ > kMinRoom) return;
    size_t pending = inEnd_ - inStart_;
    size_t want = 2 * pending + kBlockSize;
    if (want > inCap_) {
        char* grown = new char[want];
        if (pending) memcpy(grown, in_ + inStart_, pending);
        delete[] in_;
        in_ = grown;
        inCap_ = want;
    } else if (pending) {
        memmove(in_, in_ + inStart_, pending);
    }
    inStart_ = 0;
    inEnd_ = pending;
}

void STPTransport::resetInputIfEmpty() {
    if (inStart_ != inEnd_) return;
    inStart_ = inEnd_ = 0;
    if (inCap_ > kShrinkBlocks * kBlockSize) {
        delete[] in_;
        in_ = new char[kBlockSize];
        inCap_ = kBlockSize;
    }
}

// One read into the input buffer.
STPTransport::ReadResult STPTransport::readOnce() {
    ensureInputRoom();
    size_t room = inCap_ - inEnd_;
    for (;;) {
        ssize_t n = ::read(fd_, in_ + inEnd_, room);
        if (n > 0) {
            inEnd_ += static_cast<size_t>(n);
            return static_cast<size_t>(n) == room ? kReadFull : kReadSome;
        }
        if (n == 0) return kReadEnd;
        if (errno == EINTR) continue;
        if (wouldBlock(errno)) return kReadNothing;
        closeWith(kSTPFailed, kTextReadFailed);
        return kReadFailed;
    }
}

void STPTransport::handleRead() {
    if (state_ == kListening) {
        acceptPeer();
        return;
    }
    if (state_ != kConnected) return;
    addRef();
    // Reading and dispatching in turns keeps the buffer near one message in size.
    for (int round = 0; round < kReadRounds && state_ == kConnected; round++) {
        ReadResult r = readOnce();
        if (r == kReadFailed) break;
        handleDequeueAndDispatch();
        if (r == kReadEnd && state_ == kConnected) closeWith(kSTPPeerClosed, kTextPeerClosed);
        if (r != kReadFull) break;
    }
    delRef();
}

void STPTransport::acceptPeer() {
    int fd = accept(fd_, nullptr, nullptr);
    if (fd < 0) {
        if (!wouldBlock(errno) && errno != EINTR && errno != ECONNABORTED)
            closeWith(kSTPFailed, kTextAcceptFailed);
        return;
    }
    ::close(fd_);
    adopt(fd);
}

void STPTransport::handleDequeueAndDispatch() {
    if (suspend_ > 0) return;
    addRef();
    deliverHeld();
    dispatchInput();
    delRef();
}

void STPTransport::dispatchInput() {
    while (suspend_ == 0 && inEnd_ > inStart_) {
        uint64_t framed = 0;
        STPFrame frame = stpCheckFrame(in_ + inStart_, inEnd_ - inStart_, &framed);
        if (frame == kSTPFrameIncomplete) break;
        if (frame == kSTPFrameInvalid) {
            closeWith(kSTPFailed, kTextInvalidPacket);
            inStart_ = inEnd_;
            break;
        }
        const char* bytes = in_ + inStart_;
        STPHeader header = stpDecodeHeader(bytes, stpGet32(bytes));
        auto forward = forwarders_.find(header.destination);
        if (forward != forwarders_.end()) {
            std::vector<char> copy(bytes, bytes + framed);
            inStart_ += static_cast<size_t>(framed);
            forward->second->forwardMessage(this, copy.data(), copy.size());
            continue;
        }
        STPIMsg* msg = new STPIMsg(bytes, header);
        inStart_ += static_cast<size_t>(framed);
        deliverMessage(msg);
    }
    resetInputIfEmpty();
}

// ---- delivery

void STPTransport::deliverMessage(STPIMsg* msg) {
    switch (msg->header.msgClass) {
    case kSTPClassNoop:
        break;
    case kSTPClassSync:
        syncs_.push_back(RoutePair(msg->header.source, msg->header.destination));
        break;
    case kSTPClassChannel:
        handleChannel(*msg);
        break;
    default:
        deliverToListeners(msg);
        return;
    }
    delete msg;
}

void STPTransport::deliverToListeners(STPIMsg* msg) {
    const STPHeader& h = msg->header;
    bool awaited = h.answers != 0 && awaited_.count(h.answers) > 0;
    auto response = h.answers != 0 ? responseListeners_.find(h.answers) : responseListeners_.end();
    if (response != responseListeners_.end()) {
        STPMessageListener* listener = response->second;
        if (!listener->handleMessage(this, msg, awaited)) {
            held_.push_back(msg);
            return;
        }
        responseListeners_.erase(h.answers);
        delete msg;
        return;
    }

    ListenerKey key(h.source, h.destination, h.msgClass);
    std::vector<STPMessageListener*> targets;
    auto range = listeners_.equal_range(key);
    for (auto it = range.first; it != range.second; ++it) targets.push_back(it->second);
    if (targets.empty()) {
        (h.answers != 0 ? replies_ : requests_).push_back(msg);
        return;
    }
    if (targets.size() == 1) {
        if (!targets[0]->handleMessage(this, msg, awaited)) {
            held_.push_back(msg);
            return;
        }
        delete msg;
        return;
    }
    // Several listeners share the key: each hears the message once (unless it left
    // meanwhile), and a decline cannot hold back what the others have seen.
    for (STPMessageListener* listener : targets) {
        bool stillThere = false;
        range = listeners_.equal_range(key);
        for (auto it = range.first; it != range.second; ++it)
            stillThere = stillThere || it->second == listener;
        if (stillThere) listener->handleMessage(this, msg, awaited);
    }
    delete msg;
}

void STPTransport::deliverHeld() {
    if (!heldDirty_) return;
    heldDirty_ = false;
    std::deque<STPIMsg*> pending;
    pending.swap(held_);
    while (!pending.empty()) {
        STPIMsg* msg = pending.front();
        pending.pop_front();
        if (!shouldDeliverMessage(msg->header)) {
            held_.push_back(msg);
            continue;
        }
        deliverToListeners(msg);
    }
}

bool STPTransport::shouldDeliverMessage(const STPHeader& h) const {
    if (tokens_.empty()) return true;
    if (h.answers != 0) return true;
    if (h.flags & kSTPFlagAlways) return true;
    const Token& current = tokens_.back();
    if (!(h.flags & kSTPFlagTransaction)) return !(current.flags & kSTPFlagTransaction);
    return h.token == current.token && (h.depth & 0xffff) > (current.depth & 0xffff);
}

void STPTransport::handleChannel(const STPIMsg& msg) {
    const STPHeader& h = msg.header;
    RoutePair key(h.destination, h.source); // as (local, remote) on this side
    switch (h.number) {
    case kSTPChannelCreate: {
        // Our half of the hand-shake: acknowledge with a start.
        channels_[key] = kSTPChannelCreated;
        STPAsciiOMsg* start =
            createAsciiMessage(h.destination, h.source, kSTPClassChannel, kSTPChannelStart, 0);
        if (enqueueMessage(start)) channels_[key] = kSTPChannelStarted;
        delete start;
        writeOutput();
        break;
    }
    case kSTPChannelStart:
        channels_[key] = kSTPChannelStarted;
        break;
    case kSTPChannelClose:
        channels_[key] = kSTPChannelClosed;
        break;
    default:
        break;
    }
}

// ---- writing

// A new message goes out under the token in force, one level deeper than it.
void STPTransport::fillHeader(STPHeader* h, int source, int destination, int msgClass, int number,
                              int flags) const {
    h->source = source;
    h->destination = destination;
    h->msgClass = msgClass;
    h->number = number;
    h->flags = static_cast<uint32_t>(flags);
    h->token = currentToken();
    h->depth = currentDepth() + 1;
}

STPAsciiOMsg* STPTransport::createAsciiMessage(int source, int destination, int msgClass,
                                               int number, int flags,
                                               const char* openingIdentifier) {
    STPAsciiOMsg* msg = new STPAsciiOMsg(openingIdentifier);
    fillHeader(&msg->header, source, destination, msgClass, number, flags);
    return msg;
}

STPBinaryOMsg* STPTransport::createBinaryMessage(int source, int destination, int msgClass,
                                                 int number, int flags) {
    STPBinaryOMsg* msg = new STPBinaryOMsg;
    fillHeader(&msg->header, source, destination, msgClass, number, flags);
    return msg;
}

STPAsciiOMsg* STPTransport::createAsciiReply(int source, int destination, uint32_t answers,
                                             int flags) {
    STPAsciiOMsg* msg = createAsciiMessage(source, destination, -1, -1, flags);
    msg->header.answers = answers;
    msg->header.depth = currentDepth();
    return msg;
}

STPBinaryOMsg* STPTransport::createBinaryReply(int source, int destination, uint32_t answers,
                                               int flags) {
    STPBinaryOMsg* msg = createBinaryMessage(source, destination, -1, -1, flags);
    msg->header.answers = answers;
    msg->header.depth = currentDepth();
    return msg;
}

void STPTransport::appendOutput(const char* bytes, size_t length, bool writeFirst) {
    size_t done = 0;
    if (writeFirst && outWritten_ == out_.size() && fd_ >= 0) {
        // Nothing queued ahead of it: hand the bytes to the socket without copying.
        out_.clear();
        outWritten_ = 0;
        while (done < length) {
            ssize_t n = send(fd_, bytes + done, length - done, kSendFlags);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && wouldBlock(errno)) break;
            closeWith(kSTPFailed, kTextWriteFailed);
            return;
        }
    }
    if (outWritten_ >= kOutputCompact && outWritten_ * 2 >= out_.size()) {
        out_.erase(out_.begin(), out_.begin() + static_cast<long>(outWritten_));
        outWritten_ = 0;
    }
    out_.insert(out_.end(), bytes + done, bytes + length);
    out_.resize(out_.size() + (4 - length % 4) % 4, 0);
}

bool STPTransport::writeOutput() {
    if (fd_ < 0 || state_ != kConnected) return false;
    while (outWritten_ < out_.size()) {
        ssize_t n = send(fd_, out_.data() + outWritten_, out_.size() - outWritten_, kSendFlags);
        if (n > 0) {
            outWritten_ += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && wouldBlock(errno)) break;
        closeWith(kSTPFailed, kTextWriteFailed);
        return false;
    }
    if (outWritten_ == out_.size()) {
        outWritten_ = 0;
        if (out_.capacity() > 16 * kOutputCompact)
            std::vector<char>().swap(out_);
        else
            out_.clear();
    }
    return true;
}

void STPTransport::handleWrite() {
    writeOutput();
}

uint32_t STPTransport::enqueueMessage(STPOMsg* msg, TStat* stat) {
    return queueMessage(msg, stat, false);
}

// Gives the message its serial and queues its bytes; with writeFirst, a message with
// nothing queued ahead of it goes straight to the socket and only its rest is copied.
uint32_t STPTransport::queueMessage(STPOMsg* msg, TStat* stat, bool writeFirst) {
    if (!msg || msg->header.msgClass == 0) {
        fail(kSTPInvalid, kTextInvalidHeader, stat);
        return 0;
    }
    if (state_ != kConnected) {
        fail(kSTPFailed, kTextNotConnected, stat);
        return 0;
    }
    msg->finish();
    msg->header.serial = stpNextSerial(&sendCounter_);
    msg->encodeHeader();
    appendOutput(msg->data(), msg->size(), writeFirst);
    if (state_ != kConnected) {
        stpReport(stat, status_);
        return 0;
    }
    ok(stat);
    return msg->header.serial;
}

bool STPTransport::enqueueRaw(const char* bytes, size_t length, TStat* stat) {
    if (state_ != kConnected) {
        fail(kSTPFailed, kTextNotConnected, stat);
        return false;
    }
    appendOutput(bytes, length, false);
    ok(stat);
    return true;
}

bool STPTransport::flush(RetryHandler* retry, TStat* stat) {
    suspend_++;
    bool done = writeOutput();
    if (done && wantsToWrite() && retry)
        done = serviceUntil([this] { return !wantsToWrite(); }, retry, stat, kTextWriteTimedOut);
    else if (done)
        ok(stat);
    else
        stpReport(stat, status_);
    suspend_--;
    return done;
}

uint32_t STPTransport::sendMessage(STPOMsg* msg, RetryHandler* retry, TStat* stat) {
    uint32_t serial = queueMessage(msg, stat, true);
    if (serial && !flush(retry, stat)) return 0;
    return serial;
}

uint32_t STPTransport::enqueueAndTryMessage(STPOMsg* msg, int rounds, TStat* stat) {
    uint32_t serial = queueMessage(msg, stat, true);
    if (!serial) return 0;
    // Queuing made the first write; each further round waits briefly for room.
    suspend_++;
    for (int round = 1; round < rounds && wantsToWrite(); round++) {
        struct pollfd p = {fd_, POLLOUT, 0};
        poll(&p, 1, kWriteRoundMs);
        writeOutput();
    }
    suspend_--;
    if (state_ != kConnected) {
        stpReport(stat, status_);
        return 0;
    }
    return serial;
}

// ---- waiting

STPIMsg* STPTransport::takeRequest() {
    if (requests_.empty()) return nullptr;
    STPIMsg* msg = requests_.front();
    requests_.pop_front();
    return msg;
}

STPIMsg* STPTransport::takeReply(uint32_t answers) {
    for (auto it = replies_.begin(); it != replies_.end(); ++it) {
        if ((*it)->header.answers != answers) continue;
        STPIMsg* msg = *it;
        replies_.erase(it);
        return msg;
    }
    return nullptr;
}

STPIMsg* STPTransport::awaitResponse(uint32_t serial, RetryHandler* retry, TStat* stat) {
    auto queued = [this, serial] {
        for (const STPIMsg* m : replies_)
            if (m->header.answers == serial) return true;
        return false;
    };
    auto mark = awaited_.insert(serial);
    bool done = serviceUntil(queued, retry, stat, kTextResponseTimedOut);
    awaited_.erase(mark);
    return done ? takeReply(serial) : nullptr;
}

bool STPTransport::sendSync(int local, int remote, TStat* stat) {
    STPAsciiOMsg* marker = createAsciiMessage(local, remote, kSTPClassSync, 0, 0);
    uint32_t serial = enqueueAndTryMessage(marker, 1, stat);
    delete marker;
    return serial != 0;
}

bool STPTransport::awaitSync(int local, int remote, RetryHandler* retry, TStat* stat) {
    RoutePair wanted(remote, local);
    auto arrived = [this, wanted] {
        for (const RoutePair& s : syncs_)
            if (s == wanted) return true;
        return false;
    };
    if (!serviceUntil(arrived, retry, stat, kTextSyncTimedOut)) return false;
    for (auto it = syncs_.begin(); it != syncs_.end(); ++it) {
        if (*it != wanted) continue;
        syncs_.erase(it);
        break;
    }
    return true;
}

// ---- listeners

void STPTransport::registerMessageListener(STPMessageListener* listener, int source,
                                           int destination, int msgClass) {
    ListenerKey key(source, destination, msgClass);
    auto range = listeners_.equal_range(key);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == listener) return;
    listeners_.insert(std::make_pair(key, listener));
    // Messages that came before their listener wait in the queues; offer them now.
    for (std::deque<STPIMsg*>* queue : {&requests_, &replies_}) {
        for (auto it = queue->begin(); it != queue->end();) {
            const STPHeader& h = (*it)->header;
            if (ListenerKey(h.source, h.destination, h.msgClass) == key) {
                held_.push_back(*it);
                it = queue->erase(it);
            } else {
                ++it;
            }
        }
    }
    heldMayMove();
}

void STPTransport::unregisterMessageListener(STPMessageListener* listener, int source,
                                             int destination, int msgClass) {
    auto range = listeners_.equal_range(ListenerKey(source, destination, msgClass));
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second != listener) continue;
        listeners_.erase(it);
        break;
    }
    heldMayMove();
}

void STPTransport::unregisterMessageListener(STPMessageListener* listener) {
    for (auto it = listeners_.begin(); it != listeners_.end();)
        it = it->second == listener ? listeners_.erase(it) : std::next(it);
    for (auto it = responseListeners_.begin(); it != responseListeners_.end();)
        it = it->second == listener ? responseListeners_.erase(it) : std::next(it);
    heldMayMove();
}

void STPTransport::registerResponseListener(STPMessageListener* listener, uint32_t serial) {
    responseListeners_[serial] = listener;
}

void STPTransport::registerForwardingHandler(int destination, STPForwardingHandler* handler) {
    forwarders_[destination] = handler;
}

void STPTransport::unregisterForwardingHandler(int destination) {
    forwarders_.erase(destination);
}

// ---- channels

bool STPTransport::createChannel(int local, int remote, TStat* stat) {
    STPAsciiOMsg* create =
        createAsciiMessage(local, remote, kSTPClassChannel, kSTPChannelCreate, 0);
    uint32_t serial = enqueueAndTryMessage(create, 1, stat);
    delete create;
    if (!serial) return false;
    STPChannelState& state = channels_[RoutePair(local, remote)];
    if (state != kSTPChannelStarted) state = kSTPChannelCreated;
    return true;
}

bool STPTransport::closeChannel(int local, int remote, TStat* stat) {
    STPAsciiOMsg* close = createAsciiMessage(local, remote, kSTPClassChannel, kSTPChannelClose, 0);
    uint32_t serial = enqueueAndTryMessage(close, 1, stat);
    delete close;
    channels_[RoutePair(local, remote)] = kSTPChannelClosed;
    return serial != 0;
}

STPChannelState STPTransport::channelState(int local, int remote) const {
    auto it = channels_.find(RoutePair(local, remote));
    return it == channels_.end() ? kSTPChannelNone : it->second;
}

// ---- transaction tokens

uint32_t STPTransport::beginTransaction(bool exclusive) {
    uint32_t low = ++tokenCounter_ & 0xffff;
    if (low == 0) low = ++tokenCounter_ & 0xffff;
    uint32_t token = (static_cast<uint32_t>(getpid()) & 0xffff) << 16 | low;
    pushToken(token, 0, exclusive ? kSTPFlagTransaction : 0);
    return token;
}

void STPTransport::pushToken(uint32_t token, uint32_t depth, uint32_t flags) {
    tokens_.push_back(Token{token, depth, flags});
    heldMayMove();
}

void STPTransport::popToken() {
    if (!tokens_.empty()) tokens_.pop_back();
    heldMayMove();
}
