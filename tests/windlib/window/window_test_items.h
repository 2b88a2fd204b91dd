// Items for the window tests: a plain item of a chosen kind and size that records what the
// window did to it (map changes, events received).
#pragma once

#include <vector>

#include "windlib/window/gitem.h"

class RecordingItem : public GItem {
public:
    RecordingItem(unsigned kind, GItem* container, int width, int height)
        : GItem(kind, container, 0, 0, width, height), naturalW(width), naturalH(height) {}

    int EventParse(xinLibSt* event, GItem*) override {
        kinds.push_back(event->kind);
        if (event->kind == kXinMouse && event->d == 1) ++presses;
        if (event->kind == kXinKey) {
            keys.push_back((int)event->d);
            event->h = 1;
            return takeKeys;
        }
        return event->kind == kXinMouse;
    }
    void MapMe(int show) override {
        mapCalls.push_back(show);
        GItem::MapMe(show);
    }
    void NaturalSize(int* w, int* h) override {
        *w = naturalW;
        *h = naturalH;
    }

    int naturalW, naturalH;
    bool takeKeys = true;
    int presses = 0;
    std::vector<int> kinds;
    std::vector<int> keys;
    std::vector<int> mapCalls;
};
