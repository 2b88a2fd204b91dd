// The wizard window's layout table run through the placer on a window of plain numbers:
// the geometries its rules describe at the designed size and after the user enlarges
// the window.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "placer/run_time/plcset.h"

namespace {

// clang-format off
const char* const kWizardRules[] = {
    "MinSizes", "0,(),(),400,0,0,0,0,1,1,1,Vertical", "0,(),(),550,0,0,0,0,1,1,2,Horizontal",
    "0,(),(),400,0,0,0,0,1,1,1,Horizontal", "Sizes", "20,(18),(),0,0,0,0,0,1,1,1,Vertical",
    "19,(18),(),0,0,0,0,0,1,1,1,Horizontal", "18,(0),(19),-135,0,0,0,0,1,1,1,Vertical",
    "18,(0),(20),-10,0,0,0,0,1,1,1,Horizontal", "17,(2),(3),-5,0,0,0,0,1,1,1,Vertical",
    "17,(3),(),0,0,0,0,0,1,1,1,Horizontal", "16,(2),(15),-15,0,0,0,0,1,1,1,Vertical",
    "16,(3),(),0,0,0,0,0,1,1,1,Horizontal", "15,(3),(),0,0,0,0,0,2,1,1,Vertical",
    "15,(3),(),0,0,0,0,0,1,1,1,Horizontal", "14,(2),(3),0,0,0,0,0,1,1,1,Vertical",
    "14,(3),(),0,0,0,0,0,1,1,1,Horizontal", "13,(),(),18,0,0,0,0,1,1,1,Vertical",
    "13,(),(),150,0,0,0,0,1,1,1,Horizontal", "12,(9),(),0,0,0,0,0,1,1,1,Vertical",
    "12,(9),(),0,0,0,0,0,1,1,1,Horizontal", "11,(),(),20,0,0,0,0,1,1,1,Vertical",
    "11,(),(),80,0,0,0,0,1,1,1,Horizontal", "10,(),(),200,0,0,0,0,1,1,1,Horizontal",
    "10,(),(),20,0,0,0,0,1,1,1,Vertical", "9,(3),(),0,0,0,0,0,1,1,1,Vertical",
    "9,(3),(),0,0,0,0,0,1,1,1,Horizontal", "8,(2),(3),-5,0,0,0,0,1,1,1,Vertical",
    "8,(3),(),0,0,0,0,0,1,1,1,Horizontal", "7,(6),(),0,0,0,0,0,1,1,1,Vertical",
    "7,(6),(),0,0,0,0,0,1,1,1,Horizontal", "6,(5),(),0,0,0,0,0,1,1,1,Vertical",
    "6,(5),(),0,0,0,0,0,1,1,1,Horizontal", "5,(),(),22,0,0,0,0,1,1,1,Vertical",
    "5,(),(),80,0,0,0,0,1,1,1,Horizontal", "4,(0),(),-10,0,0,0,0,1,1,1,Horizontal",
    "3,(),(),15,0,0,0,0,1,1,1,Vertical", "3,(0),(2),-15,0,0,0,0,1,1,1,Horizontal",
    "2,(0),(),-135,0,0,0,0,1,1,1,Vertical", "2,(),(),150,0,0,0,0,1,1,1,Horizontal", "Positions",
    "(14),3,10,0,0,0,0,Top,Top,Bottom", "(19),18,0,0,0,0,0,Top,Top,Bottom",
    "(19),18,0,0,0,0,0,Left,Left,Left", "(20),18,0,0,0,0,0,Top,Top,Top",
    "(20),18,0,0,0,0,0,Left,Left,Right", "(18),0,65,0,0,0,0,Top,Top,Top",
    "(18),0,5,0,0,0,0,Left,Left,Left", "(8),3,5,0,0,0,0,Top,Top,Bottom",
    "(17),3,5,0,0,0,0,Top,Top,Bottom", "(17),3,0,0,0,0,0,Left,Left,Left",
    "(16),15,5,0,0,0,0,Top,Top,Bottom", "(16),15,0,0,0,0,0,Left,Left,Left",
    "(15),3,5,0,0,0,0,Top,Top,Bottom", "(15),3,0,0,0,0,0,Left,Left,Left",
    "(13),12,10,0,0,0,0,Top,Top,Bottom", "(13),12,25,0,0,0,0,Left,Left,Left",
    "(12),10,15,0,0,0,0,Top,Top,Bottom", "(12),10,-15,0,0,0,0,Left,Left,Left",
    "(11),10,-1,0,0,0,0,Top,Top,Top", "(11),10,0,0,0,0,0,Left,Left,Right",
    "(10),9,10,0,0,0,0,Top,Top,Bottom", "(10),9,15,0,0,0,0,Left,Left,Left",
    "(9),3,15,0,0,0,0,Top,Top,Bottom", "(9),3,0,0,0,0,0,Left,Left,Left",
    "(5),4,15,0,0,0,0,Top,Top,Bottom", "(7),6,0,0,0,0,0,Top,Top,Top",
    "(7),6,15,0,0,0,0,Left,Left,Right", "(6),5,0,0,0,0,0,Top,Top,Top",
    "(6),5,5,0,0,0,0,Left,Left,Right", "(5),4,-270,0,0,0,0,Left,Left,Right",
    "(4),0,-60,0,0,0,0,Top,Top,Bottom", "(4),0,5,0,0,0,0,Left,Left,Left",
    "(3),2,0,0,0,0,0,Top,Top,Top", "(3),2,5,0,0,0,0,Left,Left,Right",
    "(2),0,65,0,0,0,0,Top,Top,Top", "(2),0,5,0,0,0,0,Left,Left,Left", "(1),0,5,0,0,0,0,Top,Top,Top",
    "(1),0,5,0,0,0,0,Left,Left,Left"};
// clang-format on
static_assert(sizeof kWizardRules / sizeof kWizardRules[0] == 79, "the wizard's 79 rules");

// The wizard's 20 items with plausible natural sizes and kinds.
FakeHost WizardWindow(PlacerSize size) {
    FakeHost host(21, size);
    for (int item : {3, 9, 12, 15}) host.items[item].kind = kPlcKindStaticText;
    for (int item : {5, 6, 7, 11}) host.items[item].kind = kPlcKindButton;
    host.items[10].kind = kPlcKindTextField;
    host.items[14].kind = kPlcKindButtonSet;
    host.items[1].natural = {40, 40};
    host.items[4].natural = {1, 1};
    host.items[19].natural = host.items[20].natural = {16, 16};
    return host;
}

void ExpectAt(const FakeHost& host, int item, PlacerRect want) {
    const PlacerRect& got = host.at(item);
    EXPECT_EQ(want.x, got.x) << "x of item " << item;
    EXPECT_EQ(want.y, got.y) << "y of item " << item;
    EXPECT_EQ(want.width, got.width) << "width of item " << item;
    EXPECT_EQ(want.height, got.height) << "height of item " << item;
}

class WizardLayout : public ::testing::Test {
protected:
    void LayOut(FakeHost* host) {
        if (!info) info = PlacerBuildTables(kWizardRules, 79, *host);
        PlacerLayoutAll(info, *host);
    }
    ~WizardLayout() override { PlacerFreeTables(info); }
    RuntimePlacerInfo* info = nullptr;
};

TEST_F(WizardLayout, DesignedSizeGivesDesignedGeometry) {
    FakeHost host = WizardWindow({577, 417});
    LayOut(&host);
    ExpectAt(host, 1, {5, 5, 40, 40});
    ExpectAt(host, 2, {5, 65, 150, 282});
    ExpectAt(host, 3, {160, 65, 412, 15});
    ExpectAt(host, 4, {5, 357, 567, 1});
    ExpectAt(host, 5, {302, 373, 80, 22});
    ExpectAt(host, 6, {387, 373, 80, 22});
    ExpectAt(host, 7, {482, 373, 80, 22});
    ExpectAt(host, 9, {160, 95, 412, 15});
    ExpectAt(host, 10, {175, 120, 200, 20});
    ExpectAt(host, 11, {375, 119, 80, 20});
    ExpectAt(host, 12, {160, 155, 412, 15});
    ExpectAt(host, 13, {185, 180, 150, 18});
    ExpectAt(host, 15, {160, 85, 412, 30});
    ExpectAt(host, 16, {160, 120, 412, 237});
    ExpectAt(host, 17, {160, 85, 412, 262});
    ExpectAt(host, 18, {5, 65, 551, 266});
    ExpectAt(host, 19, {5, 331, 551, 16});
    ExpectAt(host, 20, {556, 65, 16, 266});
    EXPECT_EQ(85, host.at(8).y);
    EXPECT_EQ(90, host.at(14).y);
    EXPECT_EQ(267, host.at(14).height);
    // The horizontal minimum is the larger of a group of two rules (550 and 400).
    EXPECT_EQ(550, host.minimum.width);
    EXPECT_EQ(400, host.minimum.height);
    EXPECT_EQ(0, host.windowResizes);
}

TEST_F(WizardLayout, EnlargedWindowKeepsButtonsAtBottomRightAndGrowsLists) {
    FakeHost host = WizardWindow({577, 417});
    LayOut(&host);
    host.window = {700, 500};
    LayOut(&host);
    ExpectAt(host, 2, {5, 65, 150, 365});
    ExpectAt(host, 4, {5, 440, 690, 1});
    ExpectAt(host, 5, {425, 456, 80, 22});
    ExpectAt(host, 6, {510, 456, 80, 22});
    ExpectAt(host, 7, {605, 456, 80, 22});
    ExpectAt(host, 17, {160, 85, 535, 345});
    ExpectAt(host, 18, {5, 65, 674, 349});
    ExpectAt(host, 19, {5, 414, 674, 16});
    ExpectAt(host, 20, {679, 65, 16, 349});
}

TEST_F(WizardLayout, WindowBelowMinimumIsEnlargedToIt) {
    FakeHost host = WizardWindow({300, 200});
    LayOut(&host);
    EXPECT_EQ(550, host.window.width);
    EXPECT_EQ(400, host.window.height);
    ExpectAt(host, 7, {455, 356, 80, 22});
}

} // namespace
