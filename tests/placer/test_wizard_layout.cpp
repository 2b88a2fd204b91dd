// The wizard window's layout table run through the placer on a window of plain numbers:
// the geometries its rules describe at the designed size and after the user enlarges
// the window.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "placer/run_time/plcset.h"
#include "setup/wizard/setup_mainwindow_rules.h"

namespace {

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
        if (!info) info = PlacerBuildTables(kMainWindowRules, kNumMainWindowRules, *host);
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
