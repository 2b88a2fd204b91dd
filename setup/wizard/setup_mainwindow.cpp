// The installation wizard (see setup_mainwindow.h). Construction fills the page list and
// the introduction and shows row 0; SwitchSegments is the one way between pages (Next,
// Back and the page list all end there); UpdateGUI fills a page, UpdateInstallOptions
// stores it; the Summary page checks that the selection fits where it is to go; InstallNow
// records the answers when asked to and hands over to the engine, which writes through
// the Display operations at the end of this file and asks its questions through Alert
// and AskRollback. Everything the wizard knows lives in installOptions.
#include "setup/wizard/setup_mainwindow.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "setup/answer_file.h"
#include "setup/components.h"
#include "setup/engine/install_undo.h"
#include "setup/install_options.h"
#include "setup/setup_entry.h"
#include "shared/indgen.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/button/wpulldown.h"
#include "windlib/button/wtextfield.h"
#include "windlib/config/settings_manager.h"
#include "windlib/dialog/dirdialog.h"
#include "windlib/dialog/wyesno.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/textview/simplebrowser.h"
#include "windlib/textview/wtextview.h"
#include "windlib/wevent.h"
#include "windlib/window/gstatictext.h"
#include "windlib/window/wactivation.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xwindow.h"

MainWindow* theMainWindow = nullptr;

const char kWelcomeText[] =
    "Welcome to the Veltrane Software setup program.\n\n\nEnter your preferred installation "
    "options in the \nfollowing pages.\n\nAll settings have default values, which may be\n"
    "appropriate for your needs.\n\nYou may visit the pages in order by clicking the \n\"Back\" "
    "or \"Next\" buttons or, if you are familiar\nwith this setup program, you may visit any "
    "page\ndirectly by clicking on the list on the left.\n\n\nPlease click \"Next\" to proceed "
    "with the installation.";

namespace {

const char kExplainItems[] =
    "Items shown in black will be installed.\nDouble-click to toggle selection.";
const char kBrowseTitle[] = "Select Target Directory";
const char kPositionKey[] = "first";

// The hosts the tools can run on ("allhosts" is not one of them).
enum { kNumToolHosts = 5 };

Segment* PageAt(int row) {
    return row >= 0 && row < num_runtime_segments ? theRuntimeSegments[row] : nullptr;
}

bool Named(const Segment* page, const char* name) {
    return page && page->name && gen_stricmp(page->name, name) == 0;
}

const char* HostDescription(int host) {
    const Component* c = host >= 0 && host < kNumToolHosts ? installOptions.hosts[host] : nullptr;
    return c && c->description ? c->description : "";
}

unsigned long* RowColor(const Component* c) {
    return c->selected ? &black_pixel : &grey_pixel;
}

void ItHide(GItem* item) {
    item->setHidden(true);
    item->MapMe(0);
}

void DeleteAllRows(MScrollList* list) {
    int rows = mslGetRows(list);
    if (rows > 0) mslDeleteRows(list, 0, rows - 1);
}

// The list draws a tab as a character of its own; the summary indents with them.
std::string ExpandTabs(const char* text) {
    const int kTabWidth = 4;
    std::string expanded;
    int column = 0;
    for (const char* c = text ? text : ""; *c; c++) {
        if (*c == '\t') {
            int spaces = kTabWidth - column % kTabWidth;
            expanded.append(spaces, ' ');
            column += spaces;
        } else {
            expanded += *c;
            column = *c == '\n' ? 0 : column + 1;
        }
    }
    return expanded;
}

} // namespace

// ---- Pure rules ---------------------------------------------------------------------------

char* IntroductionText(const char* version) {
    if (!version || !*version) return gen_copy(kWelcomeText);
    return gen_concat3(version, "\n\n", kWelcomeText);
}

