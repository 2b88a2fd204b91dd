// Modal dialogs: the nested loop returns the dialog's answer when a handler ends it, 0
// when the dialog's window is destroyed meanwhile, and input to the owner window beeps
// and reaches no item while the dialog runs.
#include <gtest/gtest.h>

#include "support/toolkit_fixture.h"
#include "tests/windlib/window/window_test_items.h"
#include "windlib/window/wmodal.h"
#include "windlib/wtimer.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xwindow.h"

namespace {

struct Script {
    Dialog* dialog = nullptr;
    ColWind* owner = nullptr;
    int step = 0;
    long beepsAtClick = 0;
};

// Ends the dialog with 7 on its first run.
int EndWithSeven(void* data, int) {
    Script* s = static_cast<Script*>(data);
    dlEnd(s->dialog, 7);
    return 1;
}

int DestroyDialog(void* data, int) {
    cwDestroy(static_cast<Script*>(data)->dialog);
    return 1;
}

// Clicks into the owner once the dialog is up, then ends the dialog once the click has
// been refused.
int ClickOwnerThenEnd(void* data, int) {
    Script* s = static_cast<Script*>(data);
    if (s->step == 0) {
        if (!WWindowIsViewable(s->dialog->window) || !WWindowIsViewable(s->owner->window)) return 0;
        s->beepsAtClick = WBeepCount();
        RunOnDisplay(SharedXvfb().display(),
                     {"xdotool", "mousemove", "--window", std::to_string(s->owner->window), "10",
                      "10", "click", "1"});
        s->step = 1;
        return 0;
    }
    if (WBeepCount() > s->beepsAtClick) {
        dlEnd(s->dialog, 3);
        return 1;
    }
    return 0;
}

class Modal : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        script.owner =
            cwxCreatexy(300, 200, 0, "Owner", nullptr, nullptr, nullptr, 50, 50, "ORBITPIC");
        ASSERT_NE(script.owner, nullptr);
        WWindowShow(script.owner->window);
        script.dialog =
            dlCreate(100, 60, script.owner->window, "Question", nullptr, nullptr, 500, 400);
        ASSERT_NE(script.dialog, nullptr);
    }

    mHandle* Every(int delayMs, ExtraProcessFn fn) {
        return ExtraProcess_Create(kExtraTimer, delayMs, fn, nullptr, &script);
    }

    Script script;
};

TEST_F(Modal, LoopReturnsTheAnswerWhenTheDialogEnds) {
    mHandle* timer = Every(50, EndWithSeven);
    EXPECT_EQ(DoDialogue(script.dialog, script.owner->window), 7);
    EXPECT_EQ(dlCurrentModal(), nullptr);
    dlVanish(script.dialog);
    MHandleDestroy(timer);
}

TEST_F(Modal, DestroyedDialogReturnsZero) {
    script.dialog->result = 5;
    mHandle* timer = Every(50, DestroyDialog);
    EXPECT_EQ(DoDialogue(script.dialog, script.owner->window), 0);
    EXPECT_EQ(dlCurrentModal(), nullptr);
    MHandleDestroy(timer);
}

TEST_F(Modal, OwnerInputBeepsAndFiresNoCallback) {
    RecordingItem* button = new RecordingItem(kKindButton, script.owner, 100, 100);
    Pump([&] { return WWindowIsViewable(script.owner->window); });
    mHandle* timer = Every(20, ClickOwnerThenEnd);
    EXPECT_EQ(DoDialogue(script.dialog, script.owner->window), 3);
    EXPECT_GT(WBeepCount(), script.beepsAtClick);
    EXPECT_EQ(button->presses, 0);
    dlVanish(script.dialog);
    MHandleDestroy(timer);
}

} // namespace
