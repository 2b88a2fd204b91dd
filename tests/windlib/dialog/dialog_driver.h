// Driving a modal dialog from inside its own loop: the dialog functions return only when
// the dialog ends, so a test queues steps that a registry timer runs while the loop turns.
// Each step waits for its condition, then acts (real input through xdotool, or a look at
// the dialog's items). A driver stuck for 20 seconds ends the dialog, so a broken test
// fails instead of hanging.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/toolkit_fixture.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/window/wactivation.h"
#include "windlib/window/wmodal.h"
#include "windlib/x11/xwindow.h"

class DialogDriver {
public:
    DialogDriver() = default;
    ~DialogDriver() {
        ExtraProcess_Kill(timer_, 1);
        MHandleDestroy(timer_);
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Runs `act` once `ready` holds and every earlier step has run.
    DialogDriver& when(std::function<bool()> ready, std::function<void()> act) {
        steps_.push_back({std::move(ready), std::move(act)});
        return *this;
    }
    // Runs `act` once the dialog is up (mapped and laid out).
    DialogDriver& onceUp(std::function<void()> act) { return when(Up, std::move(act)); }
    void start() {
        WGetCurrentTime(&startSec_, &startMs_);
        timer_ = ExtraProcess_Create(kExtraTimer, 20, Tick, nullptr, this);
    }
    bool succeeded() const { return next_ == steps_.size() && !gaveUp_; }

    static Dialog* Current() { return dlCurrentModal(); }
    static bool Up() {
        Dialog* d = Current();
        return d && WWindowIsViewable(d->window) && !(d->flags & kCwPlacementPending);
    }
    static GItem* Item(const char* name) {
        return Current() ? RuntimePlacer_FindWidget(Current(), name) : nullptr;
    }
    static void Xdo(std::vector<std::string> args) {
        args.insert(args.begin(), "xdotool");
        WSync(); // the server has our focus change before it has the input
        RunOnDisplay(SharedXvfb().display(), args);
    }
    static void Click(const GItem* item, int x, int y) {
        Xdo({"mousemove", "--window", std::to_string(Current()->window),
             std::to_string(item->x + x), std::to_string(item->y + y), "click", "1"});
    }
    static void ClickButton(const char* set, int index) {
        GItem* b = bsBtFIndex(static_cast<ButtonSet*>(Item(set)), index);
        if (b) Click(b, b->width / 2, b->height / 2);
    }
    static void Key(const char* key) { Xdo({"key", key}); }
    static void Type(const std::string& text) { Xdo({"type", "--delay", "30", text}); }

private:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };

    static int Tick(void* data, int) {
        DialogDriver* self = static_cast<DialogDriver*>(data);
        while (self->next_ < self->steps_.size() && self->steps_[self->next_].ready())
            self->steps_[self->next_++].act();
        if (self->next_ == self->steps_.size()) return 1;
        if (WCheckTimeout(self->startSec_ + 20, self->startMs_) == 0) {
            self->gaveUp_ = true;
            if (Current()) dlEnd(Current(), -99);
            return 1;
        }
        ExtraProcess_SetTimeout(self->timer_, 20);
        return 0;
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    mHandle* timer_ = nullptr;
    long startSec_ = 0, startMs_ = 0;
    bool gaveUp_ = false;
};
