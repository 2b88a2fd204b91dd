// A horizontal line dividing a window: an etched rule two pixels high (at scale 1) across
// the item's width.
#pragma once

#include "windlib/window/gitem.h"

class GLine : public GItem {
public:
    GLine(GItem* container, int x, int y, int width);
    int EventParse(xinLibSt* event, GItem* context) override;
    void NaturalSize(int* width, int* height) override;
};

GLine* glCreate(GItem* container, int x, int y, int width);
