// MScrollList: the toolkit's scrollable table of text cells, with optional column titles,
// row colours, tree marks, sorting, mouse and keyboard selection, incremental search and
// copying to the X selection. The program talks to it through the msl* functions below and
// hears from it through the callbacks it registers. Start with mslCreate; the data lives in
// msl_store.h, input and commands in msl_commands.h, painting in msl_draw.h, copying in
// msl_copy.h and sorting in msl_sort.h.
#pragma once

#include <string>
#include <vector>

#include "windlib/msl/msl_bindings.h"
#include "windlib/msl/msl_store.h"
#include "windlib/window/gitem.h"

class MScrollList;
class ScrollAble;
class WScrollBar;
struct mHandle;

// The list's item kind (interactive: it takes the focus and input).
enum : unsigned { kKindMScrollList = 0xc000001cu };
// The handle kind of lists (mHandle): callbacks may delete the list they run for.
enum { kMHandleScrollList = 28 };

// ---- Callbacks --------------------------------------------------------------------------
// Single and double click: the row and column (0 in row mode), the click count and the
// event (a mouse record, or a key record for keyboard moves and Return).
typedef void (*MslClickFn)(MScrollList* list, int row, int column, int clicks, xinLibSt* event);
// Right click: row and column under the pointer (-1, -1 below the last row).
typedef void (*MslRightClickFn)(MScrollList* list, int row, int column, xinLibSt* event);
typedef void (*MslListFn)(MScrollList* list);
typedef void (*MslColumnFn)(MScrollList* list, int column);
typedef void (*MslRowFn)(MScrollList* list, int row);
// True allows the toggle.
typedef bool (*MslRowCheckFn)(MScrollList* list, int row);
// True when the callback has dealt with the copied text.
typedef bool (*MslCopyFn)(MScrollList* list, const char* text);
// Non-zero when the callback has drawn the cell. `row` is -(row + 1) for the title row;
// x is where the text would start, y the cell's top.
typedef int (*MslOwnerDrawFn)(MScrollList* list, int row, int column, int x, int y, int width,
                              int height);
// May change the per-character colours of a cell's text (`length` entries each).
typedef void (*MslOwnerColorFn)(MScrollList* list, int row, int column, unsigned long* foreground,
                                unsigned long* background, int length);
typedef int (*MslCliFn)(MScrollList* list, CmdInfo* command);
// Asked for more rows when the view reaches the end; `wanted` rows; returns rows added.
typedef int (*MslMoreTextFn)(ScrollAble* view, int wanted);

// Drawing style bits (mslCreate's `style`).
enum MslStyle { kMslStyleGrid = 1, kMslStyleNoFrame = 2 };

// The scrolling view inside a list: which part of the rows shows, the rows' area, and the
// two scroll bars that move it.
class ScrollAble {
public:
    explicit ScrollAble(MScrollList* owner) : list(owner) {}
    MScrollList* list;
    int topRow = 0;    // the first row shown
    int leftPixel = 0; // how far the columns are scrolled to the left
    // The rows' area in window coordinates (below the title row, beside the bars).
    int x = 0, y = 0, width = 0, height = 0;
    int titleHeight = 0;
    WScrollBar* vbar = nullptr;
    WScrollBar* hbar = nullptr;
    MslMoreTextFn moreText = nullptr;
    bool askingForMore = false;
};

// The mouse selection being made between the press and the release of button 1.
enum MslTracking {
    kMslNotTracking,
    kMslTrackStart,
    kMslTrackExtend,
    kMslTrackUnion,
    kMslTrackUnionExtend
};

struct MslSelectionState {
    int anchorRow = -1, anchorCol = 0;
    int row = -1; // the current row (-1: none)
    int colFirst = 0, colLast = 0;
    int anchorChar = 0, curChar = 0; // text selection: character positions
};

struct MslSearch {
    bool active = false;
    bool backward = false;
    bool failing = false;
    std::string text;
    int startRow = -1;
};

class MScrollList : public GItem {
public:
    MScrollList(GItem* parent, int x, int y, int width, int height, int columns);
    ~MScrollList() override;

    int EventParse(xinLibSt* event, GItem* context) override;
    void Destroy() override;
    void Activate(GItem* item, int on) override;
    void MoveMe(int dx, int dy) override;
    void MapMe(int show) override;
    void Resize(int width, int height) override;
    int FontNumber() const override;

