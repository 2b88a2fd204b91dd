// Service classes on both ends of a loopback TCP connection: negotiation maps names to
// the peer's numbers, service messages and commands reach their handlers with replies,
// and transaction tokens let nested requests through while holding unrelated ones.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/gen_hooks.h"
#include "shared/stp_transport/stp_spec_class.h"

namespace {

class PumpRetry : public RetryHandler {
public:
    explicit PumpRetry(STPTransport* other) : other_(other), limit_(5000) {}
    bool retry(STPTransport* transport) override {
        other_->pollOnce(0);
        return limit_.retry(transport);
    }
    long waitInterval() const override { return 5; }

private:
    STPTransport* other_;
    TimeoutSTPRetryHandler limit_;
};

// Orders differ between the two tables on purpose: numbers must be mapped by name.
const STPMessageDef kServerMessages[] = {
    {"plain", 0, "{ }"},
    {"nested", kSTPFlagTransaction, "{ }"},
    {"ask", kSTPFlagWantsReply | kSTPFlagTransaction, "{ n:int }"},
    {"sum", kSTPFlagWantsReply, "{ 1:int 2:int }"},
};
const STPMessageDef kClientMessages[] = {
    {"sum", kSTPFlagWantsReply, "{ 1:int 2:int }"},
    {"ask", kSTPFlagWantsReply | kSTPFlagTransaction, "{ n:int }"},
    {"nested", kSTPFlagTransaction, "{ }"},
    {"plain", 0, "{ }"},
    {"clientOnly", 0, "{ }"},
};

class Service : public STPSpecClass {
public:
    Service(const STPMessageDef* table, int count)
        : STPSpecClass("TestService", "v1.0", table, count), table_(table) {}

    std::vector<std::string> seen;
    STPSpecClass* nestedTarget = nullptr; // sends "nested" while handling "ask"

protected:
    int handleCommand(const char* name, int action, STPAsciiIMsg&) override {
        seen.push_back(std::string("cmd:") + name);
        return action * 2;
    }
    void handleAsciiMessage(int index, STPAsciiIMsg& in, STPAsciiOMsg* reply) override {
        std::string name = index >= 0 ? table_[index].name : "?";
        seen.push_back(name);
        if (name == "ask" && nestedTarget) {
            STPAsciiOMsg* m = nestedTarget->createAsciiMessage(findMessage("nested"), nullptr);
            nestedTarget->send(m, nullptr, nullptr);
            delete m;
        }
        uint32_t n = 0;
        if (reply && in.getNumber("n", &n)) reply->putNumber("n", n + 1);
    }
    void handleBinaryMessage(int index, STPBinaryIMsg& in, STPBinaryOMsg* reply) override {
        seen.push_back(index >= 0 ? table_[index].name : "?");
        int32_t a = 0, b = 0;
        in.getInt32(2, &b);
        in.getInt32(1, &a);
        if (reply) reply->putInt32(1, a + b);
    }

private:
    const STPMessageDef* table_;
};

class STPSpecClassTest : public ::testing::Test {
protected:
    void SetUp() override {
        TStat stat;
        serverT = new STPTransport;
        ASSERT_TRUE(serverT->listen(0, nullptr, &stat));
        clientT = new STPTransport;
        ASSERT_TRUE(clientT->connect("127.0.0.1", serverT->localPort(), &stat)) << stat.text;
        TimeoutSTPRetryHandler retry(5000);
        ASSERT_TRUE(serverT->acceptConnection(&retry, &stat));
        server = new Service(kServerMessages, 4);
        client = new Service(kClientMessages, 5);
        server->attach(serverT, 10, 20);
        client->attach(clientT, 20, 10);
    }
    void TearDown() override {
        // A set-up that stopped half way leaves some of these unmade.
        if (client) client->delRef();
        if (server) server->delRef();
        if (clientT) clientT->delRef();
        if (serverT) serverT->delRef();
    }
    void Negotiate() {
        PumpRetry retry(serverT);
        TStat stat;
        ASSERT_TRUE(client->negotiate(&retry, &stat)) << stat.text;
        ASSERT_TRUE(server->isNegotiated());
    }

    STPTransport* serverT = nullptr;
    STPTransport* clientT = nullptr;
    Service* server = nullptr;
    Service* client = nullptr;
};

} // namespace

TEST_F(STPSpecClassTest, NegotiationMapsNamesToThePeersNumbers) {
    TStat stat;
    EXPECT_EQ(client->createAsciiMessage(3, &stat), nullptr);
    EXPECT_STREQ(stat.text, "Attempted send before negotiation is complete.");
    Negotiate();
    EXPECT_EQ(client->peerName(), "TestService");
    EXPECT_EQ(client->peerNumber(0), 4); // "sum" is fourth on the server
    EXPECT_EQ(client->peerNumber(3), 1);
    EXPECT_EQ(client->peerFlags(1), kSTPFlagWantsReply | kSTPFlagTransaction);
    ASSERT_EQ(server->extraMessages().size(), 1u);
    EXPECT_EQ(server->extraMessages()[0].first, "clientOnly");
    EXPECT_EQ(server->extraMessages()[0].second.first, 5);

    EXPECT_EQ(client->createAsciiMessage(4, &stat), nullptr);
    EXPECT_STREQ(stat.text, "[send]: sending a message the other side does not support");
    client->setConnectionDown(true, false);
    EXPECT_EQ(client->createAsciiMessage(3, &stat), nullptr);
    EXPECT_STREQ(stat.text, "[send]: virtual connection is down");
    EXPECT_FALSE(client->sendNegotiate(&stat));
    EXPECT_STREQ(stat.text, "[sendNegotiate]: virtual connection is down");
}

