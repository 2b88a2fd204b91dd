// Sizes and layout: the button size table, and button sets in a real window with the
// real button font: columns of at most N continuing to the right, the number per column
// that fits the set's height, the minimum size the window's layout asks for, and the
// bookkeeping of adding, renaming, finding and deleting buttons.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "shared/gen_hooks.h"
#include "support/toolkit_fixture.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/config/config_tables.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/ximages.h"
#include "xswitch/xswitch.h"

namespace {

struct Size {
    int w, h;
    bool operator==(const Size& o) const { return w == o.w && h == o.h; }
};
std::ostream& operator<<(std::ostream& out, const Size& s) {
    return out << s.w << "x" << s.h;
}

Size SizeFor(int type, int labelWidth, int lineHeight, bool mayBeDefault = false,
             const WImage* icon = nullptr, int labelLength = 0) {
    Size s = {0, 0};
    btSizeFor(type, labelWidth, lineHeight, mayBeDefault, icon, labelLength, &s.w, &s.h);
    return s;
}

TEST(ButtonSizes, FollowTheSizeTable) {
    debugFlag[kSwitchButtonsHaveFocus] = 1;
    EXPECT_EQ(SizeFor(kBtPush, 40, 13), (Size{56, 20}));       // 14 + 40 + 3, even
    EXPECT_EQ(SizeFor(kBtPush, 40, 16), (Size{58, 23}));       // 16 + 40 + 3 = 59 -> 58
    EXPECT_EQ(SizeFor(kBtPush, 40, 13, true), (Size{56, 27})); // may be the default
    EXPECT_EQ(SizeFor(kBtCheck, 40, 13), (Size{58, 15}));      // r = 11 (10 made odd)
    EXPECT_EQ(SizeFor(kBtRadio, 41, 16), (Size{60, 17}));      // r = 13: 13 + 41 + 7 = 61 -> 60
    EXPECT_EQ(SizeFor(kBtThreeState, 40, 12), (Size{58, 15})); // h - 3 below 10: r = 11
    EXPECT_EQ(SizeFor(kBtToolBarSeparator, 0, 13, false, nullptr, 3), (Size{0, 2}));
    EXPECT_EQ(SizeFor(7, 40, 13), (Size{54, 25})); // any other type

    WImage icon = {"test", 16, 15, 0};
    EXPECT_EQ(SizeFor(kBtToolBar, 40, 13, false, &icon), (Size{24, 23}));

    debugFlag[kSwitchButtonsHaveFocus] = 0;
    EXPECT_EQ(SizeFor(kBtPush, 41, 13), (Size{55, 20})); // no focus ring, no rounding
    EXPECT_EQ(SizeFor(kBtCheck, 41, 13), (Size{56, 15}));
    debugFlag[kSwitchButtonsHaveFocus] = 1;

    vfIconifiedButtons = 1;
    EXPECT_EQ(SizeFor(kBtToolBarSeparator, 0, 13, false, nullptr, 3), (Size{15, 2}));
    vfIconifiedButtons = 0;
}

std::string warnings;
int CaptureWarning(int code, const char* format, va_list args) {
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    warnings += text;
    return code;
}

class ButtonSetLayout : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        window = cwxCreatexy(500, 400, 0, "Layout", nullptr, nullptr, nullptr, 0, 0, "ORBITPIC");
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        gen_domessage = gen_default_domessage;
        ToolkitTest::TearDown();
    }
    // An empty vertical set of `type` with at most `most` per column, like the installer's.
    ButtonSet* EmptySet(int type, int most, int height) {
        return new ButtonSet(window, 20, 10, 300, height, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, -1, 1, most, true, false, type, 0, false,
                             false);
    }
    ColWind* window = nullptr;
};

TEST_F(ButtonSetLayout, TwentyCheckBoxesWithFifteenPerColumnMakeTwoColumns) {
    ButtonSet* set = EmptySet(kBtCheck, 15, 3000);
    for (int i = 0; i < 20; ++i) {
        std::string label = "Item " + std::to_string(i);
        EXPECT_EQ(bsAddButton(set, label.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr), i);
    }
    int bw = 0, bh = 0;
    set->cellSize(&bw, &bh);
    Button* first = bsBtFIndex(set, 0);
    EXPECT_EQ(first->x, set->x + 10); // the margin of check boxes
    EXPECT_EQ(first->y, set->y);
    for (int i = 1; i < 15; ++i) {
        EXPECT_EQ(bsBtFIndex(set, i)->x, first->x) << i;
        EXPECT_GT(bsBtFIndex(set, i)->y, bsBtFIndex(set, i - 1)->y) << i;
    }
    for (int i = 15; i < 20; ++i) {
        EXPECT_EQ(bsBtFIndex(set, i)->x, first->x + bw + 3) << i;
        EXPECT_EQ(bsBtFIndex(set, i)->y, bsBtFIndex(set, i - 15)->y) << i;
    }
    // The layout's question, at most 3000 x 3000: two columns, fifteen rows.
    int w = 0, h = 0;
    set->NaturalSize(&w, &h);
    EXPECT_EQ(w, 10 + bw + 3 + bw + 10);
    EXPECT_EQ(h, bsBtFIndex(set, 14)->y + bh - set->y);
}

