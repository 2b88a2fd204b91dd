// Button sets (see wbuttonset.h). The buttons are items of the set, not of the window: the
// window routes the set's events to it and the set hands them to the button concerned, and
// keeps one of its buttons as its own keyboard focus. ButtonSet::place does both the
// layout and the minimum-size computation the window's layout asks for.
#include "windlib/button/wbuttonset.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/button/witemguard.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/ximages.h"
#include "xswitch/xswitch.h"

namespace {

const int kColumnGap = 3; // between a full column and the next
const int kNoButtonHeight = 10;

bool IsToggleType(int type) {
    return type == kBtRadio || type == kBtCheck || type == kBtThreeState;
}

// Space between neighbouring buttons along a column or row.
int Spacing(int type) {
    switch (type) {
    case kBtPush:
        return 6;
    case kBtToolBar:
        return 1;
    default:
        return 2;
    }
}

int Margin(int type) {
    return IsToggleType(type) ? 10 : 5;
}

bool IsSeparator(const Button* b) {
    return b->type == kBtToolBarSeparator;
}

} // namespace

ButtonSet::ButtonSet(GItem* parent, int x_, int y_, int width_, int height_, const char* helpKey_,
                     const char* const* labels, const char* const* iconNames,
                     const BtCallback* callbacks, void* const* userData,
                     const char* const* statusStrings, const char* const* commands,
                     int defaultIndex_, int minPerColumn_, int maxPerColumn_, bool vertical_,
                     bool noFrame_, int buttonType, int minWidthN_, bool deepFrame_,
                     bool ownWidths_)
    : GItem(kKindButtonSet, parent, x_, y_, width_, height_), helpKey(gen_copy(helpKey_)),
      type(buttonType), vertical(vertical_), exclusive(buttonType == kBtRadio),
      toolbar(buttonType == kBtToolBar), noFrame(noFrame_), deepFrame(deepFrame_),
      ownWidths(ownWidths_), minPerColumn(minPerColumn_), maxPerColumn(maxPerColumn_),
      minWidthN(minWidthN_), defaultIndex(defaultIndex_) {
    setTabstop(debugFlag[kSwitchButtonsHaveFocus] && !toolbar);
    for (int i = 0; labels && labels[i]; ++i)
        add(labels[i], callbacks ? callbacks[i] : nullptr, commands ? commands[i] : nullptr,
            statusStrings ? statusStrings[i] : nullptr, iconNames ? iconNames[i] : nullptr,
            userData ? userData[i] : nullptr);
    if (Button* b = at(defaultIndex)) {
        btSetDefault(b);
        focus_ = defaultIndex;
    }
    if (width <= 0 || height <= 0) NaturalSize(&width, &height);
    layout();
}

ButtonSet::~ButtonSet() {
    Destroy();
    ItemGuard::ItemGone(this);
    gen_free(helpKey);
}

void ButtonSet::Destroy() {
    std::vector<Button*> gone;
    gone.swap(buttons);
    pressed_ = nullptr;
    hovered_ = nullptr;
    for (Button* b : gone) {
        b->set = nullptr;
        gitemDelete(b);
    }
}

int ButtonSet::FontNumber() const {
    return bfont_num >= 0 ? bfont_num : active_font;
}

int ButtonSet::FrameStyle() const {
    return noFrame ? 1 : deepFrame ? 2 : 0;
}

Button* ButtonSet::at(int index) const {
    return index >= 0 && index < count() ? buttons[(size_t)index] : nullptr;
}

int ButtonSet::indexOf(const Button* button) const {
    for (int i = 0; i < count(); ++i)
        if (buttons[(size_t)i] == button) return i;
    return -1;
}

Button* ButtonSet::current() const {
    for (Button* b : buttons)
        if (b->isSet()) return b;
    return nullptr;
}

void ButtonSet::forget(Button* button) {
    int index = indexOf(button);
    if (index < 0) return;
    buttons.erase(buttons.begin() + index);
    if (pressed_ == button) pressed_ = nullptr;
    if (hovered_ == button) hovered_ = nullptr;
    if (index < focus_) --focus_;
    if (focus_ >= count()) focus_ = count() - 1;
    if (index < defaultIndex) --defaultIndex;
}

