// Negotiation and service dispatch. Our messages are numbered by their place in the
// table; the peer's numbers arrive in its negotiation message and are what we put on
// the wire when sending, so each side receives its own numbers. A side that has not
// negotiated (or synchronised) yet answers the peer's first such message with its own,
// so a passive server needs no extra call.
#include "shared/stp_transport/stp_spec_class.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"

namespace {

// Takes over a text returned by a reader.
std::string takeText(char* text) {
    std::string s = text ? text : "";
    gen_free(text);
    return s;
}

const int kDeliveryBits = kSTPFlagTransaction | kSTPFlagAlways;
const int kFirstTransactionalNegotiation = 9; // class 12 numbers from here are transactional
const int kReplyWriteRounds = 2;

} // namespace

STPSpecClass::STPSpecClass(const char* interfaceName, const char* versionStamp,
                           const STPMessageDef* messages, int count)
    : name_(interfaceName), versionStamp_(versionStamp), messages_(messages),
      count_(count < 0 ? 0 : count), peer_(static_cast<size_t>(count_)) {}

STPSpecClass::~STPSpecClass() {
    detach();
}

void STPSpecClass::delRef() {
    if (--refs_ <= 0) delete this;
}

void STPSpecClass::attach(STPTransport* transport, int local, int remote) {
    detach();
    if (!transport) return;
    transport_ = transport;
    transport_->addRef();
    local_ = local;
    remote_ = remote;
    for (int c : {kSTPClassNegotiation, kSTPClassCommand, kSTPClassAscii, kSTPClassBinary})
        transport_->registerMessageListener(this, remote_, local_, c);
}

void STPSpecClass::detach() {
    if (!transport_) return;
    transport_->unregisterMessageListener(this);
    transport_->delRef();
    transport_ = nullptr;
    releaseHolds();
    forgetPeer();
}

// What was agreed with one peer is negotiated again on the next connection.
void STPSpecClass::forgetPeer() {
    sentNegotiate_ = peerNegotiated_ = sentSynchronize_ = synchronized_ = false;
    peer_.assign(peer_.size(), PeerEntry());
    extra_.clear();
    peerInterface_.clear();
    peerTags_.clear();
    peerName_.clear();
    peerVersionStamp_.clear();
}

// Waiting needs a connection; without one the wait is an invalid request.
bool STPSpecClass::waitFor(std::function<bool()> done, RetryHandler* retry, TStat* stat,
                           STPText timedOut) {
    if (!transport_) {
        if (stat) stat->set(kSTPInvalid, kTextNullTransport);
        return false;
    }
    return transport_->serviceUntil(done, retry, stat, timedOut);
}

// Drops the references taken for held messages without deleting: the caller either
// still holds its own reference or is the destructor.
void STPSpecClass::releaseHolds() {
    refs_ -= static_cast<int>(held_.size());
    held_.clear();
}

void STPSpecClass::connectionClosed(STPTransport*) {
    addRef();
    releaseHolds();
    delRef();
}

void STPSpecClass::setConnectionDown(bool sending, bool receiving) {
    sendDown_ = sending;
    receiveDown_ = receiving;
}

int STPSpecClass::findMessage(const char* name) const {
    if (!name) return -1;
    for (int i = 0; i < count_; i++)
        if (strcmp(messages_[i].name, name) == 0) return i;
    return -1;
}

int STPSpecClass::peerNumber(int index) const {
    return index >= 0 && index < count_ ? peer_[index].number : -1;
}

int STPSpecClass::peerFlags(int index) const {
    return index >= 0 && index < count_ ? peer_[index].flags : 0;
}

// ---- negotiation

