// Drawing properties and the GC caches (see xstatemanager.h). A miss on a full cache
// reuses the least recently used GC and sets only the fields that differ, so drawing
// rarely creates server objects.
#include "windlib/x11/xstatemanager.h"

#include <cstdio>
#include <iterator>

#include "shared/gen_messages.h"
#include "windlib/devenv_hooks.h"
#include "xswitch/xswitch.h"

XDrawingStateManager* stateManager = nullptr;

namespace {

const int kWindowCacheSize = 10;

bool SameRects(const std::vector<XRectangle>& a, const std::vector<XRectangle>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y || a[i].width != b[i].width ||
            a[i].height != b[i].height)
            return false;
    return true;
}

void Note(const char* what) {
    if (debugFlag[kSwitchStatistics]) Statistics_Record("XGCUsage", what);
}

// Clipping is to the shape's bounding box: redraws are rectangles anyway, and a box keeps
// the cached properties cheap to compare.
std::vector<XRectangle> RectsOf(const WShape& shape) {
    std::vector<XRectangle> out;
    if (!shape.isEmpty()) out.push_back(shape.boundingBox());
    return out;
}

} // namespace

bool XDrawingProperties::operator==(const XDrawingProperties& o) const {
    return foreground == o.foreground && background == o.background && font == o.font &&
           stipple == o.stipple && stippleX == o.stippleX && stippleY == o.stippleY &&
           function == o.function && lineWidth == o.lineWidth && lineStyle == o.lineStyle &&
           capStyle == o.capStyle && joinStyle == o.joinStyle && fillStyle == o.fillStyle &&
           dashStyle == o.dashStyle && subWindowMode == o.subWindowMode && clipped == o.clipped &&
           SameRects(clip, o.clip);
}

XGCCache::XGCCache(Display* dpy, Drawable root, int size, const Pixmap* stipples)
    : dpy_(dpy), root_(root), size_(size), stipples_(stipples) {
    __Assert(size >= 1, "cacheSize >= 1", __FILE__, __LINE__, 0);
}

XGCCache::~XGCCache() {
    for (Entry& e : entries_) XFreeGC(dpy_, e.gc);
}

GC XGCCache::getGC(const XDrawingProperties& wanted) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->props == wanted) {
            ++hits_;
            Note("GC cache hit");
            entries_.splice(entries_.begin(), entries_, it);
            return entries_.front().gc;
        }
    }
    ++misses_;
    Note("GC cache miss");
    if ((int)entries_.size() >= size_) {
        entries_.splice(entries_.begin(), entries_, std::prev(entries_.end()));
        apply(entries_.front(), wanted, false);
        return entries_.front().gc;
    }
    ++created_;
    Entry e;
    // Copies that find their source hidden are repaired by the dirty tracker, not by
    // GraphicsExpose events.
    XGCValues v;
    v.graphics_exposures = False;
    e.gc = XCreateGC(dpy_, root_, GCGraphicsExposures, &v);
    entries_.push_front(e);
    apply(entries_.front(), wanted, true);
    return entries_.front().gc;
}

void XGCCache::apply(Entry& entry, const XDrawingProperties& w, bool all) {
    const XDrawingProperties& h = entry.props;
    XGCValues v;
    unsigned long mask = 0;
    if (all || w.foreground != h.foreground) v.foreground = w.foreground, mask |= GCForeground;
    if (all || w.background != h.background) v.background = w.background, mask |= GCBackground;
    if (w.font && (all || w.font != h.font)) v.font = w.font, mask |= GCFont;
    if (all || w.function != h.function) v.function = w.function, mask |= GCFunction;
    if (all || w.lineWidth != h.lineWidth) v.line_width = w.lineWidth, mask |= GCLineWidth;
    if (all || w.lineStyle != h.lineStyle) v.line_style = w.lineStyle, mask |= GCLineStyle;
    if (all || w.capStyle != h.capStyle) v.cap_style = w.capStyle, mask |= GCCapStyle;
    if (all || w.joinStyle != h.joinStyle) v.join_style = w.joinStyle, mask |= GCJoinStyle;
    if (all || w.subWindowMode != h.subWindowMode)
        v.subwindow_mode = w.subWindowMode, mask |= GCSubwindowMode;
    int fill = w.stipple != kStippleNone ? FillStippled : w.fillStyle;
    int heldFill = h.stipple != kStippleNone ? FillStippled : h.fillStyle;
    if (all || fill != heldFill) v.fill_style = fill, mask |= GCFillStyle;
    if (w.stipple != kStippleNone && (all || w.stipple != h.stipple) && stipples_ &&
        stipples_[w.stipple])
        v.stipple = stipples_[w.stipple], mask |= GCStipple;
    if (all || w.stippleX != h.stippleX || w.stippleY != h.stippleY) {
        v.ts_x_origin = w.stippleX;
        v.ts_y_origin = w.stippleY;
        mask |= GCTileStipXOrigin | GCTileStipYOrigin;
    }
    if (mask) XChangeGC(dpy_, entry.gc, mask, &v);
    if (w.dashStyle > 0 && (all || w.dashStyle != h.dashStyle)) {
        char dash = (char)w.dashStyle;
        XSetDashes(dpy_, entry.gc, 0, &dash, 1);
    }
    if (all || w.clipped != h.clipped || !SameRects(w.clip, h.clip)) {
        if (!w.clipped)
            XSetClipMask(dpy_, entry.gc, None);
        else
            XSetClipRectangles(dpy_, entry.gc, 0, 0, const_cast<XRectangle*>(w.clip.data()),
                               (int)w.clip.size(), Unsorted);
    }
    entry.props = w;
}

