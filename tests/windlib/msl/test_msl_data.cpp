// Rows, cells, selection, log lines, tree marks, sorting and the copy text of a list,
// checked without an X server.
#include <gtest/gtest.h>

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "tests/windlib/msl/msl_test_list.h"
#include "windlib/msl/msl_copy.h"
#include "windlib/msl/msl_sort.h"

namespace {

int changes = 0;
std::vector<std::string> events;

void CountChange(MScrollList*) {
    ++changes;
}

using ListData = DetachedList;

TEST_F(ListData, SelectedRowIsMinusOneForNoneAndMinusTwoForSeveral) {
    Make(1, 1);
    Fill(5);
    EXPECT_EQ(mslGetSelectedRow(list, 0), -1);
    mslSelectRow(list, 2);
    EXPECT_EQ(mslGetSelectedRow(list, 0), 2);
    mslDoCommands(list, "SelectionExtendDown;SelectionExtendDown", nullptr);
    EXPECT_EQ(mslGetSelectedRow(list, 0), -2);
    EXPECT_EQ(mslGetSelectedRow(list, 1), 2); // asked for the first of several
    mslDoCommands(list, "SelectAll", nullptr);
    for (int r = 0; r < 5; ++r) EXPECT_TRUE(list->store.rowSelected(r));
}

TEST_F(ListData, SingleSelectionListNeverHoldsSeveralRows) {
    Make(1, 0);
    Fill(5);
    mslSelectRow(list, 1);
    EXPECT_EQ(mslDoCommands(list, "SelectAll", nullptr), 0);
    mslDoCommands(list, "SelectionExtendDown", nullptr);
    EXPECT_EQ(mslGetSelectedRow(list, 0), 2);
}

TEST_F(ListData, SelectRowClampsIntoTheRowsAndReportsEachChangeOnce) {
    Make();
    mslRegisterSelectionChangedCallback(list, CountChange);
    changes = 0;
    mslSelectRow(list, 3); // no rows: nothing to select
    EXPECT_EQ(changes, 0);
    Fill(5);
    mslSelectRow(list, 99);
    EXPECT_EQ(mslGetSelectedRow(list, 0), 4);
    EXPECT_EQ(changes, 1);
    mslSelectRow(list, 99);
    EXPECT_EQ(changes, 1); // nothing changed
    mslSelectRow(list, -3);
    EXPECT_EQ(mslGetSelectedRow(list, 0), 0);
    EXPECT_EQ(changes, 2);
}

TEST_F(ListData, DeleteRowsIgnoresBadRangesAndTheSelectionStaysOnItsRow) {
    Make();
    Fill(8);
    mslRegisterSelectionChangedCallback(list, CountChange);
    mslDeleteRows(list, 5, 3);
    mslDeleteRows(list, -1, 2);
    mslDeleteRows(list, 2, 8);
    EXPECT_EQ(mslGetRows(list), 8);
    mslSelectRow(list, 6);
    changes = 0;
    mslDeleteRows(list, 1, 2);
    EXPECT_EQ(mslGetRows(list), 6);
    EXPECT_EQ(Cell(1), "row 3");
    EXPECT_EQ(mslGetSelectedRow(list, 0), 4);
    EXPECT_EQ(Cell(4), "row 6");
    EXPECT_EQ(changes, 0);
    mslDeleteRows(list, 4, 4); // the selected row goes: that is a change
    EXPECT_EQ(mslGetSelectedRow(list, 0), -1);
    EXPECT_EQ(changes, 1);
}

TEST_F(ListData, CellAccessOutOfRangeIsNull) {
    Make(2);
    Fill(2);
    EXPECT_EQ(mslGetCell(list, -1, 0), nullptr);
    EXPECT_EQ(mslGetCell(list, 2, 0), nullptr);
    EXPECT_EQ(mslGetCell(list, 0, 2), nullptr);
    EXPECT_EQ(mslGetCell(list, 0, -1), nullptr);
    EXPECT_EQ(mslGetCell(list, 0, 1), nullptr); // an empty cell
    mslSetCell(list, 5, 0, "x", 0, 1);
    mslSetCell(list, 0, 3, "x", 0, 1);
    EXPECT_EQ(mslGetRows(list), 2);
    EXPECT_EQ(mslGetCell(nullptr, 0, 0), nullptr);
}

// The cap drops the oldest lines once per line appended: 2,049 and 2,999 lines leave
// exactly the last 2,048, and the selected row and the first row shown stay on the lines
// they were on while the rows under them go.
TEST_F(ListData, LogKeepsExactlyTheLast2048LinesAndTheSelectionOnItsLine) {
    for (int total : {2049, 2999}) {
        if (list) gitemDelete(list);
        Make();
        char line[32];
        for (int i = 0; i < total; ++i) {
            if (i == 2048) {
                mslSelectRow(list, 1000);
                MslScrollTo(list, 960, 0);
                mslRegisterSelectionChangedCallback(list, CountChange);
                changes = 0;
            }
            snprintf(line, sizeof line, "line %d\n", i);
            mslAddMsg(list, line);
        }
        int dropped = total - 2048;
        EXPECT_EQ(mslGetRows(list), 2048) << total;
        EXPECT_EQ(Cell(0), "line " + std::to_string(dropped)) << total;
        EXPECT_EQ(Cell(2047), "line " + std::to_string(total - 1)) << total;
        EXPECT_EQ(mslGetSelectedRow(list, 0), 1000 - dropped) << total;
        EXPECT_EQ(list->sel.row, 1000 - dropped) << total;
        EXPECT_EQ(Cell(list->view.topRow), "line 960") << total;
        EXPECT_EQ(changes, 0) << total;
    }
    std::string block; // many lines in one message
    for (int i = 0; i < 2999; ++i) block += "b" + std::to_string(i) + "\n";
    mslAddMsg(list, block.c_str());
    EXPECT_EQ(mslGetRows(list), 2048);
    EXPECT_EQ(Cell(0), "b951");
    EXPECT_EQ(Cell(2047), "b2998");
}

TEST_F(ListData, LogSplitsAtEveryLineFeedAndCarriageReturn) {
    Make();
    mslAddMsg(list, "first\r\nsecond\rthird\n\nlast\n\r\n");
    std::vector<std::string> rows;
    for (int r = 0; r < mslGetRows(list); ++r) rows.push_back(Cell(r));
    EXPECT_EQ(rows, (std::vector<std::string>{"first", "", "second", "third", "", "last"}));
}

TEST_F(ListData, RowArraysGrowByDoublingFromAHundred) {
    Make();
    Fill(1);
    EXPECT_EQ(list->store.allocated(), 100);
    Fill(100);
    EXPECT_EQ(list->store.allocated(), 200);
    Fill(100);
    EXPECT_EQ(list->store.allocated(), 400);
}

TEST_F(ListData, AddLineCopiesAppendLineTakesOverAndTitlesPickTheColumns) {
    const char* titles[] = {"Name", "Size"};
    Make(2, 0, 1, titles);
    char* owned = gen_copy("taken");
    char* texts[] = {owned};
    int row = mslAppendLine(list, nullptr, texts, 1, nullptr);
    EXPECT_EQ(mslGetCell(list, row, 0), owned);

    const char* copied[] = {"42"};
    const char* byTitle[] = {"Size"};
    row = mslAddLine(list, 0, byTitle, copied, 1, 0, nullptr);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(Cell(0, 1), "42");
    EXPECT_NE(mslGetCell(list, 0, 1), copied[0]);
    EXPECT_EQ(Cell(0, 0), "<null>");
    EXPECT_EQ(Cell(1, 0), "taken");

    mslSetColumnFilter(list, 0, "keep");
    const char* dropped[] = {"drop me"};
    const char* kept[] = {"KEEP me"};
    EXPECT_EQ(mslAddLine(list, -1, nullptr, dropped, 1, 1, nullptr), -1);
    EXPECT_EQ(mslAddLine(list, -1, nullptr, kept, 1, 1, nullptr), 2);
    EXPECT_EQ(mslAddLine(list, -1, nullptr, dropped, 1, 0, nullptr), 3); // not filtered
}

TEST_F(ListData, SetCellTakesTheFormatButKeepsTheSelection) {
    Make();
    Fill(2);
    mslSelectRow(list, 0);
    mslSetCell(list, 0, 0, "changed", kMslFormatDimmed, 1);
    EXPECT_EQ(Cell(0), "changed");
    EXPECT_EQ(mslGetSelectedRow(list, 0), 0);
    EXPECT_TRUE(mslGetFormat(list->store.formatOf(0, 0), kMslFormatDimmed));
    EXPECT_EQ(mslFormatFromLetters("TDx"), kMslFormatSelected | kMslFormatDimmed);
}

TEST_F(ListData, TreeMarksToggleUnlessTheCheckerRefuses) {
    Make();
    Fill(3);
    static bool allow = true;
    events.clear();
    mslRegisterPlusMinusCallback(list, [](MScrollList* l, int row) {
        int mark = mslGetFormat(l->store.formatOf(row, 0), kMslFormatPlusMinus);
        events.push_back(std::to_string(row) + ":" + std::to_string(mark));
    });
    mslRegisterPlusMinusToggleChecker(list, [](MScrollList*, int) { return allow; });
    mslSetRowPlusMinus(list, 1, 1, 1);
    mslTogglePlusMinus(list, 1);
    allow = false;
    mslTogglePlusMinus(list, 1);
    allow = true;
    mslTogglePlusMinus(list, 2); // no mark: nothing to switch
    mslSetRowPlusMinus(list, 1, 0, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"1:1", "1:2", "1:0"}));
}