char* ToolDirForHost(const char* dir, const char* hostText, Component* const* hosts,
                     int* toolHost) {
    std::string text = dir ? dir : "";
    if (!text.empty() && text.back() == '/') text.pop_back();
    int chosen = -1;
    size_t cut = std::string::npos;
    for (int h = 0; h < kNumToolHosts; h++) {
        const Component* host = hosts[h];
        if (!host) continue;
        if (hostText && host->description && gen_stricmp(hostText, host->description) == 0)
            chosen = h;
        if (cut != std::string::npos || !host->name || !*host->name) continue;
        size_t at = text.find(host->name);
        if (at != std::string::npos && at + strlen(host->name) == text.size()) cut = at;
    }
    // A typed host text that names no host leaves both the host and the directory alone.
    if (chosen >= 0) {
        *toolHost = chosen;
        if (cut != std::string::npos) text = text.substr(0, cut) + hosts[chosen]->name;
    }
    return gen_copy(text.c_str());
}

// ---- Construction and going -----------------------------------------------------------------

MainWindow::MainWindow() {
    if (!window) return;
    theProgressView = this;
    tfSetAutoCompleteFunction(tfTargetDir, tf_AutoCompleteDir);
    initialize_mslSegments();
    InitializeText();
    installOptions.currentSegment = kNoSegment;
    SwitchSegments(0);
    btDimIt(bCancel, false, true);
    tvProgress->setVScroller(vsbProgress);
    tvProgress->setHScroller(hsbProgress);
    browser_ = new SimpleBrowser(tvProgress, false);
    browser_->setMargin(2);
    messageColor_ = WAllocateColor(0, 0, 65535);
    errorColor_ = WAllocateColor(65535, 0, 0);
    informationColor_ = WAllocateColor(0, 0, 0);
    colorsAllocated_ = true;
    WWindowShow(window->window);
}

MainWindow::~MainWindow() {
    if (theProgressView == this) theProgressView = nullptr;
    if (theMainWindow == this) theMainWindow = nullptr;
    delete browser_;
    if (colorsAllocated_ && WDrawInitDone()) {
        WFreeColor(messageColor_);
        WFreeColor(errorColor_);
        WFreeColor(informationColor_);
    }
}

void MainWindow::initialize_mslSegments() {
    num_runtime_segments = 0;
    for (Segment* page : theSegments) {
        if (!page || !page->enabled) continue;
        const char* texts[] = {page->name};
        mslAddLine(mslSegments, -1, nullptr, texts, 1, 0, nullptr);
        page->row = num_runtime_segments;
        theRuntimeSegments[num_runtime_segments++] = page;
    }
}

void MainWindow::InitializeText() {
    const InstallOptions& o = installOptions;
    char* text = IntroductionText(o.version);
    mslAddMsg(mslIntroduction, text);
    gen_free(text);
    for (int h = 0; h < kNumToolHosts; h++)
        if (o.hosts[h] && o.hosts[h]->available)
            pulldown_AddString(pdToolHost, o.hosts[h]->description, nullptr, nullptr);
    pulldown_SetString(pdToolHost, HostDescription(o.toolHost));
}

// ---- Moving between pages -----------------------------------------------------------------

void MainWindow::SwitchSegments(int target) {
    InstallOptions& o = installOptions;
    if (target == o.currentSegment) return;
    UpdateInstallOptions(o.currentSegment);
    WEventProcessSafeEvents(0);
    KeepingTargetTime(o.targetDir, [] { CheckSegments(installOptions.currentSegment); });

    const Segment* leaving = PageAt(o.currentSegment);
    // Going back to the start never asks: the user is not committing to anything.
    if (target != 0 && leaving) {
        for (Error* rule : o.errors) {
            if (!rule || rule->segment != leaving->index || !rule->failed) continue;
            if (rule->isQuestion && wYesNo(rule->text, 0, 0)) {
                rule->failed = false;
                continue;
            }
            o.requestedSegment = o.currentSegment;
            mslSelectRow(mslSegments, o.currentSegment);
            if (!rule->isQuestion) wAlert(rule->text, 0);
            return;
        }
    }

    const Segment* page = PageAt(target);
    if (!page) {
        o.requestedSegment = o.currentSegment;
        return;
    }
    UpdateGUI(target);
    cwSetActivationLevel(window, page->activationLevel);
    gtSetText(tCaption, page->name);
    o.currentSegment = o.requestedSegment = target;
    mslSelectRow(mslSegments, target);
    SetButtons();
    if (page->index == kSegSummary) CheckSpaceOnSummary();
}