XDrawingStateManager::XDrawingStateManager(Display* dpy, int screenNumber, const Pixmap* stipples)
    : windows_(dpy, RootWindow(dpy, screenNumber), kWindowCacheSize, stipples),
      defaultCache_(dpy, RootWindow(dpy, screenNumber), 1, stipples) {
    defaults_.foreground = BlackPixel(dpy, screenNumber);
    defaults_.background = WhitePixel(dpy, screenNumber);
    if (debugFlag[kSwitchStatistics]) Statistics_Record("XGCUsage", "GC cache size is 10");
}

XDrawingStateManager::~XDrawingStateManager() = default;

XDrawingProperties& XDrawingStateManager::props(Window w) {
    if (!w) return defaults_;
    auto it = perWindow_.find(w);
    if (it == perWindow_.end()) it = perWindow_.emplace(w, defaults_).first;
    return it->second;
}

const XDrawingProperties& XDrawingStateManager::properties(Window w) {
    return props(w);
}

void XDrawingStateManager::setColor(Window w, unsigned long fg, unsigned long bg) {
    props(w).foreground = fg;
    props(w).background = bg;
}
void XDrawingStateManager::setForeground(Window w, unsigned long fg) {
    props(w).foreground = fg;
}
void XDrawingStateManager::setBackground(Window w, unsigned long bg) {
    props(w).background = bg;
}
void XDrawingStateManager::setFont(Window w, Font font) {
    props(w).font = font;
}
void XDrawingStateManager::setStipple(Window w, int style) {
    props(w).stipple = style;
}
void XDrawingStateManager::setStippleOrigin(Window w, int x, int y) {
    props(w).stippleX = x;
    props(w).stippleY = y;
}
void XDrawingStateManager::setDrawingFunction(Window w, int f) {
    props(w).function = f;
}
void XDrawingStateManager::setLineWidth(Window w, int width) {
    props(w).lineWidth = width;
}
void XDrawingStateManager::setLineStyle(Window w, int style) {
    props(w).lineStyle = style;
}
void XDrawingStateManager::setLineCapStyle(Window w, int style) {
    props(w).capStyle = style;
}
void XDrawingStateManager::setLineJoinStyle(Window w, int style) {
    props(w).joinStyle = style;
}
void XDrawingStateManager::setFillStyle(Window w, int style) {
    props(w).fillStyle = style;
}
void XDrawingStateManager::setLineDashStyle(Window w, int dash) {
    props(w).dashStyle = dash;
}
void XDrawingStateManager::setSubWindowMode(Window w, int mode) {
    props(w).subWindowMode = mode;
}

void XDrawingStateManager::setClip(Window w, const WShape& shape) {
    props(w).clipped = true;
    props(w).clip = RectsOf(shape);
}

void XDrawingStateManager::resetClip(Window w) {
    props(w).clipped = false;
    props(w).clip.clear();
}

GC XDrawingStateManager::getGC(Window w) {
    return w ? windows_.getGC(props(w)) : defaultCache_.getGC(defaults_);
}

void XDrawingStateManager::remapDrawable(Window w, Drawable target) {
    remapped_[w] = target;
}

void XDrawingStateManager::unremapDrawable(Window w) {
    remapped_.erase(w);
}

Drawable XDrawingStateManager::getMappedDrawable(Window w) const {
    auto it = remapped_.find(w);
    return it == remapped_.end() ? w : it->second;
}

void XDrawingStateManager::forgetWindow(Window w) {
    perWindow_.erase(w);
    remapped_.erase(w);
}
