// The directory chooser's window (see dirdialog_gui.h): item creation, layout rules and the
// static callbacks that find the chooser behind a widget and forward to it.
#include "windlib/dialog/dirdialog_gui.h"

#include <cstring>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/button/wtextfield.h"
#include "windlib/dialog/wdialog.h"
#include "windlib/dialog/wstatusbox.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/window/gline.h"
#include "windlib/window/gstatictext.h"
#include "windlib/window/wactivation.h"
#include "windlib/window/wplacer.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xwindow.h"

namespace {

// Row 1 the prompt; row 2 the path field with the two tool-bar buttons on its right, on the
// invisible line "maxtop" as tall as the tallest of them; the list fills the middle; below
// it OK/Cancel on the right of the invisible line "maxbottom"; the status line takes the
// whole width at the bottom, so that its messages (and the paths in them) have room.
const char* const kDirectoryChooserRules[] = {
    "MinSizes",
    "0,(),(),300,0,0,0,0,1,1,1,Horizontal",
    "0,(),(),200,0,0,0,0,1,1,1,Vertical",
    "Sizes",
    "9,(2),(),0,0,0,0,0,1,1,3,Vertical",
    "9,(6),(),0,0,0,0,0,1,1,1,Vertical",
    "9,(7),(),0,0,0,0,0,1,1,1,Vertical",
    "9,(0),(),-10,0,0,0,0,1,1,1,Horizontal",
    "8,(4),(),0,0,0,0,0,1,1,1,Vertical",
    "8,(0),(),-10,0,0,0,0,1,1,1,Horizontal",
    "2,(0),(6,7),-2,0,0,0,0,1,1,1,Horizontal",
    "3,(0),(),-10,0,0,0,0,1,1,1,Horizontal",
    "3,(0),(1,9,8,5),-30,0,0,0,0,1,1,1,Vertical",
    "5,(0),(),-10,0,0,0,0,1,1,1,Horizontal",
    "Positions",
    "(1),0,5,0,0,0,0,Top,Top,Top",
    "(1),0,5,0,0,0,0,Left,Left,Left",
    "(9),1,5,0,0,0,0,Top,Top,Bottom",
    "(9),0,5,0,0,0,0,Left,Left,Left",
    "(2),9,0,0,0,0,0,TBCenter,TBCenter,TBCenter",
    "(2),0,-7,0,0,0,0,Left,Left,Left",
    "(7),0,-5,0,0,0,0,Right,Right,Right",
    "(7),9,0,0,0,0,0,TBCenter,TBCenter,TBCenter",
    "(6),7,-5,0,0,0,0,Right,Right,Left",
    "(6),9,0,0,0,0,0,TBCenter,TBCenter,TBCenter",
    "(3),9,5,0,0,0,0,Top,Top,Bottom",
    "(3),0,5,0,0,0,0,Left,Left,Left",
    "(5),0,-5,0,0,0,0,Bottom,Bottom,Bottom",
    "(5),0,5,0,0,0,0,Left,Left,Left",
    "(8),5,-5,0,0,0,0,Bottom,Bottom,Top",
    "(8),0,5,0,0,0,0,Left,Left,Left",
    "(4),8,0,0,0,0,0,TBCenter,TBCenter,TBCenter",
    "(4),0,0,0,0,0,0,Right,Right,Right",
};
const int kNumDirectoryChooserRules =
    sizeof kDirectoryChooserRules / sizeof kDirectoryChooserRules[0];
static_assert(kNumDirectoryChooserRules == 33, "three sections and thirty rules");

enum { kWidth = 400, kHeight = 300 };

void Enter(Dialog* d, int index, GItem* item, const char* name) {
    cwSetWidget(d, index, item, 0xFFFFFFFFul);
    gitemSetName(item, name);
}

} // namespace

DirectoryChooser_GUI::DirectoryChooser_GUI(const char* title)
    : title_(gen_copy(title ? title : "")) {}

DirectoryChooser_GUI::~DirectoryChooser_GUI() {
    if (dialog) {
        dialog->cleanupFn = nullptr; // the chooser is going: nothing to tell it
        cwDestroy(dialog);
    }
    gen_free(title_);
}

DirectoryChooser_GUI* DirectoryChooser_GUI::Of(GItem* item) {
    ColWind* window = item ? item->TopWindow() : nullptr;
    return window ? static_cast<DirectoryChooser_GUI*>(window->user) : nullptr;
}