void MainWindow::CheckSpaceOnSummary() {
    std::string problem = SpaceProblemForSelection();
    if (problem.empty()) return;
    btDimIt(bNext, true, true);
    wAlert(problem.c_str(), 0);
}

void MainWindow::SetButtons() {
    const Segment* page = PageAt(installOptions.currentSegment);
    btDimIt(bBack, page && page->index == kSegIntroduction, true);
    btChangeName(bNext, page && page->index == kSegSummary ? "Install" : "Next >", true);
    btDimIt(bNext, false, true);
}

void MainWindow::mslSegments_handleSelectionChanged() {
    InstallOptions& o = installOptions;
    int row = mslGetSelectedRow(mslSegments, 0);
    if (row == o.currentSegment) return;
    // A drag over the list would otherwise leave a page for every row it crosses; the
    // switch comes with the release. Rows a switch selects itself arrive here too.
    if (mslIsTrackingSelection(mslSegments) || !PageAt(row)) {
        if (PageAt(o.currentSegment)) mslSelectRow(mslSegments, o.currentSegment);
        return;
    }
    if (o.requestedSegment != o.currentSegment) return;
    o.requestedSegment = row;
    SwitchSegments(row);
}

void MainWindow::handle_bNext() {
    const Segment* page = PageAt(installOptions.currentSegment);
    if (page && page->index == kSegSummary) {
        InstallNow();
        return;
    }
    int row = mslGetSelectedRow(mslSegments, 1);
    if (row + 1 < mslGetRows(mslSegments)) mslSelectRow(mslSegments, row + 1);
}

void MainWindow::handle_bBack() {
    int row = mslGetSelectedRow(mslSegments, 1);
    if (row > 0) mslSelectRow(mslSegments, row - 1);
}

// ---- Filling a page ---------------------------------------------------------------------------

void MainWindow::UpdateGUI(int row) {
    InstallOptions& o = installOptions;
    const Segment* page = PageAt(row);
    if (!page) return;
    for (int i = bsCount(bsComponents) - 1; i >= 1; i--) bsDeleteButton(bsComponents, i, false);

    if (Named(page, "General")) {
        tfTargetDir->setValue(o.targetDir ? o.targetDir : "", true, false);
        pulldown_SetString(pdToolHost, HostDescription(o.toolHost));
        pulldown_SelectByName(pdToolHost, HostDescription(o.toolHost));
    }
    if (page->index == kSegInstallType) InitCheckboxes(kNumInstallTypes, o.types);
    if (Named(page, "Components")) InitCheckboxes(kNumContentKinds, o.components, false);
    if (Named(page, "Target Architecture")) InitTargetCheckboxes();
    if (page->index == kSegBoards || page->index == kSegAdditionalItems) {
        if (page->index == kSegBoards)
            InitMslComponents(o.numBSPs, o.bsps.data());
        else
            InitMslComponents(o.numAddons, o.addons.data());
        gtSetText(tExplainComponentSelection, kExplainItems);
    }
    if (Named(page, "Summary")) {
        DeleteAllRows(mslSummary);
        char* summary = o.CreateInstallSummary();
        mslAddMsg(mslSummary, ExpandTabs(summary).c_str());
        gen_free(summary);
    }
}

namespace {
// Box `index` of the set shows `c`: the first box is renamed, later ones are added.
void ShowCheckbox(ButtonSet* set, int index, const Component* c) {
    if (index == 0)
        bsChangeName(set, 0, c->description, false);
    else
        bsAddButton(set, c->description, nullptr, nullptr, nullptr, nullptr, nullptr);
    Button* box = bsBtFIndex(set, index);
    if (box && btIsItSet(box) != c->selected) bsToggleButton(set, index);
}
} // namespace

void MainWindow::InitCheckboxes(int count, Component** set, bool honourHidden) {
    int shown = 0;
    for (int i = 0; i < count; i++) {
        const Component* c = set[i];
        if (!c || !c->available || (honourHidden && c->hidden)) continue;
        ShowCheckbox(bsComponents, shown++, c);
    }
}