TEST_F(ListData, SortIsStableWithEmptyKeysFirstAndCarriesWholeRows) {
    Make(2);
    const char* keys[] = {"b", nullptr, "a", "b", ""};
    for (int r = 0; r < 5; ++r) {
        std::string tag = "#" + std::to_string(r);
        const char* texts[] = {keys[r], tag.c_str()};
        mslAddLine(list, -1, nullptr, texts, 2, 0, nullptr);
    }
    mslSelectRow(list, 2);
    events.clear();
    mslRegisterPreSortCallback(
        list, [](MScrollList*, int c) { events.push_back("pre" + std::to_string(c)); });
    mslRegisterSortCallback(
        list, [](MScrollList*, int c) { events.push_back("sort" + std::to_string(c)); });
    mslRegisterSortFunc(list, 0, mslCompareStrings);
    auto order = [&] {
        std::string tags;
        for (int r = 0; r < 5; ++r) tags += Cell(r, 1).substr(1);
        return tags;
    };
    mslSortByColumn(list, 0);
    EXPECT_EQ(order(), "14203");
    EXPECT_EQ(events, (std::vector<std::string>{"pre0", "sort0"}));
    EXPECT_EQ(mslGetSelectedRow(list, 0), 2); // row "a" kept its selection ...
    EXPECT_EQ(list->sel.row, 2);              // ... and is still the current row
    mslSetSortDescending(list, 0, 1);
    mslSortByColumn(list, 0);
    EXPECT_EQ(order(), "14032"); // equal keys keep their order also when descending
    EXPECT_FALSE(MslSortRows(&list->store, 0));

    events.clear();
    mslSetUserSorted(list, 1, 1); // the program sorts this one itself
    mslSortByColumn(list, 1);
    EXPECT_EQ(order(), "14032");
    EXPECT_EQ(events, (std::vector<std::string>{"pre1", "sort1"}));
}

