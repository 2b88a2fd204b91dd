// Buttons (see wbutton.h). The life of a click: press (drawn pressed, hold timer, press
// callback), motion (drawn pressed only while over the button), release over it
// (activate: toggle, callback). Every call out may delete the button or its window, so
// nothing touches the button after one unless a guard says it is still there. Painting
// only shows the flags; the handlers change the flags and invalidate.
#include "windlib/button/wbutton.h"

#include <cstring>
#include <vector>

#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/button/witemguard.h"
#include "windlib/config/config_tables.h"
#include "windlib/window/wcolwind.h"
#include "windlib/wtimer.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/ximages.h"
#include "windlib/x11/xstatemanager.h"
#include "xswitch/xswitch.h"

BtFilterFn btFilterHook = nullptr;
void (*btEventLog)(const char* record) = nullptr;
int btWidgetStyle = 3;

namespace {

const long kFirstHoldMs = 400;
const long kHoldRepeatMs = 100;

bool ButtonsHaveFocus() {
    return debugFlag[kSwitchButtonsHaveFocus] != 0;
}

bool IsReturn(const xinLibSt* event) {
    const char* text = (const char*)event->e;
    return event->d == kKeyReturn || (event->f == 1 && text && (text[0] == 13 || text[0] == 10));
}

const char* CancelLabel() {
    return cfg_button_cancel ? cfg_button_cancel : "Cancel";
}

void LogActivation(const char* what, const char* label) {
    if (!btEventLog) return;
    char* name = gen_copy(label ? label : "");
    for (char* p = name; *p; ++p)
        if (*p == ' ') *p = '_';
    char* record = gen_asprintf("v3 button %s %s", what, name);
    btEventLog(record);
    gen_free(record);
    gen_free(name);
}

// True when the item and every container up to its window are shown.
bool Shown(const GItem* item) {
    for (; item; item = item->container)
        if (!item->isMapped()) return false;
    return true;
}

// The window's buttons in the order of its item lists, those inside sets included.
void CollectButtons(GItem* container, std::vector<Button*>* out) {
    for (GItem* item = container->activeList; item; item = item->next) {
        if (item->kind == kKindButton) out->push_back(static_cast<Button*>(item));
        CollectButtons(item, out);
    }
}

std::vector<Button*> WindowButtons(ColWind* w) {
    std::vector<Button*> all;
    if (w) CollectButtons(w, &all);
    return all;
}

// The default moves on from `from` to the next button that may take it.
void PassDefault(Button* from) {
    std::vector<Button*> all = WindowButtons(from->TopWindow());
    int at = -1, n = (int)all.size();
    for (int i = 0; i < n; ++i)
        if (all[i] == from) at = i;
    for (int step = 1; step < n; ++step) {
        Button* next = all[(at + step + n) % n];
        if ((next->flags & kBtMayBeDefault) && !next->isDimmed()) {
            next->flags |= kBtDefault;
            next->Invalidate();
            return;
        }
    }
}

void DrawLabel(Window w, const char* label, int x, int y, int height, bool dimmed) {
    if (!label || !*label || bfont_num < 0) return;
    WSetFont(w, bfont_num);
    WSetColor(w, dimmed ? grey_pixel : fg_pixel, control_pixel);
    WDrawString(w, x, y + (height - bfont_h) / 2 + bfont_ascent, label, -1);
}

void DrawFocusRing(Window w, int x, int y, int width, int height) {
    if (!stateManager || width < 3 || height < 3) return;
    WSetForeground(w, fg_pixel);
    stateManager->setLineStyle(w, LineOnOffDash);
    WDrawRect(w, x, y, width, height);
    stateManager->setLineStyle(w, LineSolid);
}

void DrawCheckBox(Window w, int x, int y, int r, const Button* b) {
    bool down = (b->flags & kBtDrawnPressed) != 0;
    WSetForeground(w, down ? control_pixel : white_pixel);
    WFillRect(w, x, y, r, r);
    WDrawBevel(w, x, y, r, r, false, bg_pixel);
    WSetForeground(w, b->isDimmed() ? grey_pixel : fg_pixel);
    if (b->type == kBtThreeState && b->threeState == 2) {
        WSetForeground(w, grey_pixel);
        WFillRect(w, x + 3, y + 3, r - 6, r - 6);
    } else if (b->isSet()) {
        for (int t = 0; t < 2; ++t) { // two pixels thick
            WDrawLine(w, x + 3, y + r / 2 + t - 1, x + r / 2 - 1, y + r - 4 + t);
            WDrawLine(w, x + r / 2 - 1, y + r - 4 + t, x + r - 4, y + 3 + t);
        }
    }
}

// A radio mark is a diamond: drawn with lines only, the drawing layer has no arcs.
void DrawDiamond(Window w, int x, int y, int r, const Button* b) {
    int half = r / 2, cx = x + half, cy = y + half;
    WSetForeground(w, (b->flags & kBtDrawnPressed) ? control_pixel : white_pixel);
    for (int d = -half + 1; d < half; ++d) {
        int span = half - (d < 0 ? -d : d);
        WDrawLine(w, cx - span, cy + d, cx + span, cy + d);
    }
    WSetForeground(w, shadow_pixel);
    WDrawLine(w, cx - half, cy, cx, cy - half);
    WDrawLine(w, cx, cy - half, cx + half, cy);
    WDrawLine(w, cx + half, cy, cx, cy + half);
    WDrawLine(w, cx, cy + half, cx - half, cy);
    if (!b->isSet()) return;
    WSetForeground(w, b->isDimmed() ? grey_pixel : fg_pixel);
    for (int d = -half + 3; d <= half - 3; ++d) {
        int span = half - 3 - (d < 0 ? -d : d);
        WDrawLine(w, cx - span, cy + d, cx + span, cy + d);
    }
}

} // namespace

