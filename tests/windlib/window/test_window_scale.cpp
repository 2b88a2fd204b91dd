// The wizard's window at scale 2 on a screen large enough for it: its first page laid out in
// this process is twice as large as at scale 1 (within a pixel) with no two widgets
// overlapping, and the real program's window, photographed, has that size and draws there.
#include <gtest/gtest.h>

#include <algorithm>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "setup/wizard/setup_mainwindow_gui.h"
#include "support/temp_dir.h"
#include "support/toolkit_fixture.h"
#include "windlib/window/wactivation.h"

namespace {

struct Box {
    int x, y, width, height;
};

typedef std::map<std::string, Box> Page;

const char* const kFirstPage[] = {"rSplash", "mslSegments", "tCaption", "lDivider",
                                  "bBack",   "bNext",       "bCancel",  "mslIntroduction"};

const std::string& LargeDisplay() {
    static XvfbServer* server = new XvfbServer("2400x1600x24");
    static const bool registered = atexit([] { server->stop(); }) == 0;
    static const std::string none;
    (void)registered;
    return server->ok() ? server->display() : none;
}

bool Overlap(const Box& a, const Box& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

// The window's pixels once two captures in a row agree; null when it never settles.
XImage* SteadyImage(Display* d, Window w) {
    XImage* last = nullptr;
    for (int tries = 0; tries < 150; ++tries) {
        XWindowAttributes a;
        XImage* now = XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable
                          ? XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap)
                          : nullptr;
        bool same = now && last && now->width == last->width && now->height == last->height &&
                    memcmp(now->data, last->data, (size_t)now->bytes_per_line * now->height) == 0;
        if (last) XDestroyImage(last);
        last = now;
        if (same) return last;
        usleep(100000);
    }
    if (last) XDestroyImage(last);
    return nullptr;
}

class WizardScale : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_FALSE(LargeDisplay().empty()) << "no large Xvfb";
    }

    // The first page's widgets as this process lays the wizard out at `scale`.
    Page LayOut(const char* scale, Box* window) {
        Page page;
        if (!StartToolkit(LargeDisplay(), {"-scale", scale})) return page;
        MainWindow_GUI* gui = new MainWindow_GUI;
        if (ColWind* w = gui->window) {
            *window = {0, 0, w->width, w->height};
            for (const char* name : kFirstPage) {
                GItem* item = RuntimePlacer_FindWidget(w, name);
                if (item) page[name] = {item->x, item->y, item->width, item->height};
            }
        }
        delete gui;
        WDrawExit();
        WGUIDestroy();
        return page;
    }

    // A photograph of the real program's window at `scale`; null when it did not show.
    XImage* Photograph(const char* scale) {
        ScopedTempDir home;
        BackgroundProgram program({SetupProgram(), "-scale", scale},
                                  {"DISPLAY=" + LargeDisplay(), "HOME=" + home.path()});
        std::vector<unsigned long> ids;
        WaitFor([&] {
            ids = FindWindowsByTitle(LargeDisplay(), "^Veltrane Software Setup$");
            return !ids.empty();
        });
        if (ids.empty()) return nullptr;
        Display* d = XOpenDisplay(LargeDisplay().c_str());
        XImage* image = d ? SteadyImage(d, ids[0]) : nullptr;
        if (d) XCloseDisplay(d);
        return image;
    }
};

TEST_F(WizardScale, FirstPageIsTwiceAsLargeWithoutOverlapsAndTheProgramDrawsItSo) {
    Box one = {}, two = {};
    Page single = LayOut("1", &one), twice = LayOut("2", &two);
    ASSERT_EQ(single.size(), 8u);
    ASSERT_EQ(twice.size(), 8u);
    EXPECT_EQ(two.width, 2 * one.width);
    EXPECT_EQ(two.height, 2 * one.height);
    for (int i = 0; i < 8; ++i) {
        const Box &a = single[kFirstPage[i]], &b = twice[kFirstPage[i]];
        EXPECT_TRUE(abs(b.x - 2 * a.x) <= 1 && abs(b.y - 2 * a.y) <= 1 &&
                    abs(b.width - 2 * a.width) <= 1 && abs(b.height - 2 * a.height) <= 1)
            << kFirstPage[i];
        for (int k = i + 1; k < 8; ++k)
            EXPECT_FALSE(Overlap(b, twice[kFirstPage[k]])) << kFirstPage[i] << kFirstPage[k];
    }

    // The program's window: that size, every widget showing something in its place and
    // nothing drawn outside the widgets, but for the message line along the bottom edge,
    // below every widget.
    XImage* image = Photograph("2");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, two.width);
    EXPECT_EQ(image->height, two.height);
    unsigned long background = XGetPixel(image, image->width - 2, 2); // an empty corner
    std::map<std::string, int> inked;
    int stray = 0, lowest = 0;
    for (const auto& entry : twice)
        lowest = std::max(lowest, entry.second.y + entry.second.height);
    for (int y = 0; y < lowest && y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) {
            if (XGetPixel(image, x, y) == background) continue;
            bool inside = false;
            for (const auto& entry : twice) {
                const Box& b = entry.second;
                if (x < b.x || y < b.y || x >= b.x + b.width || y >= b.y + b.height) continue;
                inside = true;
                ++inked[entry.first];
            }
            stray += !inside;
        }
    XDestroyImage(image);
    EXPECT_EQ(stray, 0);
    for (const char* name : kFirstPage) EXPECT_GT(inked[name], 0) << name;
}

} // namespace
