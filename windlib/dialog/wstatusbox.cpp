// The status box (see wstatusbox.h).
#include "windlib/dialog/wstatusbox.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"

namespace {
const int kInset = 3; // frame and gap above the text, and below it
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

int WStatusBox::EventParse(xinLibSt* event, GItem*) {
    if (event->kind != kXinRedraw) return 0;
    Window w = getW();
    WSetColor(w, fg_pixel, bg_pixel);
    WDrawBevel(w, x, y, width, height, false);
    int number = FontNumber();
    if (number < 0 || !*text_) return 1;
    // The text stops at the frame (the window's clip is the area being redrawn).
    int room = width - 2 * (kInset + 1), length = (int)strlen(text_);
    while (length > 0 && WTextWidth(text_, length, number) > room) --length;
    WSetFont(w, number);
    WDrawString(w, x + kInset + 1, y + kInset + fontinfo[number].ascent, text_, length);
    return 1;
}

void WStatusBox::setText(const char* text) {
    gen_strchange(&text_, text ? text : "");
    Invalidate();
}
