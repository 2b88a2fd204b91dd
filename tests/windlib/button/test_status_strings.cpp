// Status strings under the real pointer: entering a button shows its status string in the
// window's message line, moving on to the next button of a set shows that one's, and
// leaving the button (or the whole window) clears it; the line along the bottom edge
// draws what it holds and is blank again once cleared.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "tests/windlib/button/button_test_window.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"

namespace {

class StatusStrings : public WidgetWindowTest {
protected:
    void SetUp() override {
        WidgetWindowTest::SetUp();
        window_->flags |= kCwHasMessageLine;
    }
    std::string Message() { return cwGetMsg(window_); }
    void PointAt(GItem* item) { MoveTo(item->x + item->width / 2, item->y + item->height / 2); }
    // Foreground pixels in the message line, once everything is painted.
    int InkInMessageLine() {
        EXPECT_TRUE(Pump([&] { return dirtyTracker->isClean(window_->window); }));
        WSync();
        int height = cwMessageLineHeight();
        XImage* image = XGetImage(display, window_->window, 0, window_->height - height,
                                  (unsigned)window_->width, (unsigned)height, AllPlanes, ZPixmap);
        int ink = 0;
        for (int y = 0; image && y < image->height; ++y)
            for (int x = 0; x < image->width; ++x) ink += XGetPixel(image, x, y) == fg_pixel;
        if (image) XDestroyImage(image);
        return ink;
    }
};

TEST_F(StatusStrings, EnteringAButtonShowsItsStatusStringAndLeavingClearsIt) {
    Button* back = btCreate(window_, 20, 20, 80, 24, nullptr, "Go back one page", "< Back", nullptr,
                            nullptr, nullptr, nullptr, 0, false, false, kBtPush);
    Button* plain = btCreate(window_, 120, 20, 80, 24, nullptr, nullptr, "Plain", nullptr, nullptr,
                             nullptr, nullptr, 0, false, false, kBtPush);
    Show();
    EXPECT_EQ(InkInMessageLine(), 0);
    PointAt(back);
    ASSERT_TRUE(Pump([&] { return Message() == "Go back one page"; }));
    EXPECT_GT(InkInMessageLine(), 20);
    PointAt(plain); // a button without a status string only clears the line
    ASSERT_TRUE(Pump([&] { return Message().empty(); }));
    EXPECT_EQ(InkInMessageLine(), 0);
    PointAt(back);
    ASSERT_TRUE(Pump([&] { return Message() == "Go back one page"; }));
    MoveTo(window_->width / 2, 200); // onto the bare window
    ASSERT_TRUE(Pump([&] { return Message().empty(); }));
}

TEST_F(StatusStrings, ButtonsOfASetTakeTurnsAndLeavingTheWindowClears) {
    const char* const labels[] = {"Up", "Files", nullptr};
    const char* const status[] = {"Up One Directory", "Toggle display of all files"};
    ButtonSet* set =
        new ButtonSet(window_, 20, 80, 0, 0, nullptr, labels, nullptr, nullptr, nullptr, status,
                      nullptr, -1, 1, -1, false, false, kBtPush, 0, false, false);
    Show();
    PointAt(set->at(0));
    ASSERT_TRUE(Pump([&] { return Message() == "Up One Directory"; }));
    PointAt(set->at(1));
    ASSERT_TRUE(Pump([&] { return Message() == "Toggle display of all files"; }));
    ASSERT_EQ(Xdo({"mousemove", "900", "700"}), 0); // off the window altogether
    ASSERT_TRUE(Pump([&] { return Message().empty(); }));
}

} // namespace
