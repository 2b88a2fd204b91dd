// The item base class (see gitem.h): list membership, geometry bookkeeping and the default
// answers every widget starts from.
#include "windlib/window/gitem.h"

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xfonts.h"

namespace {

void Append(GItem** head, GItem* item) {
    GItem** p = head;
    while (*p) p = &(*p)->next;
    *p = item;
    item->next = nullptr;
}

} // namespace

GItem::GItem(unsigned kind_, GItem* container_, int x_, int y_, int width_, int height_)
    : kind(kind_), x(x_), y(y_), width(width_), height(height_), next(nullptr), name(nullptr),
      container(nullptr), activeList(nullptr), graphicsList(nullptr), userData(nullptr),
      mapped_(true), hidden_(false), active_(false), tabstop_(IsInteractiveKind(kind_)) {
    if (container_) Attach(container_);
}

GItem::~GItem() {
    detach();
    gen_free(name);
}

void GItem::detach() {
    if (!container) return;
    gitemListUnlink(&container->activeList, this);
    gitemListUnlink(&container->graphicsList, this);
    ColWind* top = TopWindow();
    if (top) top->itemGone(this);
    container = nullptr;
}

void GItem::Attach(GItem* container_) {
    if (container && container != container_) detach();
    container = container_;
    if (!container) return;
    gitemListUnlink(&container->activeList, this);
    gitemListUnlink(&container->graphicsList, this);
    Append(IsInteractiveKind(kind) ? &container->activeList : &container->graphicsList, this);
}

int GItem::EventParse(xinLibSt*, GItem*) {
    return 0;
}

int GItem::More(int, int, int, int, int) {
    return 0;
}

void GItem::Destroy() {}

void GItem::Activate(GItem*, int on) {
    setActive(on != 0);
    Invalidate();
}

void GItem::Install(int) {}

void GItem::MoveMe(int dx, int dy) {
    if (!dx && !dy) return;
    Invalidate();
    x += dx;
    y += dy;
    Invalidate();
}

void GItem::MapMe(int show) {
    bool now = show != 0;
    if (mapped_ == now) return;
    mapped_ = now;
    // Hiding must repaint what the item covered; showing paints the item.
    if (getW()) WInvalidateRect(getW(), x, y, width, height);
}

void GItem::Resize(int width_, int height_) {
    if (width_ == width && height_ == height) return;
    Invalidate();
    width = width_;
    height = height_;
    Invalidate();
}

int GItem::Metric(int which) {
    int number = FontNumber();
    if (number < 0 || number >= kNumFonts || !fontinfo[number].font) return 0;
    const FontInfo& f = fontinfo[number];
    switch (which) {
    case 0:
        return f.n;
    case 1:
        return f.maxw;
    case 2:
        return f.height;
    default:
        return 0;
    }
}

void GItem::AddSlave(GItem*) {}
void GItem::AddMaster(GItem*) {}
void GItem::RemoveSlaves() {}
void GItem::RemoveMasters() {}
void GItem::RemoveSlave(GItem*) {}
void GItem::RemoveMaster(GItem*) {}

Window GItem::GetItemWindow() const {
    return getW();
}

const char* GItem::GetTooltipInfo(int, int, int* delay) {
    if (delay) *delay = 0;
    return nullptr;
}

bool GItem::isActive() {
    return active_;
}
bool GItem::isTabstop() {
    return tabstop_;
}
bool GItem::isMapped() const {
    return mapped_;
}
bool GItem::isHidden() {
    return hidden_;
}
void GItem::setHidden(bool hidden) {
    hidden_ = hidden;
}
void GItem::setMapped(bool mapped) {
    mapped_ = mapped;
}
void GItem::setActive(bool active) {
    active_ = active;
}
void GItem::setTabstop(bool tabstop) {
    tabstop_ = tabstop;
}

void GItem::NaturalSize(int* w, int* h) {
    *w = width;
    *h = height;
}

int GItem::FontNumber() const {
    return active_font;
}

Window GItem::getW() const {
    return container ? container->getW() : 0;
}

void GItem::Invalidate() {
    Window w = getW();
    if (w && mapped_) WInvalidateRect(w, x, y, width, height);
}

ColWind* GItem::TopWindow() const {
    const GItem* item = this;
    while (item->container) item = item->container;
    return (item->kind == kKindColWind || item->kind == kKindDialog)
               ? static_cast<ColWind*>(const_cast<GItem*>(item))
               : nullptr;
}

bool GItem::contains(int px, int py) const {
    return px >= x && py >= y && px < x + width && py < y + height;
}

void gitemSetName(GItem* item, const char* name) {
    if (item) gen_strchange(&item->name, name);
}

void gitemDelete(GItem* item) {
    if (!item) return;
    item->Destroy();
    delete item;
}

void gitemListUnlink(GItem** head, GItem* item) {
    for (GItem** p = head; *p; p = &(*p)->next) {
        if (*p == item) {
            *p = item->next;
            item->next = nullptr;
            return;
        }
    }
}
