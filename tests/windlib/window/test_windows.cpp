// Windows on the live server: the application's window list and NoMoreWindows, clean-up
// functions that refuse, destruction from inside a handler, and events reaching items:
// clicks to the item under the pointer, typing to the focused item, Tab between tab stops,
// Control+q closing the window. Input is real (xdotool).
#include <gtest/gtest.h>

#include "support/toolkit_fixture.h"
#include "tests/windlib/window/window_test_items.h"
#include "windlib/wapplication.h"
#include "windlib/wevent.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xwindow.h"

namespace {

int refusals = 0;
int Refuse(ColWind*) {
    ++refusals;
    return 0;
}

class Windows : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
    }

    ColWind* Open(const char* title, CwCleanupFn cleanup = nullptr) {
        ColWind* w = cwxCreatexy(300, 200, 0, title, nullptr, cleanup, nullptr, -1, -1, "ORBITPIC");
        if (w) WWindowShow(w->window);
        return w;
    }

    std::string Win(ColWind* w) { return std::to_string(w->window); }
    int Xdo(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunOnDisplay(SharedXvfb().display(), argv);
    }
    void WaitViewable(ColWind* w) {
        ASSERT_TRUE(Pump([&] { return WWindowIsViewable(w->window); }));
        Settle();
    }
};

TEST_F(Windows, ListTracksCreationAndDestruction) {
    EXPECT_TRUE(NoMoreWindows());
    ColWind* a = Open("A");
    ColWind* b = Open("B");
    EXPECT_EQ(getAppInst()->cwGetList(), b);
    EXPECT_EQ(getAppInst()->getAllWindows()->front(), a);
    EXPECT_EQ(cwDestroy(a), 1);
    EXPECT_FALSE(NoMoreWindows());
    EXPECT_EQ(cwDestroy(b), 1);
    EXPECT_TRUE(NoMoreWindows());
    EXPECT_EQ(cwDestroy(nullptr), 0);
}

TEST_F(Windows, RefusingCleanupKeepsTheWindowLiveAndListed) {
    refusals = 0;
    ColWind* w = Open("Refuses", Refuse);
    mHandle* h = cwHandle(w);
    EXPECT_EQ(cwDestroy(w), 0);
    EXPECT_EQ(refusals, 1);
    EXPECT_EQ(cwFromHandle(h), w);
    EXPECT_EQ(getAppInst()->cwGetList(), w);
    EXPECT_TRUE(w->flags & kCwLive);
    w->cleanupFn = nullptr;
    EXPECT_EQ(cwDestroy(w), 1);
    EXPECT_EQ(cwFromHandle(h), nullptr);
    MHandleDestroy(h);
}

TEST_F(Windows, ClickReachesTheItemUnderThePointerOnly) {
    ColWind* w = Open("Clicks");
    RecordingItem* left = new RecordingItem(kKindButton, w, 50, 50);
    RecordingItem* right = new RecordingItem(kKindButton, w, 50, 50);
    right->MoveMe(100, 0);
    WaitViewable(w);
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(w), "120", "20", "click", "1"}), 0);
    ASSERT_TRUE(Pump([&] { return right->presses == 1; }));
    EXPECT_EQ(left->presses, 0);
    EXPECT_EQ(w->focus, right); // a click gives an interactive item the focus
}

TEST_F(Windows, TypingGoesToTheFocusedItemAndTabMovesOn) {
    ColWind* w = Open("Typing");
    RecordingItem* first = new RecordingItem(kKindTextField, w, 50, 20);
    RecordingItem* second = new RecordingItem(kKindTextField, w, 50, 20);
    second->MoveMe(0, 30);
    cwSetFocus(w, first);
    WaitViewable(w);
    ASSERT_EQ(Xdo({"type", "--delay", "20", "ab"}), 0);
    ASSERT_TRUE(Pump([&] { return first->keys.size() >= 1; }));
    Settle();
    EXPECT_TRUE(second->keys.empty());

    first->takeKeys = false; // lets Tab through to the window
    ASSERT_EQ(Xdo({"key", "Tab"}), 0);
    ASSERT_TRUE(Pump([&] { return w->focus == second; }));
    second->takeKeys = false;
    ASSERT_EQ(Xdo({"key", "shift+Tab"}), 0);
    ASSERT_TRUE(Pump([&] { return w->focus == first; }));
}

TEST_F(Windows, ControlQClosesTheWindow) {
    ColWind* w = Open("CtrlQ");
    mHandle* h = cwHandle(w);
    WaitViewable(w);
    ASSERT_EQ(Xdo({"key", "ctrl+q"}), 0);
    EXPECT_TRUE(Pump([&] { return cwFromHandle(h) == nullptr; }));
    EXPECT_TRUE(NoMoreWindows());
    MHandleDestroy(h);
}

// A handler that destroys its own window: the dispatch must not touch it afterwards.
class Closer : public GItem {
public:
    explicit Closer(ColWind* w) : GItem(kKindButton, w, 0, 0, 100, 100) {}
    int EventParse(xinLibSt* event, GItem*) override {
        if (event->kind == kXinMouse && event->d == 1) cwDestroy(TopWindow());
        return 1;
    }
};

TEST_F(Windows, HandlerMayDestroyItsOwnWindow) {
    ColWind* w = Open("Closer");
    new Closer(w);
    mHandle* h = cwHandle(w);
    WaitViewable(w);
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(w), "10", "10", "click", "1"}), 0);
    EXPECT_TRUE(Pump([&] { return cwFromHandle(h) == nullptr; }));
    Settle(); // the release arrives for a window that is gone
    MHandleDestroy(h);
}

} // namespace
