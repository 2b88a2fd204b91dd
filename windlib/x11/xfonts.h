// The table of loaded fonts and the metrics the placer and the widgets measure with. One
// entry is active at a time; the font_* globals describe it. The button font is a second
// choice that labels are drawn in. Entries hold faces (xfontface.h): anti-aliased Xft
// faces where the display can draw them, core fonts otherwise. Start with
// WDrawLoadDefaultFonts, then WDrawLoadFont.
#pragma once

#include <X11/Xlib.h>

struct WFontFace;

enum { kNumFonts = 12 };

struct FontInfo {
    int height; // ascent + descent
    int ascent;
    int descent;
    int xhigh; // ascent of 'x'
    int space; // width of ' '
    int zero;  // width of '0'
    int n;     // width of 'n'
    int maxw;  // widest character
    int minw;  // narrowest character
    int lb;    // left bearing of 'n'
    int spare;
    WFontFace* font; // null for a free entry
    XFontStruct* font16;
};

extern FontInfo fontinfo[kNumFonts];
extern int active_font;
extern int font_h, font_ascent, font_descent, font_xhigh, font_space, font_0, font_n;
extern int font_maxw, font_minw, font_lb;

// The button font and its metrics (entry bfont_num of the table).
extern int bfont_num;
extern int bfont_h, bfont_ascent, bfont_n;

// Loads the font into the first free entry and makes it active; its number, or -1 when all
// 12 are in use or there is no such font (the active font stays). Names are those of
// WFontFaceOpen: XLFDs, the server's aliases, fontconfig names.
int WDrawLoadFont(const char* name);
// Makes entry `number` active for drawing in `window`; the previously active number, or
// -1 (nothing changes) for a number outside 0 to 11 or a free entry.
int WDrawSetFontNum(Window window, int number);
// Replaces the active entry's font; reports "Can't open font: %s" and keeps it on failure.
// Returns true when it was replaced.
bool ChangeFont(Window window, const char* name);
// Sets the active entry's 16-bit font, or removes it for "off" and "none".
void Change16bitFont(const char* name);
void WFreeFont(int number);
// Loads "5x7" the first time; its number afterwards.
int WDrawLoadSmallFont();

// Loads the first of `names` (null-terminated) that can be had, ending with "fixed".
int WDrawLoadFontFrom(const char* const* names);
// Loads the toolkit's fonts: entry 0 the text font (lists, the text view), entry 1 the same
// face again for text fields, then the button font (labels, buttons). Each is the resource
// ("font", which -fn sets, and "buttonfont"), else the configuration's option of that name,
// else its default; then a face of the same kind, and at last the server's "fixed". False
// when not even that loads.
bool WDrawLoadDefaultFonts();
// Loads the three again when the resources or the configuration now name other fonts (the
// configuration is read after the display is up). The entries keep their numbers. True
// when a font changed, so that windows lay themselves out again.
bool WDrawReloadFonts();
// Frees every entry.
void WDrawFreeAllFonts();

// Width in pixels of `length` bytes of text in font entry `number` (the active one for -1).
int WTextWidth(const char* text, int length, int number = -1);
// The X font id of an entry, for the drawing state; 0 for an Xft face.
Font WFontId(int number);
// True when the entry holds an Xft face.
bool WFontIsXft(int number);

// The entry text in `window` is drawn in (WDrawSetFontNum, WSetFont), else the active one.
int WFontOfWindow(Window window);
// Selects the entry for the window's text.
void WFontSelect(Window window, int number);
// Forgets the window's selection and what its text drawing holds; before it is destroyed.
void WFontsForgetWindow(Window window);
