// The scale of everything the toolkit draws: 1 on an ordinary screen, more on a dense one,
// so that text, layout rules, scroll bars and pictures keep their size to the eye. Chosen
// once per display by WScaleInit (start there); layout code asks WScaled for pixels.
#pragma once

// The scale chosen for the display: -scale (resource "scale") when it gives a usable
// number, else the resource Xft.dpi, else the screen's size in millimetres, each turned
// into dpi / 96 rounded to the nearest quarter and never below 1. 1 before WScaleInit.
double WScale();
// `pixels` of a layout designed at scale 1, at the present scale (rounded to the nearest,
// halves away from zero).
int WScaled(int pixels);

// Reads the choice from the resources and the screen; needs the open display.
void WScaleInit();
// Back to 1 (after WDrawExit).
void WScaleReset();

// The rule itself, without a display: `option` is the -scale text (null when not given),
// `xftDpi` the Xft.dpi text (null when not set), and the screen's width in pixels and in
// millimetres. A bad option text is reported and ignored.
double WScaleChoose(const char* option, const char* xftDpi, int widthPixels, int widthMm);
