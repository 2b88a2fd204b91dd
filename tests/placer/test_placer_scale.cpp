// The placer at another scale and with larger fonts, on a window of plain numbers: the
// wizard's table at scale 2 with fonts and natural sizes twice as large gives every item
// exactly twice its place and size, and an item whose text needs more than its rule gives
// it pushes what hangs below it down instead of overlapping it.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "placer/run_time/plcset.h"
#include "setup/wizard/setup_mainwindow_rules.h"

namespace {

// The wizard's items at a scale: kinds, natural sizes and font metrics all `scale` times
// those of scale 1, and the window created at the designed size times the scale.
FakeHost WizardAt(int scale) {
    FakeHost host(21, {577 * scale, 417 * scale});
    host.scale = scale;
    for (int item : {3, 9, 12, 15}) host.items[item].kind = kPlcKindStaticText;
    for (int item : {5, 6, 7, 11}) host.items[item].kind = kPlcKindButton;
    host.items[10].kind = kPlcKindTextField;
    host.items[14].kind = kPlcKindButtonSet;
    for (FakeItem& item : host.items) item.natural = {12 * scale, 12 * scale};
    host.items[1].natural = {16 * scale, 16 * scale};
    host.items[4].natural = {1, 2 * scale};
    // Items no rule places across keep where they were created.
    host.items[8].at.x = 160 * scale;
    host.items[14].at.x = 170 * scale;
    host.nWidth *= scale, host.widest *= scale, host.lineHeight *= scale;
    host.scrollBar *= scale, host.ascent *= scale;
    return host;
}

RuntimePlacerInfo* LayOut(FakeHost* host) {
    RuntimePlacerInfo* info = PlacerBuildTables(kMainWindowRules, kNumMainWindowRules, *host);
    PlacerLayoutAll(info, *host);
    return info;
}

bool Overlap(const PlacerRect& a, const PlacerRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

TEST(PlacerScale, WizardAtScaleTwoIsTwiceAsLargeEverywhere) {
    FakeHost one = WizardAt(1), two = WizardAt(2);
    RuntimePlacerInfo* infoOne = LayOut(&one);
    RuntimePlacerInfo* infoTwo = LayOut(&two);
    for (int item = 1; item <= 20; ++item) {
        SCOPED_TRACE(item);
        EXPECT_EQ(two.at(item).x, 2 * one.at(item).x);
        EXPECT_EQ(two.at(item).y, 2 * one.at(item).y);
        EXPECT_EQ(two.at(item).width, 2 * one.at(item).width);
        EXPECT_EQ(two.at(item).height, 2 * one.at(item).height);
    }
    EXPECT_EQ(two.minimum.width, 1100);
    EXPECT_EQ(two.minimum.height, 800);
    EXPECT_EQ(two.windowResizes, 0);
    PlacerFreeTables(infoOne);
    PlacerFreeTables(infoTwo);
}

TEST(PlacerScale, TextTallerThanItsRulePushesThePageDown) {
    FakeHost host = WizardAt(1);
    host.items[3].least = {0, 21}; // the caption's font needs 21 pixels, its rule says 15
    host.items[5].least = {0, 30}; // Back's label needs 30, its rule says 22
    RuntimePlacerInfo* info = LayOut(&host);
    EXPECT_EQ(host.at(3).height, 21);
    EXPECT_EQ(host.at(8).y, 65 + 21 + 5);
    EXPECT_EQ(host.at(8).y + host.at(8).height, host.at(2).y + host.at(2).height);
    EXPECT_EQ(host.at(15).height, 42); // twice the caption, as its rule says
    EXPECT_EQ(host.at(6).height, 30);  // Next and Cancel take Back's size
    EXPECT_EQ(host.at(7).height, 30);
    EXPECT_LE(host.at(7).y + host.at(7).height, 417);
    for (int item : {8, 14, 15, 16, 17}) EXPECT_FALSE(Overlap(host.at(3), host.at(item))) << item;
    PlacerFreeTables(info);
}

} // namespace
