// The scroll bar (see wscrollbar.h). The repeat while an arrow is held is a timer of the
// registry, so it runs from the window loop like everything else.
#include "windlib/window/wscrollbar.h"

#include "windlib/wtimer.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"

namespace {

const int kFirstRepeatMs = 300;
const int kRepeatMs = 50;
const int kMinThumb = 8;

// An arrow head filled line by line (the drawing layer has no polygons), pointing along
// the bar's axis towards `more` or away from it, centred in the square at x, y.
void DrawArrow(Window w, int x, int y, int side, bool vertical, bool more) {
    int depth = side / 4 + 1; // rows from the tip to the base
    int cx = x + side / 2, cy = y + side / 2;
    for (int i = 0; i < depth; ++i) {
        int along = (more ? 1 : -1) * (i - depth / 2); // the tip leads
        int half = i;
        if (vertical)
            WDrawLine(w, cx - half, cy - along, cx + half, cy - along);
        else
            WDrawLine(w, cx - along, cy - half, cx - along, cy + half);
    }
}

} // namespace

WScrollBar::WScrollBar(GItem* container_, bool vertical, int x_, int y_, int length)
    : GItem(kKindScrollBar, container_, x_, y_, vertical ? scroll_bar_width : length,
            vertical ? length : scroll_bar_width),
      vertical_(vertical) {
    setTabstop(false);
}

// The trough is the light shade of the control colour, the thumb and arrows are raised
// controls outlined in its dark shade, so the thumb stands out on any colours; an arrow
// that cannot scroll further is drawn grey.
void WScrollBar::paint() {
    Window w = getW();
    unsigned long light = 0, dark = 0;
    WBevelShades(control_pixel, &light, &dark);
    WSetColor(w, light, bg_pixel);
    WFillRect(w, x, y, width, height);
    int a = arrowLength(), start = 0, length = 0;
    thumb(&start, &length);
    int most = total_ - visible_;
    bool canScroll = total_ > 0 && most > 0;
    paintControl(0, a);
    paintControl(extent() - a, a);
    if (length > 0 && canScroll) paintControl(start, length);
    int thickness = vertical_ ? width : height;
    WSetForeground(w, canScroll && position_ > 0 ? fg_pixel : grey_pixel);
    DrawArrow(w, x, y, thickness, vertical_, false);
    WSetForeground(w, canScroll && position_ < most ? fg_pixel : grey_pixel);
    if (vertical_)
        DrawArrow(w, x, y + height - a, thickness, true, true);
    else
        DrawArrow(w, x + width - a, y, thickness, false, true);
}

void WScrollBar::paintControl(int start, int length) {
    Window w = getW();
    int cx = vertical_ ? x : x + start, cy = vertical_ ? y + start : y;
    int cw = vertical_ ? width : length, ch = vertical_ ? length : height;
    if (cw < 1 || ch < 1) return;
    unsigned long light = 0, dark = 0;
    WBevelShades(control_pixel, &light, &dark);
    WSetForeground(w, control_pixel);
    WFillRect(w, cx, cy, cw, ch);
    WSetForeground(w, dark);
    WDrawRect(w, cx, cy, cw, ch);
    WDrawBevel(w, cx + 1, cy + 1, cw - 2, ch - 2, true, control_pixel);
}

WScrollBar::~WScrollBar() {
    stopRepeat();
}

void WScrollBar::Destroy() {
    stopRepeat();
}

void WScrollBar::NaturalSize(int* w, int* h) {
    *w = vertical_ ? scroll_bar_width : width;
    *h = vertical_ ? height : scroll_bar_width;
}

void WScrollBar::setRange(int total, int visible) {
    total_ = total > 0 ? total : 0;
    visible_ = visible > 0 ? visible : 0;
    setPosition(position_);
    Invalidate();
}

