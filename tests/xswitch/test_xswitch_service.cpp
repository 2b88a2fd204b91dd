// Sharing switches with other tools: without a whiteboard settings queue up; connecting
// publishes the queue in order; changes from other tools set bytes and publish nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xswitch/whiteboard.h"
#include "xswitch/xswitch.h"
#include "xswitch/xswitch_service.h"

namespace {

class RecordingBoard : public WhiteBoard {
public:
    void registerFuncForBoolChanges(const char* group, WhiteBoardBoolFn fn) override {
        heardGroup = group;
        onChange = fn;
    }
    bool registerGroup(const char* group, bool, bool, void*, bool) override {
        joinedGroup = group;
        return accept;
    }
    void setBool(const char* group, const char* key, bool value, bool notify) override {
        published.push_back(std::string(group) + ":" + key + "=" + (value ? "1" : "0") +
                            (notify ? "" : " (silent)"));
    }

    bool accept = true;
    std::string heardGroup, joinedGroup;
    WhiteBoardBoolFn onChange = nullptr;
    std::vector<std::string> published;
};

using Published = std::vector<std::string>;

class XSwitchServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDebugFlag();
        // Start from an empty queue: a throw-away connection drains it.
        RecordingBoard drain;
        WhiteBoard::setWhiteBoard(&drain);
        initializeXSwitchService(nullptr);
        shutdownXSwitchService();
        WhiteBoard::setWhiteBoard(nullptr);
        ASSERT_EQ(XSwitch_NumPending(), 0);
    }
    void TearDown() override {
        shutdownXSwitchService();
        WhiteBoard::setWhiteBoard(nullptr);
    }
    RecordingBoard board;
};

TEST_F(XSwitchServiceTest, WithoutAServiceRouterSettingsStayQueuedAndLocal) {
    EXPECT_EQ(setXSwitch("UseFDRegistry", false), 1);
    EXPECT_FALSE(initializeXSwitchService(nullptr));
    EXPECT_EQ(theXSwitchClient, nullptr);
    EXPECT_EQ(XSwitch_NumPending(), 1);
    EXPECT_EQ(debugFlag[kSwitchUseFDRegistry], 0);

    board.accept = false; // a service that refuses the group is no connection either
    WhiteBoard::setWhiteBoard(&board);
    EXPECT_FALSE(initializeXSwitchService(nullptr));
    EXPECT_EQ(XSwitch_NumPending(), 1);
    EXPECT_TRUE(board.published.empty());
}

TEST_F(XSwitchServiceTest, ConnectingPublishesEarlierSettingsInTheOrderTheyWereMade) {
    setXSwitch("usefdregistry", false);
    setXSwitch("1117", false);
    setXSwitch("FastActionExec", false);
    setXSwitch("UseFDRegistry", true);
    debugFlag[kSwitchServiceRouter] = 1; // the replay restores what was set

    WhiteBoard::setWhiteBoard(&board);
    EXPECT_TRUE(initializeXSwitchService(nullptr));
    EXPECT_EQ(board.heardGroup, "XSwitch");
    EXPECT_EQ(board.joinedGroup, "XSwitch");
    EXPECT_EQ(board.published, (Published{"XSwitch:usefdregistry=0", "XSwitch:1117=0",
                                          "XSwitch:FastActionExec=0", "XSwitch:UseFDRegistry=1"}));
    EXPECT_EQ(XSwitch_NumPending(), 0);
    EXPECT_EQ(debugFlag[kSwitchServiceRouter], 0);
    EXPECT_EQ(debugFlag[kSwitchUseFDRegistry], 1);

    setXSwitch("Statistics", true); // connected: published at once
    EXPECT_EQ(board.published.back(), "XSwitch:Statistics=1");
    EXPECT_EQ(XSwitch_NumPending(), 0);

    shutdownXSwitchService();
    EXPECT_EQ(theXSwitchClient, nullptr);
    setXSwitch("Statistics", false); // disconnected: queued again
    EXPECT_EQ(board.published.size(), 5u);
    EXPECT_EQ(XSwitch_NumPending(), 1);
}

TEST_F(XSwitchServiceTest, ChangesFromOtherToolsSetTheSwitchAndAreNotEchoed) {
    WhiteBoard::setWhiteBoard(&board);
    ASSERT_TRUE(initializeXSwitchService(nullptr));
    ASSERT_NE(board.onChange, nullptr);

    board.onChange("XSwitch", "usefdregistry", false);
    EXPECT_EQ(debugFlag[kSwitchUseFDRegistry], 0);
    board.onChange("XSwitch", "46", false);
    EXPECT_EQ(debugFlag[46], 0);
    board.onChange("XSwitch", "FastActionExec", false); // index 0 is no switch here
    EXPECT_EQ(debugFlag[0], 1);
    board.onChange("XSwitch", "SomeOtherToolsSwitch", true);
    EXPECT_TRUE(board.published.empty());
}

} // namespace