bool STPSpecClass::sendNegotiate(TStat* stat) {
    if (!transport_) {
        if (stat) stat->set(kSTPInvalid, kTextNullTransport);
        return false;
    }
    if (sendDown_) {
        if (stat) stat->set(kSTPFailed, kTextNegotiateDown);
        return false;
    }
    STPAsciiOMsg* msg =
        transport_->createAsciiMessage(local_, remote_, kSTPClassNegotiation, kSTPNegotiate, 2);
    msg->putIdentifier("name", name_);
    msg->putString("vstamp", versionStamp_);
    msg->putNumber("flags", 0);
    msg->beginArray("tags", static_cast<int>(tags_.size()));
    for (const std::string& tag : tags_) msg->putIdentifier(nullptr, tag.c_str());
    msg->endArray();
    msg->beginArray("msgs", count_);
    for (int i = 0; i < count_; i++) {
        msg->beginStruct(nullptr);
        msg->putNumber("id", static_cast<uint32_t>(i + 1));
        msg->putIdentifier("name", messages_[i].name);
        msg->putNumber("flags", static_cast<uint32_t>(messages_[i].flags));
        msg->endStruct();
    }
    msg->endArray();
    uint32_t serial = transport_->sendMessage(msg, nullptr, stat);
    delete msg;
    if (serial) sentNegotiate_ = true;
    return serial != 0;
}

bool STPSpecClass::negotiate(RetryHandler* retry, TStat* stat) {
    if (!sentNegotiate_ && !sendNegotiate(stat)) return false;
    return waitFor([this] { return peerNegotiated_; }, retry, stat, kTextNegotiateTimedOut);
}

void STPSpecClass::handleNegotiate(STPAsciiIMsg& in) {
    char* text = nullptr;
    if (in.getIdentifier("name", &text)) peerName_ = takeText(text);
    if (in.getString("vstamp", &text)) peerVersionStamp_ = takeText(text);
    peerTags_.clear();
    if (in.beginArray("tags", nullptr)) {
        while (!in.atLevelEnd() && in.getIdentifier(nullptr, &text))
            peerTags_.push_back(takeText(text));
        in.endArray();
    }
    extra_.clear(); // a peer that negotiates again lists its messages again
    if (in.beginArray("msgs", nullptr)) {
        while (!in.atLevelEnd() && in.beginStruct(nullptr)) {
            uint32_t id = 0;
            uint32_t flags = 0;
            char* name = nullptr;
            in.getNumber("id", &id);
            in.getNumber("flags", &flags);
            if (in.getIdentifier("name", &name)) {
                std::string n = takeText(name);
                int index = findMessage(n.c_str());
                if (index >= 0)
                    peer_[index] = PeerEntry{static_cast<int>(id), static_cast<int>(flags)};
                else
                    extra_.push_back(std::make_pair(
                        n, std::make_pair(static_cast<int>(id), static_cast<int>(flags))));
            }
            in.endStruct();
        }
        in.endArray();
    }
    peerNegotiated_ = true;
    if (!sentNegotiate_) sendNegotiate(nullptr);
}

bool STPSpecClass::sendSynchronize(TStat* stat) {
    if (!checkSend(false, stat)) return false;
    STPAsciiOMsg* msg =
        transport_->createAsciiMessage(local_, remote_, kSTPClassNegotiation, kSTPSynchronize, 2);
    uint32_t serial = transport_->sendMessage(msg, nullptr, stat);
    delete msg;
    if (serial) sentSynchronize_ = true;
    return serial != 0;
}

bool STPSpecClass::synchronize(RetryHandler* retry, TStat* stat) {
    if (!sentSynchronize_ && !sendSynchronize(stat)) return false;
    return waitFor([this] { return synchronized_; }, retry, stat, kTextSynchronizeTimedOut);
}

