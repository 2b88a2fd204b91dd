// Geometry and painting of a scroll list (see msl_draw.h). Everything is in the window's
// coordinates, like every item's; the scroll position only shifts where rows and columns
// land. Painting is clipped cell by cell, inside the redraw area.
#include "windlib/msl/msl_draw.h"

#include <cstring>
#include <vector>

#include "windlib/msl/mscrolllist.h"
#include "windlib/window/wscrollbar.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/ximages.h"

namespace {

const int kMinColumnWidth = 16;
const int kTitleBorderGrip = 3; // pixels either side of a title border that grab it

struct Rect {
    int x, y, width, height;
    bool empty() const { return width <= 0 || height <= 0; }
};

Rect Intersect(Rect a, Rect b) {
    int x1 = a.x > b.x ? a.x : b.x;
    int y1 = a.y > b.y ? a.y : b.y;
    int x2 = a.x + a.width < b.x + b.width ? a.x + a.width : b.x + b.width;
    int y2 = a.y + a.height < b.y + b.height ? a.y + a.height : b.y + b.height;
    return Rect{x1, y1, x2 - x1, y2 - y1};
}

const FontInfo* ListFont(const MScrollList* list) {
    int number = list->FontNumber();
    return number >= 0 && number < kNumFonts && fontinfo[number].font ? &fontinfo[number] : nullptr;
}

int Frame(const MScrollList* list) {
    return (list->style & kMslStyleNoFrame) ? 0 : 2;
}

bool HasTitles(const MScrollList* list) {
    for (int c = 0; c < list->store.columns(); ++c)
        if (list->store.column(c)->title) return true;
    return false;
}

bool Visible(const MslColumn* col) {
    return col && !(col->flags & kMslColumnHidden);
}

int LastVisibleColumn(const MScrollList* list) {
    for (int c = list->store.columns() - 1; c >= 0; --c)
        if (Visible(list->store.column(c))) return c;
    return -1;
}

int LeadingBlanks(const char* text) {
    int n = 0;
    while (text && (text[n] == ' ' || text[n] == '\t')) ++n;
    return n;
}

bool IsIndentColumn(const MScrollList* list, int column) {
    const MslColumn* col = list->store.column(column);
    return col && (col->flags & kMslColumnIndent);
}

// Space before the text that is not part of it: indentation and tree mark, arrow.
int Lead(const MScrollList* list, const char* text, MslCellFormatTag format, bool indent) {
    int lead = kMslCellPad;
    if (indent) lead += LeadingBlanks(text) * kMslIndentStep + kMslMarkSize + kMslCellPad;
    if (format & kMslFormatArrow) lead += kMslArrowWidth;
    (void)list;
    return lead;
}

// The text as drawn: without the leading blanks an indentation column turns into space.
const char* Shown(const MScrollList* list, int row, int column) {
    const char* text = list->store.cell(row, column);
    if (text && IsIndentColumn(list, column)) text += LeadingBlanks(text);
    return text;
}

int NaturalWidth(const MslColumn* col) {
    if (col->width > 0) return col->width;
    int w = col->widest + kMslCellPad;
    return w < kMinColumnWidth ? kMinColumnWidth : w;
}

void PlaceBar(WScrollBar* bar, bool show, bool listMapped, int x, int y, int length) {
    if (!bar) return;
    int w = bar->isVertical() ? scroll_bar_width : length;
    int h = bar->isVertical() ? length : scroll_bar_width;
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    if (bar->x != x || bar->y != y) bar->MoveMe(x - bar->x, y - bar->y);
    bar->Resize(w, h);
    bar->MapMe(show && listMapped);
}

// ---- Painting -------------------------------------------------------------------------------

struct Painter {
    MScrollList* list;
    Window w;
    Rect area; // the redraw area within the item
    const FontInfo* font;

    void clip(Rect r) {
        Rect c = Intersect(r, area);
        if (c.empty()) c = Rect{area.x, area.y, 0, 0};
        WSetClipRect(w, c.x, c.y, c.width < 0 ? 0 : c.width, c.height < 0 ? 0 : c.height);
    }

    void text(int x, int baseline, const char* s, int length, unsigned long fg) {
        WSetForeground(w, fg);
        WDrawString(w, x, baseline, s, length);
    }

    void arrow(int x, int top, int height, unsigned long fg) {
        WSetForeground(w, fg);
        int mid = top + height / 2;
        for (int i = 0; i < 4; ++i) WDrawLine(w, x + 1 + i, mid - 3 + i, x + 1 + i, mid + 3 - i);
    }

