// The scroll list item and its program interface (see mscrolllist.h): creation, the item's
// operations, rows and cells, colours, selection, tree marks, sorting and log lines. Every
// change of data lays the view out again (cheap: no drawing) and marks what must be
// repainted; a callback may delete the list, so the list checks alive() after each one.
#include "windlib/msl/mscrolllist.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/mhandle.h"
#include "windlib/msl/msl_commands.h"
#include "windlib/msl/msl_draw.h"
#include "windlib/msl/msl_sort.h"
#include "windlib/window/wcolwind.h"
#include "windlib/window/wscrollbar.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"

namespace {

int AtLeastBar(int size) {
    return size < scroll_bar_width + 1 ? scroll_bar_width + 1 : size;
}

void VerticalScrolled(WScrollBar*, int position, void* arg) {
    MScrollList* list = static_cast<MScrollList*>(arg);
    MslScrollTo(list, position, list->view.leftPixel);
}

void HorizontalScrolled(WScrollBar*, int position, void* arg) {
    MScrollList* list = static_cast<MScrollList*>(arg);
    MslScrollTo(list, list->view.topRow, position);
}

// Row indices the list keeps (current row, anchor, first row shown) follow an insertion.
void ShiftForInsert(int* index, int first, int count) {
    if (*index >= first) *index += count;
}

// ... and a deletion: past the deleted rows they move up, inside them they land on the
// first row after (or the last row left).
void ShiftForDelete(int* index, int first, int last, int rowsLeft) {
    if (*index > last)
        *index -= last - first + 1;
    else if (*index >= first)
        *index = first < rowsLeft ? first : rowsLeft - 1;
}

void RowsInserted(MScrollList* list, int first, int count) {
    ShiftForInsert(&list->sel.row, first, count);
    ShiftForInsert(&list->sel.anchorRow, first, count);
    ShiftForInsert(&list->search.startRow, first, count);
    if (list->view.topRow > 0) ShiftForInsert(&list->view.topRow, first, count);
}

// `left`: the number of rows once the deletion is done.
void RowsDeleted(MScrollList* list, int first, int last, int left) {
    ShiftForDelete(&list->sel.row, first, last, left);
    ShiftForDelete(&list->sel.anchorRow, first, last, left);
    ShiftForDelete(&list->search.startRow, first, last, left);
    ShiftForDelete(&list->view.topRow, first, last, left);
    if (list->view.topRow < 0) list->view.topRow = 0;
}

bool AnySelected(const MScrollList* list, int first, int last) {
    for (int r = first; r <= last; ++r)
        if (list->store.rowSelected(r)) return true;
    return false;
}

// Deletes rows and reports when selected rows went with them.
void DeleteRows(MScrollList* list, int first, int last) {
    bool selectedGone = AnySelected(list, first, last);
    if (!list->store.deleteRows(first, last)) return;
    RowsDeleted(list, first, last, list->store.rows());
    MslLayout(list);
    list->invalidateRows();
    if (selectedGone) list->selectionChanged();
}

struct LogAppend {
    MScrollList* list;
    bool selectedGone; // reported once the lines are in
};

// The store is about to drop the oldest rows for the log's cap (it deletes them itself).
void LogRowsDropped(int first, int last, void* arg) {
    LogAppend* append = static_cast<LogAppend*>(arg);
    MScrollList* list = append->list;
    append->selectedGone |= AnySelected(list, first, last);
    RowsDeleted(list, first, last, list->store.rows() - (last - first + 1));
}

int ColumnOfTitle(const MScrollList* list, const char* title) {
    for (int c = 0; c < list->store.columns(); ++c) {
        const char* t = list->store.column(c)->title;
        if (t && title && strcmp(t, title) == 0) return c;
    }
    return -1;
}

int ColumnFor(const MScrollList* list, const char* const* titles, int i) {
    return titles ? ColumnOfTitle(list, titles[i]) : i;
}

bool PassesFilters(const MScrollList* list, const char* const* titles, const char* const* texts,
                   int count) {
    for (int c = 0; c < list->store.columns(); ++c) {
        const char* filter = list->store.column(c)->filter;
        if (!filter || !*filter) continue;
        const char* text = nullptr;
        for (int i = 0; i < count; ++i)
            if (ColumnFor(list, titles, i) == c) text = texts[i];
        if (!text || !gen_strcasestr(text, filter)) return false;
    }
    return true;
}

} // namespace

