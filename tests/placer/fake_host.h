// A window for the placer made of plain numbers: items with a kind, a natural size and a
// present geometry, and a window with its size, frame and fonts. It records what the
// placer does to them, so tests can read the resulting geometry and hints.
#pragma once

#include <vector>

#include "placer/run_time/plchost.h"

struct FakeItem {
    bool exists = true;
    uint32_t kind = 1; // no baseline
    int parent = 0;
    PlacerRect at = {0, 0, 10, 10};
    PlacerSize natural = {10, 10};
    int frame = kPlcFrameStandard;
    int heightStep = 0;        // > 0: the item rounds its height down to a multiple of this
    PlacerSize least = {0, 0}; // what its text needs
};

class FakeHost : public PlacerHost {
public:
    FakeHost(int count, PlacerSize size) : items(count), window(size) {}

    std::vector<FakeItem> items; // [0] stands for the window and is not used
    PlacerSize window;
    bool bordered = false;
    int titleBar = 0;
    bool topLevel = true;
    int nWidth = 7, widest = 9, lineHeight = 13, scrollBar = 16, ascent = 10;
    int widthStep = 1; // the window manager's horizontal size increment
    int scale = 1;     // of the rules' pixels
    PlacerSize minimum = {0, 0};
    int windowResizes = 0;

    const PlacerRect& at(int item) const { return items[item].at; }

    int itemCount() const override { return static_cast<int>(items.size()); }
    bool itemExists(int item) const override { return items[item].exists; }
    uint32_t itemKind(int item) const override { return items[item].kind; }
    int itemParent(int item) const override { return items[item].parent; }
    PlacerRect itemGeometry(int item) const override { return items[item].at; }
    PlacerSize naturalSize(int item) override { return items[item].natural; }
    int metric(int, PlacerMetric which) const override {
        return which == kPlcMetricNWidth       ? nWidth
               : which == kPlcMetricWidestChar ? widest
                                               : lineHeight;
    }
    int scrollBarWidth(int) const override { return scrollBar; }
    int scalePixels(int pixels) const override { return pixels * scale; }
    int leastSize(int item, PlacerDirection direction) const override {
        return direction == kPlcHorizontal ? items[item].least.width : items[item].least.height;
    }
    int frameStyle(int item) const override { return items[item].frame; }
    int buttonFontAscent() const override { return ascent; }
    PlacerSize resizeItem(int item, PlacerSize size) override {
        int step = items[item].heightStep;
        if (step > 0) size.height -= size.height % step;
        items[item].at.width = size.width;
        items[item].at.height = size.height;
        return size;
    }
    void moveItem(int item, int dx, int dy) override {
        items[item].at.x += dx;
        items[item].at.y += dy;
    }
    PlacerSize windowSize() const override { return window; }
    bool isBordered() const override { return bordered; }
    int titleBarHeight() const override { return titleBar; }
    bool isTopLevel() const override { return topLevel; }
    int constrainWindowSize(PlacerDirection direction, int size) override {
        return direction == kPlcHorizontal ? size - size % widthStep : size;
    }
    void resizeWindow(PlacerSize size) override {
        window = size;
        ++windowResizes;
    }
    void setWindowMinimumSize(PlacerSize size) override { minimum = size; }
};