    void mark(int x, int top, int height, int which, unsigned long fg, unsigned long bg) {
        const WImage* image = WFindImage(which == kMslMarkPlus ? "plus9" : "minus9");
        if (!image) return;
        WSetColor(w, fg, bg);
        WDrawImage(w, image, x, top + (height - image->height) / 2);
    }

    unsigned long background(int row, bool selected) {
        if (selected && !list->noSelectionColor) return select_pixel;
        const MslRow* info = list->store.row(row);
        return info && info->background ? *info->background : bg_pixel;
    }

    unsigned long foreground(int row, MslCellFormatTag format, bool highlighted) {
        if (highlighted) return white_pixel; // readable on the selection colour
        if (format & kMslFormatDimmed) return grey_pixel;
        const MslRow* info = list->store.row(row);
        return info && info->color ? *info->color : fg_pixel;
    }

    void cellText(int row, int column, Rect cell, int x, unsigned long bg, unsigned long fg);
    void cell(int row, int column, Rect cell);
    void title(int column, Rect cell);
    void rows();
    void titles();
    void focus();
};

void Painter::cellText(int row, int column, Rect cell, int x, unsigned long bg, unsigned long fg) {
    const char* s = Shown(list, row, column);
    if (!s || !*s || !font) return;
    int length = (int)strlen(s);
    MslCellFormatTag format = list->store.formatOf(row, column);
    int width = WTextWidth(s, length, list->FontNumber());
    if (format & kMslFormatAlignRight)
        x = cell.x + cell.width - kMslCellPad - width;
    else if (format & kMslFormatAlignCenter)
        x = cell.x + (cell.width - width) / 2;
    int baseline = cell.y + 1 + font->ascent;
    int offset = (int)(s - list->store.cell(row, column));

    // Per-character colours: the text selection's, then the program's.
    std::vector<unsigned long> fgs((size_t)length, fg), bgs((size_t)length, bg);
    int from = 0, to = 0;
    if (list->textMode && MslSelectedChars(list, row, &from, &to) && !list->noSelectionColor)
        for (int i = from - offset; i < to - offset; ++i)
            if (i >= 0 && i < length) {
                bgs[(size_t)i] = select_pixel;
                fgs[(size_t)i] = white_pixel;
            }
    if (list->ownerColor) list->ownerColor(list, row, column, fgs.data(), bgs.data(), length);

    bool uniform = true;
    for (int i = 0; i < length && uniform; ++i)
        uniform = fgs[(size_t)i] == fg && bgs[(size_t)i] == bg;
    if (uniform) {
        text(x, baseline, s, length, fg);
    } else {
        int at = x;
        for (int i = 0; i < length; ++i) {
            int cw = WTextWidth(s + i, 1, list->FontNumber());
            if (bgs[(size_t)i] != bg) {
                WSetForeground(w, bgs[(size_t)i]);
                WFillRect(w, at, cell.y, cw, cell.height);
            }
            text(at, baseline, s + i, 1, fgs[(size_t)i]);
            at += cw;
        }
    }
    WSetForeground(w, fg);
    int under = baseline + 1;
    if (format & kMslFormatUnderlined) WDrawLine(w, x, under, x + width - 1, under);
    const MslRow* info = list->store.row(row);
    if (info && info->match >= 0 && list->search.active && !list->search.text.empty()) {
        int start = info->match - offset;
        int n = (int)list->search.text.size();
        if (start >= 0 && start + n <= length) {
            int mx = x + WTextWidth(s, start, list->FontNumber());
            int mw = WTextWidth(s + start, n, list->FontNumber());
            WDrawLine(w, mx, under, mx + mw - 1, under);
        }
    }
}

void Painter::cell(int row, int column, Rect c) {
    clip(Intersect(c, Rect{list->view.x, list->view.y, list->view.width, list->view.height}));
    MslCellFormatTag format = list->store.formatOf(row, column);
    bool selected = (format & kMslFormatSelected) && !list->textMode;
    unsigned long bg = background(row, selected);
    WSetForeground(w, bg);
    WFillRect(w, c.x, c.y, c.width, c.height);
    unsigned long fg = foreground(row, format, selected && !list->noSelectionColor);
    int x = c.x + kMslCellPad;
    if (IsIndentColumn(list, column)) {
        x += LeadingBlanks(list->store.cell(row, column)) * kMslIndentStep;
        int which = mslGetFormat(format, kMslFormatPlusMinus);
        if (which != kMslMarkNone) mark(x, c.y, c.height, which, fg, bg);
        x += kMslMarkSize + kMslCellPad;
    }
    if (format & kMslFormatArrow) {
        arrow(x, c.y, c.height, fg);
        x += kMslArrowWidth;
    }
    WSetColor(w, fg, bg);
    if (list->ownerDraw) {
        int drawn = list->ownerDraw(list, row, column, x, c.y, c.width, c.height);
        if (!list->alive()) return;
        clip(Intersect(c, Rect{list->view.x, list->view.y, list->view.width, list->view.height}));
        if (drawn) return;
    }
    cellText(row, column, c, x, bg, fg);
    if (list->style & kMslStyleGrid) {
        WSetForeground(w, grey_pixel);
        WDrawLine(w, c.x + c.width - 1, c.y, c.x + c.width - 1, c.y + c.height - 1);
        WDrawLine(w, c.x, c.y + c.height - 1, c.x + c.width - 1, c.y + c.height - 1);
    }
}

void Painter::title(int column, Rect c) {
    int top = list->view.y - list->view.titleHeight;
    clip(Intersect(c, Rect{list->view.x, top, list->view.width, list->view.titleHeight}));
    WSetForeground(w, control_pixel);
    WFillRect(w, c.x, c.y, c.width, c.height);
    WDrawBevel(w, c.x, c.y, c.width, c.height, true, control_pixel);
    int x = c.x + kMslCellPad;
    if (list->ownerDraw) {
        WSetColor(w, fg_pixel, control_pixel);
        if (list->ownerDraw(list, -1, column, x, c.y, c.width, c.height) || !list->alive()) return;
    }
    const MslColumn* col = list->store.column(column);
    if (font && col->title) {
        int width = WTextWidth(col->title, -1, list->FontNumber());
        if (col->titleFormat & kMslFormatAlignRight)
            x = c.x + c.width - kMslCellPad - width;
        else if (col->titleFormat & kMslFormatAlignCenter)
            x = c.x + (c.width - width) / 2;
        bool dim = (col->titleFormat & kMslFormatDimmed) != 0;
        text(x, c.y + 2 + font->ascent, col->title, -1, dim ? grey_pixel : fg_pixel);
    }
    if (column == list->sortedColumn && c.width > 14) { // a small triangle: the sort order
        bool down = (col->flags & kMslColumnDescending) != 0;
        int ax = c.x + c.width - 12, mid = c.y + c.height / 2;
        WSetForeground(w, fg_pixel);
        for (int i = 0; i < 4; ++i) {
            int y = down ? mid - 2 + i : mid + 1 - i;
            WDrawLine(w, ax + i, y, ax + 7 - i, y);
        }
    }
}

void Painter::titles() {
    if (list->view.titleHeight <= 0) return;
    int top = list->view.y - list->view.titleHeight;
    for (int c = 0; c < list->store.columns(); ++c) {
        int width = MslColumnWidth(list, c);
        if (width <= 0) continue;
        Rect r{MslColumnX(list, c), top, width, list->view.titleHeight};
        if (!Intersect(r, area).empty()) title(c, r);
        if (!list->alive()) return;
    }
}

void Painter::rows() {
    int h = MslRowHeight(list);
    Rect view{list->view.x, list->view.y, list->view.width, list->view.height};
    Rect todo = Intersect(view, area);
    if (todo.empty() || h <= 0) return;
    int first = list->view.topRow + (todo.y - view.y) / h;
    int last = list->view.topRow + (todo.y + todo.height - 1 - view.y) / h;
    if (last >= list->store.rows()) last = list->store.rows() - 1;
    for (int r = first; r <= last; ++r) {
        int top = view.y + (r - list->view.topRow) * h;
        for (int c = 0; c < list->store.columns(); ++c) {
            int width = MslColumnWidth(list, c);
            if (width <= 0) continue;
            Rect cell{MslColumnX(list, c), top, width, h};
            if (Intersect(cell, todo).empty()) continue;
            this->cell(r, c, cell);
            if (!list->alive()) return;
        }
    }
}

void Painter::focus() {
    const MslSelectionState& sel = list->sel;
    if (!list->isActive() || !list->store.validRow(sel.row)) return;
    int h = MslRowHeight(list);
    int top = list->view.y + (sel.row - list->view.topRow) * h;
    clip(Rect{list->view.x, list->view.y, list->view.width, list->view.height});
    WSetForeground(w, fg_pixel);
    WDrawRect(w, list->view.x, top, list->view.width, h);
}

} // namespace

