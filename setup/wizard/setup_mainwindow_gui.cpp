// The wizard's window (see setup_mainwindow_gui.h): the widget table, the activation masks,
// the construction and clean-up of the window, and the binding functions that find the window
// object behind a widget and call its operation.
#include "setup/wizard/setup_mainwindow_gui.h"

#include "setup/wizard/setup_mainwindow_rules.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/button/wpulldown.h"
#include "windlib/button/wtextfield.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/textview/wtextview.h"
#include "windlib/wapplication.h"
#include "windlib/window/gline.h"
#include "windlib/window/gpicture.h"
#include "windlib/window/gstatictext.h"
#include "windlib/window/wactivation.h"
#include "windlib/window/windowconfig.h"
#include "windlib/window/wplacer.h"
#include "windlib/window/wscrollbar.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xwindow.h"

namespace {

const char kTitle[] = "Veltrane Software Setup";
const char kConfigName[] = "MainWindow";
enum { kWidth = 577, kHeight = 417 };

// Activation masks: bit n set means "shown at level n".
const unsigned long kEveryLevel = 0xFFFFFFFFul;
const unsigned long kIntroductionLevel = 0x00000002ul;
const unsigned long kGeneralLevel = 0x00000004ul;
const unsigned long kCheckBoxLevel = 0x00000008ul;
const unsigned long kSummaryLevel = 0x00000010ul;
const unsigned long kItemListLevel = 0x00000020ul;
const unsigned long kInstallingLevel = 0x40000000ul;

MainWindow_GUI* Of(const GItem* item) {
    ColWind* window = item ? item->TopWindow() : nullptr;
    return window ? static_cast<MainWindow_GUI*>(window->user) : nullptr;
}

void Enter(ColWind* window, int index, GItem* item, const char* name, unsigned long mask) {
    cwSetWidget(window, index, item, mask);
    gitemSetName(item, name);
}

Button* PushButton(ColWind* window, int inset, int width, const char* label, BtCallback fn) {
    return btCreate(window, inset, inset, width, 20, nullptr, nullptr, label, fn, nullptr, nullptr,
                    nullptr, 0, false, false, kBtPush);
}

// The four lists differ only in whether several rows can be selected at once.
MScrollList* List(ColWind* window, int x, int y, int extendedSelection) {
    static const MslCellFormatTag kDefaultFormat = 0;
    return mslCreate(window, x, y, 20, 20, nullptr, nullptr, &kDefaultFormat, extendedSelection, 1,
                     0, 1, 0, nullptr, nullptr, nullptr, nullptr, 2, 0, true);
}

} // namespace

// ---- Construction -------------------------------------------------------------------------

MainWindow_GUI::MainWindow_GUI() {
    window = cwxCreatexy(kWidth, kHeight, 0, kTitle, kTitle, MainWindowCleanup,
                         MainWindow_CallEvent, -1, -1, "ORBITPIC");
    if (!window) return;
    window->flags |= kCwHasMessageLine; // status strings and the lists' search prompt
    gitemSetName(window, kConfigName);
    createWidgets();
    PlacerBuildRuntimeInfo(window, kMainWindowRules, kNumMainWindowRules);
    MainWindowSetup(this);
    window->reconfigureHook(window);
    any_attach(window);
    WWindowShow(window->window);
    WSync();
    bindCallbacks();
    pulldown_SetWantReturn(pdToolHost, true);
}

