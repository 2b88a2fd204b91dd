// The item model: every widget is a GItem living in a container (a ColWind, or another
// item), drawn in its container's X window at x, y with width x height pixels, and
// reached by the window's dispatch through EventParse. A widget overrides EventParse
// (paint on kXinRedraw, react to mouse and keys; return non-zero when it took the event)
// and, where it has one, NaturalSize; the base class does the bookkeeping for moving,
// resizing, mapping and focus. Start reading at GItem; creation helpers are gitem_*().
#pragma once

#include <X11/Xlib.h>

#include "windlib/x11/xinlib.h"

class ColWind;
class GItem;

// Item kinds: the top bit marks an interactive item (one that can take focus and input).
enum GItemKind : unsigned {
    kKindInteractive = 0x80000000u,
    kKindStaticText = 12,
    kKindStatusBox = 16,
    kKindLine = 13,
    kKindPicture = 14,
    kKindTextView = 0x80000014u,
    kKindScrollBar = 0x80000015u,
    kKindButton = 0x80000011u,
    kKindButtonSet = 0x80000012u,
    kKindTextField = 0x80000013u,
    kKindMenuBar = 0x80000018u,
    kKindPullDown = 0x80000020u,
    kKindScrollList = 0x80000021u,
    kKindSplitter = 0xc000002au,
    kKindColWind = 0x20000001u,
    kKindDialog = 0x20000002u
};

inline bool IsInteractiveKind(unsigned kind) {
    return (kind & kKindInteractive) != 0;
}

class Core {
public:
    virtual ~Core() = default;
    // The X window the item draws in.
    virtual Window getW() const = 0;
};

class Xable : public Core {
public:
    virtual void ForceVTable() {}
};

class GItem : public Xable {
public:
    // An item of `kind` in `container` (null for a top-level window); it joins the
    // container's active or graphics list at once (Attach).
    GItem(unsigned kind, GItem* container, int x, int y, int width, int height);
    ~GItem() override;
    GItem(const GItem&) = delete;
    GItem& operator=(const GItem&) = delete;

    // ---- The operations, in their fixed order ---------------------------------------
    // Joins the container's lists (interactive items the active list, others graphics).
    virtual void Attach(GItem* container);
    // Handles one event record; non-zero when the item took it. `context` is the item the
    // dispatch chose (normally this one). The base paints nothing and takes nothing.
    virtual int EventParse(xinLibSt* event, GItem* context);
    virtual int More(int a, int b, int c, int d, int e);
    // Releases what the item holds; the window calls it before deleting the item.
    virtual void Destroy();
    // Focus: called with (item, 1) when the item gets the keyboard focus, (item, 0) when it
    // loses it. The base marks the item active and repaints it.
    virtual void Activate(GItem* item, int on);
    virtual void Install(int how);
    // Moves by a displacement, repainting the old and the new place.
    virtual void MoveMe(int dx, int dy);
    // Shows (1) or hides (0) the item; a hidden item gets no events and is not painted.
    virtual void MapMe(int show);
    virtual void Resize(int width, int height);
    // 0: width of "n"; 1: widest character; 2: line height, in the item's font.
    virtual int Metric(int which);
    virtual void AddSlave(GItem* item);
    virtual void AddMaster(GItem* item);
    virtual void RemoveSlaves();
    virtual void RemoveMasters();
    virtual void RemoveSlave(GItem* item);
    virtual void RemoveMaster(GItem* item);
    virtual Window GetItemWindow() const;
    // Tooltip text for a point inside the item (null for none); *delay in milliseconds.
    virtual const char* GetTooltipInfo(int x, int y, int* delay);
    virtual bool isActive();
    virtual bool isTabstop();
    virtual bool isMapped() const;
    virtual bool isHidden();
    virtual void setHidden(bool hidden);
    virtual void setMapped(bool mapped);
    virtual void setActive(bool active);
    virtual void setTabstop(bool tabstop);
    // ---- Further operations ---------------------------------------------------------
    // The size the item takes when no layout rule sizes it.
    virtual void NaturalSize(int* width, int* height);
    // The font entry the item draws text in (WDrawSetFontNum numbers).
    virtual int FontNumber() const;
    // Buttons and button sets: how their frame offsets the label's baseline (the layout's
    // PlacerFrameStyle: 0 standard, 1 none, 2 deep).
    virtual int FrameStyle() const { return 0; }
    Window getW() const override;

    // Repaints the whole item (marks its rectangle dirty).
    void Invalidate();
    // The top-level window holding the item (null while it has none).
    ColWind* TopWindow() const;
    bool contains(int px, int py) const;

    unsigned kind;
    int x, y, width, height;
    GItem* next;       // in the container's list
    char* name;        // gen_alloc copy or null (set with gitemSetName)
    GItem* container;  // null for a top-level window
    GItem* activeList; // containers: interactive items, in attach order
    GItem* graphicsList;
    void* userData;

protected:
    bool mapped_;
    bool hidden_;
    bool active_;
    bool tabstop_;

private:
    void detach();
};

// Sets the item's name (copied).
void gitemSetName(GItem* item, const char* name);
// Destroys an item: Destroy, out of its container's lists, deleted.
void gitemDelete(GItem* item);
// Takes an item out of one of a container's lists (active or graphics) when it is there.
void gitemListUnlink(GItem** head, GItem* item);
