// The text view on a real X server: coloured lines read back pixel by pixel, a log that
// follows its last line (and looks exactly like a full repaint afterwards), scrolling by
// scroll bar, wheel and keys, and a click on a link. Input is real (xdotool).
#include <gtest/gtest.h>

#include <X11/Xutil.h>

#include "support/toolkit_fixture.h"
#include "windlib/textview/simplebrowser.h"
#include "windlib/textview/wtextview.h"
#include "windlib/window/wscrollbar.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/xwindow.h"

namespace {

// The view's place in the window: a 300 x 200 item with its bars right and below.
const int kViewX = 10, kViewY = 10, kViewW = 300, kViewH = 200;

class TextViewOnServer : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        window =
            cwxCreatexy(400, 300, 0, "Text View", nullptr, nullptr, nullptr, -1, -1, "ORBITPIC");
        ASSERT_NE(window, nullptr);
        view = WTextView::makeWTextView(window, kViewX, kViewY, kViewW, kViewH, nullptr, nullptr,
                                        "tvProgress");
        vbar = new WScrollBar(window, true, kViewX + kViewW, kViewY, kViewH);
        hbar = new WScrollBar(window, false, kViewX, kViewY + kViewH, kViewW);
        view->setVScroller(vbar);
        view->setHScroller(hbar);
        browser = new SimpleBrowser(view, false);
        browser->setMargin(2);
        WWindowShow(window->window);
        ASSERT_TRUE(Pump([&] { return WWindowIsViewable(window->window); }));
    }
    void TearDown() override {
        delete browser;
        ToolkitTest::TearDown();
    }

    void Painted() {
        Settle();
        ASSERT_TRUE(Pump([&] { return dirtyTracker->isClean(window->window); }));
        WSync();
    }
    XImage* Grab(int x, int y, int w, int h) {
        return XGetImage(display, window->window, x, y, (unsigned)w, (unsigned)h, AllPlanes,
                         ZPixmap);
    }
    static int Count(XImage* image, unsigned long pixel) {
        int n = 0;
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x) n += XGetPixel(image, x, y) == pixel;
        return n;
    }
    // Pixels at least half covered by text in `ink` over `paper`: anti-aliased text blends
    // the two, and thin strokes may cover no pixel wholly.
    static int CountInk(XImage* image, unsigned long ink, unsigned long paper) {
        const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
        auto channel = [](unsigned long pixel, unsigned long mask) {
            int shift = 0;
            while (!(mask & 1UL << shift)) ++shift;
            return (int)((pixel & mask) >> shift);
        };
        int n = 0;
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x) {
                unsigned long p = XGetPixel(image, x, y);
                int strongest = 0, span = 0;
                for (int c = 0; c < 3; ++c) {
                    int d = channel(ink, masks[c]) - channel(paper, masks[c]);
                    if (abs(d) > abs(span)) span = d, strongest = c;
                }
                if (span == 0) continue;
                double t =
                    double(channel(p, masks[strongest]) - channel(paper, masks[strongest])) / span;
                bool blend = t >= 0.5;
                for (int c = 0; c < 3 && blend; ++c) {
                    int from = channel(paper, masks[c]), to = channel(ink, masks[c]);
                    blend = abs(channel(p, masks[c]) - (from + t * (to - from))) <= 4;
                }
                n += blend;
            }
        return n;
    }
    int Xdo(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunOnDisplay(SharedXvfb().display(), argv);
    }
    std::string Win() { return std::to_string(window->window); }
    void AddLines(int count) {
        for (int i = 0; i < count; ++i) {
            std::string line = "line " + std::to_string(i + 1) + " of the log, long enough";
            browser->addColoredText(line.c_str(), fg_pixel, (unsigned long)-1);
            browser->addJustLineBreak();
        }
    }
    int MostTop() {
        int x = 0, y = 0, w = 0, h = 0;
        view->getLineRect(view->getLineCount(), &x, &y, &w, &h);
        return y + h + view->getTopPixel() - (kViewY + 2) - (kViewH - 4);
    }

    ColWind* window = nullptr;
    WTextView* view = nullptr;
    WScrollBar* vbar = nullptr;
    WScrollBar* hbar = nullptr;
    SimpleBrowser* browser = nullptr;
};

