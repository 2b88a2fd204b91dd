// The installation wizard: the window's behaviour on top of its generated part. The page
// list on the left moves the user through the pages offered for this distribution; each
// page is filled from installOptions when it is shown and stored back, with its rules
// checked, when it is left; Install on the Summary page runs the engine inside the button's
// callback while the progress view shows what it says. Start with MainWindow() and
// SwitchSegments in setup_mainwindow.cpp.
#pragma once

#include <map>

#include "setup/engine/install_engine.h"
#include "setup/wizard/setup_mainwindow_gui.h"

class Component;
class SimpleBrowser;

class MainWindow : public MainWindow_GUI, public InstallProgressView {
public:
    // Builds and shows the window on its first page; becomes the engine's progress view.
    MainWindow();
    ~MainWindow() override;

    // ---- The progress view: one line in its colour, scrolled to, painted at once ------
    void DisplayError(const char* text) override;
    void DisplayMessage(const char* text) override;
    void DisplayInformation(const char* text) override;
    // Cancel becomes an enabled "Finish" (nothing once the window is gone).
    void ChangeCancelToDone() override;
    // "Expanding: <archive>", remembered so that a failure can turn the line red.
    void DisplayArchive(const ArchiveProgress& progress) override;
    void MarkArchiveFailed(int number) override;
    // A refusal before anything was written, in an alert.
    void Alert(const char* text) override;
    // The second question after a cancel, once the engine has stopped (Yes by default).
    bool AskRollback() override;

    // ---- The window's operations ------------------------------------------------------
    bool isCloseAllowed() override;
    void handle_bCancel() override;
    void handle_bNext() override;
    void handle_bBack() override;
    void handle_bTargetDirBrowse() override;
    void mslSegments_handleSelectionChanged() override;
    void mslComponents_handleDoubleClick(int row, int column, int clicks, xinLibSt* event) override;
    void handle_tfTargetDir(xinLibSt* event) override;
    void pdToolHost_changedSelection(int entry) override;

    // ---- The wizard (rows are rows of the page list, i.e. of theRuntimeSegments) -------
    // Leaves the current page (storing it and checking its rules) for `target`; stays when
    // a rule refuses.
    void SwitchSegments(int target);
    void UpdateGUI(int row);
    void UpdateInstallOptions(int row);
    void InstallNow();

private:
    void initialize_mslSegments();
    void InitializeText();
    // Shows the first `count` components of `set` as check boxes; `honourHidden` leaves
    // out the hidden ones.
    void InitCheckboxes(int count, Component** set, bool honourHidden = true);
    void InitTargetCheckboxes();
    void UpdateFromCheckboxes(int count, Component** set);
    void InitMslComponents(int count, Component** set);
    void UpdateFromMslComponents() {}
    // The directory field's text made to follow the host chosen in the pull-down.
    void GetToolDirFromGUI();
    void SetButtons();
    // On the Summary page: too little room for the selection disables Install and says so.
    void CheckSpaceOnSummary();
    // Appends one line; returns its number in the progress view (from 1).
    int Display(const char* text, unsigned long pixel);
    // -record_answers: writes the answers; false when the run should not go on (answers
    // the unattended run would refuse, which the user must change first).
    bool RecordAnswers();
    // Ends the program once the install has returned, e.g. after a termination signal.
    void EndProgram(int status);

    SimpleBrowser* browser_ = nullptr;
    unsigned long messageColor_ = 0;
    unsigned long errorColor_ = 0;
    unsigned long informationColor_ = 0;
    bool colorsAllocated_ = false;
    int linesShown_ = 0;              // line ends in the progress view so far
    std::map<int, int> archiveLines_; // archive number -> its line in the progress view
    bool recordedOnly_ = false;       // -record_only: the answers are written, nothing else
};

// The one wizard window, from its creation in main until it is deleted (or deletes itself
// when the user closes it from outside).
extern MainWindow* theMainWindow;

extern const char kWelcomeText[];

// The introduction's text: the version line, an empty line and the welcome text, or the
// welcome text alone for an empty version. A new string.
char* IntroductionText(const char* version);
// The directory `dir` (one trailing '/' dropped) made to end in the name of the host whose
// description is `hostText` when it ended in another host's name. *toolHost becomes that
// host (unchanged when `hostText` names none, and then the directory is kept as well).
// hosts[0..4] are the host table. A new string.
char* ToolDirForHost(const char* dir, const char* hostText, Component* const* hosts, int* toolHost);