TEST_F(ButtonSetLayout, ColumnsHoldWhatFitsTheSetsHeight) {
    ButtonSet* set = EmptySet(kBtCheck, -1, 100);
    for (int i = 0; i < 10; ++i) bsAddButton(set, "x", nullptr, nullptr, nullptr, nullptr, nullptr);
    int bw = 0, bh = 0;
    set->cellSize(&bw, &bh);
    int fit = (100 + 2) / (bh + 2); // buttons of height bh, 2 apart
    ASSERT_GT(fit, 1);
    ASSERT_LT(fit, 10);
    EXPECT_EQ(bsBtFIndex(set, fit - 1)->x, bsBtFIndex(set, 0)->x);
    EXPECT_EQ(bsBtFIndex(set, fit)->x, bsBtFIndex(set, 0)->x + bw + 3);
    EXPECT_EQ(bsBtFIndex(set, fit)->y, set->y);
    // A minimum per column wins over the height.
    bsSetPerColumn(set, 10, -1);
    EXPECT_EQ(bsBtFIndex(set, 9)->x, bsBtFIndex(set, 0)->x);
}

TEST_F(ButtonSetLayout, ButtonWidthIsTheLongestLabelOrTheMinimumInNWidths) {
    const char* labels[] = {"a", "a much longer label", nullptr};
    ButtonSet* set =
        new ButtonSet(window, 0, 0, 400, 200, nullptr, labels, nullptr, nullptr, nullptr, nullptr,
                      nullptr, -1, 1, -1, true, false, kBtCheck, 0, false, false);
    int bw = 0, bh = 0, expectW = 0, expectH = 0;
    set->cellSize(&bw, &bh);
    int longest = WTextWidth("a much longer label", -1, bfont_num);
    btSizeFor(kBtCheck, longest + 5, bfont_h, false, nullptr, 0, &expectW, &expectH);
    EXPECT_EQ(bw, expectW);
    EXPECT_EQ(bh, expectH);
    EXPECT_EQ(bsBtFIndex(set, 0)->width, bw); // every button of the set is as wide

    set->minWidthN = 200;
    set->cellSize(&bw, &bh);
    btSizeFor(kBtCheck, 200 * bfont_n + 5, bfont_h, false, nullptr, 0, &expectW, &expectH);
    EXPECT_EQ(bw, expectW);

    // Renaming lays the set out again.
    set->minWidthN = 0;
    bsChangeName(set, 1, "b", true);
    set->cellSize(&bw, &bh);
    EXPECT_EQ(bsBtFIndex(set, 0)->width, bw);
    EXPECT_LT(bw, expectW);
}

TEST_F(ButtonSetLayout, ButtonsAreFoundByIndexAndNameAndDeleted) {
    const char* labels[] = {"a", "b", "c", nullptr};
    ButtonSet* set =
        new ButtonSet(window, 0, 0, 400, 200, nullptr, labels, nullptr, nullptr, nullptr, nullptr,
                      nullptr, -1, 1, 15, true, false, kBtCheck, 0, false, false);
    EXPECT_EQ(bsCount(set), 3);
    EXPECT_EQ(bsBtFName(set, "b"), bsBtFIndex(set, 1));
    EXPECT_EQ(bsBtFName(set, "z"), nullptr);
    EXPECT_EQ(bsBtFIndex(set, 3), nullptr);
    EXPECT_EQ(bsBtFIndex(set, -1), nullptr);
    int y0 = bsBtFIndex(set, 0)->y;
    bsDeleteButton(set, 0, true);
    EXPECT_EQ(bsCount(set), 2);
    EXPECT_EQ(bsBtFIndex(set, 0), bsBtFName(set, "b"));
    EXPECT_EQ(bsBtFIndex(set, 0)->y, y0); // the rest move up
    bsDeleteButton(set, 7, true);         // nothing there
    EXPECT_EQ(bsCount(set), 2);
}

TEST_F(ButtonSetLayout, ToolBarEntriesWithoutAUsableIconBecomeTextButtons) {
    warnings.clear();
    gen_domessage = CaptureWarning;
    debugFlag[kSwitchSilentBmpError] = 0;
    const char* labels[] = {"Up", "Files", "Broken", "-", nullptr};
    const char* icons[] = {"updir", nullptr, "no-such-icon", nullptr, nullptr};
    ButtonSet* bar =
        new ButtonSet(window, 0, 0, 200, 30, nullptr, labels, icons, nullptr, nullptr, nullptr,
                      nullptr, -1, 1, -1, false, false, kBtToolBar, 0, false, false);
    EXPECT_EQ(bsBtFIndex(bar, 0)->type, kBtToolBar);
    EXPECT_EQ(bsBtFIndex(bar, 0)->icon, WFindImage("updir"));
    EXPECT_EQ(bsBtFIndex(bar, 1)->type, kBtPush);
    EXPECT_EQ(bsBtFIndex(bar, 2)->type, kBtPush);
    EXPECT_EQ(bsBtFIndex(bar, 3)->type, kBtToolBarSeparator);
    EXPECT_NE(warnings.find("[ButtonSet::ButtonSet()] Icon not specified for button Files"),
              std::string::npos);
    EXPECT_NE(warnings.find("[ButtonSet::ButtonSet()] Unknown Icon resource no-such-icon"),
              std::string::npos);

    warnings.clear();
    debugFlag[kSwitchSilentBmpError] = 1;
    bsAddButton(bar, "Again", nullptr, nullptr, nullptr, "no-such-icon", nullptr);
    EXPECT_EQ(warnings, "");
    debugFlag[kSwitchSilentBmpError] = 0;
}

} // namespace