int MslRowHeight(const MScrollList* list) {
    const FontInfo* font = ListFont(list);
    return (font ? font->height : 0) + 2 + list->rowSpacing;
}

int MslVisibleRows(const MScrollList* list) {
    int h = MslRowHeight(list);
    int n = h > 0 ? list->view.height / h : 1;
    return n < 1 ? 1 : n;
}

int MslContentWidth(const MScrollList* list) {
    int total = 0;
    for (int c = 0; c < list->store.columns(); ++c) {
        const MslColumn* col = list->store.column(c);
        if (Visible(col)) total += NaturalWidth(col);
    }
    return total;
}

int MslColumnX(const MScrollList* list, int column) {
    int x = list->view.x - list->view.leftPixel;
    for (int c = 0; c < column && c < list->store.columns(); ++c) {
        const MslColumn* col = list->store.column(c);
        if (Visible(col)) x += NaturalWidth(col);
    }
    return x;
}

int MslColumnWidth(const MScrollList* list, int column) {
    const MslColumn* col = list->store.column(column);
    if (!Visible(col)) return 0;
    int width = NaturalWidth(col);
    if (column == LastVisibleColumn(list)) {
        int rest = list->view.x + list->view.width - MslColumnX(list, column);
        if (rest > width) width = rest;
    }
    return width;
}

