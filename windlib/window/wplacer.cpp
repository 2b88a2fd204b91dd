// The placer's host over a real window (see wplacer.h and placer/run_time/plchost.h). The
// rules are written for scale 1: their pixels, and the size a window is created with, are
// taken at the display's scale; items that show text never get less room than it needs.
#include "windlib/window/wplacer.h"

#include "placer/run_time/plcset.h"
#include "placer/run_time/plctable.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/xscale.h"
#include "windlib/x11/xwindow.h"

namespace {

class ColWindHost : public PlacerHost {
public:
    explicit ColWindHost(ColWind* w) : w_(w) {}

    int itemCount() const override { return (int)w_->widgets.size(); }
    bool itemExists(int i) const override {
        return i == 0 || (i > 0 && i < itemCount() && w_->widgets[i].item);
    }
    uint32_t itemKind(int i) const override { return i == 0 ? w_->kind : item(i)->kind; }
    int itemParent(int i) const override {
        GItem* parent = item(i)->container;
        for (int j = 1; j < itemCount(); ++j)
            if (parent && w_->widgets[j].item == parent) return j;
        return 0;
    }
    PlacerRect itemGeometry(int i) const override {
        GItem* it = item(i);
        return PlacerRect{it->x, it->y, it->width, it->height};
    }
    PlacerSize naturalSize(int i) override {
        PlacerSize size = {0, 0};
        item(i)->NaturalSize(&size.width, &size.height);
        return size;
    }
    int metric(int i, PlacerMetric which) const override { return item(i)->Metric(which); }
    int scrollBarWidth(int) const override { return scroll_bar_width; }
    int scalePixels(int pixels) const override { return WScaled(pixels); }
    // Text is never cut at the top or bottom. Across, rules place items from the window's
    // edges, so a wider item would push its neighbours out: there text is cut or scrolled.
    int leastSize(int i, PlacerDirection direction) const override {
        unsigned kind = item(i)->kind;
        bool text = kind == kKindStaticText || kind == kKindStatusBox || kind == kKindButton ||
                    kind == kKindTextField || kind == kKindPullDown;
        if (!text || direction != kPlcVertical) return 0;
        int width = 0, height = 0;
        item(i)->NaturalSize(&width, &height);
        return height;
    }
    int frameStyle(int i) const override { return item(i)->FrameStyle(); }
    int buttonFontAscent() const override { return bfont_ascent; }
    PlacerSize resizeItem(int i, PlacerSize size) override {
        GItem* it = item(i);
        it->Resize(size.width, size.height);
        return PlacerSize{it->width, it->height};
    }
    void moveItem(int i, int dx, int dy) override { item(i)->MoveMe(dx, dy); }
    PlacerSize windowSize() const override { return PlacerSize{w_->width, w_->height}; }
    bool isBordered() const override { return (w_->flags & kCwBordered) != 0; }
    int titleBarHeight() const override { return 0; }
    void resizeWindow(PlacerSize size) override {
        w_->width = size.width;
        w_->height = size.height;
        WWindowResize(w_->window, size.width, size.height);
    }
    void setWindowMinimumSize(PlacerSize size) override {
        WWindowSetMinSize(w_->window, size.width, size.height);
    }

private:
    GItem* item(int i) const { return i == 0 ? w_ : w_->widgets[i].item; }
    ColWind* w_;
};

// The size a window was created with and the places of its items belong to the rules'
// design, at scale 1 (a size the user gave does not): items no rule places keep them.
void ScaleDesign(ColWind* w) {
    w->flags |= kCwScaled;
    if (WScale() == 1.0) return;
    if (!(w->flags & kCwUserSize)) {
        w->width = WScaled(w->width);
        w->height = WScaled(w->height);
        WWindowResize(w->window, w->width, w->height);
    }
    for (size_t i = 1; i < w->widgets.size(); ++i) {
        GItem* item = w->widgets[i].item;
        if (item && item->container == w)
            item->MoveMe(WScaled(item->x) - item->x, WScaled(item->y) - item->y);
    }
}

void LayOut(ColWind* w) {
    if (!w->placer) return;
    ColWindHost host(w);
    PlacerLayoutAll(w->placer, host);
    w->placedWidth = w->width;
    w->placedHeight = w->height;
}

} // namespace

void PlacerBuildRuntimeInfo(ColWind* w, const char* const* rules, int count) {
    if (!w) return;
    if (!(w->flags & kCwScaled)) ScaleDesign(w);
    PlacerDestroyRuntimeInfo(w);
    ColWindHost host(w);
    w->placer = PlacerBuildTables(rules, count, host);
    w->resizeHook = PlacerResizeAll;
    w->reconfigureHook = PlacerReconfigureAll;
}

void PlacerReconfigureAll(ColWind* w) {
    if (!w) return;
    for (size_t i = 1; i < w->widgets.size(); ++i)
        if (GItem* item = w->widgets[i].item) item->Resize(item->width, item->height);
    LayOut(w);
    cwRedraw(w);
}

void PlacerResizeAll(ColWind* w, int width, int height) {
    if (!w || (width == w->placedWidth && height == w->placedHeight)) return;
    w->width = width;
    w->height = height;
    LayOut(w);
    cwRedraw(w);
}

void PlacerDestroyRuntimeInfo(ColWind* w) {
    if (!w || !w->placer) return;
    PlacerFreeTables(w->placer);
    w->placer = nullptr;
}