bool STPSpecClass::request_interface(RetryHandler* retry, TStat* stat) {
    if (!checkSend(false, stat)) return false;
    STPAsciiOMsg* msg = transport_->createAsciiMessage(local_, remote_, kSTPClassNegotiation,
                                                       kSTPInterfaceRequest, 1);
    STPIMsg* reply = sendAndAwaitReply(msg, retry, stat);
    delete msg;
    if (!reply) return false;
    peerInterface_.clear();
    STPAsciiIMsg in(*reply);
    if (in.beginArray("msgs", nullptr)) {
        while (!in.atLevelEnd() && in.beginStruct(nullptr)) {
            char* name = nullptr;
            char* fmt = nullptr;
            std::string n = in.getIdentifier("name", &name) ? takeText(name) : "";
            std::string f = in.getQuotedIdentifier("fmt", &fmt) ? takeText(fmt) : "";
            peerInterface_.push_back(std::make_pair(n, f));
            in.endStruct();
        }
        in.endArray();
    }
    delete reply;
    return true;
}

void STPSpecClass::writeInterface(STPAsciiOMsg* reply) const {
    if (!reply) return;
    reply->beginArray("msgs", count_);
    for (int i = 0; i < count_; i++) {
        reply->beginStruct(nullptr);
        reply->putIdentifier("name", messages_[i].name);
        reply->putQuotedIdentifier("fmt", messages_[i].format ? messages_[i].format : "");
        reply->endStruct();
    }
    reply->endArray();
}

// ---- sending

bool STPSpecClass::checkSend(bool needsNegotiation, TStat* stat) {
    if (!transport_) {
        if (stat) stat->set(kSTPInvalid, kTextNullTransport);
        return false;
    }
    if (sendDown_) {
        if (stat) stat->set(kSTPFailed, kTextSendDown);
        return false;
    }
    if (needsNegotiation && !peerNegotiated_) {
        if (stat) stat->set(kSTPInvalid, kTextSendBeforeNegotiation);
        return false;
    }
    return true;
}

STPAsciiOMsg* STPSpecClass::createAsciiMessage(int index, TStat* stat) {
    if (!checkSend(true, stat)) return nullptr;
    if (peerNumber(index) < 0) {
        if (stat) stat->set(kSTPInvalid, kTextUnsupportedMessage);
        return nullptr;
    }
    return transport_->createAsciiMessage(local_, remote_, kSTPClassAscii, peerNumber(index),
                                          messages_[index].flags, messages_[index].name);
}

STPBinaryOMsg* STPSpecClass::createBinaryMessage(int index, TStat* stat) {
    if (!checkSend(true, stat)) return nullptr;
    if (peerNumber(index) < 0) {
        if (stat) stat->set(kSTPInvalid, kTextUnsupportedMessage);
        return nullptr;
    }
    return transport_->createBinaryMessage(local_, remote_, kSTPClassBinary, peerNumber(index),
                                           messages_[index].flags);
}

uint32_t STPSpecClass::send(STPOMsg* msg, RetryHandler* retry, TStat* stat) {
    if (!msg || !checkSend(false, stat)) return 0;
    return transport_->sendMessage(msg, retry, stat);
}

STPIMsg* STPSpecClass::sendAndAwaitReply(STPOMsg* msg, RetryHandler* retry, TStat* stat) {
    uint32_t serial = send(msg, retry, stat);
    if (!serial) return nullptr;
    return transport_->awaitResponse(serial, retry, stat);
}

bool STPSpecClass::sendCommand(const char* name, int action, int* result, RetryHandler* retry,
                               TStat* stat) {
    if (!checkSend(false, stat)) return false;
    STPAsciiOMsg* msg = transport_->createAsciiMessage(local_, remote_, kSTPClassCommand,
                                                       kSTPNumberByName, kSTPFlagWantsReply, name);
    msg->putNumber("__action", static_cast<uint32_t>(action));
    STPIMsg* reply = sendAndAwaitReply(msg, retry, stat);
    delete msg;
    if (!reply) return false;
    STPAsciiIMsg in(*reply);
    uint32_t ret = 0;
    bool found = in.getNumber("__ret", &ret);
    delete reply;
    if (result) *result = static_cast<int>(ret);
    return found;
}

// ---- receiving

int STPSpecClass::handleCommand(const char*, int, STPAsciiIMsg&) {
    return -1;
}
void STPSpecClass::handleAsciiMessage(int, STPAsciiIMsg&, STPAsciiOMsg*) {}
void STPSpecClass::handleBinaryMessage(int, STPBinaryIMsg&, STPBinaryOMsg*) {}

