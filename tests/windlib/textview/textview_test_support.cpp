// Store descriptions for the text view tests (see textview_test_support.h).
#include "tests/windlib/textview/textview_test_support.h"

#include "windlib/textview/simplebrowser.h"
#include "windlib/x11/xcolors.h"

std::string PixelName(unsigned long pixel) {
    if (pixel == TextElement::getNoSuchColor()) return "none";
    if (pixel == red_pixel) return "red";
    if (pixel == keyword_fg) return "keyword";
    if (pixel == fg_pixel) return "fg";
    if (pixel == bg_pixel) return "bg";
    if (pixel == control_pixel) return "control";
    return std::to_string(pixel);
}

namespace {

std::string DescribeElement(TextElement* e) {
    if (!e) return "null";
    if (auto* link = dynamic_cast<HyperLink*>(e))
        return "link(" + PixelName(link->getColor(nullptr, true)) + ":" +
               std::string(link->text(), (size_t)link->length()) + ")";
    if (auto* text = dynamic_cast<ColorText*>(e)) {
        std::string font = text->fontNumber() ? "big " : "";
        return "text(" + font + PixelName(text->getColor(nullptr, true)) + "/" +
               PixelName(text->getColor(nullptr, false)) + ":" +
               std::string(text->text(), (size_t)text->length()) + ")";
    }
    if (dynamic_cast<ColorBox*>(e))
        return "box(" + std::to_string(e->getWidth(nullptr)) + "," +
               PixelName(e->getColor(nullptr, false)) + ")";
    if (dynamic_cast<ColorTab*>(e)) return "tab(" + PixelName(e->getColor(nullptr, false)) + ")";
    if (dynamic_cast<ColorLine*>(e))
        return "rule(" + PixelName(e->getColor(nullptr, true)) + "," +
               std::to_string(e->getHeight(nullptr)) + ")";
    return "element";
}

} // namespace

std::string Describe(TextStore* store) {
    std::string out;
    for (TextReference ref = store->getFirstElement(); ref; ref = store->getNextElement(ref)) {
        if (!out.empty()) out += ' ';
        out += store->isLineEnd(ref) ? "|" : DescribeElement(store->getElement(ref));
    }
    return out;
}

DistinctPixels::DistinctPixels()
    : saved_{fg_pixel, bg_pixel, control_pixel, red_pixel, keyword_fg} {
    fg_pixel = 1;
    bg_pixel = 2;
    control_pixel = 3;
    red_pixel = 4;
    keyword_fg = 5;
}

DistinctPixels::~DistinctPixels() {
    fg_pixel = saved_[0];
    bg_pixel = saved_[1];
    control_pixel = saved_[2];
    red_pixel = saved_[3];
    keyword_fg = saved_[4];
}