TEST_F(ListData, CopyJoinsVisibleCellsByTabsAndEndsRowsThatHadOne) {
    Make(3, 1, 0);
    const char* rows[][3] = {{"a0", "b0", "c0"}, {"a1", nullptr, "c1"}, {"a2", "b2", "c2"}};
    for (auto& r : rows) mslAddLine(list, -1, nullptr, r, 3, 0, nullptr);
    mslSetColumnHidden(list, 1, 1);
    auto copy = [&](bool all) {
        char* text = MslCopyText(list, all);
        std::string result = text;
        gen_free(text);
        return result;
    };
    EXPECT_EQ(copy(true), "a0\tc0\na1\tc1\na2\tc2\n");
    EXPECT_EQ(copy(false), "");
    list->store.selectCells(0, 0, 2, true);
    list->store.selectCells(2, 2, 2, true);
    list->store.selectCells(1, 1, 1, true); // hidden: not copied, and the row adds nothing
    EXPECT_EQ(copy(false), "a0\tc0\nc2\n");
}

TEST_F(ListData, TextModeCopiesTheSelectedCharacters) {
    Make(1, 1, 1, nullptr, 1);
    mslAddMsg(list, "hello\nworld\nagain");
    list->sel.anchorRow = 0;
    list->sel.anchorChar = 2;
    list->sel.row = 1;
    list->sel.curChar = 3;
    char* text = MslCopyText(list, false);
    EXPECT_STREQ(text, "llo\nwor\n");
    gen_free(text);
}

} // namespace