int ButtonSet::add(const char* label, BtCallback callback, const char* command, const char* status,
                   const char* iconName, void* userData) {
    int buttonType = type;
    const WImage* image = nullptr;
    bool separator =
        label && (label[0] == '-' || (label[0] == '_' && debugFlag[kSwitchBetterButtonSpacers]));
    if (toolbar && !separator) {
        if (!iconName) {
            gen_warning("[ButtonSet::ButtonSet()] Icon not specified for button %s\n",
                        label ? label : "");
            buttonType = kBtPush;
        } else if (!(image = WFindImage(iconName))) {
            if (!debugFlag[kSwitchSilentBmpError])
                gen_warning("[ButtonSet::ButtonSet()] Unknown Icon resource %s\n", iconName);
            buttonType = kBtPush;
        }
    }
    Button* b = btCreate(this, x, y, 0, 0, helpKey, status, label, callback, nullptr, userData,
                         command, 0, false, false, buttonType);
    if (!b) return -1;
    b->icon = image;
    b->set = this;
    b->NaturalSize(&b->width, &b->height);
    b->setMapped(isMapped());
    buttons.push_back(b);
    layout();
    Invalidate();
    return count() - 1;
}

void ButtonSet::remove(int index, bool redraw) {
    Button* b = at(index);
    if (!b) return;
    forget(b);
    b->set = nullptr;
    if (redraw) Invalidate();
    gitemDelete(b);
    layout();
}

// ---- Layout -------------------------------------------------------------------------

void ButtonSet::cellSize(int* w, int* h) {
    int widest = 0;
    Button* first = nullptr;
    for (Button* b : buttons) {
        if (IsSeparator(b)) continue;
        if (!first) first = b;
        int tw = WTextWidth(b->label, -1, FontNumber());
        if (tw > widest) widest = tw;
    }
    int least = minWidthN * bfont_n;
    int s = (widest > least ? widest : least) + 5;
    int ignored = 0;
    btSizeFor(toolbar ? kBtPush : type, s, bfont_h, false, nullptr, 0, w, &ignored);
    *h = kNoButtonHeight;
    if (first) first->NaturalSize(&ignored, h);
}

int ButtonSet::perLine(int room, int cell, int gap) const {
    int fit = cell + gap > 0 ? (room + gap) / (cell + gap) : 1;
    if (maxPerColumn != -1 && fit > maxPerColumn) fit = maxPerColumn;
    if (fit < minPerColumn) fit = minPerColumn;
    return fit < 1 ? 1 : fit;
}

// Vertical: top-down, a full column continuing one button width + 3 to the right.
// Horizontal: left to right, a full row continuing one button height + 3 below.
// Separators and tool-bar buttons keep their own size; the rest get the cell size.
void ButtonSet::place(bool move, int maxWidth, int maxHeight, int* usedWidth, int* usedHeight) {
    int bw = 0, bh = 0;
    cellSize(&bw, &bh);
    int margin = Margin(type), gap = Spacing(type);
    int perColumn =
        vertical ? perLine(maxHeight, bh, gap) : perLine(maxWidth - 2 * margin, bw, gap);
    int left = x + margin, top = y;
    int cx = left, cy = top, inLine = 0, right = left, bottom = top;
    for (Button* b : buttons) {
        if (inLine == perColumn) {
            if (vertical) {
                cx += bw + kColumnGap;
                cy = top;
            } else {
                cx = left;
                cy += bh + kColumnGap;
            }
            inLine = 0;
        }
        int w = bw, h = bh;
        if (IsSeparator(b) || b->icon || (!vertical && ownWidths)) b->NaturalSize(&w, &h);
        if (IsSeparator(b) && vertical) w = bw;
        if (IsSeparator(b) && !vertical) h = bh;
        if (move) {
            if (cx != b->x || cy != b->y) b->MoveMe(cx - b->x, cy - b->y);
            b->Resize(w, h);
        }
        if (cx + w > right) right = cx + w;
        if (cy + h > bottom) bottom = cy + h;
        if (vertical)
            cy += h + gap;
        else
            cx += w + gap;
        ++inLine;
    }
    *usedWidth = right + margin - x;
    *usedHeight = (buttons.empty() ? kNoButtonHeight : bottom - top);
}

void ButtonSet::layout() {
    int w = 0, h = 0;
    place(true, width, height, &w, &h);
}

