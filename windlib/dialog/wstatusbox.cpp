// The status box (see wstatusbox.h).
#include "windlib/dialog/wstatusbox.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"

namespace {

const int kInset = 3; // frame and gap above the text, and below it
const char kEllipsis[] = "...";

} // namespace

std::string StatusFitText(const char* text, int room, int number) {
    int length = (int)strlen(text);
    if (WTextWidth(text, length, number) <= room) return text;
    // The end carries the name a message is about, so it gets the larger share.
    int left = room - WTextWidth(kEllipsis, -1, number);
    int head = 0, tail = 0;
    while (head + tail < length) {
        bool takeTail = tail < 2 * head + 1;
        int h = head + !takeTail, t = tail + takeTail;
        int width = WTextWidth(text, h, number) + WTextWidth(text + length - t, t, number);
        if (width > left) break;
        head = h, tail = t;
    }
    return std::string(text, (size_t)head) + kEllipsis + std::string(text + length - tail);
}

WStatusBox::WStatusBox(GItem* container_, int x_, int y_, int width_)
    : GItem(kKindStatusBox, container_, x_, y_, width_, StatusHeight()) {
    text_ = gen_copy("");
}

WStatusBox::~WStatusBox() {
    gen_free(text_);
}

int WStatusBox::StatusHeight() {
    return bfont_h + 2 * kInset;
}

int WStatusBox::FontNumber() const {
    return bfont_num >= 0 ? bfont_num : active_font;
}

void WStatusBox::NaturalSize(int* w, int* h) {
    *w = width;
    *h = StatusHeight();
}

const char* WStatusBox::shownText() const {
    ColWind* window = TopWindow();
    if (window && window->messageItem == this && *cwGetMsg(window)) return cwGetMsg(window);
    return text_;
}

int WStatusBox::EventParse(xinLibSt* event, GItem*) {
    if (event->kind != kXinRedraw) return 0;
    Window w = getW();
    WSetColor(w, fg_pixel, bg_pixel);
    WDrawBevel(w, x, y, width, height, false, bg_pixel);
    int number = FontNumber();
    const char* text = shownText();
    if (number < 0 || !*text) return 1;
    std::string shown = StatusFitText(text, width - 2 * (kInset + 1), number);
    WSetFont(w, number);
    WDrawString(w, x + kInset + 1, y + kInset + fontinfo[number].ascent, shown.c_str(),
                (int)shown.size());
    return 1;
}

void WStatusBox::setText(const char* text) {
    gen_strchange(&text_, text ? text : "");
    Invalidate();
}

void WStatusBox::becomeMessageLine() {
    if (ColWind* window = TopWindow()) window->messageItem = this;
}