TEST_F(TextViewOnServer, RedBlueAndBlackLinesShowInTheirColours) {
    unsigned long colours[3] = {WAllocateColor(65535, 0, 0), WAllocateColor(0, 0, 65535),
                                WAllocateColor(0, 0, 0)};
    for (unsigned long colour : colours) {
        browser->addColoredText("########", colour, (unsigned long)-1, -1);
        browser->addJustLineBreak();
    }
    Painted();
    for (int line = 1; line <= 3; ++line) {
        int x = 0, y = 0, w = 0, h = 0;
        ASSERT_TRUE(view->getLineRect(line, &x, &y, &w, &h));
        XImage* image = Grab(x, y, 120, h);
        ASSERT_NE(image, nullptr);
        unsigned long paper = view->getBackground();
        for (int c = 0; c < 3; ++c) {
            if (c == line - 1)
                EXPECT_GT(CountInk(image, colours[c], paper), 20) << "line " << line;
            else
                EXPECT_EQ(CountInk(image, colours[c], paper), 0)
                    << "line " << line << " colour " << c;
        }
        EXPECT_GT(Count(image, view->getBackground()), 0);
        XDestroyImage(image);
    }

    // A read-only view draws its blank areas in the control colour.
    browser->setReadOnlyBackground(true);
    Painted();
    int x = 0, y = 0, w = 0, h = 0;
    view->getLineRect(1, &x, &y, &w, &h);
    XImage* image = Grab(kViewX + kViewW - 20, y, 10, h);
    EXPECT_EQ(Count(image, control_pixel), 10 * h);
    XDestroyImage(image);
}

TEST_F(TextViewOnServer, LogFollowsItsLastLineAndLooksLikeAFullRepaint) {
    unsigned long colours[2] = {WAllocateColor(65535, 0, 0), WAllocateColor(0, 0, 65535)};
    // Without bars, whose updates repaint the whole view now and then, every line shows
    // through the copy and the strip painted below it alone.
    view->setVScroller(nullptr);
    view->setHScroller(nullptr);
    Painted();
    for (int i = 0; i < 300; ++i) {
        std::string line = "installing item " + std::to_string(i + 1);
        browser->addColoredText(line.c_str(), colours[i % 2], (unsigned long)-1);
        browser->addJustLineBreak();
        view->scrollToLine(view->getLineCount(), false);
        WEventProcessSafeEvents(0);
    }
    Painted();
    EXPECT_EQ(view->getLastVisibleLine(), 300);
    EXPECT_GT(view->getFirstVisibleLine(), 250);
    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_TRUE(view->getLineRect(300, &x, &y, &w, &h));
    EXPECT_LE(y + h, kViewY + kViewH - 2);
    EXPECT_GT(y, kViewY + kViewH - 2 - 2 * h);
    ASSERT_FALSE(view->getLineRect(301, &x, &y, &w, &h));

    // What scrolling by copying left on the screen must equal a repaint from scratch.
    XImage* scrolled = Grab(kViewX, kViewY, kViewW, kViewH);
    view->Invalidate();
    Painted();
    XImage* repainted = Grab(kViewX, kViewY, kViewW, kViewH);
    int differing = 0;
    for (int py = 0; py < kViewH; ++py)
        for (int px = 0; px < kViewW; ++px)
            differing += XGetPixel(scrolled, px, py) != XGetPixel(repainted, px, py);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(Count(repainted, colours[0]), 0);
    XDestroyImage(scrolled);
    XDestroyImage(repainted);
    // A bar attached later starts where the view is.
    view->setVScroller(vbar);
    EXPECT_EQ(vbar->position(), view->getTopPixel());
    EXPECT_EQ(vbar->total() - vbar->visible(), view->getTopPixel());
}

