// ItemGuard: tells whether an item survived a call out. A callback may delete the widget
// that called it (or its whole window), so a widget takes a guard before calling out and
// touches itself afterwards only while alive() holds. The widgets here announce their end
// with ItemGuard::ItemGone in their destructors.
#pragma once

#include "windlib/mhandle.h"

class ItemGuard {
public:
    explicit ItemGuard(void* item) : handle_(MHandleCreate(kKind, item)) {}
    ~ItemGuard() { MHandleDestroy(handle_); }
    ItemGuard(const ItemGuard&) = delete;
    ItemGuard& operator=(const ItemGuard&) = delete;

    bool alive() const { return MHandleObject(handle_) != nullptr; }
    // Every guard taken on `item` reads dead from now on.
    static void ItemGone(void* item) { MHandleDie(item); }

private:
    enum { kKind = 7 }; // the handle kind of widgets
    mHandle* handle_;
};
