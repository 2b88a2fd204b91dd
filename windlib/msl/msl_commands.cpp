// Input and commands of a scroll list (see msl_commands.h). Mouse and key records are
// matched against the shared bindings; the commands they name run in MslRunCall. A
// command may call back into the program, which may delete the list: every step after a
// callback first checks that the list is still alive.
#include "windlib/msl/msl_commands.h"

#include <cstdlib>
#include <cstring>

#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/button/wbutton.h"
#include "windlib/config/config_tables.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/msl/msl_copy.h"
#include "windlib/msl/msl_draw.h"
#include "windlib/window/wcolwind.h"
#include "windlib/window/wscrollbar.h"
#include "windlib/wtimer.h"
#include "windlib/x11/xdrawlib.h"

namespace {

const int kMinDraggedWidth = 16;
// Shift, Control, Caps Lock, Meta, Alt, Super and Hyper arrive as keys of their own.
const int kFirstModifierKey = 0x1E1;
const int kLastModifierKey = 0x1EE;

int ClickPauseMs() {
    return (clickpause > 0 ? clickpause : 4) * 100;
}

int Reported(const MScrollList* list, int column) {
    return list->rowMode ? 0 : column;
}

int TextLength(const MScrollList* list, int row, int column) {
    const char* text = list->store.cell(row, column);
    return text ? (int)strlen(text) : 0;
}

std::vector<bool> SelectedRows(const MScrollList* list) {
    std::vector<bool> rows((size_t)list->store.rows());
    for (int r = 0; r < list->store.rows(); ++r) rows[(size_t)r] = list->store.rowSelected(r);
    return rows;
}

// The cell under a mouse record; a point above or below the rows is taken as the nearest
// row, so a drag past the edge keeps selecting.
bool PointerCell(MScrollList* list, const xinLibSt* e, bool clampRow, int* row, int* column,
                 int* ch) {
    if (!e || e->kind != kXinMouse) return false;
    const ScrollAble& v = list->view;
    int px = (int)e->a, py = (int)e->b;
    if (clampRow) {
        if (py < v.y) py = v.y;
        if (py >= v.y + v.height) py = v.y + v.height - 1;
        if (px < v.x) px = v.x;
        if (px >= v.x + v.width) px = v.x + v.width - 1;
    }
    if (!MslHit(list, px, py, row, column)) return false;
    if (*row < 0 && clampRow && list->store.rows() > 0) *row = list->store.rows() - 1;
    bool above = clampRow && (int)e->b < v.y;
    if (above && *row > 0) *row = *row - 1; // one row further, so the view scrolls up
    if (*row < 0) return false;
    *ch = list->textMode ? MslCharAt(list, *row, *column, (int)e->a) : 0;
    return true;
}

void Report(MScrollList* list, bool changed) {
    if (changed) list->selectionChanged();
}

// ---- Selection --------------------------------------------------------------------------------

void InvalidateBetween(MScrollList* list, int r1, int r2) {
    if (r1 > r2) {
        int t = r1;
        r1 = r2;
        r2 = t;
    }
    for (int r = r1 < 0 ? 0 : r1; r <= r2; ++r) list->invalidateRow(r);
}

// Text is selected as a range of characters, so a text list always extends.
bool CanExtend(const MScrollList* list) {
    return list->extendedSelection || list->textMode;
}

// The selection for a press (or a drag) at row, column, character in the given mode.
bool SelectAt(MScrollList* list, MslTracking mode, int row, int column, int ch) {
    MslSelectionState& s = list->sel;
    if (!CanExtend(list) && mode != kMslTrackStart) mode = kMslTrackStart;
    if (s.anchorRow < 0 && mode != kMslTrackStart && mode != kMslTrackUnion) mode = kMslTrackStart;
    const MslSelectionState before = s;
    bool changed = false;
    switch (mode) {
    case kMslTrackStart:
        s.anchorRow = s.row = row;
        s.anchorCol = s.colFirst = s.colLast = column;
        s.anchorChar = s.curChar = ch;
        changed = MslSelectRange(list, row, row, column, column, false);
        break;
    case kMslTrackExtend:
        s.row = row;
        s.colLast = column;
        s.curChar = ch;
        changed = MslSelectRange(list, s.anchorRow, row, s.anchorCol, column, false);
        break;
    case kMslTrackUnionExtend:
        s.row = row;
        s.colLast = column;
        s.curChar = ch;
        changed = MslSelectRange(list, s.anchorRow, row, s.anchorCol, column, true);
        break;
    case kMslTrackUnion: {
        bool on =
            list->rowMode ? !list->store.rowSelected(row) : !list->store.cellSelected(row, column);
        s.anchorRow = s.row = row;
        s.anchorCol = s.colFirst = s.colLast = column;
        changed = list->rowMode ? list->store.selectRow(row, on)
                                : list->store.selectCells(row, column, column, on);
        break;
    }
    case kMslNotTracking:
        break;
    }
    if (list->textMode) InvalidateBetween(list, before.anchorRow, before.row);
    InvalidateBetween(list, s.anchorRow, s.row);
    list->invalidateRow(before.row);
    bool charsMoved = s.anchorRow != before.anchorRow || s.row != before.row ||
                      s.anchorChar != before.anchorChar || s.curChar != before.curChar;
    return changed || (list->textMode && charsMoved);
}

// A drag in the given mode to the row under the pointer.
bool DragTo(MScrollList* list, MslTracking mode, const xinLibSt* e) {
    int row = -1, column = -1, ch = 0;
    if (!PointerCell(list, e, true, &row, &column, &ch)) return false;
    MslSelectionState& s = list->sel;
    if (!CanExtend(list) || s.anchorRow < 0) {
        if (row == s.row && (!list->textMode || ch == s.curChar) && list->store.rowSelected(row))
            return false;
        bool changed = SelectAt(list, kMslTrackStart, row, column, ch);
        mslMakeRowVisible(list, row);
        return changed;
    }
    std::vector<bool> before = SelectedRows(list);
    int oldRow = s.row, oldChar = s.curChar;
    s.row = row;
    s.colLast = column;
    s.curChar = ch;
    bool unite = mode == kMslTrackUnion || mode == kMslTrackUnionExtend;
    if (unite && list->trackBase.size() == (size_t)list->store.rows()) {
        for (int r = 0; r < list->store.rows(); ++r)
            list->store.selectRow(r, list->trackBase[(size_t)r]);
        MslSelectRange(list, s.anchorRow, row, s.anchorCol, column, true);
        list->invalidateRows();
    } else {
        MslSelectRange(list, s.anchorRow, row, s.anchorCol, column, false);
    }
    InvalidateBetween(list, oldRow, row);
    mslMakeRowVisible(list, row);
    return before != SelectedRows(list) || (list->textMode && oldChar != ch) || oldRow != row;
}

int StartTracking(MScrollList* list, MslTracking mode, xinLibSt* e) {
    int row = -1, column = -1, ch = 0;
    if (!PointerCell(list, e, false, &row, &column, &ch)) return 0;
    list->tracking = mode;
    list->trackBase = SelectedRows(list);
    Report(list, SelectAt(list, mode, row, column, ch));
    return 1;
}

// The word around character ch: letters, digits and '_' , or the single other character.
void WordAround(const char* text, int ch, int* from, int* to) {
    int length = text ? (int)strlen(text) : 0;
    if (ch >= length) ch = length - 1;
    if (ch < 0) {
        *from = *to = 0;
        return;
    }
    auto word = [&](int i) { return gen_isalnum((unsigned char)text[i]) || text[i] == '_'; };
    *from = *to = ch;
    if (!word(ch)) {
        *to = ch + 1;
        return;
    }
    while (*from > 0 && word(*from - 1)) --*from;
    while (*to < length && word(*to)) ++*to;
}

int SelectWordOrLine(MScrollList* list, xinLibSt* e, bool line) {
    int row = -1, column = -1, ch = 0;
    if (!PointerCell(list, e, false, &row, &column, &ch)) return 0;
    list->tracking = kMslTrackStart;
    bool changed = SelectAt(list, kMslTrackStart, row, column, ch);
    if (list->textMode) {
        int from = 0, to = TextLength(list, row, column);
        if (!line) WordAround(list->store.cell(row, column), ch, &from, &to);
        list->sel.anchorChar = from;
        list->sel.curChar = to;
        list->invalidateRow(row);
        changed = true;
    }
    Report(list, changed);
    return 1;
}

int Adjust(MScrollList* list, xinLibSt* e) {
    MslTracking mode = list->tracking;
    list->tracking = kMslNotTracking;
    if (mode == kMslNotTracking || !e || e->kind != kXinMouse) return 1;
    Report(list, DragTo(list, mode, e));
    return 1;
}

// ---- Keyboard moves -----------------------------------------------------------------------------

int Move(MScrollList* list, int move, bool extend) {
    int rows = list->store.rows();
    if (rows == 0) return 0;
    MslSelectionState& s = list->sel;
    int cur = s.row, page = MslVisibleRows(list) - 1;
    if (page < 1) page = 1;
    int column = s.colLast, ch = s.curChar;
    int target = cur;
    switch (move) {
    case 0:
        target = cur < 0 ? rows - 1 : cur - 1;
        break;
    case 1:
        target = cur + 1;
        break;
    case 4:
        target = cur < 0 ? 0 : cur - page;
        break;
    case 5:
        target = cur + page;
        break;
    case 6:
        target = 0;
        break;
    case 7:
        target = rows - 1;
        break;
    default: { // left and right
        int step = move == 2 ? -1 : 1;
        if (list->textMode && cur >= 0) {
            ch += step;
            if (ch < 0 || ch > TextLength(list, cur, column)) return 1;
        } else if (!list->rowMode && cur >= 0) {
            do column += step;
            while (column >= 0 && column < list->store.columns() &&
                   MslColumnWidth(list, column) <= 0);
            if (column < 0 || column >= list->store.columns()) return 1;
        } else {
            int shift = list->view.hbar ? list->view.hbar->visible() / 4 : 0;
            MslScrollTo(list, list->view.topRow,
                        list->view.leftPixel + step * (shift > 8 ? shift : 8));
            return 1;
        }
    }
    }
    if (target < 0) target = 0;
    if (target >= rows) target = rows - 1;
    bool changed = extend && CanExtend(list) && s.anchorRow >= 0
                       ? SelectAt(list, kMslTrackExtend, target, column, ch)
                       : SelectAt(list, kMslTrackStart, target, column, ch);
    Report(list, changed);
    return 1;
}

int SelectAll(MScrollList* list) {
    int rows = list->store.rows();
    if (!list->extendedSelection || rows == 0) return 0;
    MslSelectionState& s = list->sel;
    s.anchorRow = 0;
    s.anchorChar = 0;
    if (s.row < 0) s.row = rows - 1;
    if (list->textMode) {
        s.row = rows - 1;
        s.curChar = TextLength(list, s.row, s.anchorCol);
    }
    bool changed = MslSelectRange(list, 0, rows - 1, 0, list->store.columns() - 1, false);
    list->invalidateRows();
    Report(list, changed || list->textMode);
    return 1;
}

int ScrollBy(MScrollList* list, const std::string& arg) {
    char* end = nullptr;
    long amount = strtol(arg.c_str(), &end, 10);
    if (end && *end == 'p') amount *= MslVisibleRows(list);
    MslScrollTo(list, list->view.topRow + (int)amount, list->view.leftPixel);
    return 1;
}

// ---- Incremental search ------------------------------------------------------------------------

void ShowSearch(MScrollList* list) {
    ColWind* window = list->TopWindow();
    if (!window) return;
    char* text = gen_asprintf("%s%s: %s", list->search.failing ? "Failing " : "",
                              list->search.backward ? "I-search backward" : "I-search",
                              list->search.text.c_str());
    cwSetMsg(window, text, 0);
    gen_free(text);
}

int SearchColumn(const MScrollList* list) {
    int c = list->sel.colFirst;
    return c >= 0 && c < list->store.columns() ? c : 0;
}

void ClearMatches(MScrollList* list) {
    for (int r = 0; r < list->store.rows(); ++r) {
        MslRow* info = list->store.row(r);
        if (info->match < 0) continue;
        info->match = -1;
        list->invalidateRow(r);
    }
}

// Finds the search text from row `from` on (itself included when `inclusive`), wrapping.
void Find(MScrollList* list, int from, bool inclusive) {
    MslSearch& s = list->search;
    int rows = list->store.rows();
    int column = SearchColumn(list);
    ClearMatches(list);
    s.failing = false;
    if (s.text.empty() || rows == 0) {
        ShowSearch(list);
        return;
    }
    int step = s.backward ? -1 : 1;
    if (from < 0) from = s.backward ? rows - 1 : 0;
    for (int i = inclusive ? 0 : 1; i <= rows; ++i) {
        int r = ((from + step * i) % rows + rows) % rows;
        const char* text = list->store.cell(r, column);
        const char* hit = text ? gen_strcasestr(text, s.text.c_str()) : nullptr;
        if (!hit) continue;
        list->store.row(r)->match = (int)(hit - text);
        bool changed = SelectAt(list, kMslTrackStart, r, column, 0);
        list->sel.colFirst = list->sel.colLast = column;
        mslMakeRowVisible(list, r);
        ShowSearch(list);
        Report(list, changed);
        return;
    }
    s.failing = true;
    WSoundBeep();
    ShowSearch(list);
}

int StartSearch(MScrollList* list, bool backward) {
    MslSearch& s = list->search;
    if (!s.active) {
        s.active = true;
        s.failing = false;
        s.text.clear();
        s.startRow = list->sel.row;
        s.backward = backward;
        ShowSearch(list);
        return 1;
    }
    s.backward = backward;
    Find(list, list->sel.row, false);
    return 1;
}

// A key while searching: 1 taken, -1 the search is over and the key goes on as usual (or
// is a search command itself).
int SearchKey(MScrollList* list, xinLibSt* e) {
    MslSearch& s = list->search;
    long mods = e->c & kMslModifierMask;
    const char* text = (const char*)e->e;
    int code = (int)e->d;
    if (code >= kFirstModifierKey && code <= kLastModifierKey) return 1; // Shift for 'B'
    if (code == kKeyReturn || code == kKeyEscape) {
        MslEndSearch(list);
        return 1;
    }
    if (code == kKeyBackSpace) {
        if (!s.text.empty()) s.text.pop_back();
        Find(list, s.startRow, true);
        return 1;
    }
    bool printable = text && e->f > 0 && !(mods & (kModControl | kModAlt | kModMeta)) &&
                     (unsigned char)text[0] >= 0x20 && text[0] != 0x7f;
    if (printable) {
        s.text.append(text, (size_t)e->f);
        Find(list, list->sel.row, true);
        return 1;
    }
    const MslBinding* b = MslFindKeyBinding(code, e->c);
    bool searchCommand =
        b && !b->calls.empty() &&
        (b->calls[0].command == kMslForwardISearch || b->calls[0].command == kMslBackISearch ||
         b->calls[0].command == kMslReturnISearch);
    if (!searchCommand) MslEndSearch(list);
    return -1;
}

// ---- Keys and Return ---------------------------------------------------------------------------

int DoubleKeyClick(MScrollList* list, xinLibSt* e) {
    if (list->search.active) {
        MslEndSearch(list);
        return 1;
    }
    if (list->doubleClick) {
        if (list->store.validRow(list->sel.row))
            list->doubleClick(list, list->sel.row, Reported(list, list->sel.colFirst), 2, e);
        return 1;
    }
    // Without one, Return is the window's: its default button takes it.
    return e && e->kind == kXinKey ? btWindowKey(list->TopWindow(), e) : 0;
}

// ---- Deferred bindings -------------------------------------------------------------------------

int RunDeferred(void* user, int) {
    MScrollList* list = static_cast<MScrollList*>(user);
    const MslBinding* binding = list->deferred;
    xinLibSt event = list->deferredEvent;
    list->deferred = nullptr;
    MHandleDestroy(list->deferredTimer);
    list->deferredTimer = nullptr;
    if (binding) MslRunCalls(list, binding->calls, &event);
    return 1;
}

// A binding without (AtOnce) waits until no further click can come.
void RunBinding(MScrollList* list, const MslBinding* binding, xinLibSt* e) {
    if (!binding->atOnce && list->clickCount < list->highestClick) {
        MslCancelDeferred(list);
        list->deferred = binding;
        list->deferredEvent = *e;
        list->deferredTimer =
            ExtraProcess_Create(kExtraTimer, ClickPauseMs(), RunDeferred, nullptr, list);
        return;
    }
    MslRunCalls(list, binding->calls, e);
}

// ---- The mouse ---------------------------------------------------------------------------------

void CountClick(MScrollList* list, const xinLibSt* e) {
    int button = (int)e->f, px = (int)e->a, py = (int)e->b;
    long elapsed = e->g - list->lastTime;
    int near = motion_threshold > 4 ? motion_threshold : 4;
    bool again = button >= 1 && button <= 3 && button == list->lastButton &&
                 abs(px - list->lastX) <= near && abs(py - list->lastY) <= near && elapsed >= 0 &&
                 elapsed <= ClickPauseMs() && list->clickCount < list->highestClick;
    list->clickCount = again ? list->clickCount + 1 : 1;
    list->lastButton = button;
    list->lastTime = e->g;
    list->lastX = px;
    list->lastY = py;
}

void RightClick(MScrollList* list, xinLibSt* e) {
    int row = -1, column = -1, ch = 0;
    if (PointerCell(list, e, false, &row, &column, &ch)) {
        int from = 0, to = 0;
        bool inside = list->textMode
                          ? MslSelectedChars(list, row, &from, &to) && ch >= from && ch <= to
                      : list->rowMode ? list->store.rowSelected(row)
                                      : list->store.cellSelected(row, column);
        if (!inside) Report(list, SelectAt(list, kMslTrackStart, row, column, ch));
        if (!list->alive()) return;
    } else {
        row = column = -1;
    }
    list->rightClick(list, row, column < 0 ? -1 : Reported(list, column), e);
}

void TitlePress(MScrollList* list, int column, bool border) {
    if (border) {
        list->resizingColumn = column;
        return;
    }
    MslColumn* col = list->store.column(column);
    if (!col->compare && !(col->flags & kMslColumnUserSorted)) return;
    if (list->sortedColumn == column) col->flags ^= kMslColumnDescending;
    mslSortByColumn(list, column);
}

// Presses the bindings never see: right clicks with a callback, titles, tree marks and
// anything outside the rows. True when the press was taken here.
bool SpecialPress(MScrollList* list, xinLibSt* e) {
    int button = (int)e->f, px = (int)e->a, py = (int)e->b;
    if (button > 3) return false;
    if (button == 3 && list->rightClick) {
        list->swallowRelease = true;
        RightClick(list, e);
        return true;
    }
    bool border = false;
    int title = MslTitleAt(list, px, py, &border);
    int row = -1, column = -1;
    if (button == 1 && title >= 0 && list->clickCount == 1) {
        list->swallowRelease = true;
        TitlePress(list, title, border);
        return true;
    }
    if (button == 1 && list->clickCount == 1 && MslOnMark(list, px, py, &row)) {
        list->swallowRelease = true;
        mslTogglePlusMinus(list, row);
        return true;
    }
    if (!MslHit(list, px, py, &row, &column)) {
        list->swallowRelease = true;
        return true;
    }
    return false;
}

int Motion(MScrollList* list, xinLibSt* e) {
    if (list->resizingColumn >= 0) {
        int width = (int)e->a - MslColumnX(list, list->resizingColumn);
        mslSetColumnWidth(list, list->resizingColumn,
                          width < kMinDraggedWidth ? kMinDraggedWidth : width);
        return 1;
    }
    if (list->tracking != kMslNotTracking) Report(list, DragTo(list, list->tracking, e));
    return 1;
}

} // namespace