// ---- The item ---------------------------------------------------------------------------------

MScrollList::MScrollList(GItem* parent, int x_, int y_, int width_, int height_, int columns)
    : GItem(kKindMScrollList, parent, x_, y_, AtLeastBar(width_), AtLeastBar(height_)),
      store(columns), view(this) {
    self_ = MHandleCreate(kMHandleScrollList, this);
    view.vbar = new WScrollBar(this, true, x + width - scroll_bar_width, y, height);
    view.hbar = new WScrollBar(this, false, x, y + height - scroll_bar_width, width);
    view.vbar->setCallback(VerticalScrolled, this);
    view.hbar->setCallback(HorizontalScrolled, this);
    MslLayout(this);
}

MScrollList::~MScrollList() {
    Destroy();
    gen_free(helpKey);
    MHandleDie(this);
    MHandleDestroy(self_);
}

void MScrollList::Destroy() {
    MslCancelDeferred(this);
    if (search.active) MslEndSearch(this);
    grabbed = nullptr;
    gitemDelete(view.vbar);
    gitemDelete(view.hbar);
    view.vbar = view.hbar = nullptr;
}

bool MScrollList::alive() const {
    return MHandleObject(self_) != nullptr;
}

int MScrollList::FontNumber() const {
    ColWind* top = TopWindow();
    return top ? top->FontNumber() : active_font;
}

int MScrollList::EventParse(xinLibSt* event, GItem*) {
    switch (event->kind) {
    case kXinRedraw:
        MslPaint(this, event);
        return 1;
    case kXinMouse:
        return MslMouseEvent(this, event);
    case kXinKey:
        return MslKeyEvent(this, event);
    default:
        return 0;
    }
}

void MScrollList::Activate(GItem* item, int on) {
    if (!on && search.active) MslEndSearch(this);
    GItem::Activate(item, on);
}

void MScrollList::MoveMe(int dx, int dy) {
    GItem::MoveMe(dx, dy);
    MslLayout(this);
}

void MScrollList::MapMe(int show) {
    GItem::MapMe(show);
    MslLayout(this);
}

void MScrollList::Resize(int width_, int height_) {
    GItem::Resize(AtLeastBar(width_), AtLeastBar(height_));
    MslLayout(this);
}

void MScrollList::selectionChanged() {
    if (selectionChangedFn) selectionChangedFn(this);
}

void MScrollList::invalidateRows() {
    Window w = getW();
    if (w && isMapped())
        WInvalidateRect(w, view.x, view.y - view.titleHeight, view.width,
                        view.height + view.titleHeight);
}

void MScrollList::invalidateRow(int row) {
    Window w = getW();
    int h = MslRowHeight(this);
    int top = view.y + (row - view.topRow) * h;
    if (!w || !isMapped() || top + h <= view.y || top >= view.y + view.height) return;
    WInvalidateRect(w, view.x, top, view.width, h);
}

// ---- Creation ---------------------------------------------------------------------------------

MScrollList* mslCreate(GItem* parent, int x, int y, int width, int height, const char* helpKey,
                       const char* const* titles, const MslCellFormatTag* formats,
                       int extendedSelection, int rowMode, int style, int columns, int rowSpacing,
                       const char* const* initialRows, const MslCellFormatTag* titleFormats,
                       MslClickFn doubleClickFn, MslClickFn singleClickFn, int highestClick,
                       int textSelection, int takesFocus) {
    if (!MslBindingsReady()) return nullptr;
    MScrollList* list = new MScrollList(parent, x, y, width, height, columns);
    list->helpKey = gen_copy(helpKey);
    list->extendedSelection = extendedSelection != 0;
    list->rowMode = rowMode != 0;
    list->textMode = textSelection != 0;
    list->style = style;
    list->rowSpacing = rowSpacing > 0 ? rowSpacing : 0;
    list->highestClick = highestClick > 0 ? highestClick : 3;
    list->doubleClick = doubleClickFn;
    list->singleClick = singleClickFn;
    list->setTabstop(takesFocus != 0);
    for (int c = 0; c < list->store.columns(); ++c) {
        MslColumn* col = list->store.column(c);
        if (titles && titles[c]) col->title = gen_copy(titles[c]);
        if (formats) col->format = formats[c] & ~kMslFormatSelected;
        if (titleFormats) col->titleFormat = titleFormats[c];
    }
    for (int i = 0; initialRows && initialRows[i]; ++i)
        mslAddLine(list, -1, nullptr, &initialRows[i], 1, 0, nullptr);
    MslMeasureAll(list);
    MslLayout(list);
    return list;
}