void MainWindow_GUI::createWidgets() {
    ColWind* w = window;
    int inset = (w->flags & kCwBordered) ? kCwBorder : 0;
    rSplash = giCreate(w, inset, inset, "restart3");
    rSplash->setEmblem(true);
    Enter(w, kSplash, rSplash, "rSplash", kEveryLevel);
    mslSegments = List(w, inset, inset, 0);
    Enter(w, kSegments, mslSegments, "mslSegments", kEveryLevel);
    tCaption = gtCreate(w, inset, inset, "<name of segment>");
    Enter(w, kCaption, tCaption, "tCaption", kEveryLevel);
    lDivider = glCreate(w, inset, inset, 1);
    Enter(w, kDivider, lDivider, "lDivider", kEveryLevel);
    bBack = PushButton(w, inset, 58, "< Back", MainWindow_handle_bBack);
    Enter(w, kBack, bBack, "bBack", kEveryLevel);
    bNext = PushButton(w, inset, 58, "Next >", MainWindow_handle_bNext);
    Enter(w, kNext, bNext, "bNext", kEveryLevel);
    bCancel = PushButton(w, inset, 58, "Cancel", MainWindow_handle_bCancel);
    Enter(w, kCancel, bCancel, "bCancel", kEveryLevel);
    mslIntroduction = List(w, inset + 160, inset, 1);
    Enter(w, kIntroduction, mslIntroduction, "mslIntroduction", kIntroductionLevel);
    tTargetDir = gtCreate(w, inset, inset, "Installation Directory");
    Enter(w, kTargetDirLabel, tTargetDir, "tTargetDir", kGeneralLevel);
    tfTargetDir = tfCreate(w, inset, inset, 1, 18, nullptr, "", -1, -1, nullptr);
    Enter(w, kTargetDir, tfTargetDir, "tfTargetDir", kGeneralLevel);
    bTargetDirBrowse = PushButton(w, inset, 80, "Browse...", MainWindow_handle_bTargetDirBrowse);
    Enter(w, kTargetDirBrowse, bTargetDirBrowse, "bTargetDirBrowse", kGeneralLevel);
    tToolHost = gtCreate(w, inset, inset, "Host Tools Will Run On");
    Enter(w, kToolHostLabel, tToolHost, "tToolHost", kGeneralLevel);
    pdToolHost = pulldown_tfCreate(w, inset, inset, 32, 20, nullptr, nullptr, "pdToolHost", 0,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, true);
    Enter(w, kToolHost, pdToolHost, "pdToolHost", kGeneralLevel);
    const char* const boxes[] = {"a", nullptr};
    bsComponents =
        new ButtonSet(w, inset + 170, inset + 12, 30, 1, nullptr, boxes, nullptr, nullptr, nullptr,
                      nullptr, nullptr, -1, 1, 15, true, false, kBtCheck, 0, false, false);
    Enter(w, kComponentBoxes, bsComponents, "bsComponents", kCheckBoxLevel);
    tExplainComponentSelection = gtCreate(w, inset, inset, "test text");
    Enter(w, kExplainComponents, tExplainComponentSelection, "tExplainComponentSelection",
          kItemListLevel);
    mslComponents = List(w, inset, inset, 0);
    Enter(w, kComponentList, mslComponents, "mslComponents", kItemListLevel);
    mslSummary = List(w, inset, inset, 1);
    Enter(w, kSummary, mslSummary, "mslSummary", kSummaryLevel);
    tvProgress = WTextView::makeWTextView(w, inset, inset, 1, 1, nullptr, nullptr, "tvProgress");
    Enter(w, kProgress, tvProgress, "tvProgress", kInstallingLevel);
    hsbProgress = new WScrollBar(w, false, inset, inset, 1);
    Enter(w, kProgressHBar, hsbProgress, "hsbProgress", kInstallingLevel);
    vsbProgress = new WScrollBar(w, true, inset, inset, 1);
    Enter(w, kProgressVBar, vsbProgress, "vsbProgress", kInstallingLevel);
}

