// The directory chooser's window, "DirectoryChooser", in the form the window generator
// gives every window: the class owns the dialog, creates its nine items in the widget
// table, lays them out from the rules in dirdialog_gui.cpp and forwards each widget
// callback to a virtual operation named after the widget and the event. The behaviour is
// DirectoryChooser's (dirdialog.h). Start with run().
#pragma once

#include "windlib/window/wmodal.h"

class Button;
class ButtonSet;
class GLine;
class GStaticText;
class MScrollList;
class TextField;
class WStatusBox;

class DirectoryChooser_GUI {
public:
    // The window's item numbers (its widget table and layout rules).
    enum Item {
        kPrompt = 1,    // t_prompt
        kParentDir = 2, // tfParentDir
        kDirList = 3,   // msl_dirlist
        kOkCancel = 4,  // bs_okcancel
        kStatus = 5,    // status
        kUpdir = 6,     // bsUpdir
        kControls = 7,  // bsControls
        kMaxBottom = 8, // maxbottom
        kMaxTop = 9,    // maxtop
        kNumItems = 10
    };
    enum { kOk = 0, kCancel = 1 }; // indices in bs_okcancel

    explicit DirectoryChooser_GUI(const char* title);
    virtual ~DirectoryChooser_GUI();
    DirectoryChooser_GUI(const DirectoryChooser_GUI&) = delete;
    DirectoryChooser_GUI& operator=(const DirectoryChooser_GUI&) = delete;

    // Creates the window, shows it modally until it ends and destroys it. The dialog's
    // result (1 after endDialog(1)), 0 when it could not be created or was closed.
    virtual int run();
    // The dialog while run() shows it, else null.
    Dialog* getDialog() const { return dialog; }
    const char* getTitle() const { return title_; }

protected:
    // Called once the items exist, before the window is shown.
    virtual void setupDialog() {}
    // Called when the dialog goes, also when it is closed from outside; the items are
    // still there.
    virtual void cleanupDialog() {}
    virtual void handle_bs_okcancel(int index) { endDialog(index == kOk ? 1 : 0); }
    virtual void handle_bsUpdir() {}
    virtual void handle_bsControls() {}
    virtual void msl_dirlist_handleSingleClick(int row, int column, int clicks, xinLibSt* event) {
        (void)row, (void)column, (void)clicks, (void)event;
    }
    // After every event the path field has handled (each key).
    virtual void tfParentDir_handlePostEvent(xinLibSt* event) { (void)event; }
    // Ends the modal run with `result`.
    void endDialog(int result);

    // The items, valid while the dialog is up (null otherwise).
    Dialog* dialog = nullptr;
    GStaticText* t_prompt = nullptr;
    TextField* tfParentDir = nullptr;
    MScrollList* msl_dirlist = nullptr;
    ButtonSet* bs_okcancel = nullptr;
    WStatusBox* status = nullptr;
    ButtonSet* bsUpdir = nullptr;
    ButtonSet* bsControls = nullptr;
    GLine* maxbottom = nullptr;
    GLine* maxtop = nullptr;

private:
    bool create();
    void forgetItems();
    static DirectoryChooser_GUI* Of(GItem* item);
    static int Cleanup(ColWind* window);
    static int Event(xinLibSt* event, ColWind* window);
    static void OkCancelPressed(Button* button, xinLibSt* event);
    static void UpdirPressed(Button* button, xinLibSt* event);
    static void ControlsPressed(Button* button, xinLibSt* event);
    static void DirListClicked(MScrollList* list, int row, int column, int clicks, xinLibSt* event);
    static void ParentDirEvent(TextField* field, xinLibSt* event);

    char* title_;
};
