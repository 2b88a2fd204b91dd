// Event dispatch (see wdispatch.h). Translation of the X event is the drawing layer's
// (xevents.cpp); this file decides who may receive it.
#include "windlib/window/wdispatch.h"

#include "windlib/wapplication.h"
#include "windlib/window/wcolwind.h"
#include "windlib/window/wmodal.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xevents.h"
#include "windlib/x11/xwindow.h"

namespace {

char keyText[kKeyTextSize + 1];

bool IsUserInput(const xinLibSt& r) {
    return r.kind == kXinKey || r.kind == kXinHelp || (r.kind == kXinMouse && r.d != 0);
}

// Input for a window outside the running dialog is refused with a beep.
bool BlockedByDialog(const xinLibSt& record, ColWind* target) {
    ColWind* dialog = dlCurrentModal();
    if (!dialog || dialog == target) return false;
    if (record.kind == kXinMouse && record.d == 0) return true; // motion: silently
    if (IsUserInput(record) || record.kind == kXinClose) {
        WSoundBeep();
        WWindowRaise(dialog->window);
        return true;
    }
    return false;
}

} // namespace

int WDispatchEvent(XEvent* event) {
    xinLibSt record;
    if (!WTranslateEvent(event, &record, keyText)) return 1;
    ColWind* target = cwFromXWindow(record.window);
    if (!target) return 1;
    if (BlockedByDialog(record, target)) return 1;
    WErrorPoint point;
    if (BeginErrorCheck(point) == 0) cwEventParse(&record, target);
    EndErrorCheck();
    return 1;
}