// ---- Sizes --------------------------------------------------------------------------

int btMarkSize(int lineHeight) {
    int r = lineHeight - 3;
    return r >= 10 ? (r | 1) : 11;
}

void btSizeFor(int type, int labelWidth, int lineHeight, bool mayBeDefault, const WImage* icon,
               int labelLength, int* width, int* height) {
    int s = labelWidth, h = lineHeight;
    int side = h > 14 ? h : 14;
    bool focusRoom = ButtonsHaveFocus();
    switch (type) {
    case kBtToolBar:
        if (icon) {
            *width = icon->width + 8;
            *height = icon->height + 8;
            return;
        }
        // an icon that could not be found leaves a text button
        // fall through
    case kBtPush:
        *width = focusRoom ? (side + s + 3) & ~1 : side + s;
        *height = mayBeDefault ? h + 14 : h + 7;
        return;
    case kBtRadio:
    case kBtCheck:
    case kBtThreeState: {
        int r = btMarkSize(h);
        *width = focusRoom ? (r + s + 7) & ~1 : r + s + 4;
        *height = r + 4;
        return;
    }
    case kBtToolBarSeparator:
        *width = vfIconifiedButtons ? 5 * labelLength : 0;
        *height = 2;
        return;
    default:
        *width = side + s;
        *height = h + 12;
        return;
    }
}

// ---- Button -------------------------------------------------------------------------

Button::Button(GItem* container_, int x_, int y_, int width_, int height_, const char* label_,
               int type_)
    : GItem(kKindButton, container_, x_, y_, width_, height_),
      label(gen_copy(label_ ? label_ : "")), type(type_) {
    if (type == kBtRadio || type == kBtCheck || type == kBtThreeState) flags |= kBtToggle;
    setTabstop(ButtonsHaveFocus() && type != kBtToolBar && type != kBtToolBarSeparator);
}

Button::~Button() {
    stopHold();
    if (set) set->forget(this);
    ItemGuard::ItemGone(this);
    gen_free(label);
    gen_free(status);
    gen_free(command);
    gen_free(helpKey);
}

void Button::Destroy() {
    stopHold();
}

int Button::FontNumber() const {
    return bfont_num >= 0 ? bfont_num : active_font;
}

int Button::FrameStyle() const {
    return type == kBtToolBar || type == kBtToolBarSeparator ? 1 : 0;
}

