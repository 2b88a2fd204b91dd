// The line table (see textlayout.h). A line's height is the taller of its text (tallest
// ascent plus tallest descent, all on one baseline) and its tallest element without text;
// a line with nothing but its line end is one line of the normal font.
#include "windlib/textview/textlayout.h"

#include <algorithm>

#include "windlib/textview/textelement.h"
#include "windlib/textview/wtextview.h"

TextLayout::TextLayout(WTextView* view) : view_(view) {
    openLine(0);
}

void TextLayout::openLine(int top) {
    TextLine line = {};
    line.top = top;
    lines_.push_back(line);
}

void TextLayout::clear() {
    lines_.clear();
    maxWidth_ = 0;
    openLine(0);
}

void TextLayout::measureInto(TextLine& line, TextElement* element) {
    int width = 0;
    if (element->isTab(view_))
        width = view_->nextTabStop(line.width) - line.width;
    else if (!element->isSpanner(view_))
        width = element->getWidth(view_);
    line.width += width;
    int height = element->getHeight(view_);
    int ascent = element->getAscent(view_);
    if (ascent < 0) {
        line.boxHeight = std::max(line.boxHeight, height);
    } else {
        line.textAscent = std::max(line.textAscent, ascent);
        line.textDescent = std::max(line.textDescent, height - ascent);
    }
    finishHeight(line);
    maxWidth_ = std::max(maxWidth_, line.width);
}

void TextLayout::finishHeight(TextLine& line) {
    bool empty = line.boxHeight == 0 && line.textAscent == 0 && line.textDescent == 0;
    if (empty && line.closed) {
        line.height = view_->fontHeight(0);
        line.ascent = view_->fontAscent(0);
        return;
    }
    line.height = std::max(line.boxHeight, line.textAscent + line.textDescent);
    line.ascent = line.textAscent;
}

void TextLayout::append(TextStore* store, TextReference ref) {
    TextLine& line = lines_.back();
    if (!line.first) line.first = ref;
    if (!store->isLineEnd(ref)) {
        if (TextElement* element = store->getElement(ref)) measureInto(line, element);
        return;
    }
    line.closed = true;
    finishHeight(line);
    openLine(line.top + line.height);
}

void TextLayout::rebuild(TextStore* store) {
    clear();
    if (!store) return;
    for (TextReference ref = store->getFirstElement(); ref; ref = store->getNextElement(ref))
        append(store, ref);
}

int TextLayout::lineCount() const {
    int count = (int)lines_.size() - 1;
    return lines_.back().first ? count + 1 : count;
}

int TextLayout::partialWidth() const {
    return lines_.back().width;
}

int TextLayout::totalHeight() const {
    const TextLine& last = lines_.back();
    return last.first ? last.top + last.height : last.top;
}

int TextLayout::lineAt(int y) const {
    // The last line whose top is at or above y.
    auto after = std::upper_bound(lines_.begin(), lines_.end(), y,
                                  [](int value, const TextLine& l) { return value < l.top; });
    if (after == lines_.begin()) return 0;
    return (int)(after - lines_.begin()) - 1;
}