void mslRegisterSingleClickCallback(MScrollList* list, MslClickFn fn) {
    if (list) list->singleClick = fn;
}
void mslRegisterDoubleClickCallback(MScrollList* list, MslClickFn fn) {
    if (list) list->doubleClick = fn;
}
void mslRegisterRightClickCallback(MScrollList* list, MslRightClickFn fn) {
    if (list) list->rightClick = fn;
}
void mslRegisterSelectionChangedCallback(MScrollList* list, MslListFn fn) {
    if (list) list->selectionChangedFn = fn;
}
void mslRegisterPreSortCallback(MScrollList* list, MslColumnFn fn) {
    if (list) list->preSort = fn;
}
void mslRegisterSortCallback(MScrollList* list, MslColumnFn fn) {
    if (list) list->sort = fn;
}
void mslRegisterPlusMinusCallback(MScrollList* list, MslRowFn fn) {
    if (list) list->plusMinus = fn;
}
void mslRegisterPlusMinusToggleChecker(MScrollList* list, MslRowCheckFn fn) {
    if (list) list->plusMinusChecker = fn;
}
void mslRegisterCopyCallback(MScrollList* list, MslCopyFn fn) {
    if (list) list->copy = fn;
}
void mslRegisterOwnerDrawCallback(MScrollList* list, MslOwnerDrawFn fn) {
    if (!list) return;
    list->ownerDraw = fn;
    list->invalidateRows();
}
void mslRegisterOwnerColorCallback(MScrollList* list, MslOwnerColorFn fn) {
    if (!list) return;
    list->ownerColor = fn;
    list->invalidateRows();
}
void mslRegisterCliCallback(MScrollList* list, MslCliFn fn) {
    if (list) list->cli = fn;
}
void mslRegisterMoreTextCallback(MScrollList* list, MslMoreTextFn fn) {
    if (list) list->view.moreText = fn;
}

// ---- Rows and cells -------------------------------------------------------------------------

void mslAddRows(MScrollList* list, int first, int count) {
    if (!list || count <= 0) return;
    if (first < 0) first = 0;
    if (first > list->store.rows()) first = list->store.rows();
    list->store.insertRows(first, count);
    RowsInserted(list, first, count);
    MslLayout(list);
    list->invalidateRows();
}

int mslAddLine(MScrollList* list, int row, const char* const* titles, const char* const* texts,
               int count, int filter, unsigned long* color) {
    if (!list || count < 0 || (count > 0 && !texts)) return -1;
    if (filter && !PassesFilters(list, titles, texts, count)) return -1;
    int at = row < 0 || row > list->store.rows() ? list->store.rows() : row;
    list->store.insertRows(at, 1);
    RowsInserted(list, at, 1);
    for (int i = 0; i < count; ++i) {
        int c = ColumnFor(list, titles, i);
        list->store.setCell(at, c, texts[i]);
        MslMeasureCell(list, at, c);
    }
    list->store.row(at)->color = color;
    MslLayout(list);
    list->invalidateRows();
    return at;
}

int mslAppendLine(MScrollList* list, const char* const* titles, char** texts, int count,
                  unsigned long* color) {
    if (!list || count < 0 || (count > 0 && !texts)) return -1;
    int at = list->store.rows();
    list->store.insertRows(at, 1);
    for (int i = 0; i < count; ++i) {
        int c = ColumnFor(list, titles, i);
        list->store.takeCell(at, c, texts[i]);
        MslMeasureCell(list, at, c);
    }
    list->store.row(at)->color = color;
    MslLayout(list);
    list->invalidateRow(at);
    return at;
}

