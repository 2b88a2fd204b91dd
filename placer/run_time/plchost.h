// The placer's view of one window: everything the layout passes read from the window and
// its items, and the two things they do to them (resize, move). The toolkit implements
// PlacerHost over a real window and its widget table; the tests implement it over plain
// numbers. Start with PlacerHost below, then plcset.h for the passes that use it.
#pragma once

#include <cstdint>

enum PlacerDirection { kPlcHorizontal = 0, kPlcVertical = 1 };

// The numbers are those of the items' Metric operation.
enum PlacerMetric { kPlcMetricNWidth = 0, kPlcMetricWidestChar = 1, kPlcMetricLineHeight = 2 };

// The item kinds whose baseline the placer knows; every other kind has none, and a
// baseline rule on it acts as a bottom rule.
enum PlacerItemKind : uint32_t {
    kPlcKindStaticText = 12,
    kPlcKindStatusBox = 16,
    kPlcKindButton = 0x80000011,
    kPlcKindButtonSet = 0x80000012,
    kPlcKindTextField = 0x80000013,
};

// The frame of a button or button set, as answered by PlacerHost::frameStyle. It decides
// how far below the item's top the label's baseline sits (ascent of the button font plus
// the offset named here).
enum PlacerFrameStyle {
    kPlcFrameStandard = 0, // button: +4; button set: +2
    kPlcFrameNone = 1,     // button: +0; button set: +0
    kPlcFrameDeep = 2,     // button: +4; button set: +4
};

struct PlacerSize {
    int width;
    int height;
};

struct PlacerRect {
    int x;
    int y;
    int width;
    int height;
};

// One window as the placer sees it. Item 0 is the window itself; items 1 to
// itemCount() - 1 are the entries of its widget table, in the numbering the layout rules
// use. Positions are in pixels relative to the window that contains the item.
class PlacerHost {
public:
    virtual ~PlacerHost() = default;

    // ---- Items --------------------------------------------------------------------------

    // Number of entries including the window (so the highest rule index plus one at least).
    virtual int itemCount() const = 0;
    // False for an empty slot of the widget table: the placer never touches it, and rules
    // that name it see a 0 x 0 item at 0,0.
    virtual bool itemExists(int item) const { return item >= 0 && item < itemCount(); }
    // The item's kind tag (see PlacerItemKind for those the placer looks at).
    virtual uint32_t itemKind(int item) const = 0;
    // Index of the container holding the item: 0 for items placed directly in the
    // window. Asked only for items 1 and up.
    virtual int itemParent(int item) const = 0;
    // The item's present position and size. Not asked for the window (see windowSize).
    virtual PlacerRect itemGeometry(int item) const = 0;
    // The size the item takes when no rule sizes it (a button fits its label, a text field
    // is one line high, a menu bar answers its present size...). Asked for items 1 and up
    // that lack a size rule in at least one direction; only those directions are used.
    virtual PlacerSize naturalSize(int item) = 0;
    // The item's font metrics; for item 0 those of the window's current font.
    virtual int metric(int item, PlacerMetric which) const = 0;
    // Width of a scroll bar as the item would draw it (the toolkit's one width, normally).
    virtual int scrollBarWidth(int item) const = 0;
    // The rules' pixels are those of a layout designed at scale 1; this gives them at the
    // window's scale (the font and scroll-bar terms are measured, so already scaled).
    virtual int scalePixels(int pixels) const { return pixels; }
    // The least size a size rule may give the item in one direction: what its text needs,
    // so that a larger font enlarges the item instead of cutting its text. 0 for no limit.
    virtual int leastSize(int item, PlacerDirection direction) const {
        (void)item;
        (void)direction;
        return 0;
    }
    // The frame of a button or button set (PlacerFrameStyle); not asked for other kinds.
    virtual int frameStyle(int item) const {
        (void)item;
        return kPlcFrameStandard;
    }
    // Ascent of the button font, from which the baselines of labels are measured.
    virtual int buttonFontAscent() const = 0;

    // Gives the item a new size (the item's Resize) and answers the size it really took,
    // which may differ (a list rounds its height to whole rows, for instance).
    virtual PlacerSize resizeItem(int item, PlacerSize size) = 0;
    // Moves the item by a displacement (the item's MoveMe); never called with 0, 0.
    virtual void moveItem(int item, int dx, int dy) = 0;

    // ---- The window ---------------------------------------------------------------------

    // The window's inner size, including the frame and title bar the toolkit draws itself.
    virtual PlacerSize windowSize() const = 0;
    // A bordered window draws a 4-pixel frame on every side.
    virtual bool isBordered() const = 0;
    // Height of the title bar the toolkit draws at the top (0 when it draws none).
    virtual int titleBarHeight() const = 0;
    // False for a window inside another (a pane); its items do not move when the line
    // height changes.
    virtual bool isTopLevel() const { return true; }
    // The nearest size in one direction that the window manager allows the window (its
    // size increments and maximum); `size` includes frame and title bar.
    virtual int constrainWindowSize(PlacerDirection direction, int size) {
        (void)direction;
        return size;
    }
    // Resizes the window (inner size, frame and title bar included). From then on
    // windowSize() answers the new size, even before the server has confirmed it.
    virtual void resizeWindow(PlacerSize size) = 0;
    // Sets the window's minimum-size hint (frame and title bar included).
    virtual void setWindowMinimumSize(PlacerSize size) = 0;
};
