// A list on the live server driven by real input (xdotool): clicks, double clicks, keys,
// the wheel and Shift+click reach the callbacks with the right row, column, click count and
// event kind; Control+c puts the selection on CLIPBOARD and PRIMARY for other clients; a
// copy callback can keep the X selection; Return presses the default button; a sort that
// changes nothing repaints nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/toolkit_fixture.h"
#include "tests/windlib/msl/selection_client.h"
#include "windlib/button/wbutton.h"
#include "windlib/config/config_tables.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/msl/msl_draw.h"
#include "windlib/msl/msl_sort.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xwindow.h"

namespace {

struct Click {
    int row, column, clicks, kind;
    long x, y;
};

struct Record {
    std::vector<Click> single, dbl;
    std::vector<int> selected;  // mslGetSelectedRow at each selection change
    std::vector<bool> tracking; // mslIsTrackingSelection at each selection change
    std::vector<std::string> copies;
    bool copyTakes = false;
    int buttonPresses = 0;
} rec;

void OnSingle(MScrollList*, int row, int column, int clicks, xinLibSt* e) {
    rec.single.push_back({row, column, clicks, e->kind, e->a, e->b});
}
void OnDouble(MScrollList*, int row, int column, int clicks, xinLibSt* e) {
    rec.dbl.push_back({row, column, clicks, e->kind, e->a, e->b});
}
void OnSelection(MScrollList* list) {
    rec.selected.push_back(mslGetSelectedRow(list, 0));
    rec.tracking.push_back(mslIsTrackingSelection(list));
}
bool OnCopy(MScrollList*, const char* text) {
    rec.copies.push_back(text);
    return rec.copyTakes;
}
void OnButton(Button*, xinLibSt*) {
    ++rec.buttonPresses;
}

class ListInput : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        rec = Record();
    }

    void Open(int extended) {
        w = cwxCreatexy(320, 260, 0, "ListInput", nullptr, nullptr, nullptr, -1, -1, "ORBITPIC");
        ASSERT_NE(w, nullptr);
        list = mslCreate(w, 10, 10, 220, 160, nullptr, nullptr, nullptr, extended, 1, 0, 1, 0,
                         nullptr, nullptr, nullptr, nullptr, 2, 0, 1);
        ASSERT_NE(list, nullptr);
        for (int r = 0; r < 30; ++r) {
            std::string text = "row " + std::to_string(r);
            const char* texts[] = {text.c_str()};
            mslAddLine(list, -1, nullptr, texts, 1, 0, nullptr);
        }
        mslRegisterSingleClickCallback(list, OnSingle);
        mslRegisterSelectionChangedCallback(list, OnSelection);
        WWindowShow(w->window);
        ASSERT_TRUE(Pump([&] { return WWindowIsViewable(w->window); }));
        Settle();
    }

    int Xdo(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunOnDisplay(SharedXvfb().display(), argv);
    }
    // The pointer onto row `row` (scrolled), then the given actions.
    int At(int row, std::vector<std::string> then) {
        int h = MslRowHeight(list);
        int y = list->view.y + (row - list->view.topRow) * h + h / 2;
        std::vector<std::string> args = {"mousemove", "--window", std::to_string(w->window),
                                         std::to_string(list->view.x + 20), std::to_string(y)};
        args.insert(args.end(), then.begin(), then.end());
        return Xdo(args);
    }
    void OnePass() {
        WEventAll(0);
        long wait = 0;
        ExtraProcess_Wait(&wait);
        WYield(wait < 10 ? wait : 10, false);
    }

    ColWind* w = nullptr;
    MScrollList* list = nullptr;
};

TEST_F(ListInput, SingleClickSelectsAndReportsTheRowOnRelease) {
    Open(0);
    ASSERT_EQ(At(3, {"click", "1"}), 0);
    ASSERT_TRUE(Pump([] { return !rec.single.empty(); }));
    EXPECT_EQ(rec.single[0].row, 3);
    EXPECT_EQ(rec.single[0].column, 0);
    EXPECT_EQ(rec.single[0].clicks, 1);
    EXPECT_EQ(rec.single[0].kind, kXinMouse);
    EXPECT_GE(rec.single[0].y, list->view.y); // the pointer's place travels with the event
    ASSERT_FALSE(rec.selected.empty());
    EXPECT_EQ(rec.selected[0], 3);
    EXPECT_TRUE(rec.tracking[0]); // the press changed it while the mouse selection ran
    EXPECT_FALSE(mslIsTrackingSelection(list));
    EXPECT_EQ(w->focus, list);
}

