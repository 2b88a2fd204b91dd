// Two transports over a real loopback TCP connection, driven in one thread: a waiting
// side keeps its peer going through the retry handler, as a GUI keeps its windows alive.
// Covers framing on a live stream, replies, held-back messages, forwarding, channels,
// markers, the idle notifier and every way a connection ends.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "shared/gen_hooks.h"
#include "shared/libcxxutil/ut_clock.h"
#include "shared/libcxxutil/ut_idle.h"
#include "shared/stp_transport/stp_transport.h"

namespace {

// Services `other` between rounds and gives up after a few seconds of real time.
class PumpRetry : public RetryHandler {
public:
    explicit PumpRetry(STPTransport* other) : other_(other), limit_(5000) {}
    bool retry(STPTransport* transport) override {
        if (other_) other_->pollOnce(0);
        return limit_.retry(transport);
    }
    long waitInterval() const override { return 5; }

private:
    STPTransport* other_;
    TimeoutSTPRetryHandler limit_;
};

// Records what arrives for one key; can be told to decline.
class Recorder : public STPMessageListener {
public:
    bool handleMessage(STPTransport*, STPIMsg* msg, bool awaited) override {
        if (decline) return false;
        headers.push_back(msg->header);
        bodies.push_back(std::string(msg->body(), msg->bodyLength()));
        awaitedFlags.push_back(awaited);
        return true;
    }
    void connectionClosed(STPTransport*) override { closed++; }

    bool decline = false;
    int closed = 0;
    std::vector<STPHeader> headers;
    std::vector<std::string> bodies;
    std::vector<bool> awaitedFlags;
};

class STPTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        TStat stat;
        server = new STPTransport;
        ASSERT_TRUE(server->listen(0, nullptr, &stat)) << stat.text;
        client = new STPTransport;
        ASSERT_TRUE(client->connect("127.0.0.1", server->localPort(), &stat)) << stat.text;
        TimeoutSTPRetryHandler retry(5000);
        ASSERT_TRUE(server->acceptConnection(&retry, &stat)) << stat.text;
    }
    void TearDown() override {
        if (client) client->delRef();
        if (server) server->delRef();
    }

    // Services both ends until `done` holds (or a few seconds pass).
    bool PumpUntil(const std::function<bool()>& done) {
        TimeoutSTPRetryHandler limit(5000);
        while (!done()) {
            if (client) client->pollOnce(1);
            if (server) server->pollOnce(1);
            if (!limit.retry(nullptr)) return false;
        }
        return true;
    }

    STPTransport* server = nullptr;
    STPTransport* client = nullptr;
};

// A raw TCP peer for bytes no transport would send.
int RawConnect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in addr;
    memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) < 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TEST_F(STPTransportTest, AsciiRequestAndAwaitedReply) {
    Recorder serverSide;
    server->registerMessageListener(&serverSide, 1, 2, kSTPClassAscii);
    STPAsciiOMsg* request = client->createAsciiMessage(1, 2, kSTPClassAscii, 5, 1, "hello");
    request->putString("text", "line\none");
    TStat stat;
    uint32_t serial = client->sendMessage(request, nullptr, &stat);
    delete request;
    EXPECT_EQ(serial, 1u); // the first serial of a transport

    ASSERT_TRUE(PumpUntil([&] { return !serverSide.headers.empty(); }));
    EXPECT_EQ(serverSide.headers[0].number, 5);
    EXPECT_EQ(serverSide.headers[0].serial, serial);
    EXPECT_EQ(serverSide.headers[0].depth, 1u);
    STPAsciiIMsg in(serverSide.bodies[0].data(), serverSide.bodies[0].size());
    char* text = nullptr;
    ASSERT_TRUE(in.getString("text", &text));
    EXPECT_STREQ(text, "line\none");
    gen_free(text);

    STPAsciiOMsg* reply = server->createAsciiReply(2, 1, serial, 0);
    reply->putNumber("answer", 42);
    server->sendMessage(reply, nullptr, &stat);
    delete reply;
    PumpRetry retry(server);
    STPIMsg* got = client->awaitResponse(serial, &retry, &stat);
    ASSERT_NE(got, nullptr) << stat.text;
    EXPECT_EQ(got->header.msgClass, -1);
    STPAsciiIMsg answer(*got);
    uint32_t v = 0;
    EXPECT_TRUE(answer.getNumber("answer", &v));
    EXPECT_EQ(v, 42u);
    delete got;
}

