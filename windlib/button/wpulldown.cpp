// Pull-downs (see wpulldown.h). The field is an item of the pull-down, placed 12 pixels
// to its left and 9 wider, so that the field's box starts at the pull-down's left edge and
// leaves room for the drop button on the right. The open list is a pop-up window of its
// own that takes every pointer event (a press outside closes it) but never the keyboard
// focus: keys keep going to the pull-down, which steers the list while it is open.
#include "windlib/button/wpulldown.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/button/witemguard.h"
#include "windlib/button/wpopup.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/ximages.h"
#include "windlib/x11/xwindow.h"

namespace {

const int kMinWidth = 32;
const int kFieldLeft = kTfMargin; // the field starts this far left of the pull-down
const int kFieldExtra = 9;        // ... and is this much wider
const int kButtonWidth = 2 * kTfMargin - kFieldExtra;
const int kMaxRows = 12;
const int kRowPad = 4;
const int kTextPad = 6;

int RowHeight() {
    return bfont_h + kRowPad;
}

bool IsReturn(const xinLibSt* event) {
    const char* text = (const char*)event->e;
    return event->d == kKeyReturn || (event->f == 1 && text && (text[0] == 13 || text[0] == 10));
}

} // namespace

PullDown::PullDown(GItem* container_, int x_, int y_, int width_, int height_, bool editable)
    : GItem(kKindPullDown, container_, x_, y_, width_ < kMinWidth ? kMinWidth : width_, height_),
      staticText(!editable) {
    field = new TextField(this, x - kFieldLeft, y + 1, width + kFieldExtra, height - 2);
    field->pulldown = this;
    field->setTabstop(false); // the pull-down is the window's tab stop
    if (staticText) field->flags |= kTfReadOnly;
}

PullDown::~PullDown() {
    Destroy();
    ItemGuard::ItemGone(this);
    for (PdEntry& e : entries) gen_free(e.text);
    gen_free(status);
    gen_free(helpKey);
}

void PullDown::Destroy() {
    closeList();
    if (field) {
        TextField* gone = field;
        field = nullptr;
        gitemDelete(gone);
    }
}

int PullDown::FontNumber() const {
    return bfont_num >= 0 ? bfont_num : active_font;
}

void PullDown::NaturalSize(int* w, int* h) {
    int widest = -1;
    for (const PdEntry& e : entries) {
        int tw = WTextWidth(e.text, -1, FontNumber());
        if (tw > widest) widest = tw;
    }
    *w = widest < 0 ? width : widest + kTfMargin + kTfMargin + 2;
    *h = TextField::FieldHeight();
}

int PullDown::buttonX() const {
    return x + width - kButtonWidth;
}

void PullDown::layoutField() {
    if (!field) return;
    int fx = x - kFieldLeft, fy = y + 1;
    if (fx != field->x || fy != field->y) field->MoveMe(fx - field->x, fy - field->y);
    field->Resize(width + kFieldExtra, height > 2 ? height - 2 : height);
}

void PullDown::MoveMe(int dx, int dy) {
    GItem::MoveMe(dx, dy);
    if (field) field->MoveMe(dx, dy);
}

void PullDown::Resize(int w, int h) {
    GItem::Resize(w < kMinWidth ? kMinWidth : w, h);
    layoutField();
}

void PullDown::MapMe(int show) {
    GItem::MapMe(show);
    if (field) field->setMapped(show != 0);
    if (!show) closeList();
}

void PullDown::Activate(GItem*, int on) {
    setActive(on != 0);
    if (!on) closeList();
    if (!field) return;
    field->Activate(field, on);
    if (on && selectAllOnFocus) field->select(0, field->length);
}

// ---- Entries ------------------------------------------------------------------------

int PullDown::add(const char* text, PdEntryFn callback, const char* bitmapName) {
    PdEntry entry = {gen_copy(text ? text : ""), callback,
                     bitmapName ? WFindImage(bitmapName) : nullptr, false};
    entries.push_back(entry);
    return (int)entries.size() - 1;
}