void ButtonSet::minimumSize(int maxWidth, int maxHeight, int* w, int* h) {
    place(false, maxWidth, maxHeight, w, h);
}

void ButtonSet::NaturalSize(int* w, int* h) {
    minimumSize(3000, 3000, w, h);
}

void ButtonSet::MoveMe(int dx, int dy) {
    GItem::MoveMe(dx, dy);
    for (Button* b : buttons) b->MoveMe(dx, dy);
}

void ButtonSet::Resize(int w, int h) {
    GItem::Resize(w, h);
    layout();
}

void ButtonSet::MapMe(int show) {
    GItem::MapMe(show);
    for (Button* b : buttons) b->setMapped(show != 0);
}

// ---- Events -------------------------------------------------------------------------

Button* ButtonSet::buttonAt(int px, int py) const {
    for (Button* b : buttons)
        if (b->contains(px, py)) return b;
    return nullptr;
}

bool ButtonSet::focusable(int index) const {
    Button* b = at(index);
    return b && !b->isDimmed() && !IsSeparator(b);
}

int ButtonSet::edge(bool last) const {
    for (int k = 0; k < count(); ++k) {
        int i = last ? count() - 1 - k : k;
        if (focusable(i)) return i;
    }
    return -1;
}

// Where the focus goes when nothing says otherwise: the set button of a radio group, the
// default button, else the first that can take it.
int ButtonSet::preferred() const {
    Button* chosen = exclusive ? current() : nullptr;
    if (chosen && focusable(indexOf(chosen))) return indexOf(chosen);
    if (focusable(defaultIndex)) return defaultIndex;
    return edge(false);
}

bool ButtonSet::holdsDefault() const {
    for (Button* b : buttons)
        if (b->flags & kBtDefault) return true;
    return false;
}

// While the set has the focus the default ring is on the focused push button, which is
// the one Return presses; without the focus it goes back to the set's default button.
void ButtonSet::followDefault() {
    if (!holdsDefault()) return;
    Button* focused = at(focus_);
    Button* target =
        isActive() && focusable(focus_) && focused->type == kBtPush ? focused : at(defaultIndex);
    if (!target || target->isDimmed()) return;
    for (Button* b : buttons) {
        bool on = b == target;
        if (on == ((b->flags & kBtDefault) != 0)) continue;
        b->flags ^= kBtDefault;
        b->Invalidate();
    }
}

void ButtonSet::focusButton(int index) {
    Button* old = at(focus_);
    focus_ = index;
    Button* now = at(focus_);
    if (old && old != now) old->Activate(old, 0);
    if (now && isActive()) now->Activate(now, 1);
    followDefault();
}

void ButtonSet::moveFocus(int step) {
    int n = count();
    for (int k = 1; k <= n; ++k) {
        int start = focus_ < 0 ? 0 : focus_;
        int candidate = ((start + step * k) % n + n) % n;
        if (!focusable(candidate)) continue;
        focusButton(candidate);
        return;
    }
}

// Tab walks the set's buttons, then the window's other items; a set that is the window's
// only stop starts over at its other end.
void ButtonSet::tab(bool backwards) {
    int step = backwards ? -1 : 1;
    for (int i = focus_ + step; i >= 0 && i < count(); i += step) {
        if (focusable(i)) {
            focusButton(i);
            return;
        }
    }
    ColWind* w = TopWindow();
    if (w) cwTabFocus(w, backwards);
    if (!w || w->focus == this) focusButton(edge(backwards));
}

void ButtonSet::Activate(GItem*, int on) {
    bool entering = on && !isActive();
    setActive(on != 0);
    ColWind* w = TopWindow();
    int step = w ? w->focusStep : 0;
    if (entering && step != 0)
        focus_ = edge(step < 0); // Tab enters at the first button, Shift+Tab at the last
    else if (!focusable(focus_))
        focus_ = preferred();
    if (Button* b = at(focus_)) b->Activate(b, on);
    followDefault();
}

int ButtonSet::key(xinLibSt* event) {
    if (!focusable(focus_)) focus_ = preferred();
    switch (event->d) {
    case kKeyUp:
    case kKeyLeft:
        moveFocus(-1);
        return 1;
    case kKeyDown:
    case kKeyRight:
        moveFocus(1);
        return 1;
    case kKeyTab:
        if (event->c & (kModControl | kModAlt | kModMeta)) return 0;
        tab((event->c & kModShift) != 0);
        return 1;
    default: {
        Button* b = at(focus_);
        return b ? b->EventParse(event, b) : 0;
    }
    }
}

