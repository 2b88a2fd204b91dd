// The font table: loading, switching and the metric rules of SetFontVars. Fonts are the
// server's; a missing one never stops start-up, the table falls back to "fixed".
#include "windlib/x11/xfonts.h"

#include <cstring>

#include "windlib/config/config_tables.h"
#include "windlib/wreport.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xstatemanager.h"

FontInfo fontinfo[kNumFonts];
int active_font = -1;
int font_h, font_ascent, font_descent, font_xhigh, font_space, font_0, font_n;
int font_maxw, font_minw, font_lb;
int bfont_num = -1;
int bfont_h, bfont_ascent, bfont_n;

namespace {

int smallFont = -1;

// Text and button fonts that every Debian server with the base fonts has; "fixed" is
// built into every server.
const char* const kTextFonts[] = {"-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1", "6x13",
                                  nullptr};
const char* const kButtonFonts[] = {"-misc-fixed-bold-r-normal--13-*-*-*-*-*-iso8859-1", "6x13bold",
                                    "7x13bold", nullptr};

const XCharStruct* CharOf(const XFontStruct* f, unsigned c) {
    if (!f->per_char || c < f->min_char_or_byte2 || c > f->max_char_or_byte2 || f->min_byte1 != 0)
        return nullptr;
    const XCharStruct* cs = &f->per_char[c - f->min_char_or_byte2];
    if (cs->width == 0 && cs->ascent == 0 && cs->descent == 0) return nullptr;
    return cs;
}

int NarrowestWidth(const XFontStruct* f) {
    if (f->min_bounds.width > 0) return f->min_bounds.width;
    if (!f->per_char) return f->max_bounds.width;
    int narrowest = 0;
    for (unsigned c = f->min_char_or_byte2; c <= f->max_char_or_byte2; ++c) {
        int w = f->per_char[c - f->min_char_or_byte2].width;
        if (w > 0 && (narrowest == 0 || w < narrowest)) narrowest = w;
    }
    return narrowest ? narrowest : f->max_bounds.width;
}

void CopyToGlobals(const FontInfo& e) {
    font_h = e.height;
    font_ascent = e.ascent;
    font_descent = e.descent;
    font_xhigh = e.xhigh;
    font_space = e.space;
    font_0 = e.zero;
    font_n = e.n;
    font_maxw = e.maxw;
    font_minw = e.minw;
    font_lb = e.lb;
}

// The metric rules of one entry, stored in it and in the current-font globals.
void SetFontVars(FontInfo& e) {
    const XFontStruct* f = e.font;
    e.maxw = f->max_bounds.width;
    e.minw = NarrowestWidth(f);
    const XCharStruct* space = CharOf(f, ' ');
    e.space = space ? space->width : e.maxw;
    const XCharStruct* n = CharOf(f, 'n');
    e.n = n ? n->width : e.space;
    e.lb = n ? n->lbearing : f->min_bounds.lbearing;
    const XCharStruct* zero = CharOf(f, '0');
    e.zero = zero ? zero->width : e.n;
    e.ascent = f->ascent;
    e.descent = f->descent;
    if (e.font16) {
        if (e.font16->ascent > e.ascent) e.ascent = e.font16->ascent;
        if (e.font16->descent > e.descent) e.descent = e.font16->descent;
    }
    e.height = e.ascent + e.descent;
    const XCharStruct* x = CharOf(f, 'x');
    e.xhigh = x ? x->ascent : e.ascent * 2 / 3;
    CopyToGlobals(e);
}

bool Valid(int number) {
    return number >= 0 && number < kNumFonts && fontinfo[number].font;
}

} // namespace

int WDrawLoadFont(const char* name) {
    if (!display || !name) return -1;
    int slot = 0;
    while (slot < kNumFonts && fontinfo[slot].font) ++slot;
    if (slot == kNumFonts) return -1;
    XFontStruct* f = XLoadQueryFont(display, name);
    if (!f) return -1;
    fontinfo[slot] = FontInfo();
    fontinfo[slot].font = f;
    active_font = slot;
    SetFontVars(fontinfo[slot]);
    return slot;
}

int WDrawSetFontNum(Window window, int number) {
    if (!Valid(number)) return -1;
    int previous = active_font;
    active_font = number;
    CopyToGlobals(fontinfo[number]);
    if (window && stateManager) stateManager->setFont(window, fontinfo[number].font->fid);
    return previous;
}

bool ChangeFont(Window window, const char* name) {
    XFontStruct* f = display && name ? XLoadQueryFont(display, name) : nullptr;
    if (!f || !Valid(active_font)) {
        if (f) XFreeFont(display, f);
        WReportError(1, "Can't open font: %s", name ? name : "");
        return false;
    }
    FontInfo& e = fontinfo[active_font];
    XFreeFont(display, e.font);
    e.font = f;
    SetFontVars(e);
    if (window && stateManager) stateManager->setFont(window, f->fid);
    return true;
}

void Change16bitFont(const char* name) {
    if (!Valid(active_font) || !name) return;
    FontInfo& e = fontinfo[active_font];
    if (e.font16) XFreeFont(display, e.font16);
    e.font16 = nullptr;
    if (strcmp(name, "off") != 0 && strcmp(name, "none") != 0)
        e.font16 = XLoadQueryFont(display, name);
    SetFontVars(e);
}

void WFreeFont(int number) {
    if (!Valid(number)) return;
    FontInfo& e = fontinfo[number];
    if (display) {
        XFreeFont(display, e.font);
        if (e.font16) XFreeFont(display, e.font16);
    }
    e = FontInfo();
    if (number == smallFont) smallFont = -1;
    if (number == bfont_num) bfont_num = -1;
    if (number == active_font) active_font = -1;
}

int WDrawLoadSmallFont() {
    if (smallFont < 0) {
        int previous = active_font;
        smallFont = WDrawLoadFont("5x7");
        if (Valid(previous)) WDrawSetFontNum(0, previous);
    }
    return smallFont;
}

int WDrawLoadFontFrom(const char* const* names) {
    for (; names && *names; ++names) {
        int number = WDrawLoadFont(*names);
        if (number >= 0) return number;
    }
    return WDrawLoadFont("fixed");
}

bool WDrawLoadDefaultFonts() {
    int text = -1;
    if (cfg_font) text = WDrawLoadFont(cfg_font);
    if (text < 0) text = WDrawLoadFontFrom(kTextFonts);
    if (text < 0) return false;
    int button = -1;
    if (cfg_buttonfont) button = WDrawLoadFont(cfg_buttonfont);
    if (button < 0) button = WDrawLoadFontFrom(kButtonFonts);
    bfont_num = button >= 0 ? button : text;
    bfont_h = fontinfo[bfont_num].height;
    bfont_ascent = fontinfo[bfont_num].ascent;
    bfont_n = fontinfo[bfont_num].n;
    WDrawSetFontNum(0, text);
    return true;
}

void WDrawFreeAllFonts() {
    for (int i = 0; i < kNumFonts; ++i) WFreeFont(i);
    active_font = -1;
    bfont_num = -1;
}

int WTextWidth(const char* text, int length, int number) {
    if (number < 0) number = active_font;
    if (!Valid(number) || !text) return 0;
    if (length < 0) length = (int)strlen(text);
    return XTextWidth(fontinfo[number].font, text, length);
}

Font WFontId(int number) {
    return Valid(number) ? fontinfo[number].font->fid : 0;
}
