// The button dialogue (see wdialog.h). The window "buttonDlg" is built the way generated
// window code builds one: items into the widget table, layout rules, a first layout; then
// the buttons replace the dummy that gave the window its first, medium width, and a second
// layout fits the window to the text and the buttons.
#include "windlib/dialog/wdialog.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/wabout.h"
#include "windlib/window/gstatictext.h"
#include "windlib/window/wactivation.h"
#include "windlib/window/wmodal.h"
#include "windlib/window/wplacer.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/xwindow.h"
#include "xswitch/xswitch.h"

const char* button_ok_str = "OK";
const char* button_yes_str = "Yes";
const char* button_no_str = "No";
const char* button_cancel_str = "Cancel";

namespace {

// Items of "buttonDlg": 1 the message, 2 the buttons. The window is at least as wide as
// the widest of buttons + 20, text + 20 and 300, and as tall as both + 20; text 5 below the
// top, buttons 10 below the text, both centred.
const char* const kButtonDlgRules[] = {
    "MinSizes",
    "0,(2),(),20,0,0,0,0,1,1,3,Horizontal",
    "0,(1),(),20,0,0,0,0,1,1,1,Horizontal",
    "0,(),(),300,0,0,0,0,1,1,1,Horizontal",
    "0,(1,2),(),20,0,0,0,0,1,1,1,Vertical",
    "Sizes",
    "Positions",
    "(1),0,0,0,0,0,0,LRCenter,LRCenter,LRCenter",
    "(2),0,0,0,0,0,0,LRCenter,LRCenter,LRCenter",
    "(1),0,5,0,0,0,0,Top,Top,Top",
    "(2),1,10,0,0,0,0,Top,Top,Bottom",
};
const int kNumButtonDlgRules = sizeof kButtonDlgRules / sizeof kButtonDlgRules[0];
static_assert(kNumButtonDlgRules == 11, "three sections and eight rules");

const char kDummyLabel[] = "dummyThisIsALongButtonNameToSetTheInitialSizeOfTheWindowToMedium";
enum { kButtonDlgWidth = 503, kButtonDlgHeight = 53, kButtonSetWidth = 483, kButtonSetHeight = 20 };

bool IsReturnKey(const xinLibSt* event) {
    const char* text = (const char*)event->e;
    return event->d == kKeyReturn || (event->f == 1 && text && (text[0] == 13 || text[0] == 10));
}

// Return belongs to the focused button (the button set's rule); only a dialog whose
// focus is nowhere yet answers it with its default button here.
int FilterKeys(xinLibSt* event, ColWind* window, void* arg) {
    if (event->kind != kXinKey) return 0;
    if (IsReturnKey(event) && !window->focus) {
        Button* answer = btGetDefault(window);
        if (!answer || answer->isDimmed()) return 0;
        answer->activate(event);
        return 1;
    }
    int escapeIndex = (int)(intptr_t)arg;
    if (event->d == kKeyEscape && escapeIndex >= 0) {
        dlEnd(static_cast<Dialog*>(window), escapeIndex);
        return 1;
    }
    return 0;
}

// The button Escape stands for: Cancel, else No, else the only button; -1 for none.
int EscapeIndex(const char* const* labels) {
    int count = 0, no = -1;
    for (; labels[count]; ++count) {
        if (strcmp(labels[count], button_cancel_str) == 0) return count;
        if (no < 0 && strcmp(labels[count], button_no_str) == 0) no = count;
    }
    return no >= 0 ? no : count == 1 ? 0 : -1;
}

Dialog* CreateButtonDialog(const char* text, Window parent) {
    Dialog* d = dlCreate(kButtonDlgWidth, kButtonDlgHeight, parent, "", nullptr, nullptr, -1, -1);
    if (!d) return nullptr;
    gitemSetName(d, "buttonDlg");
    GStaticText* query = gtCreate(d, 0, 0, text);
    cwSetWidget(d, 1, query, 0xFFFFFFFFul);
    gitemSetName(query, "t_query");
    const char* const dummy[] = {kDummyLabel, nullptr};
    ButtonSet* buttons =
        new ButtonSet(d, 0, 0, kButtonSetWidth, kButtonSetHeight, nullptr, dummy, nullptr, nullptr,
                      nullptr, nullptr, nullptr, 0, 1, 1, false, false, kBtPush, 0, false, false);
    cwSetWidget(d, 2, buttons, 0xFFFFFFFFul);
    gitemSetName(buttons, "bs_buttons");
    PlacerBuildRuntimeInfo(d, kButtonDlgRules, kNumButtonDlgRules);
    d->reconfigureHook(d);
    return d;
}

void SetUpButtons(Dialog* d, const char* const* labels, int defaultIndex, const char* title) {
    ButtonSet* buttons = static_cast<ButtonSet*>(RuntimePlacer_FindWidget(d, "bs_buttons"));
    for (int i = 0; labels[i]; ++i) {
        bsAddButton(buttons, labels[i], DialogButtonPressed, nullptr, nullptr, nullptr, nullptr);
        bsSetPerColumn(buttons, buttons->minPerColumn, buttons->maxPerColumn + 1);
    }
    bsDeleteButton(buttons, 0, false);
    bsSetDefault(buttons, defaultIndex);
    bsSetInitialFocus(buttons);
    DialogRouteKeys(d, EscapeIndex(labels));
    gen_strchange(&d->title, title);
    WWindowSetTitle(d->window, title);
}

} // namespace