TEST_F(ListInput, ReleaseSelectsAgainWhatTheProgramUndidDuringThePress) {
    Open(0);
    mslSelectRow(list, 0);
    rec.selected.clear();
    // As the wizard's page list does: while tracking, put the old row back.
    mslRegisterSelectionChangedCallback(list, [](MScrollList* l) {
        rec.selected.push_back(mslGetSelectedRow(l, 0));
        rec.tracking.push_back(mslIsTrackingSelection(l));
        if (mslIsTrackingSelection(l) && mslGetSelectedRow(l, 0) != 0) mslSelectRow(l, 0);
    });
    ASSERT_EQ(At(4, {"click", "1"}), 0);
    ASSERT_TRUE(Pump([] { return !rec.single.empty(); }));
    ASSERT_FALSE(rec.selected.empty());
    EXPECT_EQ(rec.selected.back(), 4);
    EXPECT_FALSE(rec.tracking.back());
    EXPECT_EQ(mslGetSelectedRow(list, 0), 4);
}

TEST_F(ListInput, TwoClicksInsideTheIntervalMakeADoubleClick) {
    Open(0);
    mslRegisterDoubleClickCallback(list, OnDouble);
    ASSERT_EQ(At(5, {"click", "--repeat", "2", "--delay", "80", "1"}), 0);
    ASSERT_TRUE(Pump([] { return !rec.dbl.empty(); }));
    EXPECT_EQ(rec.dbl[0].row, 5);
    EXPECT_EQ(rec.dbl[0].clicks, 2);
    EXPECT_EQ(rec.dbl[0].kind, kXinMouse);
    EXPECT_EQ(rec.single.size(), 1u); // the first release was a single click

    // Clicks further apart than the interval are two single clicks.
    rec = Record();
    ASSERT_EQ(
        At(6, {"click", "--repeat", "2", "--delay", std::to_string(clickpause * 100 + 300), "1"}),
        0);
    ASSERT_TRUE(Pump([] { return rec.single.size() == 2; }));
    Settle();
    EXPECT_TRUE(rec.dbl.empty());
}

TEST_F(ListInput, DownKeyMovesTheSelectionAndReportsAKeyClick) {
    Open(0);
    ASSERT_EQ(At(2, {"click", "1"}), 0);
    ASSERT_TRUE(Pump([] { return rec.single.size() == 1; }));
    rec = Record();
    ASSERT_EQ(Xdo({"key", "Down"}), 0);
    ASSERT_TRUE(Pump([] { return !rec.single.empty(); }));
    EXPECT_EQ(rec.single[0].row, 3);
    EXPECT_EQ(rec.single[0].clicks, 1);
    EXPECT_EQ(rec.single[0].kind, kXinKey);
    ASSERT_EQ(rec.selected.size(), 1u);
    EXPECT_EQ(rec.selected[0], 3);
    EXPECT_FALSE(rec.tracking[0]);

    ASSERT_EQ(Xdo({"key", "End"}), 0); // the last row comes into view
    ASSERT_TRUE(Pump([&] { return mslGetSelectedRow(list, 0) == 29; }));
    EXPECT_EQ(list->view.topRow + MslVisibleRows(list), 30);
}

TEST_F(ListInput, WheelScrollsFiveRowsAtATime) {
    Open(0);
    ASSERT_LE(MslVisibleRows(list), 15);
    ASSERT_EQ(At(1, {"click", "5"}), 0);
    ASSERT_TRUE(Pump([&] { return list->view.topRow == 5; }));
    ASSERT_EQ(At(6, {"click", "5", "click", "5"}), 0); // quick turns are no double click
    ASSERT_TRUE(Pump([&] { return list->view.topRow == 15; }));
    ASSERT_EQ(At(16, {"click", "4"}), 0);
    ASSERT_TRUE(Pump([&] { return list->view.topRow == 10; }));
    EXPECT_TRUE(rec.selected.empty()); // scrolling selects nothing
}

TEST_F(ListInput, ShiftClickExtendsFromTheAnchorInAnExtendedList) {
    Open(1);
    ASSERT_EQ(At(1, {"click", "1"}), 0);
    ASSERT_TRUE(Pump([] { return rec.single.size() == 1; }));
    ASSERT_EQ(At(4, {"keydown", "shift", "click", "1", "keyup", "shift"}), 0);
    ASSERT_TRUE(Pump([] { return rec.single.size() == 2; }));
    EXPECT_EQ(rec.single[1].row, 4);
    EXPECT_EQ(mslGetSelectedRow(list, 0), -2);
    for (int r = 0; r < 6; ++r) EXPECT_EQ(list->store.rowSelected(r), r >= 1 && r <= 4) << r;
    EXPECT_EQ(rec.selected.back(), -2);
}