    // False once the list has been destroyed (by a callback, say).
    bool alive() const;
    // Reports a selection change to the program.
    void selectionChanged();
    // Repaints the rows' area (and the titles).
    void invalidateRows();
    void invalidateRow(int row);

    MslStore store;
    ScrollAble view;
    MslSelectionState sel;
    MslSearch search;

    // Creation options.
    bool extendedSelection = false;
    bool rowMode = true;
    bool textMode = false;
    int highestClick = 3;
    int style = 0;
    int rowSpacing = 0;
    bool noSelectionColor = false;
    char* helpKey = nullptr;

    // Input state (msl_commands.cpp).
    MslTracking tracking = kMslNotTracking;
    std::vector<bool> trackBase; // rows selected when a union drag began
    GItem* grabbed = nullptr;    // the scroll bar taking the mouse until release
    bool swallowRelease = false; // the press was a tree mark, a title or a right click
    int resizingColumn = -1;     // a title border being dragged
    int clickCount = 0, lastButton = 0, lastX = 0, lastY = 0;
    long lastTime = 0;
    const MslBinding* deferred = nullptr; // a binding waiting to see whether a click follows
    xinLibSt deferredEvent = {};
    mHandle* deferredTimer = nullptr;
    int sortedColumn = -1;

    MslClickFn singleClick = nullptr;
    MslClickFn doubleClick = nullptr;
    MslRightClickFn rightClick = nullptr;
    MslListFn selectionChangedFn = nullptr;
    MslColumnFn preSort = nullptr;
    MslColumnFn sort = nullptr;
    MslRowFn plusMinus = nullptr;
    MslRowCheckFn plusMinusChecker = nullptr;
    MslCopyFn copy = nullptr;
    MslOwnerDrawFn ownerDraw = nullptr;
    MslOwnerColorFn ownerColor = nullptr;
    MslCliFn cli = nullptr;

private:
    mHandle* self_;
};

// ---- Creation -------------------------------------------------------------------------
// A new list in `parent`, or null when the bindings do not parse. Width and height are
// raised to the scroll-bar width + 1. `titles` (a title row when any is given), `formats`
// (the columns' cell formats) and `titleFormats` have `columns` entries and may be null;
// `rowMode` selects whole rows, `textSelection` characters; `style` is MslStyle bits;
// `rowSpacing` pixels go between rows; `initialRows` (null-terminated, may be null) become
// the first rows of column 0; `doubleClickFn` and `singleClickFn` are registered as those
// callbacks; `highestClick` is the highest click count that still counts (0: 3);
// `takesFocus` makes the list a tab stop.
MScrollList* mslCreate(GItem* parent, int x, int y, int width, int height, const char* helpKey,
                       const char* const* titles, const MslCellFormatTag* formats,
                       int extendedSelection, int rowMode, int style, int columns, int rowSpacing,
                       const char* const* initialRows, const MslCellFormatTag* titleFormats,
                       MslClickFn doubleClickFn, MslClickFn singleClickFn, int highestClick,
                       int textSelection, int takesFocus);

// ---- Callbacks (each replaces an earlier one; null removes it) ---------------------------
void mslRegisterSingleClickCallback(MScrollList* list, MslClickFn fn);
void mslRegisterDoubleClickCallback(MScrollList* list, MslClickFn fn);
void mslRegisterRightClickCallback(MScrollList* list, MslRightClickFn fn);
void mslRegisterSelectionChangedCallback(MScrollList* list, MslListFn fn);
void mslRegisterPreSortCallback(MScrollList* list, MslColumnFn fn);
void mslRegisterSortCallback(MScrollList* list, MslColumnFn fn);
void mslRegisterPlusMinusCallback(MScrollList* list, MslRowFn fn);
void mslRegisterPlusMinusToggleChecker(MScrollList* list, MslRowCheckFn fn);
void mslRegisterCopyCallback(MScrollList* list, MslCopyFn fn);
void mslRegisterOwnerDrawCallback(MScrollList* list, MslOwnerDrawFn fn);
void mslRegisterOwnerColorCallback(MScrollList* list, MslOwnerColorFn fn);
void mslRegisterCliCallback(MScrollList* list, MslCliFn fn);
void mslRegisterMoreTextCallback(MScrollList* list, MslMoreTextFn fn);

// ---- Rows and cells -----------------------------------------------------------------------
// Inserts `count` empty rows before `first` (clamped to the rows there are).
void mslAddRows(MScrollList* list, int first, int count);
// Inserts a row at `row` (-1 or past the end: appended) with copies of `texts`, given in
// column order or, with `titles`, in the columns of those titles; sets the row's colour.
// With `filter`, a row that does not pass the columns' filters is not added. The new row,
// or -1 when none was added.
int mslAddLine(MScrollList* list, int row, const char* const* titles, const char* const* texts,
               int count, int filter, unsigned long* color);
