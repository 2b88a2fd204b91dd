// The text view item (see wtextview.h). The line table is kept up to date element by
// element while text is appended at the end of the store; any other change only marks it
// stale, and the next question (painting, scrolling, counting) rebuilds it in one pass, so
// clearing a store of any size costs one rebuild, not one per removed element.
#include "windlib/textview/wtextview.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "shared/libcxxutil/ut_clock.h"
#include "windlib/mhandle.h"
#include "windlib/textview/textelement.h"
#include "windlib/window/wcolwind.h"
#include "windlib/window/wscrollbar.h"
#include "windlib/wtimer.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"

namespace {

const int kFrame = 2;               // a sunken bevel and a one-pixel gap around the text
const int kWheelLines = 3;          // lines of the normal font per wheel step
const int kKeyColumns = 4;          // 'n' widths per Left / Right key
const int kScrollerIntervalMs = 40; // the longest a scroll bar lags behind the view

bool ValidFont(int number) {
    return number >= 0 && number < kNumFonts && fontinfo[number].font;
}

// Unknown fonts fall back to the normal one; -1 when not even that is loaded.
int UsableFont(int number) {
    if (ValidFont(number)) return number;
    return ValidFont(0) ? 0 : -1;
}

} // namespace

// ---- Creation and destruction -------------------------------------------------------

WTextView* WTextView::makeWTextView(GItem* parent, int x, int y, int width, int height,
                                    const char* helpKey, const char*, const char* name) {
    WTextView* view = new WTextView(parent, x, y, width, height);
    gen_strchange(&view->helpKey_, helpKey);
    gitemSetName(view, name);
    return view;
}

WTextView::WTextView(GItem* parent, int x_, int y_, int width_, int height_)
    : GItem(kKindTextView, parent, x_, y_, width_, height_), layout_(this) {}

WTextView::~WTextView() {
    Destroy();
    MHandleDie(this);
    gen_free(helpKey_);
    gen_free(tip_);
}

void WTextView::Destroy() {
    setTextStore(nullptr);
    // While the whole window goes its items are deleted in table order, so the bars may
    // be gone already; they call nobody once the window is gone.
    ColWind* top = TopWindow();
    bool windowGoing = top && (top->flags & kCwDestroying);
    if (!windowGoing) {
        if (vbar_) vbar_->setCallback(nullptr, nullptr);
        if (hbar_) hbar_->setCallback(nullptr, nullptr);
    }
    vbar_ = hbar_ = nullptr;
    if (scrollerTimer_) {
        ExtraProcess_Kill(scrollerTimer_, 0);
        MHandleDestroy(scrollerTimer_);
        scrollerTimer_ = nullptr;
    }
}

mHandle* WTextView::handle() {
    return MHandleCreate(kMHandleTextView, this);
}

// ---- Geometry -----------------------------------------------------------------------

int WTextView::contentX() const {
    return x + kFrame;
}

int WTextView::contentY() const {
    return y + kFrame;
}

int WTextView::contentWidth() const {
    return std::max(0, width - 2 * kFrame);
}

int WTextView::contentHeight() const {
    return std::max(0, height - 2 * kFrame);
}

void WTextView::Resize(int width_, int height_) {
    GItem::Resize(width_, height_);
    clampScroll();
    pushScrollers();
}

// ---- Store and settings -------------------------------------------------------------

void WTextView::setTextStore(TextStore* store) {
    if (store_ == store) return;
    if (store_) store_->removeTextChangeListener(this);
    store_ = store;
    if (store_) store_->addTextChangeListener(this);
    top_ = left_ = 0;
    markStale();
}

void WTextView::setTabStop(int width_, int offset) {
    tabWidth_ = width_ > 0 ? width_ : 1;
    tabOffset_ = offset > 0 ? offset : 0;
    markStale();
}

int WTextView::nextTabStop(int px) const {
    if (px < tabOffset_) return tabOffset_;
    return tabOffset_ + ((px - tabOffset_) / tabWidth_ + 1) * tabWidth_;
}

void WTextView::setReadOnlyBackground(bool on) {
    if (readOnly_ == on) return;
    readOnly_ = on;
    Invalidate();
}