bool PullDown::select(int index) {
    if (index < 0 || index >= (int)entries.size() || readOnly || entries[(size_t)index].disabled)
        return false;
    selected = index;
    if (field) field->setValue(entries[(size_t)index].text, true, true);
    ItemGuard guard(this);
    if (PdEntryFn own = entries[(size_t)index].callback) own(this, index);
    if (guard.alive() && changed) changed(this, index);
    return true;
}

void PullDown::setString(const char* text) {
    if (!field) return;
    field->setValue(text, true, true);
    if (selectAllOnFocus && field->isActive()) field->select(0, field->length);
    if (textChanged) textChanged(this);
}

// ---- The list -----------------------------------------------------------------------

bool PullDown::listOpen() const {
    return cwFromHandle(list_) != nullptr;
}

void PullDown::openList() {
    if (listOpen()) return;
    ItemGuard guard(this);
    if (press) press(this);
    if (!guard.alive() || entries.empty()) return;
    ColWind* top = TopWindow();
    int rx = 0, ry = 0, rw = 0, rh = 0;
    if (!top || !WWindowGetGeometry(top->window, &rx, &ry, &rw, &rh)) return;
    int widest = 0;
    for (const PdEntry& e : entries) {
        int tw = WTextWidth(e.text, -1, FontNumber()) + (e.bitmap ? e.bitmap->width + kTextPad : 0);
        if (tw > widest) widest = tw;
    }
    rows_ = (int)entries.size() < kMaxRows ? (int)entries.size() : kMaxRows;
    int lw = widest + 2 * kTextPad > width ? widest + 2 * kTextPad : width;
    int lh = rows_ * RowHeight() + 2;
    int lx = rx + x, ly = ry + y + height;
    if (ly + lh > screen_height && ry + y - lh >= 0) ly = ry + y - lh;
    ColWind* list = cwxCreatexy(lw, lh, top->window, "", "", nullptr, ListEvent, lx, ly, "");
    if (!list) return;
    list->user = this;
    list->filter = ListFilter;
    list->filterArg = this;
    list_ = cwHandle(list);
    highlight_ = selected;
    for (int i = 0; highlight_ < 0 && field && i < (int)entries.size(); ++i)
        if (strcmp(entries[(size_t)i].text, field->value) == 0) highlight_ = i;
    if (highlight_ < 0) highlight_ = 0;
    top_ = highlight_ >= rows_ ? highlight_ - rows_ + 1 : 0;
    armed_ = false;
    WPopupPrepare(list->window);
    WWindowShow(list->window);
    grabbed_ = WPopupGrab(list->window);
}

void PullDown::closeList() {
    if (grabbed_) WPopupUngrab();
    grabbed_ = false;
    mHandle* handle = list_;
    list_ = nullptr;
    highlight_ = -1;
    if (ColWind* list = cwFromHandle(handle)) {
        cwDestroy(list);
        Invalidate(); // the drop button comes up again
    }
    MHandleDestroy(handle);
}

void PullDown::choose(int index) {
    closeList();
    select(index);
}

void PullDown::moveHighlight(int step) {
    int n = (int)entries.size();
    for (int at = highlight_ + step; at >= 0 && at < n; at += step) {
        if (entries[(size_t)at].disabled) continue;
        highlight_ = at;
        break;
    }
    if (highlight_ < top_) top_ = highlight_;
    if (highlight_ >= top_ + rows_) top_ = highlight_ - rows_ + 1;
    if (ColWind* list = cwFromHandle(list_)) cwRedraw(list);
}

int PullDown::rowAt(int py) const {
    int row = top_ + (py - 1) / RowHeight();
    return py >= 1 && row < (int)entries.size() && row < top_ + rows_ ? row : -1;
}

