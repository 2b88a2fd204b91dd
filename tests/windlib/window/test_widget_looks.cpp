// What the widgets put on the screen, read back from the server: every edge of a check
// box, a text field and a list frame stands out from the background around it and from
// its inside, on the default white background and on a dark one; a scroll bar's thumb is
// not the colour of its trough and its arrows are drawn; a list with the keyboard focus
// shows a frame that it loses with the focus; an emblem is a tile with its image on it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <string>

#include "support/toolkit_fixture.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wtextfield.h"
#include "windlib/config/config_options.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/window/gpicture.h"
#include "windlib/window/wscrollbar.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/ximages.h"
#include "windlib/x11/xwindow.h"

namespace {

// Luminance (0-255) of a pixel of the 24-bit TrueColor screen (0xRRGGBB).
int Lum(unsigned long pixel) {
    int r = (int)(pixel >> 16 & 0xff), g = (int)(pixel >> 8 & 0xff), b = (int)(pixel & 0xff);
    return (299 * r + 587 * g + 114 * b) / 1000;
}

// Two shades an eye tells apart at a glance.
const int kVisible = 24;

struct Box {
    const char* what;
    int x, y, width, height;
    int inset; // pixels from the edge to the box's inside
};

class WidgetLooks : public ToolkitTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        // The configuration's background, as a user's file sets it: the colours are worked
        // out again once the files are read.
        ASSERT_TRUE(cfg_ApplyValue(cfg_FindOption("background"), GetParam()));
        WDrawInitColors();
        ASSERT_EQ(bg_pixel, std::stoul(GetParam() + 1, nullptr, 16));
        window = cwxCreatexy(420, 260, 0, "Looks", nullptr, nullptr, nullptr, 0, 0, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        if (image) XDestroyImage(image);
        ToolkitTest::TearDown();
    }
    void ShowAndGrab() {
        if (!WWindowIsViewable(window->window)) WWindowShow(window->window);
        ASSERT_TRUE(Pump([&] {
            return WWindowIsViewable(window->window) && dirtyTracker->isClean(window->window);
        }));
        Settle();
        ASSERT_TRUE(Pump([&] { return dirtyTracker->isClean(window->window); }));
        WSync();
        if (image) XDestroyImage(image);
        image = XGetImage(display, window->window, 0, 0, (unsigned)window->width,
                          (unsigned)window->height, AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
    }
    unsigned long At(int x, int y) { return XGetPixel(image, x, y); }
    // The middle of each edge against the pixel outside it and the pixel inside the box.
    void ExpectFourEdges(const Box& b) {
        struct Edge {
            const char* name;
            int x, y, dx, dy; // the edge pixel, and the way out
        } edges[] = {
            {"top", b.x + b.width / 2, b.y, 0, -1},
            {"bottom", b.x + b.width / 2, b.y + b.height - 1, 0, 1},
            {"left", b.x, b.y + b.height / 2, -1, 0},
            {"right", b.x + b.width - 1, b.y + b.height / 2, 1, 0},
        };
        for (const Edge& e : edges) {
            int edge = Lum(At(e.x, e.y));
            int outside = Lum(At(e.x + e.dx, e.y + e.dy));
            int inside = Lum(At(e.x - e.dx * b.inset, e.y - e.dy * b.inset));
            EXPECT_GE(std::abs(edge - outside), kVisible)
                << b.what << " " << e.name << " edge against the background on " << GetParam();
            EXPECT_GE(std::abs(edge - inside), kVisible)
                << b.what << " " << e.name << " edge against the inside on " << GetParam();
        }
    }

    ColWind* window = nullptr;
    XImage* image = nullptr;
};

TEST_P(WidgetLooks, EveryEdgeOfCheckBoxTextFieldAndListShows) {
    Button* check = btCreate(window, 20, 20, 0, 0, nullptr, nullptr, "Tools", nullptr, nullptr,
                             nullptr, nullptr, 0, false, false, kBtCheck);
    TextField* field =
        tfCreate(window, 20, 60, 260, TextField::FieldHeight(), nullptr, "/opt", -1, -1, nullptr);
    MScrollList* list = mslCreate(window, 20, 110, 200, 120, nullptr, nullptr, nullptr, 0, 1, 0, 1,
                                  0, nullptr, nullptr, nullptr, nullptr, 2, 0, 1);
    ASSERT_NE(list, nullptr);
    mslAddMsg(list, "one\ntwo");
    cwSetFocus(window, field);
    ShowAndGrab();
    int side = btMarkSize(bfont_h);
    if (side > check->height) side = check->height;
    ExpectFourEdges(
        {"check box", check->x + 1, check->y + (check->height - side) / 2, side, side, 1});
    ExpectFourEdges({"text field", field->boxX(), field->y, field->boxWidth(), field->height, 1});
    ExpectFourEdges({"list", list->x, list->y, list->width, list->height, 2});
}

TEST_P(WidgetLooks, ThumbStandsOutFromTheTroughAndArrowsAreDrawn) {
    WScrollBar* bar = new WScrollBar(window, true, 300, 20, 200);
    bar->setRange(100, 20);
    ShowAndGrab();
    int a = bar->width, trough = bar->height - 2 * a, thumb = trough * 20 / 100;
    int middle = bar->x + bar->width / 2;
    unsigned long thumbPixel = At(middle, bar->y + a + thumb / 2);
    unsigned long troughPixel = At(middle, bar->y + bar->height - a - 5);
    EXPECT_GE(std::abs(Lum(thumbPixel) - Lum(troughPixel)), kVisible)
        << std::hex << thumbPixel << " " << troughPixel;
    // The arrow heads sit in the middle of their buttons: the way up is grey at the top.
    EXPECT_EQ(At(middle, bar->y + a / 2), grey_pixel);
    EXPECT_EQ(At(middle, bar->y + bar->height - a + a / 2), fg_pixel);
    bar->scrollBy(80); // to the end: now the way down is the grey one
    ShowAndGrab();
    EXPECT_EQ(At(middle, bar->y + a / 2), fg_pixel);
    EXPECT_EQ(At(middle, bar->y + bar->height - a + a / 2), grey_pixel);
    EXPECT_EQ(At(middle, bar->y + bar->height - a - 1 - thumb / 2), thumbPixel);
}

TEST_P(WidgetLooks, FocusedListShowsItsFrame) {
    MScrollList* list = mslCreate(window, 20, 20, 200, 120, nullptr, nullptr, nullptr, 0, 1, 0, 1,
                                  0, nullptr, nullptr, nullptr, nullptr, 2, 0, 1);
    TextField* field =
        tfCreate(window, 20, 160, 260, TextField::FieldHeight(), nullptr, "", -1, -1, nullptr);
    ASSERT_NE(list, nullptr);
    mslAddMsg(list, "one\ntwo");
    cwSetFocus(window, list);
    ShowAndGrab();
    int middle = list->y + list->height / 2;
    EXPECT_EQ(At(list->x + 1, middle), select_pixel);
    EXPECT_EQ(At(list->x + list->width - 2, middle), select_pixel);
    cwSetFocus(window, field);
    ShowAndGrab();
    EXPECT_EQ(At(list->x + 1, middle), bg_pixel);
    EXPECT_EQ(At(list->x + list->width - 2, middle), bg_pixel);
}

TEST_P(WidgetLooks, EmblemIsATileWithItsImageInWhite) {
    GPicture* picture = giCreate(window, 10, 10, "restart3");
    picture->setEmblem(true);
    ShowAndGrab();
    const WImage* image = picture->image();
    EXPECT_EQ(picture->width, 2 * image->width);
    EXPECT_EQ(picture->height, 2 * image->height);
    EXPECT_EQ(At(picture->x + 3, picture->y + 3), select_pixel);
    int white = 0;
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x)
            white += At(picture->x + image->width / 2 + x, picture->y + image->height / 2 + y) ==
                     white_pixel;
    EXPECT_GT(white, image->width); // the mark itself, not a stray dot
}

INSTANTIATE_TEST_SUITE_P(Backgrounds, WidgetLooks, ::testing::Values("#ffffff", "#202020"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param[1] == 'f' ? "White" : "Dark");
                         });

} // namespace