const char* Button::GetTooltipInfo(int, int, int* delay) {
    if (delay) *delay = 0;
    return status && *status ? status : nullptr;
}

void Button::NaturalSize(int* w, int* h) {
    int s = WTextWidth(label, -1, FontNumber());
    if (s < minWidth) s = minWidth;
    btSizeFor(type, s, bfont_h, (flags & kBtMayBeDefault) != 0, icon, (int)strlen(label), w, h);
    if (icon && type != kBtToolBar && type != kBtToolBarSeparator) *w += 14;
}

void Button::setState(bool on) {
    if (type == kBtThreeState) threeState = on ? 1 : 0;
    if (on == isSet()) return;
    flags = on ? flags | kBtSet : flags & ~kBtSet;
    Invalidate();
}

bool Button::toggle() {
    if (type == kBtThreeState) {
        threeState = (threeState + 1) % 3;
        flags = threeState ? flags | kBtSet : flags & ~kBtSet;
    } else if (set && set->exclusive) {
        if (isSet()) return false;
        if (Button* previous = set->current()) previous->setState(false);
        flags |= kBtSet;
    } else {
        flags ^= kBtSet;
    }
    flags |= kBtChanged;
    if (set) set->changed = true;
    Invalidate();
    return true;
}

void Button::activate(xinLibSt* event) {
    if (isToggle()) toggle();
    if (set && set->exclusive && !isSet()) return;
    char* name = gen_copy(label); // the callback may take the button with it
    LogActivation("begin", name);
    if (callback) callback(this, event);
    LogActivation("end", name);
    gen_free(name);
}

void Button::startHold(const xinLibSt* event) {
    stopHold();
    if (!holdFunction) return;
    holdEvent_ = *event;
    holdTimer_ = ExtraProcess_Create(kExtraTimer, kFirstHoldMs, HoldTick, nullptr, this);
}

void Button::stopHold() {
    if (!holdTimer_) return;
    ExtraProcess_Kill(holdTimer_, 1);
    MHandleDestroy(holdTimer_);
    holdTimer_ = nullptr;
}

int Button::HoldTick(void* self, int) {
    Button* b = static_cast<Button*>(self);
    mHandle* timer = MHandleCopy(b->holdTimer_);
    ItemGuard guard(b);
    if ((b->flags & kBtDrawnPressed) && b->holdFunction) b->holdFunction(b, &b->holdEvent_);
    if (guard.alive()) ExtraProcess_SetTimeout(timer, kHoldRepeatMs);
    MHandleDestroy(timer);
    return 0;
}

void Button::press(xinLibSt* event) {
    if (isDimmed() || type == kBtToolBarSeparator) return;
    flags |= kBtPressed | kBtDrawnPressed;
    Invalidate();
    startHold(event);
    if (pressCallback) pressCallback(this, event);
}

void Button::motion(xinLibSt* event) {
    if (!(flags & kBtPressed)) return;
    bool inside = contains((int)event->a, (int)event->b);
    if (inside == ((flags & kBtDrawnPressed) != 0)) return;
    flags = inside ? flags | kBtDrawnPressed : flags & ~kBtDrawnPressed;
    Invalidate();
}

void Button::release(xinLibSt* event) {
    if (!(flags & kBtPressed)) return;
    flags &= ~(kBtPressed | kBtDrawnPressed);
    stopHold();
    Invalidate();
    if (contains((int)event->a, (int)event->b)) activate(event);
}

int Button::key(xinLibSt* event) {
    if (isDimmed()) return 0;
    const char* text = (const char*)event->e;
    bool space = event->f == 1 && text && text[0] == ' ' && !(event->c & kModControl);
    if (IsReturn(event) || space) {
        activate(event);
        return 1;
    }
    if (event->d == kKeyEscape && btWidgetStyle == 3 && strcmp(label, CancelLabel()) == 0) {
        activate(event);
        return 1;
    }
    if (event->d == kKeyTab && ButtonsHaveFocus() &&
        !(event->c & (kModControl | kModAlt | kModMeta))) {
        cwTabFocus(TopWindow(), (event->c & kModShift) != 0);
        return 1;
    }
    // Escape on another button still reaches the window's Cancel button.
    return btWindowKey(TopWindow(), event);
}