void mslSetCell(MScrollList* list, int row, int column, const char* text, MslCellFormatTag format,
                int redraw) {
    if (!list || !list->store.setCell(row, column, text)) return;
    MslCellFormatTag* tag = list->store.format(row, column);
    *tag = (format & ~kMslFormatSelected) | (*tag & kMslFormatSelected);
    MslMeasureCell(list, row, column);
    MslLayout(list);
    if (redraw) list->invalidateRow(row);
}

const char* mslGetCell(MScrollList* list, int row, int column) {
    return list ? list->store.cell(row, column) : nullptr;
}

void mslDeleteRows(MScrollList* list, int first, int last) {
    if (list) DeleteRows(list, first, last);
}

int mslGetRows(MScrollList* list) {
    return list ? list->store.rows() : 0;
}

void mslAddMsg(MScrollList* list, const char* text) {
    if (!list || !text) return;
    int visible = MslVisibleRows(list);
    // A log scrolled to its end stays there; one still showing its start does not move.
    bool following = list->view.topRow > 0 && list->view.topRow + visible >= list->store.rows();
    int before = list->store.rows();
    LogAppend append = {list, false};
    int added = list->store.appendLog(text, LogRowsDropped, &append);
    for (int r = list->store.rows() - added; r < list->store.rows(); ++r)
        MslMeasureCell(list, r, 0);
    if (following) list->view.topRow = list->store.rows() - visible;
    MslLayout(list);
    if (following || list->store.rows() < before + added)
        list->invalidateRows();
    else
        for (int r = list->store.rows() - added; r < list->store.rows(); ++r)
            list->invalidateRow(r);
    if (append.selectedGone) list->selectionChanged();
}

void mslSetRowData(MScrollList* list, int row, void* data) {
    MslRow* info = list ? list->store.row(row) : nullptr;
    if (info) info->userData = data;
}

void* mslGetRowData(MScrollList* list, int row) {
    MslRow* info = list ? list->store.row(row) : nullptr;
    return info ? info->userData : nullptr;
}

// ---- Columns --------------------------------------------------------------------------------

void mslSetColumnWidth(MScrollList* list, int column, int width) {
    MslColumn* col = list ? list->store.column(column) : nullptr;
    if (!col) return;
    col->width = width > 0 ? width : 0;
    MslLayout(list);
    list->invalidateRows();
}

void mslSetColumnHidden(MScrollList* list, int column, int hidden) {
    MslColumn* col = list ? list->store.column(column) : nullptr;
    if (!col) return;
    if (hidden)
        col->flags |= kMslColumnHidden;
    else
        col->flags &= ~kMslColumnHidden;
    MslLayout(list);
    list->invalidateRows();
}

void mslSetColumnFilter(MScrollList* list, int column, const char* text) {
    MslColumn* col = list ? list->store.column(column) : nullptr;
    if (col) gen_strchange(&col->filter, text);
}

void mslSetIndentColumn(MScrollList* list, int column) {
    if (!list || !list->store.column(column)) return;
    for (int c = 0; c < list->store.columns(); ++c)
        list->store.column(c)->flags &= ~kMslColumnIndent;
    list->store.column(column)->flags |= kMslColumnIndent;
    MslMeasureAll(list);
    MslLayout(list);
    list->invalidateRows();
}

int MslIndentColumn(MScrollList* list) {
    for (int c = 0; c < list->store.columns(); ++c)
        if (list->store.column(c)->flags & kMslColumnIndent) return c;
    mslSetIndentColumn(list, 0);
    return 0;
}

// ---- Colours --------------------------------------------------------------------------------

void mslSetRowColor(MScrollList* list, int row, unsigned long* pixel) {
    MslRow* info = list ? list->store.row(row) : nullptr;
    if (!info) return;
    info->color = pixel;
    list->invalidateRow(row);
}

void mslSetRowBackground(MScrollList* list, int row, unsigned long* pixel) {
    MslRow* info = list ? list->store.row(row) : nullptr;
    if (!info) return;
    info->background = pixel;
    list->invalidateRow(row);
}

