// The sizing and positioning passes on small windows of plain numbers: rule values and
// groups, minimum sizes, items that round their size, circular rules, the alignment of
// several targets, baselines, the window's frame and the shift after it changes.
#include <gtest/gtest.h>

#include "fake_host.h"
#include "placer/run_time/plcset.h"

namespace {

// Builds the tables for `rules` over `host` and lays it out once.
class Layout {
public:
    template <size_t N> Layout(FakeHost* host, const char* const (&rules)[N]) : host_(host) {
        info_ = PlacerBuildTables(rules, static_cast<int>(N), *host);
        PlacerLayoutAll(info_, *host);
    }
    ~Layout() { PlacerFreeTables(info_); }
    void Again() { PlacerLayoutAll(info_, *host_); }

private:
    FakeHost* host_;
    RuntimePlacerInfo* info_;
};

TEST(Sizing, MinimumCountsFrameAndEnlargesSmallWindow) {
    FakeHost host(2, {300, 450});
    host.bordered = true;
    host.titleBar = 20;
    const char* rules[] = {"MinSizes", "0,(),(),550,0,0,0,0,1,1,1,Horizontal",
                           "0,(1),(),100,0,0,0,0,1,1,1,Vertical", "Sizes"};
    host.items[1].natural = {10, 50};
    Layout layout(&host, rules);
    EXPECT_EQ(558, host.minimum.width);
    EXPECT_EQ(178, host.minimum.height);
    EXPECT_EQ(558, host.window.width);
    EXPECT_EQ(450, host.window.height);
}

TEST(Sizing, FactorDivisorAndFontTerms) {
    FakeHost host(16, {300, 300});
    host.items[3].natural = {40, 15};
    host.items[5].natural = {6, 6};
    const char* rules[] = {"MinSizes", "Sizes", "15,(3),(),0,0,0,0,0,2,1,1,Vertical",
                           "4,(3),(5),1,2,3,4,5,3,2,1,Horizontal"};
    Layout layout(&host, rules);
    EXPECT_EQ(30, host.at(15).height);
    // (1 + 2*7 + 3*9 + 4*13 + 5*16 + 40 - 6) * 3 / 2
    EXPECT_EQ(312, host.at(4).width);
}

TEST(Sizing, WindowSizedByRulesFollowsWindowManager) {
    FakeHost host(2, {300, 300});
    host.widthStep = 10;
    host.items[1].natural = {123, 10};
    const char* rules[] = {"MinSizes", "Sizes", "0,(1),(),20,0,0,0,0,1,1,1,Horizontal"};
    Layout layout(&host, rules);
    EXPECT_EQ(140, host.window.width);
    EXPECT_EQ(140, host.minimum.width) << "a window its rules size cannot be made smaller";
}

TEST(Sizing, RoundedItemIsSizedAgainAndDependentsFollow) {
    FakeHost host(4, {200, 200});
    host.items[2].heightStep = 10;
    const char* rules[] = {"MinSizes", "Sizes", "3,(2),(),0,0,0,0,0,1,1,1,Vertical",
                           "2,(0),(),-55,0,0,0,0,1,1,1,Vertical"};
    Layout layout(&host, rules);
    EXPECT_EQ(140, host.at(2).height);
    EXPECT_EQ(140, host.at(3).height);
}

TEST(SizingDeathTest, CircularSizeRulesFailAssertion) {
    FakeHost host(4, {200, 200});
    const char* rules[] = {"MinSizes", "Sizes", "2,(3),(),0,0,0,0,0,1,1,1,Vertical",
                           "3,(2),(),5,0,0,0,0,1,1,1,Vertical"};
    EXPECT_DEATH(Layout(&host, rules), "!\\(anyleft && !anydone\\)");
}

TEST(PositioningDeathTest, CircularPositionRulesFailAssertion) {
    FakeHost host(4, {200, 200});
    const char* rules[] = {"MinSizes", "Sizes", "Positions", "(2),3,0,0,0,0,0,Left,Left,Right",
                           "(3),2,0,0,0,0,0,Left,Left,Right"};
    EXPECT_DEATH(Layout(&host, rules), "!anyleft \\|\\| anydone");
}

// Items 1 (30 wide) and 2 (50 wide) against item 3 at x 100, for each pair of sides.
TEST(Positioning, SeveralTargetsAlignAmongThemselves) {
    struct Case {
        const char* rule;
        int x1, x2;
    } cases[] = {
        {"(1,2),3,0,0,0,0,0,Left,Left,Left", 100, 100},
        {"(1,2),3,0,0,0,0,0,Right,Right,Left", 70, 50},
        {"(1,2),3,0,0,0,0,0,LRCenter,LRCenter,Left", 85, 75},
        {"(1,2),3,0,0,0,0,0,Left,Right,Left", 50, 50},
        {"(1,2),3,0,0,0,0,0,Left,LRCenter,Left", 75, 75},
        {"(1,2),3,0,0,0,0,0,Right,Left,Left", 120, 100},
        {"(1,2),3,0,0,0,0,0,Right,LRCenter,Left", 135, 125},
        {"(1,2),3,0,0,0,0,0,LRCenter,Left,Left", 110, 100},
        {"(1,2),3,0,0,0,0,0,LRCenter,Right,Left", 60, 50},
    };
    for (const Case& c : cases) {
        FakeHost host(4, {400, 400});
        host.items[1].at = {0, 0, 30, 10};
        host.items[2].at = {0, 0, 50, 10};
        host.items[1].natural = {30, 10};
        host.items[2].natural = {50, 10};
        host.items[3].at = {100, 7, 10, 10};
        const char* rules[] = {"MinSizes", "Sizes", "Positions", c.rule};
        Layout layout(&host, rules);
        EXPECT_EQ(c.x1, host.at(1).x) << c.rule;
        EXPECT_EQ(c.x2, host.at(2).x) << c.rule;
    }
}

TEST(Positioning, BaselinesLineUpLabels) {
    FakeHost host(6, {300, 300});
    host.items[1].kind = kPlcKindStaticText;
    host.items[1].natural = {50, 15};
    host.items[2].kind = kPlcKindTextField;
    host.items[3].kind = kPlcKindButton;
    host.items[3].frame = kPlcFrameNone;
    host.items[4].kind = kPlcKindButtonSet;
    host.items[4].frame = kPlcFrameDeep;
    host.items[5].natural = {10, 25}; // no text: its baseline is its bottom
    const char* rules[] = {"MinSizes", "Sizes", "Positions",
                           "(2,3,4,5),1,0,0,0,0,0,Baseline,Baseline,Baseline",
                           "(1),0,0,0,0,0,0,Bottom,Bottom,Bottom"};
    Layout layout(&host, rules);
    EXPECT_EQ(300 - 15, host.at(1).y);
    EXPECT_EQ(285 + 10 - 13, host.at(2).y);
    EXPECT_EQ(285, host.at(3).y);
    EXPECT_EQ(285 + 10 - 14, host.at(4).y);
    EXPECT_EQ(285 + 10 - 25, host.at(5).y);
}

TEST(Positioning, WindowFrameAndTitleBarBoundTheEdges) {
    FakeHost host(3, {300, 200});
    host.bordered = true;
    host.titleBar = 20;
    const char* rules[] = {"MinSizes",
                           "Sizes",
                           "2,(0),(),-100,0,0,0,0,1,1,1,Horizontal",
                           "2,(0),(),0,0,0,0,0,1,2,1,Vertical",
                           "Positions",
                           "(1),0,0,0,0,0,0,Left,Left,Left",
                           "(1),0,0,0,0,0,0,Top,Top,Top",
                           "(2),0,0,0,0,0,0,Right,Right,Right",
                           "(2),0,-1,0,0,0,0,Bottom,Bottom,Bottom"};
    Layout layout(&host, rules);
    EXPECT_EQ(4, host.at(1).x);
    EXPECT_EQ(24, host.at(1).y);
    EXPECT_EQ(192, host.at(2).width);
    EXPECT_EQ(86, host.at(2).height);
    EXPECT_EQ(300 - 4 - 192, host.at(2).x);
    EXPECT_EQ(200 - 4 - 1 - 86, host.at(2).y);
}

TEST(Positioning, UnplacedItemsShiftWhenFrameOrLineHeightChanges) {
    FakeHost host(3, {300, 200});
    host.items[1].at = {30, 40, 10, 10};
    host.items[2].at = {50, 60, 10, 10};
    const char* rules[] = {"MinSizes", "Sizes", "Positions", "(2),0,7,0,0,0,0,Left,Left,Left"};
    Layout layout(&host, rules);
    host.bordered = true;
    host.lineHeight += 3;
    layout.Again();
    EXPECT_EQ(34, host.at(1).x);
    EXPECT_EQ(47, host.at(1).y);
    EXPECT_EQ(11, host.at(2).x) << "placed by its rule, frame included";
    EXPECT_EQ(67, host.at(2).y);
    host.topLevel = false;
    host.lineHeight -= 3;
    layout.Again();
    EXPECT_EQ(47, host.at(1).y) << "a pane's items do not follow the line height";
}

} // namespace