bool DirectoryChooser_GUI::create() {
    dialog = dlCreate(kWidth, kHeight, 0, title_, Cleanup, Event, -1, -1);
    if (!dialog) return false;
    dialog->user = this;
    gitemSetName(dialog, "DirectoryChooser");
    t_prompt = gtCreate(dialog, 5, 5, "Choose Directory:");
    Enter(dialog, kPrompt, t_prompt, "t_prompt");
    tfParentDir = tfCreate(dialog, 0, 25, 300, 0, nullptr, "", -1, -1, nullptr);
    Enter(dialog, kParentDir, tfParentDir, "tfParentDir");
    tfParentDir->setPostEvent(ParentDirEvent);
    msl_dirlist = mslCreate(dialog, 5, 50, 390, 180, nullptr, nullptr, nullptr, 0, 1, 0, 1, 0,
                            nullptr, nullptr, nullptr, DirListClicked, 2, 0, 1);
    if (!msl_dirlist) {
        dialog->cleanupFn = nullptr;
        cwDestroy(dialog);
        forgetItems();
        return false;
    }
    Enter(dialog, kDirList, msl_dirlist, "msl_dirlist");
    const char* const okCancel[] = {button_ok_str, button_cancel_str, nullptr};
    const BtCallback okCancelFns[] = {OkCancelPressed, OkCancelPressed};
    bs_okcancel =
        new ButtonSet(dialog, 0, 0, 0, 0, nullptr, okCancel, nullptr, okCancelFns, nullptr, nullptr,
                      nullptr, kOk, 1, -1, false, false, kBtPush, 6, false, false);
    Enter(dialog, kOkCancel, bs_okcancel, "bs_okcancel");
    status = new WStatusBox(dialog, 5, 270, 200);
    Enter(dialog, kStatus, status, "status");
    const char* const up[] = {"Up", nullptr};
    const char* const upIcon[] = {"updir"};
    const char* const upStatus[] = {"Up One Directory"};
    const BtCallback upFn[] = {UpdirPressed};
    bsUpdir = new ButtonSet(dialog, 0, 0, 0, 0, nullptr, up, upIcon, upFn, nullptr, upStatus,
                            nullptr, -1, 1, -1, false, true, kBtToolBar, 0, false, false);
    Enter(dialog, kUpdir, bsUpdir, "bsUpdir");
    const char* const controls[] = {"Show All Files", nullptr};
    const char* const controlsIcon[] = {"showfiles"};
    const char* const controlsStatus[] = {"Toggle display of all files"};
    const BtCallback controlsFn[] = {ControlsPressed};
    bsControls =
        new ButtonSet(dialog, 0, 0, 0, 0, nullptr, controls, controlsIcon, controlsFn, nullptr,
                      controlsStatus, nullptr, -1, 1, -1, false, true, kBtToolBar, 0, false, false);
    Enter(dialog, kControls, bsControls, "bsControls");
    maxbottom = glCreate(dialog, 0, 0, 1);
    Enter(dialog, kMaxBottom, maxbottom, "maxbottom");
    maxtop = glCreate(dialog, 0, 0, 1);
    Enter(dialog, kMaxTop, maxtop, "maxtop");
    maxbottom->MapMe(0); // the layout's guides, never drawn
    maxtop->MapMe(0);
    status->becomeMessageLine(); // the tool-bar buttons' status strings show there
    PlacerBuildRuntimeInfo(dialog, kDirectoryChooserRules, kNumDirectoryChooserRules);
    dialog->reconfigureHook(dialog);
    bsSetInitialFocus(bs_okcancel); // on OK, the default, like every dialog
    return true;
}

void DirectoryChooser_GUI::forgetItems() {
    dialog = nullptr;
    t_prompt = nullptr;
    tfParentDir = nullptr;
    msl_dirlist = nullptr;
    bs_okcancel = nullptr;
    status = nullptr;
    bsUpdir = nullptr;
    bsControls = nullptr;
    maxbottom = nullptr;
    maxtop = nullptr;
}

int DirectoryChooser_GUI::run() {
    if (dialog || !create()) return 0;
    mHandle* handle = cwHandle(dialog);
    setupDialog();
    if (cwFromHandle(handle)) {
        any_attach(dialog);
        dialog->reconfigureHook(dialog);
        WWindowShow(dialog->window);
        WSync();
    }
    int result = cwFromHandle(handle) ? DoDialogue(dialog, 0) : 0;
    if (cwFromHandle(handle)) dlVanish(dialog);
    MHandleDestroy(handle);
    return result;
}

void DirectoryChooser_GUI::endDialog(int result) {
    if (dialog) dlEnd(dialog, result);
}

int DirectoryChooser_GUI::Cleanup(ColWind* window) {
    DirectoryChooser_GUI* gui = static_cast<DirectoryChooser_GUI*>(window->user);
    if (gui) {
        gui->cleanupDialog();
        gui->forgetItems();
    }
    return 1;
}

// Keys no item took. Typing (text and the editing keys) goes to the path field, which
// takes the focus: the dialog opens with the focus on OK, and a path can still be typed
// straight away.
int DirectoryChooser_GUI::Event(xinLibSt* event, ColWind* window) {
    if (event->kind != kXinKey) return 0;
    DirectoryChooser_GUI* gui = static_cast<DirectoryChooser_GUI*>(window->user);
    if (event->d == kKeyEscape && gui) {
        gui->handle_bs_okcancel(kCancel);
        return 1;
    }
    const char* text = (const char*)event->e;
    bool typing = event->f > 0 && text && !strchr("\r\n\t\033", text[0]);
    if (typing && gui && gui->tfParentDir && window->focus != gui->tfParentDir) {
        TextField* field = gui->tfParentDir;
        cwSetFocus(window, field);
        return field->EventParse(event, field);
    }
    return btWindowKey(window, event);
}

void DirectoryChooser_GUI::OkCancelPressed(Button* button, xinLibSt*) {
    DirectoryChooser_GUI* gui = Of(button);
    if (gui && button->set) gui->handle_bs_okcancel(button->set->indexOf(button));
}

void DirectoryChooser_GUI::UpdirPressed(Button* button, xinLibSt*) {
    if (DirectoryChooser_GUI* gui = Of(button)) gui->handle_bsUpdir();
}

void DirectoryChooser_GUI::ControlsPressed(Button* button, xinLibSt*) {
    if (DirectoryChooser_GUI* gui = Of(button)) gui->handle_bsControls();
}

void DirectoryChooser_GUI::DirListClicked(MScrollList* list, int row, int column, int clicks,
                                          xinLibSt* event) {
    if (DirectoryChooser_GUI* gui = Of(list))
        gui->msl_dirlist_handleSingleClick(row, column, clicks, event);
}

void DirectoryChooser_GUI::ParentDirEvent(TextField* field, xinLibSt* event) {
    if (DirectoryChooser_GUI* gui = Of(field)) gui->tfParentDir_handlePostEvent(event);
}
