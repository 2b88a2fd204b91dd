// The wizard's layout rules applied through a real window: the geometries the rules give
// at the window's created size, and the bottom-right buttons following a resize.
#include <gtest/gtest.h>

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

const char* const kWizardRules[] = {
    "MinSizes",
    "0,(),(),400,0,0,0,0,1,1,1,Vertical",
    "0,(),(),550,0,0,0,0,1,1,2,Horizontal",
    "0,(),(),400,0,0,0,0,1,1,1,Horizontal",
    "Sizes",
    "20,(18),(),0,0,0,0,0,1,1,1,Vertical",
    "19,(18),(),0,0,0,0,0,1,1,1,Horizontal",
    "18,(0),(19),-135,0,0,0,0,1,1,1,Vertical",
    "18,(0),(20),-10,0,0,0,0,1,1,1,Horizontal",
    "17,(2),(3),-5,0,0,0,0,1,1,1,Vertical",
    "17,(3),(),0,0,0,0,0,1,1,1,Horizontal",
    "16,(2),(15),-15,0,0,0,0,1,1,1,Vertical",
    "16,(3),(),0,0,0,0,0,1,1,1,Horizontal",
    "15,(3),(),0,0,0,0,0,2,1,1,Vertical",
    "15,(3),(),0,0,0,0,0,1,1,1,Horizontal",
    "14,(2),(3),0,0,0,0,0,1,1,1,Vertical",
    "14,(3),(),0,0,0,0,0,1,1,1,Horizontal",
    "13,(),(),18,0,0,0,0,1,1,1,Vertical",
    "13,(),(),150,0,0,0,0,1,1,1,Horizontal",
    "12,(9),(),0,0,0,0,0,1,1,1,Vertical",
    "12,(9),(),0,0,0,0,0,1,1,1,Horizontal",
    "11,(),(),20,0,0,0,0,1,1,1,Vertical",
    "11,(),(),80,0,0,0,0,1,1,1,Horizontal",
    "10,(),(),200,0,0,0,0,1,1,1,Horizontal",
    "10,(),(),20,0,0,0,0,1,1,1,Vertical",
    "9,(3),(),0,0,0,0,0,1,1,1,Vertical",
    "9,(3),(),0,0,0,0,0,1,1,1,Horizontal",
    "8,(2),(3),-5,0,0,0,0,1,1,1,Vertical",
    "8,(3),(),0,0,0,0,0,1,1,1,Horizontal",
    "7,(6),(),0,0,0,0,0,1,1,1,Vertical",
    "7,(6),(),0,0,0,0,0,1,1,1,Horizontal",
    "6,(5),(),0,0,0,0,0,1,1,1,Vertical",
    "6,(5),(),0,0,0,0,0,1,1,1,Horizontal",
    "5,(),(),22,0,0,0,0,1,1,1,Vertical",
    "5,(),(),80,0,0,0,0,1,1,1,Horizontal",
    "4,(0),(),-10,0,0,0,0,1,1,1,Horizontal",
    "3,(),(),15,0,0,0,0,1,1,1,Vertical",
    "3,(0),(2),-15,0,0,0,0,1,1,1,Horizontal",
    "2,(0),(),-135,0,0,0,0,1,1,1,Vertical",
    "2,(),(),150,0,0,0,0,1,1,1,Horizontal",
    "Positions",
    "(14),3,10,0,0,0,0,Top,Top,Bottom",
    "(19),18,0,0,0,0,0,Top,Top,Bottom",
    "(19),18,0,0,0,0,0,Left,Left,Left",
    "(20),18,0,0,0,0,0,Top,Top,Top",
    "(20),18,0,0,0,0,0,Left,Left,Right",
    "(18),0,65,0,0,0,0,Top,Top,Top",
    "(18),0,5,0,0,0,0,Left,Left,Left",
    "(8),3,5,0,0,0,0,Top,Top,Bottom",
    "(17),3,5,0,0,0,0,Top,Top,Bottom",
    "(17),3,0,0,0,0,0,Left,Left,Left",
    "(16),15,5,0,0,0,0,Top,Top,Bottom",
    "(16),15,0,0,0,0,0,Left,Left,Left",
    "(15),3,5,0,0,0,0,Top,Top,Bottom",
    "(15),3,0,0,0,0,0,Left,Left,Left",
    "(13),12,10,0,0,0,0,Top,Top,Bottom",
    "(13),12,25,0,0,0,0,Left,Left,Left",
    "(12),10,15,0,0,0,0,Top,Top,Bottom",
    "(12),10,-15,0,0,0,0,Left,Left,Left",
    "(11),10,-1,0,0,0,0,Top,Top,Top",
    "(11),10,0,0,0,0,0,Left,Left,Right",
    "(10),9,10,0,0,0,0,Top,Top,Bottom",
    "(10),9,15,0,0,0,0,Left,Left,Left",
    "(9),3,15,0,0,0,0,Top,Top,Bottom",
    "(9),3,0,0,0,0,0,Left,Left,Left",
    "(5),4,15,0,0,0,0,Top,Top,Bottom",
    "(7),6,0,0,0,0,0,Top,Top,Top",
    "(7),6,15,0,0,0,0,Left,Left,Right",
    "(6),5,0,0,0,0,0,Top,Top,Top",
    "(6),5,5,0,0,0,0,Left,Left,Right",
    "(5),4,-270,0,0,0,0,Left,Left,Right",
    "(4),0,-60,0,0,0,0,Top,Top,Bottom",
    "(4),0,5,0,0,0,0,Left,Left,Left",
    "(3),2,0,0,0,0,0,Top,Top,Top",
    "(3),2,5,0,0,0,0,Left,Left,Right",
    "(2),0,65,0,0,0,0,Top,Top,Top",
    "(2),0,5,0,0,0,0,Left,Left,Left",
    "(1),0,5,0,0,0,0,Top,Top,Top",
    "(1),0,5,0,0,0,0,Left,Left,Left",
};
static_assert(sizeof kWizardRules / sizeof kWizardRules[0] == 79, "79 rule strings");

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
        PlacerBuildRuntimeInfo(w, kWizardRules, 79);
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