int MslMouseEvent(MScrollList* list, xinLibSt* e) {
    if (list->grabbed) {
        GItem* bar = list->grabbed;
        if (e->d == -1) list->grabbed = nullptr;
        return bar->EventParse(e, bar);
    }
    if (e->d == 1) {
        for (WScrollBar* bar : {list->view.vbar, list->view.hbar}) {
            if (!bar || !bar->isMapped() || !bar->contains((int)e->a, (int)e->b)) continue;
            list->grabbed = bar;
            return bar->EventParse(e, bar);
        }
    }
    if (e->d == 0) return Motion(list, e);
    bool press = e->d == 1;
    int button = (int)e->f;
    if (press) {
        MslCancelDeferred(list);
        if (list->search.active) MslEndSearch(list);
        CountClick(list, e);
        list->swallowRelease = false;
        if (SpecialPress(list, e)) return 1;
    } else if (list->swallowRelease) {
        list->swallowRelease = false;
        list->resizingColumn = -1;
        list->tracking = kMslNotTracking;
        return 1;
    }
    const MslBinding* binding = MslFindMouseBinding(button, !press, list->clickCount, e->c);
    if (binding) RunBinding(list, binding, e);
    if (!press && button == 1 && list->alive()) list->tracking = kMslNotTracking;
    return 1;
}