void MslLayout(MScrollList* list) {
    ScrollAble& v = list->view;
    int f = Frame(list);
    int ix = list->x + f, iy = list->y + f;
    int iw = list->width - 2 * f, ih = list->height - 2 * f;
    int h = MslRowHeight(list);
    v.titleHeight = HasTitles(list) ? h + 4 : 0;
    int sbw = scroll_bar_width;
    long rowsHeight = (long)list->store.rows() * h;
    int content = MslContentWidth(list);
    bool needV = rowsHeight > ih - v.titleHeight;
    bool needH = content > iw - (needV ? sbw : 0);
    if (needH && !needV) needV = rowsHeight > ih - v.titleHeight - sbw;
    v.x = ix;
    v.y = iy + v.titleHeight;
    v.width = iw - (needV ? sbw : 0);
    v.height = ih - v.titleHeight - (needH ? sbw : 0);
    if (v.width < 0) v.width = 0;
    if (v.height < 0) v.height = 0;

    int visible = MslVisibleRows(list);
    int mostTop = list->store.rows() - visible;
    if (v.topRow > mostTop) v.topRow = mostTop;
    if (v.topRow < 0) v.topRow = 0;
    int mostLeft = content - v.width;
    if (v.leftPixel > mostLeft) v.leftPixel = mostLeft;
    if (v.leftPixel < 0) v.leftPixel = 0;

    bool mapped = list->isMapped();
    PlaceBar(v.vbar, needV, mapped, ix + iw - sbw, iy, ih - (needH ? sbw : 0));
    PlaceBar(v.hbar, needH, mapped, ix, iy + ih - sbw, iw - (needV ? sbw : 0));
    if (v.vbar) {
        v.vbar->setRange(list->store.rows(), visible);
        v.vbar->setPosition(v.topRow);
    }
    if (v.hbar) {
        v.hbar->setRange(content, v.width);
        v.hbar->setPosition(v.leftPixel);
        v.hbar->setStep(ListFont(list) ? ListFont(list)->n * 2 : 8);
    }
}

bool MslHit(const MScrollList* list, int px, int py, int* row, int* column) {
    const ScrollAble& v = list->view;
    *row = -1;
    *column = -1;
    if (px < v.x || py < v.y || px >= v.x + v.width || py >= v.y + v.height) return false;
    int h = MslRowHeight(list);
    int r = v.topRow + (h > 0 ? (py - v.y) / h : 0);
    *row = r < list->store.rows() ? r : -1;
    for (int c = 0; c < list->store.columns(); ++c) {
        int left = MslColumnX(list, c), width = MslColumnWidth(list, c);
        if (width > 0 && px >= left && px < left + width) *column = c;
    }
    if (*column < 0) *column = LastVisibleColumn(list);
    return true;
}

int MslTitleAt(const MScrollList* list, int px, int py, bool* border) {
    const ScrollAble& v = list->view;
    *border = false;
    if (v.titleHeight <= 0 || py < v.y - v.titleHeight || py >= v.y || px < v.x ||
        px >= v.x + v.width)
        return -1;
    for (int c = 0; c < list->store.columns(); ++c) {
        int left = MslColumnX(list, c), width = MslColumnWidth(list, c);
        if (width <= 0) continue;
        int right = left + NaturalWidth(list->store.column(c));
        if (px >= right - kTitleBorderGrip && px < right + kTitleBorderGrip) {
            *border = true;
            return c;
        }
        if (px >= left && px < left + width) return c;
    }
    return -1;
}

