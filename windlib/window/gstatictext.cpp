// Static text (see gstatictext.h).
#include "windlib/window/gstatictext.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"

GStaticText::GStaticText(GItem* container_, int x_, int y_, const char* text)
    : GItem(kKindStaticText, container_, x_, y_, 0, 0) {
    setText(text);
    NaturalSize(&width, &height);
}

GStaticText::~GStaticText() {
    gen_free(text_);
}

int GStaticText::FontNumber() const {
    return bfont_num >= 0 ? bfont_num : active_font;
}

void GStaticText::NaturalSize(int* w, int* h) {
    int lines = 0, widest = 0;
    for (const char* line = text_ ? text_ : ""; line; ++lines) {
        const char* end = strchr(line, '\n');
        int length = end ? (int)(end - line) : (int)strlen(line);
        int lineWidth = WTextWidth(line, length, FontNumber());
        if (lineWidth > widest) widest = lineWidth;
        line = end ? end + 1 : nullptr;
    }
    *w = widest;
    *h = lines * (FontNumber() >= 0 ? fontinfo[FontNumber()].height : 0);
}

int GStaticText::EventParse(xinLibSt* event, GItem*) {
    if (event->kind != kXinRedraw || !text_) return 0;
    Window w = getW();
    int number = FontNumber();
    if (number < 0) return 1;
    const FontInfo& f = fontinfo[number];
    WSetColor(w, hasColor_ ? color_ : fg_pixel, bg_pixel);
    WSetFont(w, number);
    int baseline = y + f.ascent;
    for (const char* line = text_; line; baseline += f.height) {
        const char* end = strchr(line, '\n');
        int length = end ? (int)(end - line) : (int)strlen(line);
        if (baseline - f.ascent >= y + height && height > 0) break;
        WDrawString(w, x, baseline, line, length);
        line = end ? end + 1 : nullptr;
    }
    return 1;
}

void GStaticText::setText(const char* text) {
    gen_strchange(&text_, text ? text : "");
    Invalidate();
}

void GStaticText::setColor(unsigned long pixel) {
    color_ = pixel;
    hasColor_ = true;
    Invalidate();
}

GStaticText* gtCreate(GItem* container, int x, int y, const char* text) {
    return new GStaticText(container, x, y, text);
}

void gtSetText(GStaticText* item, const char* text) {
    if (item) item->setText(text);
}
