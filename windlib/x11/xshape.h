// WShape: a set of pixels made of rectangles, the unit of dirty areas and clipping. A thin
// value type over Xlib's client-side regions (no server round trip).
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

class WShape {
public:
    WShape();
    WShape(int x, int y, int width, int height);
    WShape(const WShape& other);
    WShape& operator=(const WShape& other);
    ~WShape();

    bool isEmpty() const;
    // Adds the rectangle (nothing for a width or height below 1).
    void addRect(int x, int y, int width, int height);
    void add(const WShape& other);
    void subtract(const WShape& other);
    void intersect(const WShape& other);
    void translate(int dx, int dy);
    void clear();
    // The smallest rectangle holding the shape (0,0,0,0 when empty).
    XRectangle boundingBox() const;
    bool contains(int x, int y) const;
    bool operator==(const WShape& other) const;
    bool operator!=(const WShape& other) const { return !(*this == other); }

    Region region() const { return region_; }

private:
    Region region_;
};