TEST_F(TextViewOnServer, ScrollBarsWheelAndKeysScrollTheView) {
    AddLines(100);
    Painted();
    ASSERT_EQ(view->getTopPixel(), 0);
    int barX = kViewX + kViewW + scroll_bar_width / 2;
    // The lower arrow steps down; a click in the trough below the thumb pages.
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(barX),
                   std::to_string(kViewY + kViewH - 4), "click", "1"}),
              0);
    ASSERT_TRUE(Pump([&] { return view->getTopPixel() >= fontinfo[0].height; }));
    int afterArrow = view->getTopPixel();
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(barX),
                   std::to_string(kViewY + kViewH - 30), "click", "1"}),
              0);
    ASSERT_TRUE(Pump([&] { return view->getTopPixel() >= afterArrow + kViewH / 2; }));

    // The wheel over the text scrolls three lines a step.
    int before = view->getTopPixel();
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), "100", "100", "click", "5"}), 0);
    ASSERT_TRUE(Pump([&] { return view->getTopPixel() == before + 3 * fontinfo[0].height; }));
    ASSERT_EQ(Xdo({"click", "4"}), 0);
    ASSERT_TRUE(Pump([&] { return view->getTopPixel() == before; }));

    // The click gave the view the focus: End and Home go to the ends.
    ASSERT_TRUE(Pump([&] { return window->focus == view; }));
    ASSERT_EQ(Xdo({"key", "End"}), 0);
    ASSERT_TRUE(Pump([&] { return view->getTopPixel() == MostTop(); }));
    ASSERT_EQ(Xdo({"key", "Home"}), 0);
    ASSERT_TRUE(Pump([&] { return view->getTopPixel() == 0; }));

    // Dragging the thumb to the far end scrolls to the last line.
    Painted();
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(barX),
                   std::to_string(kViewY + scroll_bar_width + 3), "mousedown", "1"}),
              0);
    Settle();
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(barX),
                   std::to_string(kViewY + kViewH / 2)}),
              0);
    Settle();
    EXPECT_GT(view->getTopPixel(), 0); // the view follows the thumb while it moves
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(barX),
                   std::to_string(kViewY + kViewH + 40), "mouseup", "1"}),
              0);
    ASSERT_TRUE(Pump([&] { return view->getTopPixel() == MostTop(); }));
    EXPECT_EQ(view->getLastVisibleLine(), 100);

    // A line wider than the view: the horizontal bar's right arrow moves it sideways.
    browser->addText(std::string(200, 'w').c_str());
    Painted();
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(kViewX + kViewW - 4),
                   std::to_string(kViewY + kViewH + scroll_bar_width / 2), "click", "1"}),
              0);
    ASSERT_TRUE(Pump([&] { return view->getLeftPixel() > 0; }));
}

TEST_F(TextViewOnServer, ClickOnALinkCallsItsCallback) {
    static int clicks = 0;
    clicks = 0;
    browser->addText("see ");
    browser->addLink(
        [](void* data, const char* text, int length) {
            if (std::string(text, (size_t)length) == "the manual") *static_cast<int*>(data) += 1;
        },
        &clicks, "the manual");
    browser->addText(" for more\n");
    Painted();
    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_TRUE(view->getLineRect(1, &x, &y, &w, &h));
    int onLink = x + 2 + WTextWidth("see ", 4, 0) + 5;
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(x + 4), std::to_string(y + 3),
                   "click", "1"}),
              0);
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(onLink), std::to_string(y + 3),
                   "click", "1"}),
              0);
    ASSERT_TRUE(Pump([&] { return clicks == 1; }));
    Settle();
    EXPECT_EQ(clicks, 1); // the plain text before it did nothing
}

} // namespace