void MainWindow::InitTargetCheckboxes() {
    const InstallOptions& o = installOptions;
    int shown = 0;
    for (int t = 0; t < kAllTargets; t++) {
        const Component* c = o.targets[t];
        if (!c || !c->available || !TargetShownForHost(t, o.toolHost)) continue;
        ShowCheckbox(bsComponents, shown++, c);
    }
}

void MainWindow::InitMslComponents(int count, Component** set) {
    mslSetNoSelectionColor(mslComponents, 1);
    DeleteAllRows(mslComponents);
    for (int i = 0; i < count; i++) {
        const Component* c = set[i];
        if (!c || c->hidden) continue;
        const char* texts[] = {c->description};
        mslAddLine(mslComponents, -1, nullptr, texts, 1, 0, RowColor(c));
    }
    installOptions.shownSet = set;
    installOptions.shownSetCount = count;
}

void MainWindow::mslComponents_handleDoubleClick(int row, int, int, xinLibSt*) {
    InstallOptions& o = installOptions;
    const char* cell = mslGetCell(mslComponents, row, 0);
    if (!cell || !o.shownSet) return;
    std::string label = cell;
    // Every item of that description, not only the first: they are one row to the user.
    for (int i = 0; i < o.shownSetCount; i++) {
        Component* c = o.shownSet[i];
        if (!c || !c->description || gen_stricmp(c->description, label.c_str()) != 0) continue;
        c->selected = !c->selected;
        mslSetRowColor(mslComponents, row, RowColor(c));
    }
}

// ---- Storing a page ---------------------------------------------------------------------------

void MainWindow::UpdateInstallOptions(int row) {
    InstallOptions& o = installOptions;
    const Segment* page = PageAt(row);
    if (!page) return;
    switch (page->index) {
    case kSegGeneral: {
        char* typed = tfTargetDir->getValue();
        char* dir = gen_expand_filename(typed);
        size_t length = strlen(dir);
        if (length > 1 && dir[length - 1] == '/') dir[length - 1] = '\0';
        gen_free(o.targetDir);
        o.targetDir = dir;
        gen_free(typed);
        break;
    }
    case kSegInstallType:
        UpdateFromCheckboxes(kNumInstallTypes, o.types);
        break;
    case kSegComponents:
        UpdateFromCheckboxes(kNumContentKinds, o.components);
        break;
    case kSegTargetArchitecture:
        UpdateFromCheckboxes(kAllTargets, o.targets);
        break;
    case kSegBoards:
    case kSegAdditionalItems:
        UpdateFromMslComponents();
        break;
    default:
        break;
    }
    // Leaving the page again must check it again: the user may have fixed, or broken, it.
    for (Error* rule : o.errors)
        if (rule && rule->segment == page->index) rule->checked = false;
}

void MainWindow::UpdateFromCheckboxes(int count, Component** set) {
    for (int i = 0; i < count; i++) {
        Component* c = set[i];
        if (!c || !c->available) continue;
        Button* box = bsBtFName(bsComponents, c->description);
        if (box) c->selected = btIsItSet(box);
    }
}

// ---- The General page's controls ----------------------------------------------------------

void MainWindow::handle_tfTargetDir(xinLibSt*) {}

void MainWindow::pdToolHost_changedSelection(int) {
    GetToolDirFromGUI();
}

void MainWindow::GetToolDirFromGUI() {
    char* typed = tfTargetDir->getValue();
    char* hostText = pulldown_GetValue(pdToolHost);
    char* dir = ToolDirForHost(typed, hostText, installOptions.hosts, &installOptions.toolHost);
    tfTargetDir->setValue(dir, true, false);
    gen_free(dir);
    gen_free(hostText);
    gen_free(typed);
}

void MainWindow::handle_bTargetDirBrowse() {
    char* typed = tfTargetDir->getValue();
    DirectoryChooser chooser(kBrowseTitle, nullptr);
    chooser.setRoot(*typed ? typed : "/");
    chooser.run();
    // The chooser is modal, so the window (and the field) outlive it.
    if (chooser.getSelectedDir() && tfTargetDir)
        tfTargetDir->setValue(chooser.getSelectedDir(), true, false);
    gen_free(typed);
}

// ---- Installing and closing -------------------------------------------------------------------