int Button::EventParse(xinLibSt* event, GItem*) {
    if (btFilterHook && btFilterHook(this, event)) return 1;
    switch (event->kind) {
    case kXinRedraw:
        paint();
        return 1;
    case kXinMouse:
        if (event->d == 0)
            motion(event);
        else if (event->f != 1)
            return 0; // only the first button presses buttons
        else if (event->d == 1)
            press(event);
        else
            release(event);
        return 1;
    case kXinKey:
        return key(event);
    case kXinEnter:
        showStatus(event->a != 0);
        return 1;
    default:
        return 0;
    }
}

// The status string is the window's message while the pointer is over the button; leaving
// clears it unless something else has said its word since.
void Button::showStatus(bool entered) {
    ColWind* w = TopWindow();
    if (!w || !status || !*status) return;
    if (entered)
        cwSetMsg(w, status, 0);
    else if (strcmp(cwGetMsg(w), status) == 0)
        cwSetMsg(w, "", 0);
}

void Button::paint() {
    Window w = getW();
    if (!w || width < 1 || height < 1) return;
    bool down = (flags & kBtDrawnPressed) != 0;
    bool focused = isActive() && ButtonsHaveFocus();
    WSetColor(w, control_pixel, bg_pixel);
    switch (type) {
    case kBtRadio:
    case kBtCheck:
    case kBtThreeState: {
        WSetForeground(w, bg_pixel);
        WFillRect(w, x, y, width, height);
        int r = btMarkSize(bfont_h);
        if (r > height) r = height;
        int my = y + (height - r) / 2;
        if (type == kBtRadio)
            DrawDiamond(w, x + 1, my, r, this);
        else
            DrawCheckBox(w, x + 1, my, r, this);
        WSetColor(w, isDimmed() ? grey_pixel : fg_pixel, bg_pixel);
        WSetFont(w, bfont_num);
        WDrawString(w, x + r + 5, y + (height - bfont_h) / 2 + bfont_ascent, label, -1);
        if (focused) DrawFocusRing(w, x + r + 3, y, width - r - 3, height);
        return;
    }
    case kBtToolBarSeparator:
        WSetForeground(w, bg_pixel);
        WFillRect(w, x, y, width, height);
        WSetForeground(w, shadow_pixel);
        if (width >= height)
            WDrawLine(w, x, y + height / 2, x + width - 1, y + height / 2);
        else
            WDrawLine(w, x + width / 2, y, x + width / 2, y + height - 1);
        return;
    default:
        break;
    }
    WFillRect(w, x, y, width, height);
    int inset = 0;
    if (flags & kBtDefault) {
        WSetForeground(w, fg_pixel);
        WDrawRect(w, x, y, width, height);
        inset = 1;
    }
    bool flat = type == kBtToolBar && !down && !isSet();
    if (!flat)
        WDrawBevel(w, x + inset, y + inset, width - 2 * inset, height - 2 * inset,
                   !down && !isSet(), control_pixel);
    int shift = down ? 1 : 0;
    if (icon) {
        WSetColor(w, isDimmed() ? grey_pixel : fg_pixel, control_pixel);
        int ix = type == kBtToolBar ? x + (width - icon->width) / 2 : x + 4;
        WDrawImage(w, icon, ix + shift, y + (height - icon->height) / 2 + shift);
    }
    if (!icon || type != kBtToolBar) {
        int tw = WTextWidth(label, -1, FontNumber());
        int left = icon ? x + 4 + icon->width + 4 : x + (width - tw) / 2;
        DrawLabel(w, label, left + shift, y + shift, height, isDimmed());
    }
    if (focused)
        DrawFocusRing(w, x + inset + 3, y + inset + 3, width - 2 * inset - 6,
                      height - 2 * inset - 6);
}

// ---- Entry points -------------------------------------------------------------------

