// Activation levels: switching maps exactly the items of the new level, unmaps those of the
// old one, never touches items that belong to every level, and rebuilds the lists that
// events and painting walk.
#include <gtest/gtest.h>

#include "support/toolkit_fixture.h"
#include "tests/windlib/window/window_test_items.h"
#include "windlib/window/wactivation.h"
#include "windlib/window/wcolwind.h"

namespace {

class Activation : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        w = cwxCreatexy(200, 200, 0, "Levels", nullptr, nullptr, nullptr, -1, -1, "ORBITPIC");
        ASSERT_NE(w, nullptr);
        const unsigned long masks[] = {0, 0xFFFFFFFFul, 0x2, 0x2, 0x4, 0x4, 0x40000000ul};
        for (int i = 1; i <= 6; ++i) {
            items[i] = new RecordingItem(kKindButton, w, 10, 10);
            cwSetWidget(w, i, items[i], masks[i]);
        }
    }

    bool Listed(GItem* item) {
        for (GItem* it = w->activeList; it; it = it->next)
            if (it == item) return true;
        return false;
    }

    ColWind* w = nullptr;
    RecordingItem* items[7] = {};
};

TEST_F(Activation, LevelNumbersSelectTheirMaskBits) {
    EXPECT_TRUE(ActivationSelects(1, 0x2));
    EXPECT_FALSE(ActivationSelects(1, 0x4));
    EXPECT_TRUE(ActivationSelects(30, 0x40000000ul));
    // Two levels packed in one value: 1 and 2.
    EXPECT_TRUE(ActivationSelects(1 | 2 << 5, 0x4));
    EXPECT_TRUE(ActivationSelects(0x80000000ul, 0x1));
    EXPECT_TRUE(ActivationSelects(0xFFFFFFFFul, 0));
    EXPECT_FALSE(ActivationSelects(0, 0xFFFFFFFFul));
}

TEST_F(Activation, SwitchingPagesMapsExactlyTheNewLevel) {
    cwSetActivationLevel(w, 1);
    for (int i : {4, 5, 6}) EXPECT_EQ(items[i]->mapCalls, std::vector<int>({0})) << i;
    for (int i : {1, 2, 3}) EXPECT_TRUE(items[i]->mapCalls.empty()) << i;
    for (int i = 1; i <= 6; ++i) items[i]->mapCalls.clear();

    cwSetActivationLevel(w, 2);
    EXPECT_TRUE(items[1]->mapCalls.empty());
    EXPECT_EQ(items[2]->mapCalls, std::vector<int>({0}));
    EXPECT_EQ(items[3]->mapCalls, std::vector<int>({0}));
    EXPECT_EQ(items[4]->mapCalls, std::vector<int>({1}));
    EXPECT_EQ(items[5]->mapCalls, std::vector<int>({1}));
    EXPECT_TRUE(items[6]->mapCalls.empty());
    EXPECT_TRUE(Listed(items[1]) && Listed(items[4]) && Listed(items[5]));
    EXPECT_FALSE(Listed(items[2]) || Listed(items[3]) || Listed(items[6]));
}

TEST_F(Activation, InstallLevelShowsOnlySharedAndProgressItems) {
    cwSetActivationLevel(w, 1);
    cwSetActivationLevel(w, 30);
    for (int i : {1, 6}) EXPECT_TRUE(items[i]->isMapped()) << i;
    for (int i : {2, 3, 4, 5}) EXPECT_FALSE(items[i]->isMapped()) << i;
    EXPECT_EQ(RuntimePlacer_GetActivationLevel(w), 30u);
}

TEST_F(Activation, HiddenFocusMovesToAVisibleTabStop) {
    cwSetActivationLevel(w, 1);
    cwSetFocus(w, items[2]);
    cwSetActivationLevel(w, 2);
    ASSERT_NE(w->focus, nullptr);
    EXPECT_TRUE(w->focus->isMapped());
    EXPECT_NE(w->focus, items[2]);
}

TEST_F(Activation, FindWidgetByName) {
    gitemSetName(items[3], "bNext");
    EXPECT_EQ(RuntimePlacer_FindWidget(w, "bNext"), items[3]);
    EXPECT_EQ(RuntimePlacer_FindWidget(w, "bBack"), nullptr);
}

} // namespace