void WTextView::setBackground(unsigned long pixel) {
    background_ = pixel;
    hasBackground_ = true;
    Invalidate();
}

unsigned long WTextView::getBackground() const {
    return hasBackground_ ? background_ : bg_pixel;
}

unsigned long WTextView::lineBackground() const {
    return readOnly_ ? control_pixel : getBackground();
}

// ---- The line table -----------------------------------------------------------------

void WTextView::markStale() {
    stale_ = true;
    Invalidate();
}

void WTextView::ensureLayout() {
    if (!stale_) return;
    stale_ = false;
    layout_.rebuild(store_);
    clampScroll();
    updateScrollers();
}

int WTextView::getLineCount() {
    ensureLayout();
    return layout_.lineCount();
}

int WTextView::getPartialLineWidth() {
    ensureLayout();
    return layout_.partialWidth();
}

bool WTextView::getLineRect(int line, int* px, int* py, int* pw, int* ph) {
    ensureLayout();
    if (line < 1 || line > layout_.lineCount()) return false;
    const TextLine& l = layout_.line(line - 1);
    *px = contentX() - left_;
    *py = contentY() + l.top - top_;
    *pw = std::max(l.width, contentWidth());
    *ph = l.height;
    return true;
}

void WTextView::invalidateLine(int index) {
    Window w = getW();
    if (!w || !isMapped() || index < 0 || index >= layout_.storedLines()) return;
    const TextLine& l = layout_.line(index);
    int top = contentY() + l.top - top_;
    int bottom = std::min(top + l.height, contentY() + contentHeight());
    top = std::max(top, contentY());
    if (bottom > top) WInvalidateRect(w, contentX(), top, contentWidth(), bottom - top);
}

// ---- Listening to the store ---------------------------------------------------------

void WTextView::handleTextChange(TextStore*) {
    markStale();
}

void WTextView::handleAddedText(TextStore* store, TextReference ref) {
    if (stale_ || store != store_) return;
    if (store->getNextElement(ref)) {
        markStale(); // inserted before the end: positions after it moved
        return;
    }
    int index = layout_.storedLines() - 1;
    layout_.append(store, ref);
    invalidateLine(index);
    updateScrollers();
}

void WTextView::handleChangedText(TextStore*, TextReference) {
    markStale();
}

void WTextView::handleRemovedText(TextStore*, TextReference, TextReference) {
    markStale();
}

void WTextView::handleDisconnectTextChange(TextStore* store) {
    if (store != store_) return;
    store_ = nullptr;
    markStale();
}

// ---- Text ---------------------------------------------------------------------------

char* WTextView::getStoreText(TextStore* store, WTextView* view) {
    std::string text;
    for (TextReference ref = store ? store->getFirstElement() : nullptr; ref;
         ref = store->getNextElement(ref)) {
        if (store->isLineEnd(ref)) {
            text += '\n';
            continue;
        }
        TextElement* element = store->getElement(ref);
        const char* piece = nullptr;
        int length = 0;
        if (element && element->getRawText(view, 0, -1, &piece, &length)) {
            text.append(piece, (size_t)length);
            element->releaseRawText(view, piece);
        }
    }
    return gen_copyn(text.c_str(), (int)text.size());
}

char* WTextView::getText() {
    return getStoreText(store_, this);
}

// ---- Metrics and painting helpers ---------------------------------------------------

int WTextView::textWidth(const char* text, int length, int fontNumber) {
    int f = UsableFont(fontNumber);
    return f < 0 ? 0 : WTextWidth(text, length, f);
}

int WTextView::fontHeight(int fontNumber) {
    int f = UsableFont(fontNumber);
    return f < 0 ? 0 : fontinfo[f].height;
}

int WTextView::fontAscent(int fontNumber) {
    int f = UsableFont(fontNumber);
    return f < 0 ? 0 : fontinfo[f].ascent;
}

int WTextView::fontCharWidth(int fontNumber) {
    int f = UsableFont(fontNumber);
    return f < 0 ? 0 : fontinfo[f].n;
}