TEST_F(STPSpecClassTest, ServiceMessagesAndCommandsGetReplies) {
    Negotiate();
    PumpRetry retry(serverT);
    TStat stat;

    STPAsciiOMsg* ask = client->createAsciiMessage(1, &stat);
    ask->putNumber("n", 41);
    STPIMsg* reply = client->sendAndAwaitReply(ask, &retry, &stat);
    delete ask;
    ASSERT_NE(reply, nullptr) << stat.text;
    STPAsciiIMsg in(*reply);
    uint32_t n = 0;
    EXPECT_TRUE(in.getNumber("n", &n));
    EXPECT_EQ(n, 42u);
    delete reply;

    STPBinaryOMsg* sum = client->createBinaryMessage(0, &stat);
    sum->putInt32(1, 3);
    sum->putInt32(2, 4);
    reply = client->sendAndAwaitReply(sum, &retry, &stat);
    delete sum;
    ASSERT_NE(reply, nullptr) << stat.text;
    STPBinaryIMsg bin(*reply);
    int32_t total = 0;
    EXPECT_TRUE(bin.getInt32(1, &total));
    EXPECT_EQ(total, 7);
    delete reply;

    int result = 0;
    ASSERT_TRUE(client->sendCommand("echo", 21, &result, &retry, &stat)) << stat.text;
    EXPECT_EQ(result, 42);
    EXPECT_EQ(server->seen, (std::vector<std::string>{"ask", "sum", "cmd:echo"}));
}

TEST_F(STPSpecClassTest, InterfaceRequestAndSynchronize) {
    Negotiate();
    PumpRetry retry(serverT);
    TStat stat;
    ASSERT_TRUE(client->request_interface(&retry, &stat)) << stat.text;
    ASSERT_EQ(client->peerInterface().size(), 4u);
    EXPECT_EQ(client->peerInterface()[3].first, "sum");
    EXPECT_EQ(client->peerInterface()[3].second, "{ 1:int 2:int }");
    ASSERT_TRUE(client->synchronize(&retry, &stat)) << stat.text;
    EXPECT_TRUE(server->isSynchronized());
}

TEST_F(STPSpecClassTest, NestedTransactionRequestsPassWhileOthersAreHeld) {
    Negotiate();
    TStat stat;
    // Unrelated traffic sent before the transaction starts arrives during it.
    STPAsciiOMsg* plain = client->createAsciiMessage(3, &stat);
    client->send(plain, nullptr, &stat);
    delete plain;

    client->nestedTarget = client; // the client answers "ask" with a nested "nested"
    serverT->beginTransaction(true);
    STPAsciiOMsg* ask = server->createAsciiMessage(2, &stat);
    ask->putNumber("n", 1);
    PumpRetry retry(clientT);
    STPIMsg* reply = server->sendAndAwaitReply(ask, &retry, &stat);
    delete ask;
    ASSERT_NE(reply, nullptr) << stat.text;
    delete reply;
    EXPECT_EQ(server->seen, (std::vector<std::string>{"nested"}));
    EXPECT_EQ(server->heldCount(), 1);

    serverT->endTransaction();
    serverT->pollOnce(0);
    EXPECT_EQ(server->seen, (std::vector<std::string>{"nested", "plain"}));
    EXPECT_EQ(server->heldCount(), 0);
}

TEST_F(STPSpecClassTest, AServiceNegotiatesAgainOnItsNextConnection) {
    Negotiate();
    STPTransport* first = nullptr;
    STPTransport* second = nullptr;
    TStat stat;
    ASSERT_TRUE(STPTransport::createLoopbackPair(&first, &second, &stat));
    server->attach(first, 10, 20);
    Service* fresh = new Service(kClientMessages, 5);
    fresh->attach(second, 20, 10);
    PumpRetry retry(first);
    EXPECT_TRUE(fresh->negotiate(&retry, &stat)) << stat.text;
    EXPECT_TRUE(server->isNegotiated());
    EXPECT_EQ(server->extraMessages().size(), 1u) << "listed once, not once per peer";

    fresh->detach(); // waiting without a connection is refused, not a crash
    EXPECT_FALSE(fresh->negotiate(&retry, &stat));
    EXPECT_EQ(stat.code, kSTPInvalid);
    fresh->delRef();
    first->delRef();
    second->delRef();
}

TEST_F(STPSpecClassTest, NegotiationTimesOutWithStatus7) {
    server->setConnectionDown(true, true); // a peer that never answers
    TimeoutSTPRetryHandler retry(50);
    TStat stat;
    EXPECT_FALSE(client->negotiate(&retry, &stat));
    EXPECT_EQ(stat.code, kSTPTimedOut);
    EXPECT_STREQ(stat.text, "awaitNegotiate: timed out waiting for reply.");
}
