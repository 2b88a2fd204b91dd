// The font table: loading, switching, the metric rules of SetFontVars and which entry each
// window draws its text in. A font that cannot be had never stops start-up: the defaults
// fall back to a face of the same kind and at last to the server's "fixed".
#include "windlib/x11/xfonts.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "windlib/config/config_options.h"
#include "windlib/config/config_tables.h"
#include "windlib/wreport.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xerrors.h"
#include "windlib/x11/xfontface.h"
#include "windlib/x11/xstatemanager.h"

FontInfo fontinfo[kNumFonts];
int active_font = -1;
int font_h, font_ascent, font_descent, font_xhigh, font_space, font_0, font_n;
int font_maxw, font_minw, font_lb;
int bfont_num = -1;
int bfont_h, bfont_ascent, bfont_n;

namespace {

int smallFont = -1;
int textFont = -1;                // entry 0 after start-up
int fieldFont = -1;               // entry 1: text fields draw in it
std::string textName, buttonName; // what the defaults were loaded for
std::map<Window, int> windowFont;
// Faces replaced in their entry: a window's drawing state may still name their core font,
// so they are freed with the table only.
std::vector<WFontFace*> retired;

// After the configured face: one of the same kind, then the server's bitmap fonts.
const char* const kTextFallbacks[] = {"DejaVu Sans Mono:pixelsize=12", "monospace:pixelsize=12",
                                      "-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso8859-1", "6x13",
                                      nullptr};
const char* const kButtonFallbacks[] = {"DejaVu Sans:pixelsize=12",
                                        "sans-serif:pixelsize=12",
                                        "-misc-fixed-bold-r-normal--13-*-*-*-*-*-iso8859-1",
                                        "6x13bold",
                                        "7x13bold",
                                        nullptr};

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

// The metric rules of one entry, stored in it (the globals follow the active entry).
void SetFontVars(FontInfo& e) {
    WFaceMetrics m;
    WFontFaceGetMetrics(e.font, &m);
    e.maxw = m.maxw;
    e.minw = m.minw;
    e.space = m.space;
    e.n = m.n;
    e.lb = m.lb;
    e.zero = m.zero;
    e.ascent = m.ascent;
    e.descent = m.descent;
    if (e.font16) {
        if (e.font16->ascent > e.ascent) e.ascent = e.font16->ascent;
        if (e.font16->descent > e.descent) e.descent = e.font16->descent;
    }
    e.height = e.ascent + e.descent;
    e.xhigh = m.xhigh;
}

bool Valid(int number) {
    return number >= 0 && number < kNumFonts && fontinfo[number].font;
}

int FreeSlot() {
    int slot = 0;
    while (slot < kNumFonts && fontinfo[slot].font) ++slot;
    return slot < kNumFonts ? slot : -1;
}

// Puts the face into the entry (which must be free) and makes it active.
int Install(int slot, WFontFace* face) {
    fontinfo[slot] = FontInfo();
    fontinfo[slot].font = face;
    SetFontVars(fontinfo[slot]);
    active_font = slot;
    CopyToGlobals(fontinfo[slot]);
    return slot;
}

void Replace(int number, WFontFace* face) {
    FontInfo& e = fontinfo[number];
    retired.push_back(e.font);
    e.font = face;
    SetFontVars(e);
}

WFontFace* OpenFirst(const std::string& wanted, const char* const* fallbacks) {
    if (WFontFace* face = WFontFaceOpen(wanted.c_str())) return face;
    for (; *fallbacks; ++fallbacks)
        if (WFontFace* face = WFontFaceOpen(*fallbacks)) return face;
    return WFontFaceOpen("fixed");
}

// The resource, else the configuration's option, else the option's default.
std::string Wanted(const char* resource, const char* resourceClass, const char* option,
                   const char* value) {
    if (const char* given = WGetResource(resource, resourceClass)) return given;
    if (value) return value;
    const _ConfigOption* o = cfg_FindOption(option);
    return o && o->defaultValue.text ? o->defaultValue.text : "";
}

std::string WantedText() {
    return Wanted("font", "Font", "font", cfg_font);
}

std::string WantedButton() {
    return Wanted("buttonfont", "ButtonFont", "buttonfont", cfg_buttonfont);
}

void CopyButtonMetrics() {
    bfont_h = fontinfo[bfont_num].height;
    bfont_ascent = fontinfo[bfont_num].ascent;
    bfont_n = fontinfo[bfont_num].n;
}

} // namespace

