// One loaded font face, whichever way it was found: an anti-aliased Xft face from a
// fontconfig name (an XLFD name is first mapped to one) at the display's scale, or a core
// X font when the server has one of that name or Xft cannot draw on this display. The
// font table (xfonts.h) holds faces; the drawing layer draws its text with them. Start
// with WFontFaceOpen.
#pragma once

#include <X11/Xlib.h>

#include <string>

struct WFontFace;

// What the font table's metric rules are computed from, in pixels.
struct WFaceMetrics {
    int ascent;
    int descent;
    int xhigh; // ascent of 'x'
    int space; // advance of ' '
    int zero;  // advance of '0'
    int n;     // advance of 'n'
    int maxw;  // widest character
    int minw;  // narrowest character
    int lb;    // left bearing of 'n'
};

// To be called once the display is open, before any face is opened (see the definition).
void WFontFaceDisplayOpened();

// Opens the face `name` stands for, or null when there is none. A name without the leading
// '-' of an XLFD is first asked of the server (its aliases "fixed", "6x13"...); then, where
// Xft can draw, fontconfig is asked (an XLFD mapped by WFontXlfdToFontconfig); an XLFD
// the server has is the last resort. A family fontconfig does not know is no match, even
// though it would offer a substitute: a misspelt name must not pass for a font.
WFontFace* WFontFaceOpen(const char* name);
void WFontFaceClose(WFontFace* face);

bool WFontFaceIsXft(const WFontFace* face);
// The core font's id (for a graphics context); 0 for an Xft face.
Font WFontFaceId(const WFontFace* face);
void WFontFaceGetMetrics(WFontFace* face, WFaceMetrics* metrics);
// Width in pixels of `length` bytes (Latin-1) of text.
int WFontFaceWidth(WFontFace* face, const char* text, int length);
// Draws the text with its baseline at y into the window's drawable, in the window's
// foreground colour and clipped as its other drawing is.
void WFontFaceDraw(WFontFace* face, Window w, int x, int y, const char* text, int length);

// Releases what text drawing holds for the window; call before the window is destroyed.
void WFontFaceForgetWindow(Window w);
// Releases what text drawing holds for every window (on the server only while the
// connection lives).
void WFontFaceShutdown();

// True when faces are opened through Xft: the server renders (RENDER) and the screen is
// true-colour. Without that, every face is a core font.
bool WFontXftUsable();

// The fontconfig name of an XLFD: family (the classic X families become the DejaVu face and
// generic family of their kind), weight, slant, pixel or point size and mono spacing; the
// fields given as '*' or left out say nothing. No display needed.
std::string WFontXlfdToFontconfig(const char* xlfd);