void MainWindow::InstallNow() {
    InstallOptions& o = installOptions;
    if (!RecordAnswers()) return;
    if (o.recordOnly && o.recordAnswersFile) {
        recordedOnly_ = true;
        EndProgram(0);
        return;
    }
    o.installStarted = true;
    ItHide(mslSegments);
    ItHide(tCaption);
    btDimIt(bBack, true, true);
    btDimIt(bNext, true, true);
    cwSetActivationLevel(window, kInstallLevel);
    int status = DoInstall(nullptr, 0);
    // A termination signal cancelled the run without asking, and ends the program with it.
    // Otherwise nothing more here: closing the window after a cancel may have released
    // this object.
    if (status > 128) EndProgram(status);
}

bool MainWindow::RecordAnswers() {
    const InstallOptions& o = installOptions;
    if (!o.recordAnswersFile) return true;
    // The unattended run refuses such answers: the user must choose again, here.
    std::string outside = ItemOutsideChosenTargets(nullptr);
    if (!outside.empty()) {
        wAlert(("The answers cannot be recorded: " + outside + ".").c_str(), 0);
        return false;
    }
    std::string problem;
    if (WriteAnswerFile(o.recordAnswersFile, &problem)) return true;
    wAlert(problem.c_str(), 0);
    return !o.recordOnly; // without the file there is nothing to end for
}

void MainWindow::EndProgram(int status) {
    installOptions.exitStatus = status;
    closing = true;
    cwDestroy(window); // may release this object
}

bool MainWindow::isCloseAllowed() {
    InstallOptions& o = installOptions;
    if (window) SettingsManager::get()->saveWindowPosition(window, kPositionKey);
    if (recordedOnly_) return true;
    if (!o.installStarted) return VerifyCancelInstall();
    if (o.installFinished || o.cancelled) {
        closing = true;
        return true;
    }
    // The run goes on either way: a yes only asks the engine to stop at its next step.
    if (!o.cancelRequested) VerifyCancelInstall();
    return false;
}

void MainWindow::handle_bCancel() {
    closing = true;
    // Refused: the object and its window both stay, and a later close starts afresh.
    if (!cwDestroy(window)) closing = false;
}

void MainWindow::ChangeCancelToDone() {
    if (NoMoreWindows() || !bCancel) return;
    btChangeName(bCancel, "Finish", true);
    btDimIt(bCancel, false, true);
}

// ---- The progress view ------------------------------------------------------------------------

int MainWindow::Display(const char* text, unsigned long pixel) {
    // Every line is printed as well, so that the run can be followed from the terminal.
    printf("%s\n", text ? text : "");
    fflush(stdout);
    if (!browser_ || !tvProgress) return 0;
    // Child output mostly comes in whole lines; their own line end is the one added here.
    int length = text ? (int)strlen(text) : 0;
    if (length > 0 && text[length - 1] == '\n') length--;
    int line = linesShown_ + 1;
    linesShown_ += 1 + (int)std::count(text, text + length, '\n');
    if (length > 0) browser_->addColoredText(text, pixel, static_cast<unsigned long>(-1), length);
    browser_->addJustLineBreak();
    tvProgress->scrollToLine(tvProgress->getLineCount(), false);
    WEventProcessSafeEvents(0);
    return line;
}

void MainWindow::DisplayError(const char* text) {
    Display(text, errorColor_);
}

void MainWindow::DisplayMessage(const char* text) {
    Display(text, messageColor_);
}

void MainWindow::DisplayInformation(const char* text) {
    Display(text, informationColor_);
}

void MainWindow::DisplayArchive(const ArchiveProgress& progress) {
    std::string text = std::string("Expanding: ") + progress.archive;
    archiveLines_[progress.number] = Display(text.c_str(), messageColor_);
}

void MainWindow::Alert(const char* text) {
    wAlert(text, 0);
}

bool MainWindow::AskRollback() {
    return wYesNo("Remove the files this installation has written?", 1, 0);
}

void MainWindow::MarkArchiveFailed(int number) {
    auto line = archiveLines_.find(number);
    if (browser_ && line != archiveLines_.end() && line->second > 0)
        browser_->changeForegroundColor(line->second, line->second, errorColor_, false);
}