void WTextView::fillRect(unsigned long pixel, int px, int py, int pw, int ph) {
    Window w = getW();
    if (!painting_ || !w || pw < 1 || ph < 1) return;
    WSetForeground(w, pixel == TextElement::getNoSuchColor() ? lineBackground() : pixel);
    WFillRect(w, px, py, pw, ph);
}

void WTextView::drawText(unsigned long foreground, int fontNumber, int px, int baseline,
                         const char* text, int length) {
    Window w = getW();
    int f = UsableFont(fontNumber);
    if (!painting_ || !w || f < 0 || length < 1) return;
    WSetForeground(w, foreground);
    WSetFont(w, f);
    WDrawString(w, px, baseline, text, length);
}

// ---- Painting -----------------------------------------------------------------------

void WTextView::paintLine(int index, int clipLeft, int clipRight) {
    const TextLine& l = layout_.line(index);
    int lineX = contentX() - left_;
    TextPaintArea area = {0, contentY() + l.top - top_, 0, l.height, 0};
    area.baseline = area.top + l.ascent;
    int at = 0;          // pixels from the line start
    int painted = lineX; // right end of what the elements covered
    for (TextReference ref = l.first; ref && !store_->isLineEnd(ref);
         ref = store_->getNextElement(ref)) {
        TextElement* element = store_->getElement(ref);
        if (!element) continue;
        area.x = lineX + at;
        if (area.x >= clipRight) break;
        int advance = 0;
        if (element->isTab(this)) {
            advance = nextTabStop(at) - at;
            area.width = advance;
        } else if (element->isSpanner(this)) {
            area.width = std::max(0, contentX() + contentWidth() - area.x);
        } else {
            advance = element->getWidth(this);
            area.width = advance;
        }
        if (area.width > 0 && area.x + area.width > clipLeft) element->paintPortion(this, area);
        painted = std::max(painted, area.x + area.width);
        at += advance;
    }
    int rest = std::max(std::max(painted, lineX + at), clipLeft);
    fillRect(TextElement::getNoSuchColor(), rest, area.top, clipRight - rest, l.height);
}

void WTextView::paint(int rx, int ry, int rw, int rh) {
    Window w = getW();
    if (!w) return;
    ensureLayout();
    // The frame lies outside the content's clip: a sunken bevel, then a gap of background.
    WDrawBevel(w, x, y, width, height, false, bg_pixel);
    painting_ = true;
    fillRect(TextElement::getNoSuchColor(), x + 1, y + 1, width - 2, 1);
    fillRect(TextElement::getNoSuchColor(), x + 1, y + height - 2, width - 2, 1);
    fillRect(TextElement::getNoSuchColor(), x + 1, y + 2, 1, height - 4);
    fillRect(TextElement::getNoSuchColor(), x + width - 2, y + 2, 1, height - 4);

    int left = std::max(rx, contentX()), right = std::min(rx + rw, contentX() + contentWidth());
    int top = std::max(ry, contentY()), bottom = std::min(ry + rh, contentY() + contentHeight());
    if (left < right && top < bottom) {
        WSetClipRect(w, left, top, right - left, bottom - top);
        int textBottom = bottom - contentY() + top_;
        int filled = top; // window row below which nothing is painted yet
        for (int i = layout_.lineAt(top - contentY() + top_); i < layout_.storedLines(); ++i) {
            const TextLine& l = layout_.line(i);
            if (l.top >= textBottom || (!l.first && !l.closed)) break;
            paintLine(i, left, right);
            filled = contentY() + l.top + l.height - top_;
        }
        if (filled < bottom)
            fillRect(TextElement::getNoSuchColor(), left, filled, right - left, bottom - filled);
        // The window paints its other items inside the area it asked for.
        WSetClipRect(w, rx, ry, rw, rh);
    }
    painting_ = false;
}

// ---- Scrolling ----------------------------------------------------------------------

void WTextView::clampScroll() {
    int mostTop = std::max(0, layout_.totalHeight() - contentHeight());
    int mostLeft = std::max(0, layout_.maxWidth() - contentWidth());
    top_ = std::min(std::max(top_, 0), mostTop);
    left_ = std::min(std::max(left_, 0), mostLeft);
}

