// The wizard's window, "MainWindow", in the form the window generator gives every window:
// MainWindow_GUI creates the top-level window and its twenty widgets, hands the layout
// rules to the placer, and forwards every widget callback (free functions named after the
// window and the widget) to a virtual operation. The wizard's behaviour is MainWindow's
// (setup_mainwindow.h). Start with the constructor in setup_mainwindow_gui.cpp.
#pragma once

#include "windlib/window/wcolwind.h"

class Button;
class ButtonSet;
class GLine;
class GPicture;
class GStaticText;
class MScrollList;
class PullDown;
class ScrollAble;
class TextField;
class WScrollBar;
class WTextView;
struct CmdInfo;

// The twelve operations a scroll list's callbacks reach, named after the list.
#define MAINWINDOW_LIST_OPERATIONS(list)                                                           \
    virtual bool list##_handleCopy(const char*) {                                                  \
        return false;                                                                              \
    }                                                                                              \
    virtual void list##_handleDoubleClick(int, int, int, xinLibSt*) {}                             \
    virtual int list##_handleOwnerDraw(int, int, int, int, int, int) {                             \
        return 0;                                                                                  \
    }                                                                                              \
    virtual void list##_handleOwnerColor(int, int, unsigned long*, unsigned long*, int) {}         \
    virtual void list##_handlePlusMinus(int) {}                                                    \
    virtual void list##_handlePreSort(int) {}                                                      \
    virtual void list##_handleRightClick(int, int, xinLibSt*) {}                                   \
    virtual void list##_handleSingleClick(int, int, int, xinLibSt*) {}                             \
    virtual void list##_handleSort(int) {}                                                         \
    virtual void list##_handleSelectionChanged() {}                                                \
    virtual int list##_handleCli(CmdInfo*) {                                                       \
        return 0;                                                                                  \
    }                                                                                              \
    virtual int list##_handleMoreText(ScrollAble*, int) {                                          \
        return 0;                                                                                  \
    }

class MainWindow_GUI {
public:
    // The window's item numbers: its widget table and the numbers of the layout rules.
    enum Item {
        kSplash = 1,
        kSegments = 2,
        kCaption = 3,
        kDivider = 4,
        kBack = 5,
        kNext = 6,
        kCancel = 7,
        kIntroduction = 8,
        kTargetDirLabel = 9,
        kTargetDir = 10,
        kTargetDirBrowse = 11,
        kToolHostLabel = 12,
        kToolHost = 13,
        kComponentBoxes = 14,
        kExplainComponents = 15,
        kComponentList = 16,
        kSummary = 17,
        kProgress = 18,
        kProgressHBar = 19,
        kProgressVBar = 20,
        kNumItems = 21
    };
    // The activation level of the install run (the pages' levels are their segments').
    enum { kInstallLevel = 30 };

    // Creates, lays out and shows the window; `window` stays null when there is no display.
    MainWindow_GUI();
    // Destroys the window unless it is already closing.
    virtual ~MainWindow_GUI();
    MainWindow_GUI(const MainWindow_GUI&) = delete;
    MainWindow_GUI& operator=(const MainWindow_GUI&) = delete;

    // Deletes the object, asking isCloseAllowed first unless the window is already closing.
    virtual void destroyClass();
    // Asked whenever the window is about to go; false keeps it.
    virtual bool isCloseAllowed() { return true; }
    // Every event of the window that its items left; non-zero when handled.
    virtual int CallEvent(xinLibSt*) { return 0; }
    virtual void handle_bCancel() {}
    virtual void handle_bNext() {}
    virtual void handle_bTargetDirBrowse() {}
    virtual void handle_bBack() {}
    MAINWINDOW_LIST_OPERATIONS(mslSegments)
    MAINWINDOW_LIST_OPERATIONS(mslIntroduction)
    MAINWINDOW_LIST_OPERATIONS(mslComponents)
    MAINWINDOW_LIST_OPERATIONS(mslSummary)
    // After every event the target-directory field has handled.
    virtual void handle_tfTargetDir(xinLibSt*) {}
    virtual void pdToolHost_changedSelection(int) {}
    virtual void pdToolHost_changedText(xinLibSt*) {}

