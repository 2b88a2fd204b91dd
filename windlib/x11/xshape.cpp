// WShape over Xlib regions; see xshape.h.
#include "windlib/x11/xshape.h"

WShape::WShape() : region_(XCreateRegion()) {}

WShape::WShape(int x, int y, int width, int height) : region_(XCreateRegion()) {
    addRect(x, y, width, height);
}

WShape::WShape(const WShape& other) : region_(XCreateRegion()) {
    XUnionRegion(other.region_, region_, region_);
}

WShape& WShape::operator=(const WShape& other) {
    if (this != &other) {
        clear();
        XUnionRegion(other.region_, region_, region_);
    }
    return *this;
}

WShape::~WShape() {
    XDestroyRegion(region_);
}

bool WShape::isEmpty() const {
    return XEmptyRegion(region_);
}

void WShape::addRect(int x, int y, int width, int height) {
    if (width < 1 || height < 1) return;
    XRectangle r = {(short)x, (short)y, (unsigned short)width, (unsigned short)height};
    XUnionRectWithRegion(&r, region_, region_);
}

void WShape::add(const WShape& other) {
    XUnionRegion(region_, other.region_, region_);
}

void WShape::subtract(const WShape& other) {
    XSubtractRegion(region_, other.region_, region_);
}

void WShape::intersect(const WShape& other) {
    XIntersectRegion(region_, other.region_, region_);
}

void WShape::translate(int dx, int dy) {
    XOffsetRegion(region_, dx, dy);
}

void WShape::clear() {
    XDestroyRegion(region_);
    region_ = XCreateRegion();
}

XRectangle WShape::boundingBox() const {
    XRectangle r = {0, 0, 0, 0};
    if (!isEmpty()) XClipBox(region_, &r);
    return r;
}

bool WShape::contains(int x, int y) const {
    return XPointInRegion(region_, x, y);
}

bool WShape::operator==(const WShape& other) const {
    return XEqualRegion(region_, other.region_);
}
