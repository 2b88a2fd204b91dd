// Activation levels (see wactivation.h).
#include "windlib/window/wactivation.h"

#include <cstring>

#include "windlib/window/wcolwind.h"

namespace {

void Prepend(GItem** head, GItem* item) {
    item->next = *head;
    *head = item;
}

bool Listed(ColWind* w, GItem* item) {
    for (GItem* it = w->activeList; it; it = it->next)
        if (it == item) return true;
    return false;
}

} // namespace

bool ActivationSelects(unsigned long level, unsigned long mask) {
    level &= 0xFFFFFFFFul;
    if (level == 0x80000000ul || level == 0xFFFFFFFFul) return true;
    for (int group = 0; group < 6; ++group) {
        unsigned number = (level >> (5 * group)) & 31;
        if (number == 0) break;
        if (mask & (1ul << number)) return true;
    }
    return false;
}

void any_attach(ColWind* w) {
    if (!w) return;
    // Out of the lists go the table's items; anything else a container holds stays.
    for (size_t i = 1; i < w->widgets.size(); ++i) {
        GItem* item = w->widgets[i].item;
        if (!item || !item->container) continue;
        gitemListUnlink(&item->container->activeList, item);
        gitemListUnlink(&item->container->graphicsList, item);
    }
    for (size_t i = w->widgets.size(); i-- > 1;) {
        GItem* item = w->widgets[i].item;
        if (!item) continue;
        unsigned long mask = w->widgets[i].mask;
        bool now = ActivationSelects(w->activationLevel, mask);
        bool before = ActivationSelects(w->previousLevel, mask);
        if (now) {
            if (item->container)
                Prepend(IsInteractiveKind(item->kind) ? &item->container->activeList
                                                      : &item->container->graphicsList,
                        item);
            if (!before) item->MapMe(1);
        } else if (before) {
            item->MapMe(0);
        }
    }
    w->previousLevel = w->activationLevel;
    // The initial item gets the focus; failing that the focus stays where it is, or moves
    // to the first tab stop when its item went away.
    if (w->initialFocus && w->initialFocus->isMapped() && Listed(w, w->initialFocus))
        cwSetFocus(w, w->initialFocus);
    else if (!w->focus || !w->focus->isMapped() || !Listed(w, w->focus)) {
        cwSetFocus(w, nullptr);
        cwFocusNext(w, false);
    }
}

void cwSetActivationLevel(ColWind* w, unsigned long level) {
    if (!w) return;
    w->activationLevel = level;
    any_attach(w);
    cwRedraw(w);
}

void RuntimePlacer_SetActivationLevel(ColWind* w, unsigned long level) {
    if (w) w->activationLevel = level;
}

unsigned long RuntimePlacer_GetActivationLevel(ColWind* w) {
    return w ? w->activationLevel : 0;
}

GItem* RuntimePlacer_FindWidget(ColWind* w, const char* name) {
    if (!w || !name) return nullptr;
    for (size_t i = 1; i < w->widgets.size(); ++i) {
        GItem* item = w->widgets[i].item;
        if (item && item->name && strcmp(item->name, name) == 0) return item;
    }
    return nullptr;
}