int mslSetNoSelectionColor(MScrollList* list, int on) {
    if (!list) return 0;
    int previous = list->noSelectionColor;
    list->noSelectionColor = on != 0;
    if (previous != (int)list->noSelectionColor) list->invalidateRows();
    return previous;
}

// ---- Selection ------------------------------------------------------------------------------

bool MslSelectRange(MScrollList* list, int r1, int r2, int c1, int c2, bool add) {
    MslStore& s = list->store;
    if (r1 > r2) {
        int t = r1;
        r1 = r2;
        r2 = t;
    }
    if (list->rowMode || list->textMode) {
        c1 = 0;
        c2 = s.columns() - 1;
    }
    bool changed = false;
    for (int r = 0; r < s.rows(); ++r) {
        bool inside = r >= r1 && r <= r2;
        if (inside) {
            changed |= s.selectCells(r, c1, c2, true);
            if (!add) {
                if (c1 > 0) changed |= s.selectCells(r, 0, c1 - 1, false);
                if (c2 < s.columns() - 1)
                    changed |= s.selectCells(r, c2 + 1, s.columns() - 1, false);
            }
        } else if (!add) {
            changed |= s.selectRow(r, false);
        }
    }
    if (changed) list->invalidateRows();
    return changed;
}

bool MslSelectedChars(const MScrollList* list, int row, int* from, int* to) {
    const MslSelectionState& s = list->sel;
    if (!list->textMode || !list->store.validRow(s.row) || !list->store.validRow(s.anchorRow))
        return false;
    bool anchorFirst = s.anchorRow < s.row || (s.anchorRow == s.row && s.anchorChar <= s.curChar);
    int r1 = anchorFirst ? s.anchorRow : s.row, c1 = anchorFirst ? s.anchorChar : s.curChar;
    int r2 = anchorFirst ? s.row : s.anchorRow, c2 = anchorFirst ? s.curChar : s.anchorChar;
    if (row < r1 || row > r2) return false;
    const char* text = list->store.cell(row, s.anchorCol);
    int length = text ? (int)strlen(text) : 0;
    *from = row == r1 ? c1 : 0;
    *to = row == r2 ? c2 : length;
    if (*to > length) *to = length;
    if (*from > *to) *from = *to;
    return true;
}

void mslSelectRow(MScrollList* list, int row) {
    if (!list || list->store.rows() == 0) return;
    if (row < 0) row = 0;
    if (row >= list->store.rows()) row = list->store.rows() - 1;
    bool changed = MslSelectRange(list, row, row, 0, list->store.columns() - 1, false);
    if (list->textMode) {
        const char* text = list->store.cell(row, list->sel.anchorCol);
        list->sel.anchorChar = 0;
        list->sel.curChar = text ? (int)strlen(text) : 0;
    }
    list->invalidateRow(list->sel.row);
    list->sel.anchorRow = list->sel.row = row;
    list->sel.colFirst = 0;
    list->sel.colLast = list->store.columns() - 1;
    mslMakeRowVisible(list, row);
    list->invalidateRow(row);
    if (changed) list->selectionChanged();
}

int mslGetSelectedRow(MScrollList* list, int first) {
    if (!list) return -1;
    int firstRow = -1;
    int row = list->store.selectedRow(&firstRow);
    return row == -2 && first ? firstRow : row;
}

bool mslIsTrackingSelection(MScrollList* list) {
    return list && list->tracking != kMslNotTracking;
}

void mslMakeRowVisible(MScrollList* list, int row) {
    if (!list || !list->store.validRow(row)) return;
    int visible = MslVisibleRows(list);
    int top = list->view.topRow;
    if (row < top)
        top = row;
    else if (row >= top + visible)
        top = row - visible + 1;
    MslScrollTo(list, top, list->view.leftPixel);
}