TEST_F(ListInput, ControlCOffersTheSelectionAsClipboardAndPrimary) {
    Open(1);
    mslRegisterCopyCallback(list, OnCopy);
    ASSERT_EQ(At(2, {"click", "1"}), 0);
    ASSERT_EQ(At(3, {"keydown", "shift", "click", "1", "keyup", "shift"}), 0);
    ASSERT_TRUE(Pump([] { return rec.single.size() == 2; }));
    ASSERT_EQ(Xdo({"key", "ctrl+c"}), 0);
    ASSERT_TRUE(Pump([] { return !rec.copies.empty(); }));
    EXPECT_EQ(rec.copies[0], "row 2\nrow 3\n");

    SelectionClient other(SharedXvfb().display());
    ASSERT_TRUE(other.ok());
    std::string clipboard, primary;
    ASSERT_TRUE(other.read("CLIPBOARD", &clipboard, [&] { OnePass(); }));
    ASSERT_TRUE(other.read("PRIMARY", &primary, [&] { OnePass(); }));
    EXPECT_EQ(clipboard, "row 2\nrow 3\n");
    EXPECT_EQ(primary, "row 2\nrow 3\n");
    EXPECT_EQ(other.owner("CLIPBOARD"), w->window);

    ASSERT_EQ(Xdo({"key", "ctrl+shift+c"}), 0); // the whole list
    ASSERT_TRUE(Pump([] { return rec.copies.size() == 2; }));
    ASSERT_TRUE(other.read("CLIPBOARD", &clipboard, [&] { OnePass(); }));
    EXPECT_EQ(clipboard.substr(0, 12), "row 0\nrow 1\n");
    EXPECT_EQ(std::count(clipboard.begin(), clipboard.end(), '\n'), 30);
}

TEST_F(ListInput, CopyCallbackThatTakesTheTextLeavesTheXSelectionAlone) {
    Open(0);
    rec.copyTakes = true;
    mslRegisterCopyCallback(list, OnCopy);
    SelectionClient other(SharedXvfb().display());
    ASSERT_TRUE(other.ok());
    other.own("CLIPBOARD");
    other.own("PRIMARY");
    ASSERT_EQ(At(7, {"click", "1"}), 0);
    ASSERT_TRUE(Pump([] { return rec.single.size() == 1; }));
    ASSERT_EQ(Xdo({"key", "ctrl+c"}), 0);
    ASSERT_TRUE(Pump([] { return !rec.copies.empty(); }));
    Settle();
    EXPECT_EQ(rec.copies[0], "row 7\n");
    EXPECT_EQ(other.owner("CLIPBOARD"), other.window());
    EXPECT_EQ(other.owner("PRIMARY"), other.window());
}

TEST_F(ListInput, ReturnPressesTheDefaultButtonUnlessADoubleClickCallbackTakesIt) {
    Open(0);
    Button* ok = btCreate(w, 240, 200, 60, 20, nullptr, nullptr, "OK", OnButton, nullptr, nullptr,
                          nullptr, 0, false, false, kBtPush);
    ASSERT_NE(ok, nullptr);
    btSetDefault(ok);
    ASSERT_EQ(At(2, {"click", "1"}), 0);
    ASSERT_TRUE(Pump([] { return rec.single.size() == 1; }));
    ASSERT_EQ(Xdo({"key", "Return"}), 0);
    ASSERT_TRUE(Pump([] { return rec.buttonPresses == 1; }));

    mslRegisterDoubleClickCallback(list, OnDouble);
    ASSERT_EQ(Xdo({"key", "Return"}), 0);
    ASSERT_TRUE(Pump([] { return !rec.dbl.empty(); }));
    EXPECT_EQ(rec.dbl[0].row, 2);
    EXPECT_EQ(rec.dbl[0].clicks, 2);
    EXPECT_EQ(rec.dbl[0].kind, kXinKey);
    EXPECT_EQ(rec.buttonPresses, 1);
}