// The window tells the set as a whole when the pointer crosses it; the set tells its
// buttons as the pointer moves from one to the next.
void ButtonSet::hoverOver(Button* button, const xinLibSt* event) {
    if (button == hovered_) return;
    Button* old = hovered_;
    hovered_ = button;
    xinLibSt crossing = {};
    crossing.kind = kXinEnter;
    crossing.window = event->window;
    ItemGuard guard(this);
    if (old) old->EventParse(&crossing, old);
    if (!guard.alive() || hovered_ != button || !button) return;
    crossing.a = 1;
    button->EventParse(&crossing, button);
}

int ButtonSet::EventParse(xinLibSt* event, GItem*) {
    ItemGuard guard(this);
    switch (event->kind) {
    case kXinRedraw:
        if (deepFrame && !noFrame) WDrawBevel(getW(), x, y, width, height, false, bg_pixel);
        for (Button* b : buttons) {
            if (b->x >= event->a + event->c || b->y >= event->b + event->d ||
                b->x + b->width <= event->a || b->y + b->height <= event->b)
                continue;
            b->EventParse(event, b);
        }
        return 1;
    case kXinEnter:
        if (!event->a) hoverOver(nullptr, event); // entering: the motion that follows tells where
        return 1;
    case kXinMouse: {
        hoverOver(buttonAt((int)event->a, (int)event->b), event);
        if (!guard.alive()) return 1;
        Button* target = pressed_;
        if (event->d == 1 && event->f == 1) {
            target = pressed_ = buttonAt((int)event->a, (int)event->b);
            int index = indexOf(target);
            if (focusable(index) && index != focus_) focusButton(index);
        } else if (event->d == -1 && event->f == 1) {
            pressed_ = nullptr;
        }
        // A release may run a callback that takes the set with it: nothing follows.
        return target ? target->EventParse(event, target) : 1;
    }
    case kXinKey:
        return key(event);
    default:
        return 0;
    }
}

// ---- Entry points -------------------------------------------------------------------

int bsAddButton(ButtonSet* set, const char* label, BtCallback callback, const char* command,
                const char* status, const char* icon, void* userData) {
    return set ? set->add(label, callback, command, status, icon, userData) : -1;
}

void bsDeleteButton(ButtonSet* set, int index, bool redraw) {
    if (set) set->remove(index, redraw);
}

Button* bsBtFIndex(ButtonSet* set, int index) {
    return set ? set->at(index) : nullptr;
}

Button* bsBtFName(ButtonSet* set, const char* label) {
    if (!set || !label) return nullptr;
    for (Button* b : set->buttons)
        if (strcmp(b->label, label) == 0) return b;
    return nullptr;
}

void bsToggleButton(ButtonSet* set, int index) {
    Button* b = bsBtFIndex(set, index);
    if (!b) return;
    xinLibSt click = {};
    click.kind = kXinMouse;
    click.window = b->getW();
    click.a = b->x + b->width / 2;
    click.b = b->y + b->height / 2;
    click.d = -1;
    click.f = 1;
    b->activate(&click);
}

void bsChangeName(ButtonSet* set, int index, const char* label, bool redraw) {
    Button* b = bsBtFIndex(set, index);
    if (!b) return;
    btChangeName(b, label, false);
    set->layout();
    if (redraw) set->Invalidate();
}

int bsCount(ButtonSet* set) {
    return set ? set->count() : 0;
}

void bsSetDefault(ButtonSet* set, int index) {
    Button* b = bsBtFIndex(set, index);
    if (!b) return;
    set->defaultIndex = index;
    btSetDefault(b);
    set->focusButton(index);
}

void bsSetInitialFocus(ButtonSet* set) {
    ColWind* w = set ? set->TopWindow() : nullptr;
    if (!w) return;
    w->initialFocus = set;
    cwSetFocus(w, set);
}

void bsSetPerColumn(ButtonSet* set, int minimum, int maximum) {
    if (!set) return;
    set->minPerColumn = minimum;
    set->maxPerColumn = maximum;
    set->layout();
    set->Invalidate();
}