// Appends a row and takes the gen_alloc'd `texts` over (the array stays the caller's).
int mslAppendLine(MScrollList* list, const char* const* titles, char** texts, int count,
                  unsigned long* color);
// Copies `text` into the cell; `format` replaces the cell's format except its selection.
void mslSetCell(MScrollList* list, int row, int column, const char* text, MslCellFormatTag format,
                int redraw);
// The list's own string (do not free), or null for an empty cell or an index out of range.
const char* mslGetCell(MScrollList* list, int row, int column);
// Deletes rows first to last inclusive; nothing for first < 0, last >= rows or first > last.
void mslDeleteRows(MScrollList* list, int first, int last);
int mslGetRows(MScrollList* list);
// Appends the text as log lines in column 0; the list keeps at most 2048 rows.
void mslAddMsg(MScrollList* list, const char* text);
void mslSetRowData(MScrollList* list, int row, void* data);
void* mslGetRowData(MScrollList* list, int row);

// ---- Columns -----------------------------------------------------------------------------
// Width in pixels (0: sized by the list).
void mslSetColumnWidth(MScrollList* list, int column, int width);
void mslSetColumnHidden(MScrollList* list, int column, int hidden);
// Rows added with filtering must contain `text` (any case) in this column; null: any.
void mslSetColumnFilter(MScrollList* list, int column, const char* text);
// Makes the column the one that carries tree marks and indents by leading blanks.
void mslSetIndentColumn(MScrollList* list, int column);

// ---- Colours --------------------------------------------------------------------------------
// The row's text colour (the pixel is read when drawing; null: the default foreground).
void mslSetRowColor(MScrollList* list, int row, unsigned long* pixel);
void mslSetRowBackground(MScrollList* list, int row, unsigned long* pixel);
// Draw without selection highlighting (on non-zero); returns the previous setting.
int mslSetNoSelectionColor(MScrollList* list, int on);

// ---- Selection ------------------------------------------------------------------------------
// Selects the whole row alone (clamped into the rows there are) and reports the change.
void mslSelectRow(MScrollList* list, int row);
// The selected row, -1 when none, -2 when several are (with `first` non-zero: the first).
int mslGetSelectedRow(MScrollList* list, int first);
// True between the press and the release of button 1 while a mouse selection is made.
bool mslIsTrackingSelection(MScrollList* list);
// Scrolls as little as needed to show the row.
void mslMakeRowVisible(MScrollList* list, int row);

// ---- Tree marks ----------------------------------------------------------------------------
// No mark (show 0), plus (plus non-zero) or minus; then the plus/minus callback.
void mslSetRowPlusMinus(MScrollList* list, int row, int show, int plus);
// Switches plus and minus unless the toggle checker refuses; then the callback.
void mslTogglePlusMinus(MScrollList* list, int row);

// ---- Sorting ---------------------------------------------------------------------------------
void mslSortByColumn(MScrollList* list, int column);
// The column is sorted by the program through the pre-sort and sort callbacks.
void mslSetUserSorted(MScrollList* list, int column, int on);
void mslRegisterSortFunc(MScrollList* list, int column, MslCompareFn compare);
void mslSetSortDescending(MScrollList* list, int column, int descending);

// ---- For the list's own modules -------------------------------------------------------------
// Selects cells c1..c2 (whole rows in row mode) of rows r1..r2, either order, and clears
// the rest unless `add`. True when the selection changed; nothing is reported.
bool MslSelectRange(MScrollList* list, int r1, int r2, int c1, int c2, bool add);
// Text selection: the selected characters [*from, *to) of the row; false when the row lies
// outside the selection.
bool MslSelectedChars(const MScrollList* list, int row, int* from, int* to);
// Scrolls to show `topRow` first and the columns from `leftPixel` (both clamped); asks the
// more-text callback when the end of the rows comes into view.
void MslScrollTo(MScrollList* list, int topRow, int leftPixel);
// The column that carries tree marks (made so on first use when none does).
int MslIndentColumn(MScrollList* list);

// ---- Commands ---------------------------------------------------------------------------------
// Runs commands as a binding would ("SelectAll;CopySel", "Cli reload"); the last result.
int mslDoCommands(MScrollList* list, const char* commands, xinLibSt* event);
