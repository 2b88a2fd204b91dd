// The element kinds (see textelement.h). Elements measure and paint only through the view
// (WTextView's metric and painting helpers), so they work the same on a view without a
// display, where every text measures 0 pixels.
#include "windlib/textview/textelement.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/textview/wtextview.h"

// ---- TextElement: the answers of an element without text or colour -------------------

TextElement::~TextElement() = default;

bool TextElement::isSpanner(WTextView*) {
    return false;
}

bool TextElement::isTab(WTextView*) {
    return false;
}

bool TextElement::isHot(WTextView*) {
    return false;
}

bool TextElement::hasTip(WTextView*) {
    return false;
}

int TextElement::findWordSplit(WTextView*, int, bool) {
    return 0;
}

int TextElement::findCharacterSplit(WTextView*, int) {
    return 0;
}

int TextElement::findCharPosition(WTextView*, int) {
    return 0;
}

bool TextElement::getRawText(WTextView*, int, int, const char** text, int* textLength) {
    *text = nullptr;
    *textLength = 0;
    return false;
}

char* TextElement::getRawTextCopy(WTextView* view, int start, int length) {
    const char* text = nullptr;
    int n = 0;
    if (!getRawText(view, start, length, &text, &n)) return nullptr;
    char* copy = gen_copyn(text, n);
    releaseRawText(view, text);
    return copy;
}

void TextElement::releaseRawText(WTextView*, const char*) {}

bool TextElement::handleMouseClick(WTextView*, int, int) {
    return false;
}

char* TextElement::getTip(WTextView*, int) {
    return nullptr;
}

unsigned long TextElement::getColor(WTextView*, bool) {
    return getNoSuchColor();
}

void TextElement::changeColor(WTextView*, unsigned long, bool) {}

int TextElement::getAscent(WTextView*) {
    return -1;
}

// ---- ColorText ------------------------------------------------------------------------

ColorText::ColorText(unsigned long foreground, unsigned long background, int fontNumber,
                     const char* text, int length)
    : foreground_(foreground), background_(background), font_(fontNumber), text_(text),
      length_(length < 0 ? (int)strlen(text) : length) {}

int ColorText::getWidth(WTextView* view) {
    return view->textWidth(text_, length_, font_);
}

int ColorText::getHeight(WTextView* view) {
    return view->fontHeight(font_);
}

int ColorText::getAscent(WTextView* view) {
    return view->fontAscent(font_);
}

