// The built-in images: small bitmaps compiled into the program and turned into server
// pixmaps at start-up at the display's scale (xscale.h), looked up by name ("ORBITPIC",
// "restart3", "plus9", "minus9", "updir", "showfiles"). Pictures, buttons and window icons
// use them.
#pragma once

#include <X11/Xlib.h>

struct WImage {
    const char* name;
    int width;
    int height;
    Pixmap bitmap; // depth 1; None before WDrawInitImages
};

// Creates the pixmaps; false when the server refused one.
bool WDrawInitImages();
void WDrawFreeImages();
// The image of that name (case-sensitive), or null.
const WImage* WFindImage(const char* name);
// Draws the image at x, y: set bits in the foreground colour, the rest in the background.
void WDrawImage(Window w, const WImage* image, int x, int y);

// Number of built-in images.
int WNumImages();