void MslScrollTo(MScrollList* list, int topRow, int leftPixel) {
    ScrollAble& v = list->view;
    int oldTop = v.topRow, oldLeft = v.leftPixel;
    v.topRow = topRow;
    v.leftPixel = leftPixel;
    MslLayout(list);
    if (v.topRow != oldTop || v.leftPixel != oldLeft) list->invalidateRows();
    int visible = MslVisibleRows(list);
    if (!v.moreText || v.askingForMore || v.topRow + visible < list->store.rows()) return;
    v.askingForMore = true;
    int added = v.moreText(&v, visible);
    if (!list->alive()) return;
    v.askingForMore = false;
    if (added > 0) {
        MslLayout(list);
        list->invalidateRows();
    }
}

// ---- Tree marks -------------------------------------------------------------------------------

void mslSetRowPlusMinus(MScrollList* list, int row, int show, int plus) {
    if (!list || !list->store.validRow(row)) return;
    int column = MslIndentColumn(list);
    mslSetFormat(list->store.format(row, column), kMslFormatPlusMinus,
                 !show  ? kMslMarkNone
                 : plus ? kMslMarkPlus
                        : kMslMarkMinus);
    list->invalidateRow(row);
    if (list->plusMinus) list->plusMinus(list, row);
}

void mslTogglePlusMinus(MScrollList* list, int row) {
    if (!list || !list->store.validRow(row)) return;
    int column = MslIndentColumn(list);
    int mark = mslGetFormat(list->store.formatOf(row, column), kMslFormatPlusMinus);
    if (mark == kMslMarkNone) return;
    if (list->plusMinusChecker && !list->plusMinusChecker(list, row)) return;
    if (!list->alive()) return;
    mslSetFormat(list->store.format(row, column), kMslFormatPlusMinus,
                 mark == kMslMarkPlus ? kMslMarkMinus : kMslMarkPlus);
    list->invalidateRow(row);
    if (list->plusMinus) list->plusMinus(list, row);
}

// ---- Sorting --------------------------------------------------------------------------------

void mslSortByColumn(MScrollList* list, int column) {
    MslColumn* col = list ? list->store.column(column) : nullptr;
    if (!col) return;
    bool titleChanges = list->sortedColumn != column && list->view.titleHeight > 0;
    if (col->flags & kMslColumnUserSorted) {
        if (list->preSort) list->preSort(list, column);
        if (!list->alive()) return;
        if (list->sort) list->sort(list, column);
        if (!list->alive()) return;
        list->sortedColumn = column;
        list->invalidateRows();
        return;
    }
    if (!col->compare) return;
    if (list->preSort) list->preSort(list, column);
    if (!list->alive()) return;
    std::vector<int> order;
    bool moved = MslSortRows(&list->store, column, &order);
    if (moved) {
        std::vector<int> now(order.size());
        for (size_t i = 0; i < order.size(); ++i) now[(size_t)order[i]] = (int)i;
        for (int* index : {&list->sel.row, &list->sel.anchorRow, &list->search.startRow})
            if (*index >= 0 && *index < (int)now.size()) *index = now[(size_t)*index];
    }
    list->sortedColumn = column;
    if (titleChanges && !moved && list->getW())
        WInvalidateRect(list->getW(), list->view.x, list->view.y - list->view.titleHeight,
                        list->view.width, list->view.titleHeight);
    if (list->sort) list->sort(list, column);
    if (!list->alive()) return;
    if (moved) list->invalidateRows();
}

void mslSetUserSorted(MScrollList* list, int column, int on) {
    MslColumn* col = list ? list->store.column(column) : nullptr;
    if (!col) return;
    if (on)
        col->flags |= kMslColumnUserSorted;
    else
        col->flags &= ~kMslColumnUserSorted;
}

void mslRegisterSortFunc(MScrollList* list, int column, MslCompareFn compare) {
    MslColumn* col = list ? list->store.column(column) : nullptr;
    if (col) col->compare = compare;
}

void mslSetSortDescending(MScrollList* list, int column, int descending) {
    MslColumn* col = list ? list->store.column(column) : nullptr;
    if (!col) return;
    if (descending)
        col->flags |= kMslColumnDescending;
    else
        col->flags &= ~kMslColumnDescending;
}

int mslDoCommands(MScrollList* list, const char* commands, xinLibSt* event) {
    std::vector<MslCall> calls;
    if (!list || !MslParseCommands(commands, &calls)) return 0;
    return MslRunCalls(list, calls, event);
}