int ColorText::findCharacterSplit(WTextView* view, int width) {
    // Widths grow with the prefix, so the longest prefix that fits is found by halving.
    int low = 0, high = length_;
    while (low < high) {
        int mid = (low + high + 1) / 2;
        if (view->textWidth(text_, mid, font_) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

int ColorText::findWordSplit(WTextView* view, int width, bool orCharacters) {
    int fits = findCharacterSplit(view, width);
    if (fits >= length_) return length_;
    for (int i = fits; i > 0; --i)
        if (text_[i - 1] == ' ' || text_[i - 1] == '\t') return i;
    return orCharacters ? fits : 0;
}

int ColorText::findCharPosition(WTextView* view, int index) {
    if (index < 0) index = 0;
    if (index > length_) index = length_;
    return view->textWidth(text_, index, font_);
}

bool ColorText::getRawText(WTextView*, int start, int length, const char** text, int* textLength) {
    if (start < 0) start = 0;
    if (start > length_) start = length_;
    if (length < 0 || start + length > length_) length = length_ - start;
    *text = text_ + start;
    *textLength = length;
    return true;
}

void ColorText::paintPortion(WTextView* view, const TextPaintArea& area) {
    view->fillRect(background_, area.x, area.top, area.width, area.height);
    view->drawText(foreground_, font_, area.x, area.baseline, text_, length_);
}

unsigned long ColorText::getColor(WTextView*, bool foreground) {
    return foreground ? foreground_ : background_;
}

void ColorText::changeColor(WTextView*, unsigned long pixel, bool foreground) {
    (foreground ? foreground_ : background_) = pixel;
}

// ---- HyperLink ------------------------------------------------------------------------

HyperLink::HyperLink(HyperLinkCallback callback, void* data, const char* text, int length,
                     unsigned long foreground, unsigned long background, int fontNumber)
    : ColorText(foreground, background, fontNumber, text, length), callback_(callback),
      data_(data) {}

bool HyperLink::isHot(WTextView*) {
    return true;
}

void HyperLink::paintPortion(WTextView* view, const TextPaintArea& area) {
    ColorText::paintPortion(view, area);
    view->fillRect(foreground_, area.x, area.baseline + 1, getWidth(view), 1);
}

bool HyperLink::handleMouseClick(WTextView*, int, int button) {
    if (button != 1 || !callback_) return false;
    callback_(data_, text_, length_);
    return true;
}

// ---- ColorBox -------------------------------------------------------------------------

namespace {

// Fills the top `height` pixels of the area with `pixel` and the rest below with the
// view's background.
void PaintFromTop(WTextView* view, const TextPaintArea& area, unsigned long pixel, int height) {
    int band = height < area.height ? height : area.height;
    view->fillRect(pixel, area.x, area.top, area.width, band);
    view->fillRect(TextElement::getNoSuchColor(), area.x, area.top + band, area.width,
                   area.height - band);
}

} // namespace

ColorBox::ColorBox(unsigned long pixel, int width, int height)
    : pixel_(pixel), width_(width), height_(height) {}

int ColorBox::getWidth(WTextView*) {
    return width_;
}

int ColorBox::getHeight(WTextView*) {
    return height_;
}

void ColorBox::paintPortion(WTextView* view, const TextPaintArea& area) {
    PaintFromTop(view, area, pixel_, height_);
}

unsigned long ColorBox::getColor(WTextView*, bool foreground) {
    return foreground ? getNoSuchColor() : pixel_;
}

void ColorBox::changeColor(WTextView*, unsigned long pixel, bool foreground) {
    if (!foreground) pixel_ = pixel;
}

// ---- ColorLine ------------------------------------------------------------------------

ColorLine::ColorLine(unsigned long pixel, int height) : pixel_(pixel), height_(height) {}

int ColorLine::getWidth(WTextView*) {
    return 0;
}

int ColorLine::getHeight(WTextView*) {
    return height_;
}

bool ColorLine::isSpanner(WTextView*) {
    return true;
}

void ColorLine::paintPortion(WTextView* view, const TextPaintArea& area) {
    PaintFromTop(view, area, pixel_, height_);
}

unsigned long ColorLine::getColor(WTextView*, bool foreground) {
    return foreground ? pixel_ : getNoSuchColor();
}

void ColorLine::changeColor(WTextView*, unsigned long pixel, bool foreground) {
    if (foreground) pixel_ = pixel;
}

// ---- ColorTab -------------------------------------------------------------------------

ColorTab::ColorTab(unsigned long pixel, int height) : pixel_(pixel), height_(height) {}

int ColorTab::getWidth(WTextView*) {
    return 0; // the layout gives a tab its width from the tab stops
}

int ColorTab::getHeight(WTextView*) {
    return height_;
}

bool ColorTab::isTab(WTextView*) {
    return true;
}

bool ColorTab::getRawText(WTextView*, int start, int length, const char** text, int* textLength) {
    static const char kTab[] = "\t";
    bool whole = start <= 0 && length != 0;
    *text = whole ? kTab : kTab + 1;
    *textLength = whole ? 1 : 0;
    return true;
}

void ColorTab::paintPortion(WTextView* view, const TextPaintArea& area) {
    view->fillRect(pixel_, area.x, area.top, area.width, area.height);
}

unsigned long ColorTab::getColor(WTextView*, bool foreground) {
    return foreground ? getNoSuchColor() : pixel_;
}

void ColorTab::changeColor(WTextView*, unsigned long pixel, bool foreground) {
    if (!foreground) pixel_ = pixel;
}