TEST_F(STPTransportTest, BinaryMessagesBothWaysIncludingLargeBodies) {
    Recorder atServer, atClient;
    server->registerMessageListener(&atServer, 1, 2, kSTPClassBinary);
    client->registerMessageListener(&atClient, 2, 1, kSTPClassBinary);
    std::string big(65536, 'x');
    for (size_t i = 0; i < big.size(); i++) big[i] = static_cast<char>('a' + i % 26);
    for (int i = 0; i < 3; i++) {
        STPBinaryOMsg* m = client->createBinaryMessage(1, 2, kSTPClassBinary, i, 0);
        m->putInt32(1, i);
        m->putString(2, big.c_str());
        client->sendMessage(m, nullptr, nullptr);
        delete m;
    }
    STPBinaryOMsg* back = server->createBinaryMessage(2, 1, kSTPClassBinary, 9, 0);
    back->putDouble(1, 1.5);
    server->sendMessage(back, nullptr, nullptr);
    delete back;

    ASSERT_TRUE(
        PumpUntil([&] { return atServer.headers.size() == 3 && atClient.headers.size() == 1; }));
    for (int i = 0; i < 3; i++) {
        STPBinaryIMsg in(atServer.bodies[i].data(), atServer.bodies[i].size());
        int32_t n = -1;
        char* text = nullptr;
        ASSERT_TRUE(in.getInt32(1, &n));
        EXPECT_EQ(n, i);
        ASSERT_TRUE(in.getString(2, &text));
        EXPECT_EQ(std::string(text), big);
        gen_free(text);
    }
    STPBinaryIMsg in(atClient.bodies[0].data(), atClient.bodies[0].size());
    double d = 0;
    EXPECT_TRUE(in.getDouble(1, &d));
    EXPECT_EQ(d, 1.5);
}

TEST_F(STPTransportTest, UnclaimedMessagesQueueAndFlowToALateListener) {
    STPAsciiOMsg* m = client->createAsciiMessage(1, 2, kSTPClassAscii, 3, 0);
    client->sendMessage(m, nullptr, nullptr);
    STPAsciiOMsg* noop = client->createAsciiMessage(1, 2, kSTPClassNoop, 0, 0);
    client->sendMessage(noop, nullptr, nullptr);
    client->sendMessage(m, nullptr, nullptr);
    delete m;
    delete noop;
    ASSERT_TRUE(PumpUntil([&] { return server->queuedRequests() == 2; }));

    STPIMsg* first = server->takeRequest();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->header.serial, 1u);
    delete first;
    Recorder late;
    server->registerMessageListener(&late, 1, 2, kSTPClassAscii);
    ASSERT_TRUE(PumpUntil([&] { return late.headers.size() == 1; }));
    EXPECT_EQ(late.headers[0].serial, 3u); // the no-op took serial 2 and was dropped
    EXPECT_EQ(server->queuedRequests(), 0u);
}

TEST_F(STPTransportTest, HeldBackMessagesWaitForTheTransactionToEnd) {
    // A listener that honours the delivery rules declines what may not be delivered yet.
    struct Gate : Recorder {
        bool handleMessage(STPTransport* t, STPIMsg* msg, bool awaited) override {
            if (!t->shouldDeliverMessage(msg->header)) return false;
            return Recorder::handleMessage(t, msg, awaited);
        }
    } gate;
    server->registerMessageListener(&gate, 1, 2, kSTPClassAscii);
    uint32_t token = server->beginTransaction(true);

    auto send = [&](int number, int flags, uint32_t tok, uint32_t depth) {
        STPAsciiOMsg* m = client->createAsciiMessage(1, 2, kSTPClassAscii, number, flags);
        m->header.token = tok;
        m->header.depth = depth;
        client->sendMessage(m, nullptr, nullptr);
        delete m;
    };
    send(1, 0, 0, 1);                           // outside the transaction
    send(2, kSTPFlagTransaction, token, 1);     // inside it, one level deeper
    send(3, kSTPFlagTransaction, token + 1, 1); // another transaction
    send(4, kSTPFlagAlways, 0, 1);              // always delivered
    send(5, kSTPFlagTransaction, token, 0);     // inside it, but not deeper

    ASSERT_TRUE(PumpUntil([&] { return gate.headers.size() == 2 && server->heldMessages() == 3; }));
    EXPECT_EQ(gate.headers[0].number, 2);
    EXPECT_EQ(gate.headers[1].number, 4);

    server->endTransaction();
    ASSERT_TRUE(PumpUntil([&] { return gate.headers.size() == 5; }));
    EXPECT_EQ(gate.headers[2].number, 1);
    EXPECT_EQ(gate.headers[3].number, 3);
    EXPECT_EQ(gate.headers[4].number, 5);
    EXPECT_EQ(server->heldMessages(), 0u);
}

