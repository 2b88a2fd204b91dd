// The wizard's layout rules applied through a real window: the geometries the rules give
// at the window's created size, and the bottom-right buttons following a resize.
#include <gtest/gtest.h>

#include "setup/wizard/setup_mainwindow_rules.h"
#include "support/toolkit_fixture.h"
#include "tests/windlib/window/window_test_items.h"
#include "windlib/window/gline.h"
#include "windlib/window/gpicture.h"
#include "windlib/window/gstatictext.h"
#include "windlib/window/wactivation.h"
#include "windlib/window/wcolwind.h"
#include "windlib/window/wplacer.h"
#include "windlib/window/wscrollbar.h"
#include "windlib/x11/xwindow.h"

namespace {

class WizardLayout : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        w = cwxCreatexy(577, 417, 0, "Layout", nullptr, nullptr, nullptr, -1, -1, "ORBITPIC");
        ASSERT_NE(w, nullptr);
        GItem* items[21] = {};
        items[1] = giCreate(w, 0, 0, "restart3");
        items[2] = new RecordingItem(kKindScrollList, w, 20, 20);
        items[3] = gtCreate(w, 0, 0, "<name of segment>");
        items[4] = glCreate(w, 0, 0, 1);
        for (int i : {5, 6, 7, 11}) items[i] = new RecordingItem(kKindButton, w, 58, 20);
        items[8] = new RecordingItem(kKindScrollList, w, 20, 20);
        items[8]->MoveMe(160, 0); // no rule places these two across: they keep their x
        items[14] = new RecordingItem(kKindButtonSet, w, 30, 20);
        items[14]->MoveMe(170, 12);
        items[9] = gtCreate(w, 0, 0, "Installation Directory");
        items[10] = new RecordingItem(kKindTextField, w, 100, 18);
        items[12] = gtCreate(w, 0, 0, "Host Tools Will Run On");
        items[13] = new RecordingItem(kKindPullDown, w, 32, 20);
        items[15] = gtCreate(w, 0, 0, "test text");
        items[16] = new RecordingItem(kKindScrollList, w, 20, 20);
        items[17] = new RecordingItem(kKindScrollList, w, 20, 20);
        items[18] = new RecordingItem(kKindTextView, w, 1, 1);
        items[19] = new WScrollBar(w, false, 0, 0, 10);
        items[20] = new WScrollBar(w, true, 0, 0, 10);
        for (int i = 1; i <= 20; ++i) cwSetWidget(w, i, items[i], 0xFFFFFFFFul);
        PlacerBuildRuntimeInfo(w, kMainWindowRules, kNumMainWindowRules);
        w->reconfigureHook(w);
    }

    GItem* item(int i) { return cwGetWidget(w, i); }
    void ExpectRect(int i, int x, int y, int width, int height) {
        SCOPED_TRACE(i);
        EXPECT_EQ(item(i)->x, x);
        EXPECT_EQ(item(i)->y, y);
        EXPECT_EQ(item(i)->width, width);
        EXPECT_EQ(item(i)->height, height);
    }

    ColWind* w = nullptr;
};

TEST_F(WizardLayout, RulesPlaceThePagesAndButtonsAtCreatedSize) {
    EXPECT_EQ(w->width, 577);
    EXPECT_EQ(w->height, 417);
    ExpectRect(1, 5, 5, 16, 16);
    ExpectRect(2, 5, 65, 150, 282);
    int captionH = 15;
    ExpectRect(3, 160, 65, 577 - 150 - 15, captionH);
    ExpectRect(4, 5, 357, 567, 2);
    ExpectRect(5, 302, 374, 80, 22);
    ExpectRect(6, 387, 374, 80, 22);
    ExpectRect(7, 482, 374, 80, 22);
    ExpectRect(8, 160, 85, 412, 282 - captionH - 5);
    ExpectRect(14, 170, 90, 412, 282 - captionH);
    ExpectRect(16, 160, 120, 412, 282 - 2 * captionH - 15);
    ExpectRect(10, 175, 65 + captionH + 15 + item(9)->height + 10, 200, 20);
    EXPECT_EQ(item(11)->x, 375);
    EXPECT_EQ(item(11)->y, item(10)->y - 1);
    ExpectRect(18, 5, 65, 577 - 10 - 19, 417 - 135 - 19);
    ExpectRect(19, 5, 65 + 263, 548, 19);
    ExpectRect(20, 553, 65, 19, 263);
}

TEST_F(WizardLayout, ButtonsFollowTheBottomRightCornerAfterAResize) {
    WWindowShow(w->window);
    Settle();
    WWindowResize(w->window, 700, 500);
    ASSERT_TRUE(Pump([&] { return item(7)->x == 605; })) << item(7)->x;
    ExpectRect(4, 5, 440, 690, 2);
    ExpectRect(5, 425, 457, 80, 22);
    ExpectRect(6, 510, 457, 80, 22);
    ExpectRect(7, 605, 457, 80, 22);
    ExpectRect(2, 5, 65, 150, 365);
}

TEST_F(WizardLayout, WindowIsNotShrunkBelowItsMinimumRules) {
    WWindowShow(w->window);
    Settle();
    PlacerResizeAll(w, 300, 300);
    EXPECT_EQ(w->width, 550);
    EXPECT_EQ(w->height, 400);
}

} // namespace