void WTextView::updateScrollers() {
    if (!vbar_ && !hbar_) return;
    long long now = ut_clock_ms();
    if (scrollersPushedMs_ < 0 || now - scrollersPushedMs_ >= kScrollerIntervalMs) {
        pushScrollers();
        return;
    }
    scrollersPending_ = true;
    if (!scrollerTimer_)
        scrollerTimer_ = ExtraProcess_Create(kExtraTimer, kScrollerIntervalMs, PushScrollersLater,
                                             nullptr, this);
}

int WTextView::PushScrollersLater(void* arg, int) {
    WTextView* view = static_cast<WTextView*>(arg);
    MHandleDestroy(view->scrollerTimer_);
    view->scrollerTimer_ = nullptr;
    if (view->scrollersPending_) view->pushScrollers();
    return 1;
}

void WTextView::pushScrollers() {
    scrollersPending_ = false;
    scrollersPushedMs_ = ut_clock_ms();
    if (vbar_) {
        if (vbar_->total() != layout_.totalHeight() || vbar_->visible() != contentHeight())
            vbar_->setRange(layout_.totalHeight(), contentHeight());
        vbar_->setStep(fontHeight(0));
        vbar_->setPosition(top_);
    }
    if (hbar_) {
        if (hbar_->total() != layout_.maxWidth() || hbar_->visible() != contentWidth())
            hbar_->setRange(layout_.maxWidth(), contentWidth());
        hbar_->setStep(fontCharWidth(0));
        hbar_->setPosition(left_);
    }
}

void WTextView::scrollTo(int left, int top) {
    ensureLayout();
    int oldLeft = left_, oldTop = top_;
    left_ = left;
    top_ = top;
    clampScroll();
    int dx = left_ - oldLeft, dy = top_ - oldTop;
    if (dx || dy) {
        Window w = getW();
        int cx = contentX(), cy = contentY(), cw = contentWidth(), ch = contentHeight();
        // Shifting what is on the screen leaves only the strip that scrolled in to paint
        // (the copy marks it dirty). While a repaint is pending anyway (a log growing line
        // by line), the content is simply repainted with it: one paint a frame instead of
        // one copy of the whole view per line.
        bool copy = w && isMapped() && !WDontDraw(w) && dirtyTracker && dirtyTracker->isClean(w) &&
                    (!dx || !dy) && std::abs(dx) < cw && std::abs(dy) < ch;
        if (!copy && w && isMapped())
            WInvalidateRect(w, cx, cy, cw, ch);
        else if (!copy)
            Invalidate();
        else if (dy)
            WCopyArea(w, cx, cy + std::max(dy, 0), cw, ch - std::abs(dy), cx,
                      cy + std::max(-dy, 0));
        else
            WCopyArea(w, cx + std::max(dx, 0), cy, cw - std::abs(dx), ch, cx + std::max(-dx, 0),
                      cy);
    }
    updateScrollers();
}

void WTextView::scrollToLine(int line, bool toTop) {
    ensureLayout();
    int count = layout_.lineCount();
    if (count < 1) return;
    line = std::min(std::max(line, 1), count);
    const TextLine& l = layout_.line(line - 1);
    int top = top_;
    if (toTop || l.top < top_)
        top = l.top;
    else if (l.top + l.height > top_ + contentHeight())
        top = l.top + l.height - contentHeight();
    scrollTo(left_, top);
}

int WTextView::getFirstVisibleLine() {
    ensureLayout();
    int count = layout_.lineCount();
    return count ? std::min(layout_.lineAt(top_) + 1, count) : 0;
}

int WTextView::getLastVisibleLine() {
    ensureLayout();
    int count = layout_.lineCount();
    int bottom = top_ + std::max(contentHeight(), 1) - 1;
    return count ? std::min(layout_.lineAt(bottom) + 1, count) : 0;
}

void WTextView::VScrolled(WScrollBar*, int position, void* arg) {
    WTextView* view = static_cast<WTextView*>(arg);
    view->scrollTo(view->left_, position);
}