#define MAINWINDOW_REGISTER_LIST(list)                                                             \
    mslRegisterCopyCallback(list, MainWindow_##list##_handleCopy);                                 \
    mslRegisterDoubleClickCallback(list, MainWindow_##list##_handleDoubleClick);                   \
    mslRegisterOwnerDrawCallback(list, MainWindow_##list##_handleOwnerDraw);                       \
    mslRegisterOwnerColorCallback(list, MainWindow_##list##_handleOwnerColor);                     \
    mslRegisterPlusMinusCallback(list, MainWindow_##list##_handlePlusMinus);                       \
    mslRegisterPreSortCallback(list, MainWindow_##list##_handlePreSort);                           \
    mslRegisterRightClickCallback(list, MainWindow_##list##_handleRightClick);                     \
    mslRegisterSingleClickCallback(list, MainWindow_##list##_handleSingleClick);                   \
    mslRegisterSortCallback(list, MainWindow_##list##_handleSort);                                 \
    mslRegisterSelectionChangedCallback(list, MainWindow_##list##_handleSelectionChanged);         \
    mslRegisterCliCallback(list, MainWindow_##list##_handleCli);                                   \
    mslRegisterMoreTextCallback(list, MainWindow_##list##_handleMoreText);

void MainWindow_GUI::bindCallbacks() {
    MAINWINDOW_REGISTER_LIST(mslSegments)
    MAINWINDOW_REGISTER_LIST(mslIntroduction)
    MAINWINDOW_REGISTER_LIST(mslComponents)
    MAINWINDOW_REGISTER_LIST(mslSummary)
    tfTargetDir->setPostEvent(MainWindow_tfTargetDir_handleEvent);
    pdSetCallBack(pdToolHost, MainWindow_pdToolHost_changedSelection);
    pulldown_SetPostEvent(pdToolHost, MainWindow_pdToolHost_changedText);
}

void MainWindowSetup(MainWindow_GUI* gui) {
    ColWind* w = gui->window;
    if (getAppInst()) getAppInst()->cwInsertList(w, 0, 0);
    w->user = gui;
    WindowConfig_CreateWindow(kConfigName, w->window, false, false);
    // The register may have given the window the size it had when it was last closed.
    int x = 0, y = 0, width = 0, height = 0;
    if (WindowConfig_GetWindowGeometry(w->window, &x, &y, &width, &height) && width > 0 &&
        height > 0) {
        w->width = width;
        w->height = height;
    }
}

// ---- Going --------------------------------------------------------------------------------

MainWindow_GUI::~MainWindow_GUI() {
    if (closing || !window) return;
    closing = true;
    cwDestroy(window);
}

void MainWindow_GUI::destroyClass() {
    if (!closing && !isCloseAllowed()) return;
    delete this;
}

void MainWindow_GUI::forgetWindow() {
    window = nullptr;
    rSplash = nullptr;
    mslSegments = nullptr;
    tCaption = nullptr;
    lDivider = nullptr;
    bBack = bNext = bCancel = nullptr;
    mslIntroduction = nullptr;
    tTargetDir = nullptr;
    tfTargetDir = nullptr;
    bTargetDirBrowse = nullptr;
    tToolHost = nullptr;
    pdToolHost = nullptr;
    bsComponents = nullptr;
    tExplainComponentSelection = nullptr;
    mslComponents = mslSummary = nullptr;
    tvProgress = nullptr;
    hsbProgress = vsbProgress = nullptr;
}

int MainWindowCleanup(ColWind* window) {
    MainWindow_GUI* gui = static_cast<MainWindow_GUI*>(window->user);
    if (gui && !gui->isCloseAllowed()) return 0;
    WindowConfig_DestroyWindow(kConfigName, window->window);
    if (getAppInst()) getAppInst()->cwRemoveList(window);
    if (gui) {
        // The object may outlive its window (Cancel and Finish close only the window).
        gui->forgetWindow();
        if (!gui->closing) {
            gui->closing = true;
            gui->destroyClass();
        }
    }
    window->user = nullptr;
    return any_cleanup(window);
}

int MainWindow_CallEvent(xinLibSt* event, ColWind* window) {
    MainWindow_GUI* gui = static_cast<MainWindow_GUI*>(window->user);
    mHandle* alive = cwHandle(window);
    int handled = gui ? gui->CallEvent(event) : 0;
    // Return and Escape that no item took go to the window's buttons.
    if (!handled && cwFromHandle(alive) && event->kind == kXinKey)
        handled = btWindowKey(window, event);
    MHandleDestroy(alive);
    return handled;
}

// ---- The binding ----------------------------------------------------------------------------

void MainWindow_handle_bBack(Button* button, xinLibSt*) {
    if (MainWindow_GUI* gui = Of(button)) gui->handle_bBack();
}

void MainWindow_handle_bNext(Button* button, xinLibSt*) {
    if (MainWindow_GUI* gui = Of(button)) gui->handle_bNext();
}

void MainWindow_handle_bCancel(Button* button, xinLibSt*) {
    if (MainWindow_GUI* gui = Of(button)) gui->handle_bCancel();
}

void MainWindow_handle_bTargetDirBrowse(Button* button, xinLibSt*) {
    if (MainWindow_GUI* gui = Of(button)) gui->handle_bTargetDirBrowse();
}

void MainWindow_tfTargetDir_handleEvent(TextField* field, xinLibSt* event) {
    if (MainWindow_GUI* gui = Of(field)) gui->handle_tfTargetDir(event);
}

int MainWindow_pdToolHost_changedSelection(PullDown* pulldown, int entry) {
    if (MainWindow_GUI* gui = Of(pulldown)) gui->pdToolHost_changedSelection(entry);
    return 0;
}

void MainWindow_pdToolHost_changedText(TextField* field, xinLibSt* event) {
    if (MainWindow_GUI* gui = Of(field)) gui->pdToolHost_changedText(event);
}

#define MAINWINDOW_LIST_BINDINGS(name)                                                             \
    bool MainWindow_##name##_handleCopy(MScrollList* l, const char* text) {                        \
        MainWindow_GUI* gui = Of(l);                                                               \
        return gui && gui->name##_handleCopy(text);                                                \
    }                                                                                              \
    void MainWindow_##name##_handleDoubleClick(MScrollList* l, int row, int column, int clicks,    \
                                               xinLibSt* event) {                                  \
        if (MainWindow_GUI* gui = Of(l))                                                           \
            gui->name##_handleDoubleClick(row, column, clicks, event);                             \
    }                                                                                              \
    int MainWindow_##name##_handleOwnerDraw(MScrollList* l, int row, int column, int x, int y,     \
                                            int width, int height) {                               \
        MainWindow_GUI* gui = Of(l);                                                               \
        return gui ? gui->name##_handleOwnerDraw(row, column, x, y, width, height) : 0;            \
    }                                                                                              \
    void MainWindow_##name##_handleOwnerColor(MScrollList* l, int row, int column,                 \
                                              unsigned long* foreground,                           \
                                              unsigned long* background, int length) {             \
        if (MainWindow_GUI* gui = Of(l))                                                           \
            gui->name##_handleOwnerColor(row, column, foreground, background, length);             \
    }                                                                                              \
    void MainWindow_##name##_handlePlusMinus(MScrollList* l, int row) {                            \
        if (MainWindow_GUI* gui = Of(l)) gui->name##_handlePlusMinus(row);                         \
    }                                                                                              \
    void MainWindow_##name##_handlePreSort(MScrollList* l, int column) {                           \
        if (MainWindow_GUI* gui = Of(l)) gui->name##_handlePreSort(column);                        \
    }                                                                                              \
    void MainWindow_##name##_handleRightClick(MScrollList* l, int row, int column,                 \
                                              xinLibSt* event) {                                   \
        if (MainWindow_GUI* gui = Of(l)) gui->name##_handleRightClick(row, column, event);         \
    }                                                                                              \
    void MainWindow_##name##_handleSingleClick(MScrollList* l, int row, int column, int clicks,    \
                                               xinLibSt* event) {                                  \
        if (MainWindow_GUI* gui = Of(l))                                                           \
            gui->name##_handleSingleClick(row, column, clicks, event);                             \
    }                                                                                              \
    void MainWindow_##name##_handleSort(MScrollList* l, int column) {                              \
        if (MainWindow_GUI* gui = Of(l)) gui->name##_handleSort(column);                           \
    }                                                                                              \
    void MainWindow_##name##_handleSelectionChanged(MScrollList* l) {                              \
        if (MainWindow_GUI* gui = Of(l)) gui->name##_handleSelectionChanged();                     \
    }                                                                                              \
    int MainWindow_##name##_handleCli(MScrollList* l, CmdInfo* command) {                          \
        MainWindow_GUI* gui = Of(l);                                                               \
        return gui ? gui->name##_handleCli(command) : 0;                                           \
    }                                                                                              \
    int MainWindow_##name##_handleMoreText(ScrollAble* view, int wanted) {                         \
        MainWindow_GUI* gui = view ? Of(view->list) : nullptr;                                     \
        return gui ? gui->name##_handleMoreText(view, wanted) : 0;                                 \
    }

MAINWINDOW_LIST_BINDINGS(mslSegments)
MAINWINDOW_LIST_BINDINGS(mslIntroduction)
MAINWINDOW_LIST_BINDINGS(mslComponents)
MAINWINDOW_LIST_BINDINGS(mslSummary)
