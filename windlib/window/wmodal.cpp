// Modal dialogs (see wmodal.h). DoDialogue nests: a dialog may open another, and the
// innermost one is the only window that takes input.
#include "windlib/window/wmodal.h"

#include <vector>

#include "windlib/wapplication.h"
#include "windlib/wevent.h"
#include "windlib/wtimer.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xwindow.h"

namespace {

// The dialogs DoDialogue is running, innermost last, by handle: a handler may destroy one.
std::vector<mHandle*> running;

Bool IsInput(Display*, XEvent* event, XPointer) {
    switch (event->type) {
    case KeyPress:
    case KeyRelease:
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
        return True;
    default:
        return False;
    }
}

void DiscardInput() {
    if (!display) return;
    XEvent event;
    while (XCheckIfEvent(display, &event, IsInput, nullptr)) {
    }
}

// One pass of the nested loop; false when the dialog is over.
bool RunOnce(Dialog* dialog, mHandle* handle, bool* destroyed) {
    WEventAll(0);
    if (!cwFromHandle(handle)) {
        *destroyed = true;
        return false;
    }
    long wait = 0;
    if (ExtraProcess_Wait(&wait) != 1) return false;
    if (!cwFromHandle(handle)) { // a timer or child callback destroyed it
        *destroyed = true;
        return false;
    }
    if (!(dialog->flags & kCwLive) && dialog->result && dialog->verify &&
        !dialog->verify(dialog, dialog->verifyField)) {
        dialog->flags |= kCwLive;
        WSoundBeep();
    }
    if (!(dialog->flags & kCwLive)) return false;
    WYield(wait - 10, false);
    return true;
}

} // namespace

Dialog::Dialog(int width_, int height_) : ColWind(kKindDialog, width_, height_) {}

Dialog* dlCreate(int width, int height, Window parent, const char* title, CwCleanupFn cleanup,
                 CwEventFn event, int x, int y) {
    Dialog* dialog = new Dialog(width, height);
    if (!cwSetUp(dialog, parent, title, title, cleanup, event, x, y, "ORBITPIC")) {
        delete dialog;
        return nullptr;
    }
    return dialog;
}

int DoDialogue(Dialog* dialog, Window parent) {
    if (!dialog) return 0;
    if (display) {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display, &focus, &revert);
        dialog->focusBefore = focus;
    }
    if (parent && !dialog->owner) dialog->owner = parent;
    mHandle* handle = cwHandle(dialog);
    running.push_back(handle);
    DiscardInput();
    WWindowShow(dialog->window);
    WWindowRaise(dialog->window);
    bool destroyed = false;
    WErrorPoint point;
    if (BeginErrorCheck(point) == 0) {
        while (RunOnce(dialog, handle, &destroyed)) {
        }
    } else if (cwFromHandle(handle)) {
        dialog->flags &= ~kCwLive; // a Panic inside ends the dialog
        dialog->result = 0;
    }
    EndErrorCheck();
    for (size_t i = running.size(); i-- > 0;)
        if (running[i] == handle) running.erase(running.begin() + (long)i);
    int result = destroyed || !cwFromHandle(handle) ? 0 : dialog->result;
    MHandleDestroy(handle);
    return result;
}

void dlEnd(Dialog* dialog, int result) {
    if (!dialog) return;
    dialog->result = result;
    dialog->flags &= ~kCwLive;
}

void dlVanish(Dialog* dialog) {
    if (!dialog) return;
    Window back = dialog->focusBefore ? dialog->focusBefore : dialog->owner;
    cwDestroy(dialog);
    if (back) WWindowTakeFocus(back);
}

void dlSetVerify(Dialog* dialog, GItem* field, DialogVerifyFn verify) {
    if (!dialog) return;
    dialog->verifyField = field;
    dialog->verify = verify;
}

Dialog* dlCurrentModal() {
    for (size_t i = running.size(); i-- > 0;)
        if (ColWind* w = cwFromHandle(running[i])) return static_cast<Dialog*>(w);
    return nullptr;
}