void WTextView::HScrolled(WScrollBar*, int position, void* arg) {
    WTextView* view = static_cast<WTextView*>(arg);
    view->scrollTo(position, view->top_);
}

void WTextView::setVScroller(WScrollBar* bar) {
    if (vbar_) vbar_->setCallback(nullptr, nullptr);
    vbar_ = bar;
    if (vbar_) vbar_->setCallback(VScrolled, this);
    pushScrollers();
}

void WTextView::setHScroller(WScrollBar* bar) {
    if (hbar_) hbar_->setCallback(nullptr, nullptr);
    hbar_ = bar;
    if (hbar_) hbar_->setCallback(HScrolled, this);
    pushScrollers();
}

// ---- Input --------------------------------------------------------------------------

TextElement* WTextView::elementAt(int px, int py, int* index) {
    ensureLayout();
    if (!store_ || !contains(px, py)) return nullptr;
    int textY = py - contentY() + top_;
    const TextLine& l = layout_.line(layout_.lineAt(textY));
    if (textY < l.top || textY >= l.top + l.height) return nullptr;
    int at = 0, textX = px - contentX() + left_;
    for (TextReference ref = l.first; ref && !store_->isLineEnd(ref);
         ref = store_->getNextElement(ref)) {
        TextElement* element = store_->getElement(ref);
        if (!element) continue;
        int advance = element->isTab(this)       ? nextTabStop(at) - at
                      : element->isSpanner(this) ? 0
                                                 : element->getWidth(this);
        if (textX >= at && textX < at + advance) {
            *index = element->findCharacterSplit(this, textX - at);
            return element;
        }
        at += advance;
    }
    return nullptr;
}

int WTextView::handleMouse(xinLibSt* event) {
    if (event->d != 1) return 1;
    int step = kWheelLines * std::max(fontHeight(0), 1);
    switch (event->f) {
    case 4:
    case 5:
        scrollTo(left_, top_ + (event->f == 4 ? -step : step));
        return 1;
    case 6:
    case 7:
        scrollTo(left_ + (event->f == 6 ? -step : step), top_);
        return 1;
    default: {
        int index = 0;
        TextElement* element = elementAt((int)event->a, (int)event->b, &index);
        // The element's action may delete the view: nothing of it is touched afterwards.
        if (element && element->isHot(this)) element->handleMouseClick(this, index, (int)event->f);
        return 1;
    }
    }
}

int WTextView::handleKey(xinLibSt* event) {
    int line = std::max(fontHeight(0), 1);
    int page = std::max(contentHeight() - line, line);
    int column = kKeyColumns * std::max(fontCharWidth(0), 1);
    switch (event->d) {
    case kKeyUp:
        scrollTo(left_, top_ - line);
        return 1;
    case kKeyDown:
        scrollTo(left_, top_ + line);
        return 1;
    case kKeyPrior:
        scrollTo(left_, top_ - page);
        return 1;
    case kKeyNext:
        scrollTo(left_, top_ + page);
        return 1;
    case kKeyLeft:
        scrollTo(left_ - column, top_);
        return 1;
    case kKeyRight:
        scrollTo(left_ + column, top_);
        return 1;
    case kKeyHome:
        scrollTo(0, 0);
        return 1;
    case kKeyEnd:
        ensureLayout();
        scrollTo(0, layout_.totalHeight());
        return 1;
    default:
        return 0;
    }
}

int WTextView::EventParse(xinLibSt* event, GItem*) {
    switch (event->kind) {
    case kXinRedraw:
        paint((int)event->a, (int)event->b, (int)event->c, (int)event->d);
        return 1;
    case kXinMouse:
        return handleMouse(event);
    case kXinKey:
        return handleKey(event);
    default:
        return 0;
    }
}

const char* WTextView::GetTooltipInfo(int px, int py, int* delay) {
    if (delay) *delay = 0;
    int index = 0;
    TextElement* element = elementAt(px, py, &index);
    gen_free(tip_);
    tip_ = element && element->hasTip(this) ? element->getTip(this, index) : nullptr;
    return tip_;
}