bool DialogBatchMode() {
    return debugFlag[kSwitchBatchDialogs] || debugFlag[kSwitchDashRunFixes];
}

bool DialogNoDisplay() {
    return !display || !XWindowsOn;
}

void DialogRefuseIfForbidden(const char* text) {
    if (!debugFlag[kSwitchNeverEverShowADialog]) return;
    fflush(stdout);
    fprintf(stderr, "FATAL: %s\n", text ? text : "");
    fflush(stderr);
    gen_exit(100);
}

char* DialogProgramTitle() {
    const char* name = abGetProgramName();
    while (*name == ' ' || *name == '\t') ++name;
    int length = (int)strlen(name);
    while (length > 0 && (name[length - 1] == ' ' || name[length - 1] == '\t')) --length;
    return gen_copyn(name, length);
}

int DialogFitLength(const char* line, int maxWidth) {
    int length = (int)strlen(line);
    if (WTextWidth(line, length, bfont_num) <= maxWidth) return length;
    // Widths grow with the length: find the longest prefix that still fits.
    int fits = 0, tooLong = length;
    while (tooLong - fits > 1) {
        int middle = (fits + tooLong) / 2;
        if (WTextWidth(line, middle, bfont_num) <= maxWidth)
            fits = middle;
        else
            tooLong = middle;
    }
    return fits;
}

char* DialogJoinLines(const char* const* lines) {
    int maxWidth = screen_width - 6 * bfont_n;
    std::string joined;
    for (int i = 0; lines && lines[i]; ++i) {
        if (i) joined += '\n';
        joined.append(lines[i], (size_t)DialogFitLength(lines[i], maxWidth));
    }
    return gen_copy(joined.c_str());
}

char** DialogSplitLines(const char* text, int maxLines) {
    std::vector<char*> lines;
    for (const char* line = text ? text : "";
         line && (maxLines < 0 || (int)lines.size() < maxLines);) {
        const char* end = strchr(line, '\n');
        if (!end && !*line && !lines.empty()) break; // the text ended with a line feed
        lines.push_back(end ? gen_copyn(line, (int)(end - line)) : gen_copy(line));
        line = end ? end + 1 : nullptr;
    }
    char** array = (char**)gen_alloc(lines.size() + 1, sizeof(char*));
    for (size_t i = 0; i < lines.size(); ++i) array[i] = lines[i];
    return array;
}

void DialogFreeLines(char** lines) {
    for (char** p = lines; p && *p; ++p) gen_free(*p);
    gen_free(lines);
}

void DialogCentre(Dialog* d, Window parent) {
    int px = 0, py = 0, pw = screen_width, ph = screen_height;
    if (parent && !WWindowGetGeometry(parent, &px, &py, &pw, &ph)) {
        px = py = 0;
        pw = screen_width;
        ph = screen_height;
    }
    int x = px + (pw - d->width) / 2, y = py + (ph - d->height) / 2;
    if (x + d->width > screen_width) x = screen_width - d->width;
    if (y + d->height > screen_height) y = screen_height - d->height;
    WWindowMove(d->window, x < 0 ? 0 : x, y < 0 ? 0 : y);
}

void DialogRouteKeys(Dialog* d, int escapeIndex) {
    d->filter = FilterKeys;
    d->filterArg = (void*)(intptr_t)escapeIndex;
}

void DialogButtonPressed(Button* button, xinLibSt*) {
    ColWind* window = button->TopWindow();
    if (!window || window->kind != kKindDialog || !button->set) return;
    dlEnd(static_cast<Dialog*>(window), button->set->indexOf(button));
}

int wButtonDialogue(const char* const* lines, const char* const* labels, int defaultIndex, int,
                    Window parent, const char* title) {
    if (DialogBatchMode()) return defaultIndex;
    if (DialogNoDisplay()) return 0;
    const char* const onlyOk[] = {button_ok_str, nullptr};
    if (!labels || !labels[0]) labels = onlyOk;
    char* text = DialogJoinLines(lines);
    DialogRefuseIfForbidden(text);
    Dialog* d = CreateButtonDialog(text, parent);
    gen_free(text);
    if (!d) return 0;
    char* ownTitle = title ? nullptr : DialogProgramTitle();
    SetUpButtons(d, labels, defaultIndex, title ? title : ownTitle);
    gen_free(ownTitle);
    any_attach(d);
    d->reconfigureHook(d);
    DialogCentre(d, parent);
    WWindowShow(d->window);
    WSync();
    mHandle* handle = cwHandle(d);
    int answer = DoDialogue(d, 0);
    if (cwFromHandle(handle)) dlVanish(d);
    MHandleDestroy(handle);
    return answer;
}