int WDrawLoadFont(const char* name) {
    if (!display || !name) return -1;
    int slot = FreeSlot();
    if (slot < 0) return -1;
    WFontFace* face = WFontFaceOpen(name);
    return face ? Install(slot, face) : -1;
}

int WDrawSetFontNum(Window window, int number) {
    if (!Valid(number)) return -1;
    int previous = active_font;
    active_font = number;
    CopyToGlobals(fontinfo[number]);
    if (window) WFontSelect(window, number);
    return previous;
}

bool ChangeFont(Window window, const char* name) {
    WFontFace* face = name && Valid(active_font) ? WFontFaceOpen(name) : nullptr;
    if (!face) {
        WReportError(1, "Can't open font: %s", name ? name : "");
        return false;
    }
    Replace(active_font, face);
    CopyToGlobals(fontinfo[active_font]);
    if (window) WFontSelect(window, active_font);
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
    CopyToGlobals(e);
}

void WFreeFont(int number) {
    if (!Valid(number)) return;
    FontInfo& e = fontinfo[number];
    WFontFaceClose(e.font);
    if (e.font16 && display && !WXConnectionLost()) XFreeFont(display, e.font16);
    e = FontInfo();
    if (number == smallFont) smallFont = -1;
    if (number == bfont_num) bfont_num = -1;
    if (number == active_font) active_font = -1;
    if (number == textFont) textFont = -1;
    if (number == fieldFont) fieldFont = -1;
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
    if (!display) return false;
    textName = WantedText();
    buttonName = WantedButton();
    WFontFace* text = OpenFirst(textName, kTextFallbacks);
    int slot = text ? FreeSlot() : -1;
    if (slot < 0) {
        WFontFaceClose(text);
        return false;
    }
    textFont = Install(slot, text);
    slot = FreeSlot();
    WFontFace* field = slot >= 0 ? OpenFirst(textName, kTextFallbacks) : nullptr;
    fieldFont = field ? Install(slot, field) : -1;
    slot = FreeSlot();
    WFontFace* button = slot >= 0 ? OpenFirst(buttonName, kButtonFallbacks) : nullptr;
    bfont_num = button ? Install(slot, button) : textFont;
    CopyButtonMetrics();
    WDrawSetFontNum(0, textFont);
    return true;
}

bool WDrawReloadFonts() {
    if (!display || !Valid(textFont) || !Valid(bfont_num)) return false;
    std::string text = WantedText(), button = WantedButton();
    bool changed = false;
    if (text != textName) {
        textName = text;
        for (int number : {textFont, fieldFont}) {
            if (!Valid(number)) continue;
            if (WFontFace* face = OpenFirst(text, kTextFallbacks)) Replace(number, face);
        }
        changed = true;
    }
    if (button != buttonName && bfont_num != textFont) {
        buttonName = button;
        if (WFontFace* face = OpenFirst(button, kButtonFallbacks)) Replace(bfont_num, face);
        changed = true;
    }
    if (!changed) return false;
    CopyButtonMetrics();
    if (Valid(active_font)) CopyToGlobals(fontinfo[active_font]);
    return true;
}

void WDrawFreeAllFonts() {
    for (int i = 0; i < kNumFonts; ++i) WFreeFont(i);
    for (WFontFace* face : retired) WFontFaceClose(face);
    retired.clear();
    windowFont.clear();
    WFontFaceShutdown();
    active_font = -1;
    bfont_num = -1;
    textName.clear();
    buttonName.clear();
}

int WTextWidth(const char* text, int length, int number) {
    if (number < 0) number = active_font;
    if (!Valid(number) || !text) return 0;
    if (length < 0) length = (int)strlen(text);
    return WFontFaceWidth(fontinfo[number].font, text, length);
}

Font WFontId(int number) {
    return Valid(number) ? WFontFaceId(fontinfo[number].font) : 0;
}

bool WFontIsXft(int number) {
    return Valid(number) && WFontFaceIsXft(fontinfo[number].font);
}

int WFontOfWindow(Window window) {
    auto found = windowFont.find(window);
    if (found != windowFont.end() && Valid(found->second)) return found->second;
    return active_font;
}

void WFontSelect(Window window, int number) {
    if (!window || !Valid(number)) return;
    windowFont[window] = number;
    if (stateManager && WFontId(number)) stateManager->setFont(window, WFontId(number));
}

void WFontsForgetWindow(Window window) {
    windowFont.erase(window);
    WFontFaceForgetWindow(window);
}