TEST_F(STPTransportTest, ForwardingHandlerGetsTheMessageUnchanged) {
    struct Forward : STPForwardingHandler {
        void forwardMessage(STPTransport*, const char* bytes, size_t length) override {
            got.assign(bytes, length);
        }
        std::string got;
    } forward;
    server->registerForwardingHandler(99, &forward);
    STPBinaryOMsg* m = client->createBinaryMessage(1, 99, kSTPClassBinary, 1, 0);
    m->putInt8(1, 1);
    client->sendMessage(m, nullptr, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !forward.got.empty(); }));
    EXPECT_EQ(forward.got, std::string(m->data(), m->size()));
    delete m;
}

TEST_F(STPTransportTest, ChannelHandshakeAndSyncMarkers) {
    TStat stat;
    ASSERT_TRUE(client->createChannel(1, 2, &stat));
    EXPECT_EQ(client->channelState(1, 2), kSTPChannelCreated);
    ASSERT_TRUE(PumpUntil([&] { return client->channelState(1, 2) == kSTPChannelStarted; }));
    EXPECT_EQ(server->channelState(2, 1), kSTPChannelStarted);
    client->closeChannel(1, 2, &stat);
    ASSERT_TRUE(PumpUntil([&] { return server->channelState(2, 1) == kSTPChannelClosed; }));

    ASSERT_TRUE(client->sendSync(1, 2, &stat));
    PumpRetry retry(client);
    EXPECT_TRUE(server->awaitSync(2, 1, &retry, &stat)) << stat.text;
}

TEST_F(STPTransportTest, RefusedAndFailedOperationsReportTheirStatus) {
    STPAsciiOMsg bad;
    TStat stat;
    EXPECT_EQ(client->enqueueMessage(&bad, &stat), 0u);
    EXPECT_EQ(stat.code, kSTPInvalid);
    EXPECT_STREQ(stat.text, "[enqueueMessage]: invalid message header");

    STPTransport t;
    EXPECT_FALSE(t.connect("no-such-host.invalid", 1, &stat));
    EXPECT_STREQ(stat.text, "[connectToServer]: Unable to resolve host");
    STPTransport gone;
    ASSERT_TRUE(gone.listen(0, nullptr, &stat));
    int port = gone.localPort();
    gone.closeConnection(); // nobody listens there any more
    EXPECT_FALSE(t.connect("127.0.0.1", port, &stat));
    EXPECT_EQ(stat.code, kSTPFailed);
    EXPECT_STREQ(stat.text, "[connectToServer]: connect failed");

    STPTransport first, second;
    ASSERT_TRUE(first.listen(0, nullptr, &stat));
    EXPECT_FALSE(second.listen(first.localPort(), nullptr, &stat));
    EXPECT_EQ(stat.code, kSTPFailed);
    EXPECT_STREQ(stat.text, "[getListenSocket]: Could not bind to port");
}

TEST_F(STPTransportTest, AwaitGivesUpWhenTheRetryHandlerDoes) {
    static long long fakeMs = 0;
    UtClockSource saved = ut_clock_source;
    ut_clock_source = [](long* s, long* us) {
        fakeMs += 400; // every look at the clock moves it on
        *s = static_cast<long>(fakeMs / 1000);
        *us = static_cast<long>(fakeMs % 1000) * 1000;
    };
    TimeoutSTPRetryHandler retry(1000);
    TStat stat;
    EXPECT_EQ(client->awaitResponse(12345, &retry, &stat), nullptr);
    ut_clock_source = saved;
    EXPECT_EQ(stat.code, kSTPTimedOut);
    EXPECT_STREQ(stat.text, "awaitResponse: timed out waiting for reply.");
    EXPECT_LT(retry.rounds(), 20);
}

TEST_F(STPTransportTest, PeerThatClosesEndsTheConnectionWithStatus5) {
    Recorder rec;
    server->registerMessageListener(&rec, 1, 2, kSTPClassAscii);
    STPAsciiOMsg* last = client->createAsciiMessage(1, 2, kSTPClassAscii, 1, 0);
    client->sendMessage(last, nullptr, nullptr);
    delete last;
    client->delRef();
    client = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return server->isClosed(); }));
    EXPECT_EQ(rec.headers.size(), 1u); // what came before the close is still delivered
    EXPECT_EQ(server->status().code, kSTPPeerClosed);
    EXPECT_STREQ(server->status().text, "[handleRead]: peer has closed connection");
    EXPECT_EQ(rec.closed, 1);
    TStat stat;
    EXPECT_EQ(server->awaitResponse(1, nullptr, &stat), nullptr); // no wait on a dead line
    EXPECT_EQ(stat.code, kSTPPeerClosed);
}