void STPSpecClass::resolveNumber(STPIMsg* msg) {
    STPHeader& h = msg->header;
    if (h.number != kSTPNumberByName) return;
    if (h.msgClass != kSTPClassCommand && h.msgClass != kSTPClassAscii) return;
    STPAsciiIMsg in(*msg);
    std::string name = takeText(in.openingIdentifier());
    int index = findMessage(name.c_str());
    if (index >= 0) h.number = index + 1;
}

void STPSpecClass::completeFlags(STPHeader* h) const {
    if (h->msgClass == kSTPClassNegotiation) {
        h->flags |=
            h->number >= kFirstTransactionalNegotiation ? kSTPFlagTransaction : kSTPFlagAlways;
        return;
    }
    int index = h->number - 1;
    if (index >= 0 && index < count_) h->flags |= peer_[index].flags & kDeliveryBits;
}

bool STPSpecClass::handleMessage(STPTransport* transport, STPIMsg* msg, bool) {
    if (receiveDown_) return true;
    resolveNumber(msg);
    completeFlags(&msg->header);
    const STPHeader& h = msg->header;
    if (!transport->shouldDeliverMessage(h)) {
        if (held_.insert(msg).second) addRef();
        return false;
    }
    bool wasHeld = held_.erase(msg) > 0;

    addRef();
    transport->addRef();
    transport->pushToken(h.token, h.depth, h.flags);
    STPAsciiOMsg* asciiReply = nullptr;
    STPBinaryOMsg* binaryReply = nullptr;
    if (h.flags & kSTPFlagWantsReply) {
        if (h.msgClass == kSTPClassBinary)
            binaryReply = transport->createBinaryReply(local_, remote_, h.serial, 0);
        else
            asciiReply = transport->createAsciiReply(local_, remote_, h.serial, 0);
    }
    dispatch(msg, asciiReply, binaryReply);
    STPOMsg* reply = asciiReply ? static_cast<STPOMsg*>(asciiReply) : binaryReply;
    if (reply && !sendDown_) transport->enqueueAndTryMessage(reply, kReplyWriteRounds, nullptr);
    delete reply;
    transport->popToken();
    transport->delRef();
    if (wasHeld) refs_--; // the hold's reference; the one taken above keeps us alive
    delRef();
    return true;
}

void STPSpecClass::dispatch(STPIMsg* msg, STPAsciiOMsg* asciiReply, STPBinaryOMsg* binaryReply) {
    const STPHeader& h = msg->header;
    int index = h.number >= 1 && h.number <= count_ ? h.number - 1 : -1;
    switch (h.msgClass) {
    case kSTPClassNegotiation: {
        STPAsciiIMsg in(*msg);
        if (h.number == kSTPNegotiate) {
            handleNegotiate(in);
        } else if (h.number == kSTPInterfaceRequest) {
            writeInterface(asciiReply);
        } else if (h.number == kSTPSynchronize) {
            synchronized_ = true;
            if (!sentSynchronize_) sendSynchronize(nullptr);
        }
        break;
    }
    case kSTPClassCommand: {
        STPAsciiIMsg in(*msg);
        std::string name = takeText(in.openingIdentifier());
        uint32_t action = 0;
        in.getNumber("__action", &action);
        int ret = handleCommand(name.c_str(), static_cast<int>(action), in);
        if (asciiReply) asciiReply->putNumber("__ret", static_cast<uint32_t>(ret));
        break;
    }
    case kSTPClassAscii: {
        STPAsciiIMsg in(*msg);
        handleAsciiMessage(index, in, asciiReply);
        break;
    }
    case kSTPClassBinary: {
        STPBinaryIMsg in(*msg);
        handleBinaryMessage(index, in, binaryReply);
        break;
    }
    default:
        gen_warning("oops");
        break;
    }
}