    // The window is going: every pointer into it is cleared (the clean-up calls it).
    void forgetWindow();

    ColWind* window = nullptr;
    // Set once the program itself has started closing the window, so that neither the
    // clean-up nor the destructor destroys what is already going.
    bool closing = false;

    GPicture* rSplash = nullptr;
    MScrollList* mslSegments = nullptr;
    GStaticText* tCaption = nullptr;
    GLine* lDivider = nullptr;
    Button* bBack = nullptr;
    Button* bNext = nullptr;
    Button* bCancel = nullptr;
    MScrollList* mslIntroduction = nullptr;
    GStaticText* tTargetDir = nullptr;
    TextField* tfTargetDir = nullptr;
    Button* bTargetDirBrowse = nullptr;
    GStaticText* tToolHost = nullptr;
    PullDown* pdToolHost = nullptr;
    ButtonSet* bsComponents = nullptr;
    GStaticText* tExplainComponentSelection = nullptr;
    MScrollList* mslComponents = nullptr;
    MScrollList* mslSummary = nullptr;
    WTextView* tvProgress = nullptr;
    WScrollBar* hsbProgress = nullptr;
    WScrollBar* vsbProgress = nullptr;

private:
    void createWidgets();
    void bindCallbacks();
};

// Registers the window (application list, user pointer, geometry register under
// "MainWindow") and takes over the geometry the register gave it.
void MainWindowSetup(MainWindow_GUI* gui);
// The window's clean-up function: 0 (the window stays) when isCloseAllowed refuses.
int MainWindowCleanup(ColWind* window);
// The window's event function: CallEvent, then the window's keys for its buttons.
int MainWindow_CallEvent(xinLibSt* event, ColWind* window);

// ---- The binding: each widget callback forwards to the operation of the same name -------
void MainWindow_handle_bBack(Button* button, xinLibSt* event);
void MainWindow_handle_bNext(Button* button, xinLibSt* event);
void MainWindow_handle_bCancel(Button* button, xinLibSt* event);
void MainWindow_handle_bTargetDirBrowse(Button* button, xinLibSt* event);
void MainWindow_tfTargetDir_handleEvent(TextField* field, xinLibSt* event);
int MainWindow_pdToolHost_changedSelection(PullDown* pulldown, int entry);
void MainWindow_pdToolHost_changedText(TextField* field, xinLibSt* event);

#define MAINWINDOW_LIST_BINDING_DECLARATIONS(list)                                                 \
    bool MainWindow_##list##_handleCopy(MScrollList*, const char*);                                \
    void MainWindow_##list##_handleDoubleClick(MScrollList*, int, int, int, xinLibSt*);            \
    int MainWindow_##list##_handleOwnerDraw(MScrollList*, int, int, int, int, int, int);           \
    void MainWindow_##list##_handleOwnerColor(MScrollList*, int, int, unsigned long*,              \
                                              unsigned long*, int);                                \
    void MainWindow_##list##_handlePlusMinus(MScrollList*, int);                                   \
    void MainWindow_##list##_handlePreSort(MScrollList*, int);                                     \
    void MainWindow_##list##_handleRightClick(MScrollList*, int, int, xinLibSt*);                  \
    void MainWindow_##list##_handleSingleClick(MScrollList*, int, int, int, xinLibSt*);            \
    void MainWindow_##list##_handleSort(MScrollList*, int);                                        \
    void MainWindow_##list##_handleSelectionChanged(MScrollList*);                                 \
    int MainWindow_##list##_handleCli(MScrollList*, CmdInfo*);                                     \
    int MainWindow_##list##_handleMoreText(ScrollAble*, int);
MAINWINDOW_LIST_BINDING_DECLARATIONS(mslSegments)
MAINWINDOW_LIST_BINDING_DECLARATIONS(mslIntroduction)
MAINWINDOW_LIST_BINDING_DECLARATIONS(mslComponents)
MAINWINDOW_LIST_BINDING_DECLARATIONS(mslSummary)
