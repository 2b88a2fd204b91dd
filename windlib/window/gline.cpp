// The horizontal line (see gline.h).
#include "windlib/window/gline.h"

#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xscale.h"

namespace {
const int kLineHeight = 2; // at scale 1: one dark and one light row
}

GLine::GLine(GItem* container_, int x_, int y_, int width_)
    : GItem(kKindLine, container_, x_, y_, width_, WScaled(kLineHeight)) {}

int GLine::EventParse(xinLibSt* event, GItem*) {
    if (event->kind != kXinRedraw) return 0;
    Window w = getW();
    int dark = height / 2;
    WSetColor(w, shadow_pixel, bg_pixel);
    WFillRect(w, x, y, width, dark);
    WSetColor(w, light_pixel, bg_pixel);
    WFillRect(w, x, y + dark, width, height - dark);
    return 1;
}

void GLine::NaturalSize(int* w, int* h) {
    *w = width;
    *h = WScaled(kLineHeight);
}

GLine* glCreate(GItem* container, int x, int y, int width) {
    return new GLine(container, x, y, width);
}