int PullDown::listKey(xinLibSt* event) {
    switch (event->d) {
    case kKeyUp:
        moveHighlight(-1);
        return 1;
    case kKeyDown:
        moveHighlight(1);
        return 1;
    case kKeyPrior:
        moveHighlight(-(rows_ > 1 ? rows_ - 1 : 1));
        return 1;
    case kKeyNext:
        moveHighlight(rows_ > 1 ? rows_ - 1 : 1);
        return 1;
    case kKeyEscape:
        closeList();
        return 1;
    default:
        break;
    }
    if (IsReturn(event)) {
        if (highlight_ >= 0)
            choose(highlight_);
        else
            closeList();
        return 1;
    }
    // Anything else closes the list and goes on to the field as usual.
    closeList();
    return field ? field->EventParse(event, field) : 0;
}

void PullDown::listMouse(xinLibSt* event, ColWind* list) {
    bool inside =
        event->a >= 0 && event->b >= 0 && event->a < list->width && event->b < list->height;
    int row = inside ? rowAt((int)event->b) : -1;
    if (event->d == 1 && (event->f == 4 || event->f == 5)) {
        int most = (int)entries.size() - rows_;
        top_ += event->f == 4 ? -1 : 1;
        top_ = top_ < 0 ? 0 : top_ > most ? most : top_;
        cwRedraw(list);
        return;
    }
    if (event->d == 1 && !inside) {
        closeList();
        return;
    }
    if (event->d == 1 || (event->d == 0 && inside)) {
        armed_ = true;
        if (row >= 0 && row != highlight_ && !entries[(size_t)row].disabled) {
            highlight_ = row;
            cwRedraw(list);
        }
        return;
    }
    if (event->d == -1 && event->f == 1 && armed_ && row >= 0 && !entries[(size_t)row].disabled)
        choose(row);
}

// The pop-up sees its pointer events here, before its window would take the focus for them.
int PullDown::ListFilter(xinLibSt* event, ColWind* list, void* self) {
    switch (event->kind) {
    case kXinMouse:
        static_cast<PullDown*>(self)->listMouse(event, list);
        return 1;
    case kXinMap:
    case kXinFocus:
    case kXinKey:
        return 1;
    default:
        return 0;
    }
}

int PullDown::ListEvent(xinLibSt* event, ColWind* list) {
    PullDown* pd = static_cast<PullDown*>(list->user);
    if (event->kind != kXinRedraw || !pd) return 0;
    pd->paintList(list);
    return 1;
}

void PullDown::paintList(ColWind* list) {
    Window w = list->window;
    WResetClip(w);
    WSetColor(w, fg_pixel, white_pixel);
    WSetForeground(w, white_pixel);
    WFillRect(w, 0, 0, list->width, list->height);
    WSetForeground(w, fg_pixel);
    WDrawRect(w, 0, 0, list->width, list->height);
    WSetFont(w, FontNumber());
    for (int row = 0; row < rows_ && top_ + row < (int)entries.size(); ++row) {
        const PdEntry& e = entries[(size_t)(top_ + row)];
        int ry = 1 + row * RowHeight();
        if (top_ + row == highlight_) {
            WSetForeground(w, select_pixel);
            WFillRect(w, 1, ry, list->width - 2, RowHeight());
        }
        int tx = kTextPad;
        if (e.bitmap) {
            WSetColor(w, fg_pixel, top_ + row == highlight_ ? select_pixel : white_pixel);
            WDrawImage(w, e.bitmap, tx, ry + (RowHeight() - e.bitmap->height) / 2);
            tx += e.bitmap->width + kTextPad;
        }
        bool marked = top_ + row == highlight_;
        WSetForeground(w, e.disabled ? grey_pixel : marked ? white_pixel : fg_pixel);
        WDrawString(w, tx, ry + kRowPad / 2 + bfont_ascent, e.text, -1);
    }
}

// ---- Events -------------------------------------------------------------------------

void PullDown::paintButton() {
    Window w = getW();
    int bx = buttonX();
    WSetColor(w, control_pixel, bg_pixel);
    WFillRect(w, bx, y, kButtonWidth, height);
    WDrawBevel(w, bx, y, kButtonWidth, height, !listOpen(), control_pixel);
    // A small downward triangle, drawn line by line.
    WSetForeground(w, readOnly ? grey_pixel : fg_pixel);
    int cx = bx + kButtonWidth / 2, cy = y + height / 2 - 2;
    for (int row = 0; row < 4; ++row) WDrawLine(w, cx - 3 + row, cy + row, cx + 3 - row, cy + row);
}

