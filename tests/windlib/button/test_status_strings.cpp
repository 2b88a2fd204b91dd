// Status strings under the real pointer: entering a button shows its status string in the
// window's message line (drawn along the bottom edge), moving on to the next button of a
// set shows that one's, and leaving a button or the whole window clears it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

#include "tests/windlib/button/button_test_window.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"

namespace {

class StatusStrings : public WidgetWindowTest {
protected:
    // Waits until the message is `text` and painted; the foreground pixels of the line.
    int Shows(const std::string& text) {
        EXPECT_TRUE(Pump([&] {
            return cwGetMsg(window_) == text && dirtyTracker->isClean(window_->window);
        })) << "message: "
            << cwGetMsg(window_);
        WSync();
        int height = cwMessageLineHeight(), ink = 0;
        XImage* image = XGetImage(display, window_->window, 0, window_->height - height,
                                  (unsigned)window_->width, (unsigned)height, AllPlanes, ZPixmap);
        // Anti-aliased text: a pixel is ink once it is nearer the foreground than the
        // message line's background.
        auto distance = [](unsigned long a, unsigned long b) {
            int d = 0;
            for (int shift : {16, 8, 0})
                d += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
            return d;
        };
        unsigned long background = image ? XGetPixel(image, 0, 0) : 0;
        // Inside the sunken strip only: its bevel is drawn in a dark shade of the background.
        for (int y = 2; image && y < image->height - 2; ++y)
            for (int x = 3; x < image->width - 3; ++x) {
                unsigned long p = XGetPixel(image, x, y);
                ink += distance(p, fg_pixel) < distance(p, background);
            }
        if (image) XDestroyImage(image);
        return ink;
    }
    void PointAt(GItem* item) { MoveTo(item->x + item->width / 2, item->y + item->height / 2); }
};

TEST_F(StatusStrings, EnteringShowsTheStatusStringAndLeavingClearsIt) {
    window_->flags |= kCwHasMessageLine;
    Button* back = btCreate(window_, 20, 20, 80, 24, nullptr, "Go back one page", "< Back", nullptr,
                            nullptr, nullptr, nullptr, 0, false, false, kBtPush);
    const char* const labels[] = {"Up", "Files", nullptr};
    const char* const status[] = {"Up One Directory", "Toggle display of all files"};
    ButtonSet* set =
        new ButtonSet(window_, 20, 80, 0, 0, nullptr, labels, nullptr, nullptr, nullptr, status,
                      nullptr, -1, 1, -1, false, false, kBtPush, 0, false, false);
    Show();
    EXPECT_EQ(Shows(""), 0);
    PointAt(back);
    EXPECT_GT(Shows("Go back one page"), 20);
    MoveTo(300, 200); // onto the bare window
    EXPECT_EQ(Shows(""), 0);
    PointAt(set->at(0));
    EXPECT_GT(Shows("Up One Directory"), 20);
    PointAt(set->at(1));
    EXPECT_GT(Shows("Toggle display of all files"), 20);
    ASSERT_EQ(Xdo({"mousemove", "900", "700"}), 0); // off the window altogether
    EXPECT_EQ(Shows(""), 0);
}

} // namespace
