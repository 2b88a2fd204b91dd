// The horizontal line (see gline.h).
#include "windlib/window/gline.h"

#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"

namespace {
const int kLineHeight = 2;
}

GLine::GLine(GItem* container_, int x_, int y_, int width_)
    : GItem(kKindLine, container_, x_, y_, width_, kLineHeight) {}

int GLine::EventParse(xinLibSt* event, GItem*) {
    if (event->kind != kXinRedraw) return 0;
    Window w = getW();
    WSetColor(w, shadow_pixel, bg_pixel);
    WDrawLine(w, x, y, x + width - 1, y);
    WSetColor(w, light_pixel, bg_pixel);
    WDrawLine(w, x, y + 1, x + width - 1, y + 1);
    return 1;
}

void GLine::NaturalSize(int* w, int* h) {
    *w = width;
    *h = kLineHeight;
}

GLine* glCreate(GItem* container, int x, int y, int width) {
    return new GLine(container, x, y, width);
}
