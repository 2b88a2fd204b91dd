// What the widgets put on the screen, read back from the server: every edge of a check
// box, a text field and a list frame stands out from the background around it and from
// its inside, on the default white background and on a dark one; a scroll bar's thumb is
// not the colour of its trough and its arrows show; a list with the keyboard focus shows a
// frame that it loses with the focus.
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
#include "windlib/window/wscrollbar.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/xwindow.h"

namespace {

// Luminance (0-255) of a pixel of the 24-bit TrueColor screen (0xRRGGBB), and the least
// difference an eye tells apart at a glance.
int Lum(unsigned long p) {
    return (int)(299 * (p >> 16 & 0xff) + 587 * (p >> 8 & 0xff) + 114 * (p & 0xff)) / 1000;
}
const int kVisible = 24;

class WidgetLooks : public ToolkitTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        // The background as a configuration file sets it; the colours are worked out again
        // once the files are read.
        ASSERT_TRUE(cfg_ApplyValue(cfg_FindOption("background"), GetParam()));
        WDrawInitColors();
        ASSERT_EQ(bg_pixel, std::stoul(GetParam() + 1, nullptr, 16));
        window = cwxCreatexy(420, 260, 0, "Looks", nullptr, nullptr, nullptr, 0, 0, nullptr);
        ASSERT_NE(window, nullptr);
        WWindowShow(window->window);
    }
    void TearDown() override {
        if (image) XDestroyImage(image);
        ToolkitTest::TearDown();
    }
    void Grab() {
        Settle();
        ASSERT_TRUE(Pump([&] {
            return WWindowIsViewable(window->window) && dirtyTracker->isClean(window->window);
        }));
        WSync();
        if (image) XDestroyImage(image);
        image = XGetImage(display, window->window, 0, 0, (unsigned)window->width,
                          (unsigned)window->height, AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
    }
    unsigned long At(int x, int y) { return XGetPixel(image, x, y); }
    // The middle of each edge against the pixel outside it and the one `inset` inside.
    void ExpectFourEdges(const char* what, int x, int y, int w, int h, int inset) {
        const int edges[4][4] = {{x + w / 2, y, 0, -1},
                                 {x + w / 2, y + h - 1, 0, 1},
                                 {x, y + h / 2, -1, 0},
                                 {x + w - 1, y + h / 2, 1, 0}};
        for (const auto& e : edges) {
            int edge = Lum(At(e[0], e[1]));
            EXPECT_GE(std::abs(edge - Lum(At(e[0] + e[2], e[1] + e[3]))), kVisible)
                << what << " edge at " << e[0] << "," << e[1] << " against the outside";
            EXPECT_GE(std::abs(edge - Lum(At(e[0] - e[2] * inset, e[1] - e[3] * inset))), kVisible)
                << what << " edge at " << e[0] << "," << e[1] << " against the inside";
        }
    }
    MScrollList* List(int x, int y) {
        MScrollList* list = mslCreate(window, x, y, 200, 120, nullptr, nullptr, nullptr, 0, 1, 0, 1,
                                      0, nullptr, nullptr, nullptr, nullptr, 2, 0, 1);
        mslAddMsg(list, "one\ntwo");
        return list;
    }

    ColWind* window = nullptr;
    XImage* image = nullptr;
};

TEST_P(WidgetLooks, EveryEdgeOfCheckBoxTextFieldAndListShows) {
    Button* check = btCreate(window, 20, 20, 0, 0, nullptr, nullptr, "Tools", nullptr, nullptr,
                             nullptr, nullptr, 0, false, false, kBtCheck);
    TextField* field =
        tfCreate(window, 20, 60, 260, TextField::FieldHeight(), nullptr, "/opt", -1, -1, nullptr);
    MScrollList* list = List(20, 110);
    cwSetFocus(window, field);
    Grab();
    int side = std::min(btMarkSize(bfont_h), check->height);
    ExpectFourEdges("check box", check->x + 1, check->y + (check->height - side) / 2, side, side,
                    1);
    ExpectFourEdges("text field", field->boxX(), field->y, field->boxWidth(), field->height, 1);
    ExpectFourEdges("list", list->x, list->y, list->width, list->height, 2);
}

TEST_P(WidgetLooks, ThumbStandsOutArrowsShowAndTheFocusedListIsFramed) {
    WScrollBar* bar = new WScrollBar(window, true, 300, 20, 200);
    bar->setRange(100, 20);
    MScrollList* list = List(20, 20);
    cwSetFocus(window, list);
    Grab();
    int a = bar->width, thumb = (bar->height - 2 * a) * 20 / 100, middle = bar->x + a / 2;
    EXPECT_GE(std::abs(Lum(At(middle, bar->y + a + thumb / 2)) -
                       Lum(At(middle, bar->y + bar->height - a - 5))),
              kVisible);
    EXPECT_EQ(At(middle, bar->y + a / 2), grey_pixel); // cannot go further up
    EXPECT_EQ(At(middle, bar->y + bar->height - a / 2 - 1), fg_pixel);
    int x = list->x + 1, y = list->y + list->height / 2;
    EXPECT_EQ(At(x, y), select_pixel);
    cwSetFocus(window, nullptr);
    Grab();
    EXPECT_EQ(At(x, y), bg_pixel);
}

INSTANTIATE_TEST_SUITE_P(Backgrounds, WidgetLooks, ::testing::Values("#ffffff", "#202020"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param[1] == 'f' ? "White" : "Dark");
                         });

} // namespace