TEST_F(ListInput, SortThatChangesNothingRepaintsNothing) {
    Open(0);
    int sorts = 0;
    static int* counter = nullptr;
    counter = &sorts;
    mslRegisterSortCallback(list, [](MScrollList*, int) { ++*counter; });
    for (int r = 0; r < mslGetRows(list); ++r) mslSetCell(list, r, 0, "same", 0, 1);
    mslRegisterSortFunc(list, 0, mslCompareStrings);
    mslSetRowData(list, 0, &sorts);
    Settle();
    ASSERT_TRUE(dirtyTracker->isClean(w->window));
    mslSortByColumn(list, 0);
    EXPECT_EQ(sorts, 1);
    EXPECT_TRUE(dirtyTracker->isClean(w->window));
    EXPECT_EQ(mslGetRowData(list, 0), &sorts);

    mslSetCell(list, 0, 0, "zzz", 0, 0); // now the first row has to move
    mslSortByColumn(list, 0);
    EXPECT_EQ(sorts, 2);
    EXPECT_FALSE(dirtyTracker->isClean(w->window));
    EXPECT_EQ(mslGetRowData(list, 29), &sorts);
}

TEST_F(ListInput, RightClickSelectsTheRowUnlessItIsSelectedThenCallsBack) {
    Open(1);
    static std::vector<int> rights;
    rights.clear();
    mslRegisterRightClickCallback(list, [](MScrollList*, int row, int column, xinLibSt* e) {
        rights.push_back(row * 100 + column * 10 + (int)e->f);
    });
    mslDoCommands(list, "SelectionDown;SelectionDown;SelectionExtendDown", nullptr); // 1 and 2
    ASSERT_EQ(At(2, {"click", "3"}), 0);
    ASSERT_TRUE(Pump([] { return rights.size() == 1; }));
    EXPECT_EQ(rights[0], 203);
    EXPECT_EQ(mslGetSelectedRow(list, 0), -2); // row 2 belonged to the selection already
    ASSERT_EQ(At(6, {"click", "3"}), 0);
    ASSERT_TRUE(Pump([] { return rights.size() == 2; }));
    EXPECT_EQ(rights[1], 603);
    EXPECT_EQ(mslGetSelectedRow(list, 0), 6);
    Settle();
    EXPECT_TRUE(rec.single.empty()); // nothing else happens for a right click
}

TEST_F(ListInput, TitleClicksSortAndTreeMarksToggleWithoutSelecting) {
    w = cwxCreatexy(320, 260, 0, "ListTitles", nullptr, nullptr, nullptr, -1, -1, "ORBITPIC");
    const char* titles[] = {"Name", "Size"};
    list = mslCreate(w, 10, 10, 260, 160, nullptr, titles, nullptr, 0, 1, 0, 2, 0, nullptr, nullptr,
                     nullptr, nullptr, 2, 0, 1);
    const char* rows[][2] = {{"b", "2"}, {"c", "10"}, {"a", "1"}};
    for (auto& r : rows) mslAddLine(list, -1, nullptr, r, 2, 0, nullptr);
    mslRegisterSortFunc(list, 1, mslCompareNumbers);
    mslSetRowPlusMinus(list, 0, 1, 1);
    mslRegisterSelectionChangedCallback(list, OnSelection);
    WWindowShow(w->window);
    ASSERT_TRUE(Pump([&] { return WWindowIsViewable(w->window); }));
    Settle();
    std::string win = std::to_string(w->window);
    std::string titleY = std::to_string(list->view.y - list->view.titleHeight / 2);
    std::string sizeX = std::to_string(MslColumnX(list, 1) + 10);
    ASSERT_EQ(Xdo({"mousemove", "--window", win, sizeX, titleY, "click", "1"}), 0);
    ASSERT_TRUE(Pump([&] { return std::string(mslGetCell(list, 0, 1)) == "1"; }));
    EXPECT_STREQ(mslGetCell(list, 2, 1), "10");
    ASSERT_EQ(Xdo({"mousemove", "--window", win, sizeX, titleY, "sleep", "0.6", "click", "1"}), 0);
    ASSERT_TRUE(Pump([&] { return std::string(mslGetCell(list, 0, 1)) == "10"; }));

    int row = 1; // "b" with its plus mark, now in the middle
    ASSERT_STREQ(mslGetCell(list, row, 0), "b");
    int h = MslRowHeight(list);
    int markX = MslColumnX(list, 0) + kMslCellPad + kMslMarkSize / 2;
    int markY = list->view.y + row * h + h / 2;
    ASSERT_EQ(Xdo({"mousemove", "--window", win, std::to_string(markX), std::to_string(markY),
                   "click", "1"}),
              0);
    ASSERT_TRUE(Pump([&] {
        return mslGetFormat(list->store.formatOf(row, 0), kMslFormatPlusMinus) == kMslMarkMinus;
    }));
    Settle();
    EXPECT_TRUE(rec.selected.empty());
    EXPECT_EQ(mslGetSelectedRow(list, 0), -1);
}

} // namespace