// A transport accepting one raw TCP peer that writes bytes no transport would send.
class RawPeer {
public:
    RawPeer() {
        TStat stat;
        EXPECT_TRUE(listener.listen(0, nullptr, &stat));
        fd = RawConnect(listener.localPort());
        TimeoutSTPRetryHandler retry(5000);
        EXPECT_TRUE(listener.acceptConnection(&retry, &stat));
    }
    ~RawPeer() {
        if (fd >= 0) close(fd);
    }
    void Send(const char* bytes, size_t n) {
        EXPECT_EQ(write(fd, bytes, n), static_cast<ssize_t>(n));
    }
    void PumpUntil(const std::function<bool()>& done) {
        TimeoutSTPRetryHandler limit(5000);
        while (!done() && limit.retry(nullptr)) listener.pollOnce(10);
    }

    STPTransport listener;
    int fd = -1;
};

TEST(STPTransportRaw, InvalidHeadersCloseTheConnection) {
    for (uint32_t headerLength : {28u, 132u, 42u}) {
        RawPeer peer;
        char bytes[44] = {0};
        stpPut32(bytes, headerLength);
        peer.Send(bytes, sizeof bytes);
        peer.PumpUntil([&] { return peer.listener.isClosed(); });
        EXPECT_EQ(peer.listener.status().code, kSTPFailed) << headerLength;
        EXPECT_STREQ(peer.listener.status().text, "[handleRead]: remote host sent invalid packet");
    }
}

TEST(STPTransportRaw, AConnectionTakenAfterAClosedOneStartsClean) {
    RawPeer peer;
    Recorder rec;
    peer.listener.registerMessageListener(&rec, 0, 0, kSTPClassAscii);
    char message[48] = {0};
    STPHeader h;
    h.msgClass = kSTPClassAscii;
    h.bodyLength = 4;
    stpEncodeHeader(h, message);
    peer.Send(message, 20); // half a message, then the peer goes
    close(peer.fd);
    peer.fd = -1;
    peer.PumpUntil([&] { return peer.listener.isClosed(); });
    ASSERT_EQ(peer.listener.status().code, kSTPPeerClosed);

    TStat stat;
    ASSERT_TRUE(peer.listener.listen(0, nullptr, &stat));
    peer.fd = RawConnect(peer.listener.localPort());
    TimeoutSTPRetryHandler retry(5000);
    ASSERT_TRUE(peer.listener.acceptConnection(&retry, &stat));
    peer.Send(message, sizeof message);
    peer.PumpUntil([&] { return rec.headers.size() == 1 || peer.listener.isClosed(); });
    EXPECT_EQ(rec.headers.size(), 1u) << "the old half message must not come first";
    EXPECT_FALSE(peer.listener.isClosed()) << peer.listener.status().text;
}

TEST(STPTransportRaw, OddBodyLengthOccupiesItsRoundedSpaceOnTheStream) {
    RawPeer peer;
    Recorder rec;
    peer.listener.registerMessageListener(&rec, 0, 0, kSTPClassAscii);
    char stream[52 + 48] = {0};
    STPHeader h;
    h.msgClass = kSTPClassAscii;
    h.bodyLength = 5;
    stpEncodeHeader(h, stream);
    memcpy(stream + 44, "abcd", 5);
    h.bodyLength = 4;
    h.number = 2;
    stpEncodeHeader(h, stream + 52);
    peer.Send(stream, sizeof stream);
    peer.PumpUntil([&] { return rec.headers.size() == 2; });
    ASSERT_EQ(rec.headers.size(), 2u);
    EXPECT_EQ(rec.bodies[0], std::string("abcd\0", 5));
    EXPECT_EQ(rec.headers[1].number, 2);
}

TEST_F(STPTransportTest, IdleNotifierDrivesDeliveryAndStop) {
    Recorder rec;
    server->registerMessageListener(&rec, 1, 2, kSTPClassAscii);
    server->attachToIdleNotifier();
    client->attachToIdleNotifier();
    IdleNotifier* notifier = getIdleNotifier();
    ASSERT_NE(notifier, nullptr);
    int before = notifier->getNumIdlers();

    STPAsciiOMsg* m = client->createAsciiMessage(1, 2, kSTPClassAscii, 1, 0);
    m->putString("s", std::string(200000, 'y').c_str()); // more than one write can take
    client->enqueueMessage(m);
    delete m;
    EXPECT_TRUE(client->wantsToWrite());
    TimeoutSTPRetryHandler limit(5000);
    while (rec.headers.empty() && limit.retry(nullptr))
        notifier->notifySocketActivity(10, true, true);
    ASSERT_EQ(rec.headers.size(), 1u);

    client->delRef();
    client = nullptr;
    while (rec.closed == 0 && limit.retry(nullptr)) notifier->notifySocketActivity(10, true, true);
    EXPECT_EQ(rec.closed, 1);
    EXPECT_EQ(notifier->getNumIdlers(), before - 2); // both listeners left the notifier
}
