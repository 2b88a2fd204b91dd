// The drawing layer against a real server: the font table's limits and metrics, colour
// allocation on a colour-mapped screen (shared cells, the nearest colour when the map is
// full), the GC cache's reuse, exposures merged into one redraw per idle pass, and
// changes within a frame of the last paint held back for the frame's end.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "shared/gen_hooks.h"
#include "shared/libcxxutil/ut_clock.h"
#include "shared/libcxxutil/ut_idle.h"
#include "support/toolkit_fixture.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/xstatemanager.h"
#include "windlib/x11/xwindow.h"

namespace {

std::string captured;
int Capture(int code, const char* format, va_list args) {
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    captured += text;
    return code;
}

class DrawingLayer : public ToolkitTest {
protected:
    void TearDown() override {
        ut_clock_source = ut_monotonic_clock;
        gen_domessage = gen_default_domessage;
        ToolkitTest::TearDown();
    }
};

TEST_F(DrawingLayer, ThirteenthFontFailsAndKeepsTheActiveOne) {
    ASSERT_TRUE(StartToolkit());
    int last = -1;
    while (true) {
        int n = WDrawLoadFont("fixed");
        if (n < 0) break;
        last = n;
    }
    EXPECT_EQ(last, kNumFonts - 1);
    EXPECT_EQ(active_font, kNumFonts - 1);
    EXPECT_EQ(WDrawLoadFont("fixed"), -1);
    EXPECT_EQ(active_font, kNumFonts - 1);
    EXPECT_EQ(WDrawSetFontNum(0, 12), -1);
    WFreeFont(5);
    EXPECT_EQ(WDrawSetFontNum(0, 5), -1);
    EXPECT_EQ(WDrawSetFontNum(0, 0), kNumFonts - 1);
    EXPECT_EQ(active_font, 0);
}

TEST_F(DrawingLayer, MissingFontLeavesTheActiveFontAndMetrics) {
    ASSERT_TRUE(StartToolkit());
    int before = active_font, height = font_h;
    EXPECT_EQ(WDrawLoadFont("-nobody-nofont-medium-r-normal--99-*-*-*-*-*-*-*"), -1);
    EXPECT_EQ(active_font, before);
    EXPECT_EQ(font_h, height);
    captured.clear();
    gen_domessage = Capture;
    EXPECT_FALSE(ChangeFont(0, "no-such-font"));
    EXPECT_EQ(font_h, height);
}

TEST_F(DrawingLayer, FixedFontMetricsFollowTheCharacters) {
    ASSERT_TRUE(StartToolkit());
    int n = WDrawLoadFont("6x13");
    ASSERT_GE(n, 0);
    EXPECT_EQ(font_n, 6);
    EXPECT_EQ(font_maxw, 6);
    EXPECT_EQ(font_minw, 6);
    EXPECT_EQ(font_h, font_ascent + font_descent);
    EXPECT_EQ(font_h, 13);
    EXPECT_GT(font_xhigh, 0);
    EXPECT_LT(font_xhigh, font_ascent);
    EXPECT_EQ(WTextWidth("abc", 3, n), 18);
}

TEST_F(DrawingLayer, SameColourTwiceIsAllocatedOnce) {
    ASSERT_TRUE(StartToolkit(SharedXvfb().pseudoColorDisplay()));
    ASSERT_EQ(visual->c_class, PseudoColor);
    long before = WColorServerAllocations();
    unsigned long a = WAllocateColor(0x1234, 0x5678, 0x9abc);
    unsigned long b = WAllocateColor(0x1234, 0x5678, 0x9abc);
    EXPECT_EQ(a, b);
    EXPECT_EQ(WColorServerAllocations() - before, 1);
}

// The allocator's own measure: on the high bytes, red counts 3 and green 6 times.
long Distance(const XColor& c, int r, int g, int b) {
    long dr = 3 * ((c.red >> 8) - r), dg = 6 * ((c.green >> 8) - g), db = (c.blue >> 8) - b;
    return dr * dr + dg * dg + db * db;
}

TEST_F(DrawingLayer, FullColourMapGivesTheNearestColourWithAWarning) {
    ASSERT_TRUE(StartToolkit(SharedXvfb().pseudoColorDisplay()));
    // Another client takes every free cell.
    Display* other = XOpenDisplay(SharedXvfb().pseudoColorDisplay().c_str());
    ASSERT_NE(other, nullptr);
    Colormap cmap = DefaultColormap(other, DefaultScreen(other));
    for (int i = 0, failures = 0; i < 4096 && failures < 64; ++i) {
        XColor c;
        c.red = (unsigned short)(((i * 37) & 255) << 8);
        c.green = (unsigned short)(((i * 91) & 255) << 8);
        c.blue = (unsigned short)(((i * 13) & 255) << 8);
        c.flags = DoRed | DoGreen | DoBlue;
        failures = XAllocColor(other, cmap, &c) ? 0 : failures + 1;
    }
    XSync(other, False);
    std::vector<XColor> cells(256);
    for (int i = 0; i < 256; ++i) cells[i].pixel = (unsigned long)i;
    XQueryColors(other, cmap, cells.data(), 256);
    const int r = 0x13, g = 0x9b, b = 0x24; // a colour no cell holds
    unsigned long nearest = 0;
    for (const XColor& c : cells) {
        ASSERT_FALSE(c.red >> 8 == r && c.green >> 8 == g && c.blue >> 8 == b);
        if (Distance(c, r, g, b) < Distance(cells[nearest], r, g, b)) nearest = c.pixel;
    }
    captured.clear();
    gen_domessage = Capture;
    EXPECT_EQ(WAllocateColor(0x1357, 0x9bdf, 0x2468), nearest);
    char expected[128];
    snprintf(expected, sizeof expected,
             "WAllocateColor: Using %04x %04x %04x (pixel %02x) instead "
             "of 1357 9bdf 2468",
             cells[nearest].red, cells[nearest].green, cells[nearest].blue, (unsigned)nearest);
    EXPECT_NE(captured.find(expected), std::string::npos) << captured;
    XCloseDisplay(other);
}

TEST_F(DrawingLayer, TrueColourPixelsAreComputed) {
    ASSERT_TRUE(StartToolkit());
    ASSERT_EQ(visual->c_class, TrueColor);
    long before = WColorServerAllocations();
    EXPECT_EQ(WAllocateColor(0xffff, 0, 0), visual->red_mask);
    EXPECT_EQ(WAllocateColor(0, 0, 0xffff), visual->blue_mask);
    EXPECT_EQ(WColorServerAllocations(), before);
}

TEST_F(DrawingLayer, GcCacheReusesTenContexts) {
    ASSERT_TRUE(StartToolkit());
    XGCCache& cache = stateManager->windowCache();
    Window root = RootWindow(display, screen);
    long created = cache.created();
    for (unsigned long pixel = 0; pixel < 30; ++pixel) {
        stateManager->setForeground(root, pixel);
        stateManager->getGC(root);
    }
    EXPECT_LE(cache.created() - created, 10);
    EXPECT_EQ(cache.count(), 10);
    long hits = cache.hits();
    stateManager->getGC(root);
    EXPECT_EQ(cache.hits(), hits + 1);
}

int redraws = 0;
xinLibSt lastRedraw;
int CountRedraws(xinLibSt* event, ColWind*) {
    if (event->kind == kXinRedraw) {
        ++redraws;
        lastRedraw = *event;
    }
    return 0;
}

TEST_F(DrawingLayer, ThreeExposesGiveOneRedrawOfTheirBoundingBox) {
    ASSERT_TRUE(StartToolkit());
    ColWind* w = cwxCreatexy(200, 150, 0, "Exposes", nullptr, nullptr, CountRedraws, 0, 0, nullptr);
    ASSERT_NE(w, nullptr);
    WWindowShow(w->window);
    ASSERT_TRUE(Pump([&] { return redraws > 0; }));
    Settle();
    redraws = 0;
    XClearArea(display, w->window, 10, 10, 5, 5, True);
    XClearArea(display, w->window, 50, 20, 10, 10, True);
    XClearArea(display, w->window, 30, 60, 5, 5, True);
    XSync(display, False);
    ASSERT_TRUE(Pump([&] { return redraws > 0; }));
    Settle();
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(lastRedraw.a, 10);
    EXPECT_EQ(lastRedraw.b, 10);
    EXPECT_EQ(lastRedraw.c, 50);
    EXPECT_EQ(lastRedraw.d, 55);
}

long long fakeMs = 0;
void FakeClock(long* seconds, long* microseconds) {
    *seconds = (long)(fakeMs / 1000);
    *microseconds = (long)(fakeMs % 1000 * 1000);
}

// A window changed again within a frame of its last paint waits for the frame's end (a
// timer is set to wake the loop then) and gets one redraw for everything that changed.
TEST_F(DrawingLayer, ChangesWithinAFrameWaitForItAndArriveAsOneRedraw) {
    ASSERT_TRUE(StartToolkit());
    ColWind* w = cwxCreatexy(200, 150, 0, "Frames", nullptr, nullptr, CountRedraws, 0, 0, nullptr);
    WWindowShow(w->window);
    ASSERT_TRUE(Pump([&] { return redraws > 0; }));
    Settle();
    fakeMs = ut_clock_ms();
    ut_clock_source = FakeClock;
    redraws = 0;
    WInvalidateRect(w->window, 0, 0, 5, 5);
    ASSERT_TRUE(Pump([&] { return redraws == 1; })); // the first change in a while: at once
    WInvalidateRect(w->window, 10, 10, 5, 5);
    WInvalidateRect(w->window, 50, 50, 5, 5);
    Settle();
    EXPECT_EQ(redraws, 1);
    EXPECT_GE(getIdleNotifier()->getTimeBeforeNextTimer(true), 0);
    fakeMs += XDirtyTracker::kFrameMs;
    ASSERT_TRUE(Pump([&] { return redraws == 2; }));
    Settle();
    EXPECT_EQ(redraws, 2);
    EXPECT_EQ(lastRedraw.c, 45);
    EXPECT_EQ(getIdleNotifier()->getTimeBeforeNextTimer(true), -1);
}

TEST_F(DrawingLayer, EmptyInvalidationsDoNothingAndHiddenWindowsWait) {
    ASSERT_TRUE(StartToolkit());
    ColWind* w = cwxCreatexy(100, 100, 0, "Hidden", nullptr, nullptr, CountRedraws, 0, 0, nullptr);
    ASSERT_NE(w, nullptr);
    redraws = 0;
    WInvalidateRect(w->window, 0, 0, 0, 10);
    WInvalidateRect(w->window, 0, 0, 10, -1);
    EXPECT_TRUE(dirtyTracker->isClean(w->window));
    WInvalidateRect(w->window, 5, 5, 10, 10);
    Settle();
    EXPECT_EQ(redraws, 0); // not viewable yet: stays dirty
    EXPECT_FALSE(dirtyTracker->isClean(w->window));
    WWindowShow(w->window);
    EXPECT_TRUE(Pump([&] { return redraws > 0; }));
}

} // namespace
