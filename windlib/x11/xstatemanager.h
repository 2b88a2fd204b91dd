// The graphics state behind every drawing call: per window a set of drawing properties,
// and small least-recently-used caches of graphics contexts that are changed field by
// field instead of created anew. Widgets set properties (setColor, setFont...) and draw
// with getGC; they never create GCs. Start with XDrawingStateManager::getGC.
#pragma once

#include <X11/Xlib.h>

#include <list>
#include <map>
#include <vector>

#include "windlib/x11/xshape.h"

// Stipple styles: none, the two 2x2 greys, the 16x16 black.
enum WStipple { kStippleNone = 0, kStippleGrey1 = 1, kStippleGrey2 = 2, kStippleBlack = 3 };

struct XDrawingProperties {
    unsigned long foreground = 0;
    unsigned long background = 1;
    Font font = 0;
    int stipple = kStippleNone;
    int stippleX = 0, stippleY = 0;
    int function = GXcopy;
    int lineWidth = 0;
    int lineStyle = LineSolid;
    int capStyle = CapButt;
    int joinStyle = JoinMiter;
    int fillStyle = FillSolid;
    int dashStyle = 0; // 0 solid dashes pattern, else the dash length
    int subWindowMode = ClipByChildren;
    bool clipped = false;
    std::vector<XRectangle> clip;

    bool operator==(const XDrawingProperties& other) const;
};

// GCs in least-recently-used order, each remembering the properties it is set to.
class XGCCache {
public:
    // size must be at least 1.
    XGCCache(Display* dpy, Drawable root, int size, const Pixmap* stipples);
    ~XGCCache();
    XGCCache(const XGCCache&) = delete;
    XGCCache& operator=(const XGCCache&) = delete;

    GC getGC(const XDrawingProperties& wanted);
    int size() const { return size_; }
    int count() const { return (int)entries_.size(); }
    long hits() const { return hits_; }
    long misses() const { return misses_; }
    long created() const { return created_; }

private:
    struct Entry {
        GC gc;
        XDrawingProperties props;
    };
    void apply(Entry& entry, const XDrawingProperties& wanted, bool all);

    Display* dpy_;
    Drawable root_;
    int size_;
    const Pixmap* stipples_;
    std::list<Entry> entries_; // most recently used first
    long hits_ = 0, misses_ = 0, created_ = 0;
};

class XDrawingStateManager {
public:
    // `stipples` holds the pixmaps of the styles 1 to 3 at those indices.
    XDrawingStateManager(Display* dpy, int screenNumber, const Pixmap* stipples);
    ~XDrawingStateManager();
    XDrawingStateManager(const XDrawingStateManager&) = delete;
    XDrawingStateManager& operator=(const XDrawingStateManager&) = delete;

    void setColor(Window w, unsigned long fg, unsigned long bg);
    void setForeground(Window w, unsigned long fg);
    void setBackground(Window w, unsigned long bg);
    void setFont(Window w, Font font);
    void setStipple(Window w, int style);
    void setStippleOrigin(Window w, int x, int y);
    void setDrawingFunction(Window w, int function);
    void setLineWidth(Window w, int width);
    void setLineStyle(Window w, int style);
    void setLineCapStyle(Window w, int style);
    void setLineJoinStyle(Window w, int style);
    void setFillStyle(Window w, int style);
    void setLineDashStyle(Window w, int dash);
    void setSubWindowMode(Window w, int mode);
    void setClip(Window w, const WShape& shape);
    void resetClip(Window w);
    // A GC set to the window's properties (window 0: the default set).
    GC getGC(Window w);
    const XDrawingProperties& properties(Window w);

    // Off-screen buffering: drawing for `w` goes to `target` until unremapped.
    void remapDrawable(Window w, Drawable target);
    void unremapDrawable(Window w);
    Drawable getMappedDrawable(Window w) const;
    // Drops the window's properties and redirection (it was destroyed).
    void forgetWindow(Window w);

    XGCCache& windowCache() { return windows_; }

private:
    XDrawingProperties& props(Window w);

    XDrawingProperties defaults_;
    std::map<Window, XDrawingProperties> perWindow_;
    std::map<Window, Drawable> remapped_;
    XGCCache windows_;
    XGCCache defaultCache_;
};

// The one state manager; null outside WDrawInit .. WDrawExit.
extern XDrawingStateManager* stateManager;