bool MslOnMark(const MScrollList* list, int px, int py, int* row) {
    int r = -1, c = -1;
    if (!MslHit(list, px, py, &r, &c) || r < 0 || !IsIndentColumn(list, c)) return false;
    if (mslGetFormat(list->store.formatOf(r, c), kMslFormatPlusMinus) == kMslMarkNone) return false;
    int h = MslRowHeight(list);
    int left =
        MslColumnX(list, c) + kMslCellPad + LeadingBlanks(list->store.cell(r, c)) * kMslIndentStep;
    int top = list->view.y + (r - list->view.topRow) * h + (h - kMslMarkSize) / 2;
    if (px < left || px >= left + kMslMarkSize || py < top - 1 || py > top + kMslMarkSize)
        return false;
    *row = r;
    return true;
}

int MslTextX(const MScrollList* list, int row, int column) {
    return MslColumnX(list, column) + Lead(list, list->store.cell(row, column),
                                           list->store.formatOf(row, column),
                                           IsIndentColumn(list, column));
}

int MslCharAt(const MScrollList* list, int row, int column, int px) {
    const char* full = list->store.cell(row, column);
    const char* s = Shown(list, row, column);
    if (!s) return 0;
    int at = MslTextX(list, row, column);
    int offset = (int)(s - full);
    int length = (int)strlen(s);
    for (int i = 0; i < length; ++i) {
        int cw = WTextWidth(s + i, 1, list->FontNumber());
        if (px < at + cw / 2) return offset + i;
        at += cw;
    }
    return offset + length;
}

void MslMeasureCell(MScrollList* list, int row, int column) {
    MslColumn* col = list->store.column(column);
    const char* s = Shown(list, row, column);
    if (!col || !s || !ListFont(list)) return;
    int width = WTextWidth(s, -1, list->FontNumber()) + Lead(list, list->store.cell(row, column),
                                                             list->store.formatOf(row, column),
                                                             IsIndentColumn(list, column));
    if (width > col->widest) col->widest = width;
}

void MslMeasureAll(MScrollList* list) {
    for (int c = 0; c < list->store.columns(); ++c) {
        MslColumn* col = list->store.column(c);
        col->widest = col->title && ListFont(list)
                          ? WTextWidth(col->title, -1, list->FontNumber()) + kMslCellPad + 14
                          : 0;
        for (int r = 0; r < list->store.rows(); ++r) MslMeasureCell(list, r, c);
    }
}

void MslPaint(MScrollList* list, const xinLibSt* redraw) {
    Window w = list->getW();
    if (!w || !list->isMapped()) return;
    Rect event{(int)redraw->a, (int)redraw->b, (int)redraw->c, (int)redraw->d};
    Painter p{list, w, Intersect(event, Rect{list->x, list->y, list->width, list->height}),
              ListFont(list)};
    if (p.area.empty()) return;
    if (p.font) WSetFont(w, list->FontNumber());
    p.clip(Rect{list->x, list->y, list->width, list->height});
    if (Frame(list)) {
        WDrawBevel(w, list->x, list->y, list->width, list->height, false, bg_pixel);
        // Inside the bevel, a ring in the selection colour says the list has the keys.
        WSetForeground(w, list->isActive() ? select_pixel : bg_pixel);
        WDrawRect(w, list->x + 1, list->y + 1, list->width - 2, list->height - 2);
    }
    p.titles();
    if (list->alive()) p.rows();
    if (list->alive()) p.focus();
    if (!list->alive()) return;
    WSetClipRect(w, event.x, event.y, event.width, event.height);
    ScrollAble& v = list->view;
    for (WScrollBar* bar : {v.vbar, v.hbar}) {
        if (bar && bar->isMapped() &&
            !Intersect(Rect{bar->x, bar->y, bar->width, bar->height}, event).empty())
            bar->EventParse(const_cast<xinLibSt*>(redraw), bar);
    }
    if (v.vbar && v.hbar && v.vbar->isMapped() && v.hbar->isMapped()) {
        WSetForeground(w, control_pixel);
        WFillRect(w, v.vbar->x, v.hbar->y, v.vbar->width, v.hbar->height);
    }
}