void WScrollBar::setPosition(int position) {
    int most = total_ - visible_;
    if (position > most) position = most;
    if (position < 0) position = 0;
    if (position == position_) return;
    position_ = position;
    Invalidate();
}

void WScrollBar::setCallback(WScrollBarFn fn, void* arg) {
    callback_ = fn;
    arg_ = arg;
}

void WScrollBar::scrollBy(int delta) {
    int before = position_;
    setPosition(position_ + delta);
    if (position_ != before && callback_) callback_(this, position_, arg_);
}

int WScrollBar::extent() const {
    return vertical_ ? height : width;
}

int WScrollBar::arrowLength() const {
    int thickness = vertical_ ? width : height;
    return extent() < 2 * thickness ? extent() / 2 : thickness;
}

int WScrollBar::along(int px, int py) const {
    return vertical_ ? py - y : px - x;
}

void WScrollBar::thumb(int* start, int* length) const {
    int trough = extent() - 2 * arrowLength();
    if (trough < 0) trough = 0;
    if (total_ <= 0 || visible_ >= total_) {
        *start = arrowLength();
        *length = trough;
        return;
    }
    *length = (int)((long)trough * visible_ / total_);
    if (*length < kMinThumb) *length = trough < kMinThumb ? trough : kMinThumb;
    int room = trough - *length;
    int most = total_ - visible_;
    *start = arrowLength() + (most > 0 ? (int)((long)room * position_ / most) : 0);
}

WScrollBar::Part WScrollBar::partAt(int px, int py) const {
    int at = along(px, py);
    if (at < arrowLength()) return kLessArrow;
    if (at >= extent() - arrowLength()) return kMoreArrow;
    int start = 0, length = 0;
    thumb(&start, &length);
    if (at < start) return kLessTrough;
    if (at >= start + length) return kMoreTrough;
    return kThumb;
}

int WScrollBar::Repeat(void* self, int) {
    WScrollBar* bar = static_cast<WScrollBar*>(self);
    bar->scrollBy(bar->held_ == kLessArrow ? -bar->step_ : bar->step_);
    ExtraProcess_SetTimeout(bar->repeat_, kRepeatMs);
    return 0;
}

void WScrollBar::stopRepeat() {
    if (!repeat_) return;
    ExtraProcess_Kill(repeat_, 1);
    MHandleDestroy(repeat_);
    repeat_ = nullptr;
}

void WScrollBar::press(Part part, int at) {
    held_ = part;
    int start = 0, length = 0;
    thumb(&start, &length);
    switch (part) {
    case kLessArrow:
    case kMoreArrow:
        scrollBy(part == kLessArrow ? -step_ : step_);
        stopRepeat();
        repeat_ = ExtraProcess_Create(kExtraTimer, kFirstRepeatMs, Repeat, nullptr, this);
        break;
    case kLessTrough:
        scrollBy(-(visible_ > 1 ? visible_ - 1 : 1));
        break;
    case kMoreTrough:
        scrollBy(visible_ > 1 ? visible_ - 1 : 1);
        break;
    case kThumb:
        dragOffset_ = at - start;
        break;
    case kNone:
        break;
    }
}

int WScrollBar::EventParse(xinLibSt* event, GItem*) {
    switch (event->kind) {
    case kXinRedraw:
        paint();
        return 1;
    case kXinMouse:
        if (event->d == 1 && event->f == 1) {
            press(partAt((int)event->a, (int)event->b), along((int)event->a, (int)event->b));
        } else if (event->d == 0 && held_ == kThumb) {
            int trough = extent() - 2 * arrowLength();
            int start = 0, length = 0;
            thumb(&start, &length);
            int room = trough - length;
            int most = total_ - visible_;
            int at = along((int)event->a, (int)event->b) - dragOffset_ - arrowLength();
            if (room > 0) scrollBy((int)((long)at * most / room) - position_);
        } else if (event->d == -1) {
            held_ = kNone;
            stopRepeat();
        }
        return 1;
    default:
        return 0;
    }
}