int MslKeyEvent(MScrollList* list, xinLibSt* e) {
    if (list->search.active) {
        int taken = SearchKey(list, e);
        if (taken >= 0) {
            e->h = 1;
            return 1;
        }
    }
    const MslBinding* binding = MslFindKeyBinding((int)e->d, e->c);
    if (!binding) return 0;
    bool any = false;
    for (const MslCall& call : binding->calls) {
        any = MslRunCall(list, call, e) != 0 || any;
        if (!list->alive()) break;
    }
    if (any) e->h = 1;
    return any ? 1 : 0;
}

int MslRunCalls(MScrollList* list, const std::vector<MslCall>& calls, xinLibSt* event) {
    int result = 0;
    for (const MslCall& call : calls) {
        result = MslRunCall(list, call, event);
        if (!list->alive()) break;
    }
    return result;
}

int MslRunCall(MScrollList* list, const MslCall& call, xinLibSt* e) {
    MslCommand c = call.command;
    if (c >= kMslSelectionUp && c <= kMslSelectionExtendEnd) {
        int index = c - kMslSelectionUp;
        return Move(list, index % kMslNumMoves, index >= kMslNumMoves);
    }
    switch (c) {
    case kMslActivate:
        if (list->search.active) MslEndSearch(list);
        if (list->isTabstop() && list->TopWindow()) cwSetFocus(list->TopWindow(), list);
        return 1;
    case kMslSelectionStart:
        return StartTracking(list, kMslTrackStart, e);
    case kMslSelectionExtend:
        return StartTracking(list, kMslTrackExtend, e);
    case kMslSelectionUnion:
        return StartTracking(list, kMslTrackUnion, e);
    case kMslSelectionUnionExtend:
        return StartTracking(list, kMslTrackUnionExtend, e);
    case kMslSelectionAdjust:
        return Adjust(list, e);
    case kMslSelectionGrab:
        list->tracking = kMslNotTracking;
        mslMakeRowVisible(list, list->sel.row);
        return 1;
    case kMslSingleClick:
    case kMslDoubleClick: {
        int row = -1, column = -1, ch = 0;
        MslClickFn fn = c == kMslSingleClick ? list->singleClick : list->doubleClick;
        if (!fn || !PointerCell(list, e, false, &row, &column, &ch)) return 0;
        fn(list, row, Reported(list, column), c == kMslSingleClick ? 1 : 2, e);
        return 1;
    }
    case kMslSelectWord:
    case kMslSelectLine:
        return SelectWordOrLine(list, e, c == kMslSelectLine);
    case kMslScroll:
        return ScrollBy(list, call.arg);
    case kMslSingleKeyClick:
        if (!list->singleClick || !list->store.validRow(list->sel.row)) return 0;
        list->singleClick(list, list->sel.row, Reported(list, list->sel.colFirst), 1, e);
        return 1;
    case kMslSelectAll:
        return SelectAll(list);
    case kMslBackISearch:
    case kMslForwardISearch:
        return StartSearch(list, c == kMslBackISearch);
    case kMslReturnISearch:
        if (!list->search.active) return 0;
        MslEndSearch(list);
        return 1;
    case kMslSizeToFit:
        for (int col = 0; col < list->store.columns(); ++col) list->store.column(col)->width = 0;
        MslMeasureAll(list);
        MslLayout(list);
        list->invalidateRows();
        return 1;
    case kMslDoubleKeyClick:
        return DoubleKeyClick(list, e);
    case kMslNextActivate:
    case kMslPrevActivate:
        cwTabFocus(list->TopWindow(), c == kMslPrevActivate);
        return 1;
    case kMslCopyAll:
    case kMslCopySel:
        return MslCopy(list, c == kMslCopyAll, e);
    case kMslCli: {
        if (!list->cli) return 0;
        CmdInfo info = {"Cli", call.arg.c_str(), e};
        return list->cli(list, &info);
    }
    default:
        return 0;
    }
}

void MslEndSearch(MScrollList* list) {
    if (!list->search.active) return;
    list->search.active = false;
    list->search.failing = false;
    ClearMatches(list);
    if (ColWind* window = list->TopWindow()) cwSetMsg(window, "", 0);
}

void MslCancelDeferred(MScrollList* list) {
    list->deferred = nullptr;
    if (!list->deferredTimer) return;
    mHandle* timer = list->deferredTimer;
    list->deferredTimer = nullptr;
    ExtraProcess_Kill(timer, 1);
    MHandleDestroy(timer);
}
