// A scroll bar: arrows at both ends, a trough and a thumb whose length shows how much of
// the whole is visible. Clicking an arrow steps (and repeats while held), clicking the
// trough pages, dragging the thumb scrolls; every change of position calls the callback.
// A text view or list attaches one by setting the callback and the range.
#pragma once

#include "windlib/mhandle.h"
#include "windlib/window/gitem.h"

class WScrollBar;
typedef void (*WScrollBarFn)(WScrollBar* bar, int position, void* arg);

class WScrollBar : public GItem {
public:
    // length: the bar's extent along its axis; its thickness is the toolkit's scroll-bar
    // width.
    WScrollBar(GItem* container, bool vertical, int x, int y, int length);
    ~WScrollBar() override;

    int EventParse(xinLibSt* event, GItem* context) override;
    void NaturalSize(int* width, int* height) override;
    void Destroy() override;

    // The whole, and how much of it is visible at once (positions 0 to total - visible).
    void setRange(int total, int visible);
    // Moves the thumb without calling the callback; the position is clamped.
    void setPosition(int position);
    int position() const { return position_; }
    int total() const { return total_; }
    int visible() const { return visible_; }
    void setStep(int step) { step_ = step > 0 ? step : 1; }
    void setCallback(WScrollBarFn fn, void* arg);
    bool isVertical() const { return vertical_; }

    // Scrolls by `delta` positions and tells the callback when the position changed.
    void scrollBy(int delta);

private:
    enum Part { kNone, kLessArrow, kMoreArrow, kLessTrough, kMoreTrough, kThumb };
    int along(int px, int py) const; // pointer coordinate along the axis, from the start
    int extent() const;
    int arrowLength() const;
    void thumb(int* start, int* length) const;
    Part partAt(int px, int py) const;
    void paint();
    // A raised control (an arrow button or the thumb) over `length` pixels from `start`.
    void paintControl(int start, int length);
    void press(Part part, int at);
    void stopRepeat();
    static int Repeat(void* self, int index);

    bool vertical_;
    int total_ = 0, visible_ = 0, position_ = 0, step_ = 1;
    WScrollBarFn callback_ = nullptr;
    void* arg_ = nullptr;
    Part held_ = kNone;
    int dragOffset_ = 0;
    mHandle* repeat_ = nullptr;
};