Button* btCreate(GItem* parent, int x, int y, int width, int height, const char* helpKey,
                 const char* status, const char* label, BtCallback callback, Button* copyFrom,
                 void* userData, const char* command, int minWidth, bool set, bool hold, int type) {
    if (type == kBtToolBar && label &&
        (label[0] == '-' || (label[0] == '_' && debugFlag[kSwitchBetterButtonSpacers])))
        type = kBtToolBarSeparator;
    Button* b = new (std::nothrow) Button(parent, x, y, width, height, label, type);
    if (!b) return nullptr;
    if (copyFrom) {
        if (!helpKey) helpKey = copyFrom->helpKey;
        if (!status) status = copyFrom->status;
        if (!callback) callback = copyFrom->callback;
        if (!userData) userData = copyFrom->user;
        if (!command) command = copyFrom->command;
        b->pressCallback = copyFrom->pressCallback;
        b->holdFunction = copyFrom->holdFunction;
        b->icon = copyFrom->icon;
        b->flags |= copyFrom->flags & kBtMayBeDefault;
    }
    b->helpKey = gen_copy(helpKey);
    b->status = gen_copy(status);
    b->command = gen_copy(command);
    b->callback = callback;
    b->user = userData;
    b->minWidth = minWidth;
    if (hold) b->holdFunction = callback;
    if (set && b->isToggle()) b->setState(true);
    if (width <= 0 || height <= 0) b->NaturalSize(&b->width, &b->height);
    return b;
}

bool btIsItSet(Button* button) {
    return button && button->isSet();
}

void btSetIt(Button* button, bool on) {
    if (!button) return;
    button->setState(on);
    button->Invalidate();
}

void btDimIt(Button* button, bool dim, bool redraw) {
    if (!button) return;
    if (dim != button->isDimmed()) {
        if (dim) {
            button->flags |= kBtDimmed;
            button->flags &= ~(kBtPressed | kBtDrawnPressed);
            ColWind* w = button->TopWindow();
            if (w && w->focus == button) {
                cwFocusNext(w, false);
                if (w->focus == button) cwSetFocus(w, nullptr);
            }
            button->setTabstop(false);
            if (button->flags & kBtDefault) {
                button->flags &= ~kBtDefault;
                PassDefault(button);
            }
        } else {
            button->flags &= ~kBtDimmed;
            button->setTabstop(ButtonsHaveFocus() && button->type != kBtToolBar &&
                               button->type != kBtToolBarSeparator);
        }
    }
    if (redraw) button->Invalidate();
}

void btChangeName(Button* button, const char* label, bool redraw) {
    if (!button) return;
    gen_strchange(&button->label, label ? label : "");
    if (redraw) button->Invalidate();
}

void btSetPressCallback(Button* button, BtCallback callback) {
    if (button) button->pressCallback = callback;
}

void btSetHoldFunction(Button* button, BtCallback hold) {
    if (button) button->holdFunction = hold;
}

void btSetDefault(Button* button) {
    if (!button) return;
    for (Button* other : WindowButtons(button->TopWindow())) {
        if (other == button || !(other->flags & kBtDefault)) continue;
        other->flags &= ~kBtDefault;
        other->Invalidate();
    }
    button->flags |= kBtDefault | kBtMayBeDefault;
    button->Invalidate();
}

void btSetMayBeDefault(Button* button, bool on) {
    if (!button) return;
    button->flags =
        on ? button->flags | kBtMayBeDefault : button->flags & ~(kBtMayBeDefault | kBtDefault);
    button->Invalidate();
}

Button* btGetDefault(ColWind* window) {
    for (Button* b : WindowButtons(window))
        if (b->flags & kBtDefault) return b;
    return nullptr;
}

int btWindowKey(ColWind* window, xinLibSt* event) {
    if (!window || (event->kind != kXinKey)) return 0;
    Button* target = nullptr;
    if (IsReturn(event)) {
        target = btGetDefault(window);
    } else if (event->d == kKeyEscape && btWidgetStyle == 3) {
        for (Button* b : WindowButtons(window))
            if (strcmp(b->label, CancelLabel()) == 0 && !b->isDimmed() && Shown(b)) {
                target = b;
                break;
            }
    }
    if (!target || target->isDimmed() || !Shown(target)) return 0;
    target->activate(event);
    return 1;
}