int PullDown::EventParse(xinLibSt* event, GItem*) {
    switch (event->kind) {
    case kXinRedraw:
        if (field) field->EventParse(event, field);
        paintButton();
        return 1;
    case kXinMouse:
        if (event->d == 1 && event->f == 1 && (staticText || event->a >= buttonX())) {
            if (listOpen()) {
                closeList();
            } else {
                openList();
                // The list has the pointer now; the release will not come back here.
                if (listOpen() && TopWindow()) TopWindow()->pressed = nullptr;
            }
            Invalidate();
            return 1;
        }
        return field ? field->EventParse(event, field) : 0;
    case kXinKey:
        if (listOpen()) return listKey(event);
        return field ? field->EventParse(event, field) : 0;
    default:
        return 0;
    }
}

// ---- Entry points -------------------------------------------------------------------

PullDown* pulldown_tfCreate(GItem* parent, int x, int y, int width, int height, const char* helpKey,
                            const char* status, const char* name, int count,
                            const char* const* strings, const PdEntryFn* callbacks,
                            const char* const* bitmaps, PdPressFn press, PdChangeFn changed,
                            const char* initial, bool editable) {
    (void)height; // as tall as its drop button, which is 2 taller than the field
    PullDown* pd =
        new (std::nothrow) PullDown(parent, x, y, width, TextField::FieldHeight() + 2, editable);
    if (!pd) return nullptr;
    for (int i = 0; strings && i < count; ++i)
        pd->add(strings[i], callbacks ? callbacks[i] : nullptr, bitmaps ? bitmaps[i] : nullptr);
    gitemSetName(pd, name);
    pd->status = gen_copy(status);
    pd->helpKey = gen_copy(helpKey);
    pd->press = press;
    pd->changed = changed;
    const char* text = initial ? initial : !pd->entries.empty() ? pd->entries[0].text : "";
    pd->field->setValue(text, false, true);
    pd->field->flags &= ~kTfChanged;
    return pd;
}

void pulldown_AddString(PullDown* pulldown, const char* text, PdEntryFn callback,
                        const char* bitmapName) {
    if (pulldown) pulldown->add(text, callback, bitmapName);
}

void pulldown_SetString(PullDown* pulldown, const char* text) {
    if (pulldown) pulldown->setString(text);
}

void pulldown_SelectByName(PullDown* pulldown, const char* text) {
    if (!pulldown || !text) return;
    for (size_t i = 0; i < pulldown->entries.size(); ++i) {
        if (strcmp(pulldown->entries[i].text, text) == 0) {
            pulldown->select((int)i);
            return;
        }
    }
}

char* pulldown_GetValue(PullDown* pulldown) {
    return pulldown && pulldown->field ? pulldown->field->getValue() : nullptr;
}

void pdSetCallBack(PullDown* pulldown, PdChangeFn changed) {
    if (pulldown) pulldown->changed = changed;
}

void pulldown_SetPostEvent(PullDown* pulldown, TfPostEventFn fn) {
    if (pulldown && pulldown->field) pulldown->field->setPostEvent(fn);
}

void pulldown_SetWantReturn(PullDown* pulldown, bool on) {
    if (pulldown) tfSetWantsReturn(pulldown->field, on);
}

void pulldown_SetTextChangedHook(PullDown* pulldown, PdTextChangedFn fn) {
    if (pulldown) pulldown->textChanged = fn;
}

void pulldown_SetReadOnly(PullDown* pulldown, bool on) {
    if (pulldown) pulldown->readOnly = on;
}

void pulldown_SetSelectAllOnFocus(PullDown* pulldown, bool on) {
    if (pulldown) pulldown->selectAllOnFocus = on;
}

void pulldown_EnableEntry(PullDown* pulldown, int index, bool enabled) {
    if (pulldown && index >= 0 && index < (int)pulldown->entries.size())
        pulldown->entries[(size_t)index].disabled = !enabled;
}
