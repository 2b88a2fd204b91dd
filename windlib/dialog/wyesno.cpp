// Alerts and questions (see wyesno.h). wAlert and wYesNoCancel are button dialogues;
// wYesNo has its own window, "yesnoDlg", built the way generated window code builds one.
// This file also hands the core its reporters: the core cannot call up into the dialogs,
// so it reports through the hooks of windlib/wreport.h, set here at start-up.
#include "windlib/dialog/wyesno.h"

#include <cstdio>
#include <cstring>

#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/dialog/orbiterror.h"
#include "windlib/dialog/wdialog.h"
#include "windlib/window/gstatictext.h"
#include "windlib/window/wactivation.h"
#include "windlib/window/wmodal.h"
#include "windlib/window/wplacer.h"
#include "windlib/wreport.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xwindow.h"
#include "xswitch/xswitch.h"

void (*wYesNoRemoveSplash)() = nullptr;

namespace {

// Items of "yesnoDlg": 1 the question, 2 Yes and No. At least as wide as the larger of
// question + 20 and buttons + 30, as tall as both + 20; the question 5 below the top, the
// buttons 10 below it, both centred.
const char* const kYesNoDlgRules[] = {
    "MinSizes",
    "0,(1),(),20,0,0,0,0,1,1,2,Horizontal",
    "0,(2),(),30,0,0,0,0,1,1,1,Horizontal",
    "0,(1,2),(),20,0,0,0,0,1,1,1,Vertical",
    "Sizes",
    "Positions",
    "(1),0,0,0,0,0,0,LRCenter,LRCenter,LRCenter",
    "(2),0,0,0,0,0,0,LRCenter,LRCenter,LRCenter",
    "(1),0,5,0,0,0,0,Top,Top,Top",
    "(2),1,10,0,0,0,0,Top,Top,Bottom",
};
const int kNumYesNoDlgRules = sizeof kYesNoDlgRules / sizeof kYesNoDlgRules[0];
static_assert(kNumYesNoDlgRules == 10, "three sections and seven rules");

// Small at first: the layout only ever enlarges a window to its minimum.
enum { kYesNoDlgWidth = 200, kYesNoDlgHeight = 40, kYesIndex = 0, kNoIndex = 1 };

Dialog* CreateYesNoDialog(const char* question) {
    Dialog* d = dlCreate(kYesNoDlgWidth, kYesNoDlgHeight, 0, "ORBIT", nullptr, nullptr, -1, -1);
    if (!d) return nullptr;
    gitemSetName(d, "yesnoDlg");
    char** lines = DialogSplitLines(question, -1);
    char* text = DialogJoinLines(lines);
    DialogFreeLines(lines);
    GStaticText* t = gtCreate(d, 0, 0, text);
    gen_free(text);
    cwSetWidget(d, 1, t, 0xFFFFFFFFul);
    gitemSetName(t, "t_question");
    const char* const labels[] = {button_yes_str, button_no_str, nullptr};
    const BtCallback callbacks[] = {DialogButtonPressed, DialogButtonPressed};
    ButtonSet* buttons =
        new ButtonSet(d, 0, 0, 0, 0, nullptr, labels, nullptr, callbacks, nullptr, nullptr, nullptr,
                      kYesIndex, 1, -1, false, false, kBtPush, 0, false, false);
    cwSetWidget(d, 2, buttons, 0xFFFFFFFFul);
    gitemSetName(buttons, "bs_yesno");
    PlacerBuildRuntimeInfo(d, kYesNoDlgRules, kNumYesNoDlgRules);
    d->reconfigureHook(d);
    return d;
}

// The answer of the yes/no window; a window closed from outside answers No.
int RunYesNoDialog(const char* question, int defaultAnswer) {
    Dialog* d = CreateYesNoDialog(question);
    if (!d) return 0;
    ButtonSet* buttons = static_cast<ButtonSet*>(cwGetWidget(d, 2));
    bsSetDefault(buttons, defaultAnswer ? kYesIndex : kNoIndex);
    bsSetInitialFocus(buttons);
    DialogRouteKeys(d, kNoIndex);
    any_attach(d);
    d->reconfigureHook(d);
    DialogCentre(d, 0);
    WWindowShow(d->window);
    WSync();
    mHandle* handle = cwHandle(d);
    int pressed = DoDialogue(d, 0);
    bool closed = !cwFromHandle(handle);
    if (!closed) dlVanish(d);
    MHandleDestroy(handle);
    return !closed && pressed == kYesIndex ? 1 : 0;
}

int ReportError(int level, const char* text) {
    return OrbitErrorText(level, text);
}

void ReportAlert(const char* text) {
    wAlert(text, 0);
}

// The core's reporters become the dialogs as soon as this file is part of the program.
struct InstallReporters {
    InstallReporters() {
        WReportErrorHook = ReportError;
        WReportAlertHook = ReportAlert;
    }
} installReporters;

} // namespace

void wAlert(const char* text, Window parent) {
    if (!text) text = "<Empty Error Message>";
    if (*text) DialogRefuseIfForbidden(text);
    if (debugFlag[kSwitchDashRunFixes]) {
        fflush(stdout);
        fprintf(stderr, "ALERT: %s\n", text);
        fflush(stderr);
        return;
    }
    if (DialogNoDisplay()) {
        size_t length = strlen(text);
        printf("%s%s", text, length && text[length - 1] == '\n' ? "" : "\n");
        fflush(stdout);
        return;
    }
    if (!*text) return;
    char** lines = DialogSplitLines(text, kAlertMaxLines);
    const char* const labels[] = {button_ok_str, nullptr};
    char* title = DialogProgramTitle();
    wButtonDialogue(lines, labels, 0, 0, parent, title);
    gen_free(title);
    DialogFreeLines(lines);
}

void wAlert(Window parent, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = format ? gen_avsprintf(format, args) : nullptr;
    va_end(args);
    wAlert(text, parent);
    gen_free(text);
}

int wYesNo(const char* question, int defaultAnswer, Window) {
    if (wYesNoRemoveSplash) wYesNoRemoveSplash();
    if (!question) question = "";
    DialogRefuseIfForbidden(question);
    if (DialogBatchMode()) return defaultAnswer;
    if (DialogNoDisplay()) return 1;
    return RunYesNoDialog(question, defaultAnswer);
}

int wYesNoCancel(const char* question, int defaultAnswer, Window parent, const char* title) {
    if (!question) question = "";
    DialogRefuseIfForbidden(question);
    if (DialogBatchMode()) return defaultAnswer;
    const char* const lines[] = {question, nullptr};
    const char* const labels[] = {button_yes_str, button_no_str, button_cancel_str, nullptr};
    int defaultIndex = defaultAnswer == 1 ? 0 : defaultAnswer == 0 ? 1 : 2;
    switch (wButtonDialogue(lines, labels, defaultIndex, 0, parent, title ? title : question)) {
    case 0:
        return 1;
    case 1:
        return 0;
    default:
        return -1;
    }
}
