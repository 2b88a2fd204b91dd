// Rules for scale 1 on a window at scale 2, and text that needs more than its rule: the
// wizard's table on a window of plain numbers.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "placer/run_time/plcset.h"
#include "setup/wizard/setup_mainwindow_rules.h"

namespace {

FakeHost Wizard(int scale) {
    FakeHost host(21, {577 * scale, 417 * scale});
    host.scale = scale;
    host.nWidth *= scale, host.widest *= scale, host.lineHeight *= scale;
    host.scrollBar *= scale;
    for (FakeItem& item : host.items) item.natural = {12 * scale, 12 * scale};
    return host;
}

void LayOut(FakeHost* host) {
    RuntimePlacerInfo* info = PlacerBuildTables(kMainWindowRules, kNumMainWindowRules, *host);
    PlacerLayoutAll(info, *host);
    PlacerFreeTables(info);
}

TEST(PlacerScale, PixelsOfTheRulesAreTakenAtTheScale) {
    FakeHost one = Wizard(1), two = Wizard(2);
    LayOut(&one);
    LayOut(&two);
    for (int item = 1; item <= 20; ++item) {
        const PlacerRect &a = one.at(item), &b = two.at(item);
        EXPECT_TRUE(b.x == 2 * a.x && b.y == 2 * a.y && b.width == 2 * a.width &&
                    b.height == 2 * a.height)
            << "item " << item;
    }
    EXPECT_EQ(two.minimum.width, 1100);
    EXPECT_EQ(two.minimum.height, 800);
}

TEST(PlacerScale, TextTallerThanItsRulePushesThePageDown) {
    FakeHost host = Wizard(1);
    host.items[3].least = {0, 21}; // the caption's font needs 21 pixels, its rule gives 15
    host.items[5].least = {0, 30}; // Back's needs 30, its rule gives 22
    LayOut(&host);
    EXPECT_EQ(host.at(3).height, 21);
    EXPECT_EQ(host.at(8).y, 65 + 21 + 5) << "the introduction hangs below the caption";
    EXPECT_EQ(host.at(8).y + host.at(8).height, host.at(2).y + host.at(2).height);
    EXPECT_EQ(host.at(15).height, 42) << "twice the caption, as its rule says";
    EXPECT_EQ(host.at(7).height, 30) << "Cancel takes Back's size";
    EXPECT_LE(host.at(7).y + host.at(7).height, 417);
}

} // namespace
