// The directory chooser's behaviour (see dirdialog.h). The list is rebuilt whenever the
// root changes: the names are read and sorted at once, and the idle slices then insert the
// directories (in name order, ahead of the files) and, when asked for, the files.
#include "windlib/dialog/dirdialog.h"

#include <algorithm>
#include <cstring>

#include "shared/gen_dircursor.h"
#include "shared/gen_filenames.h"
#include "shared/gen_fileops.h"
#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/button/wtextfield.h"
#include "windlib/config/config_tables.h"
#include "windlib/dialog/wbusycursor.h"
#include "windlib/dialog/wdialog.h"
#include "windlib/dialog/wstatusbox.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/window/gstatictext.h"
#include "windlib/wtimer.h"

namespace {

const char* const kVersionControlDirs[] = {"CVS", "RCS", "SCCS", ".svn", ".git", ".hg"};
static_assert(sizeof kVersionControlDirs / sizeof kVersionControlDirs[0] == 6,
              "six version-control directory names");

// The expanded path without trailing slashes ("/" stays). A new string.
char* CanonicalRoot(const char* path) {
    char* expanded = gen_expand_filename(path);
    size_t length = strlen(expanded);
    while (length > 1 && expanded[length - 1] == '/') expanded[--length] = '\0';
    return expanded;
}

int KeepAwake(void*, int) {
    return 0;
}

} // namespace

bool IsVersionControlDir(const char* name) {
    for (const char* vc : kVersionControlDirs)
        if (strcmp(name, vc) == 0) return true;
    return false;
}

DirectoryChooser::DirectoryChooser(const char* title, const char* prompt)
    : DirectoryChooser_GUI(title), root_(gen_copy("/")),
      prompt_(prompt ? gen_copy(prompt) : nullptr) {}

DirectoryChooser::~DirectoryChooser() {
    stopBuilding();
    gen_free(root_);
    gen_free(prompt_);
    gen_free(selected_);
}

void DirectoryChooser::setRoot(const char* path) {
    __Assert(path != nullptr, "root != NULL", __FILE__, __LINE__, 0);
    char* expanded = CanonicalRoot(path);
    if (strcmp(expanded, root_) == 0) {
        gen_free(expanded);
        return;
    }
    gen_free(root_);
    root_ = expanded;
    if (!open_) return;
    showRoot();
    buildList();
}

void DirectoryChooser::showRoot() {
    // What the user typed stays when it names the root already ("/usr/", "~/src").
    char* typed = tfParentDir->getTypedValue();
    char* named = *typed ? CanonicalRoot(typed) : nullptr;
    if (!named || strcmp(named, root_) != 0) tfParentDir->setValue(root_, true, true);
    gen_free(named);
    gen_free(typed);
    btDimIt(bsBtFIndex(bsUpdir, 0), strcmp(root_, "/") == 0, true);
}

void DirectoryChooser::setStatus(const char* text) {
    if (status) status->setText(text);
}

void DirectoryChooser::setVCDirsVisible(bool visible) {
    if (hideVCDirs_ == !visible) return;
    hideVCDirs_ = !visible;
    if (open_) buildList();
}

void DirectoryChooser::setAllFilesVisible(bool visible) {
    if (showAllFiles_ == visible) return;
    showAllFiles_ = visible;
    if (!open_) return;
    btSetIt(bsBtFIndex(bsControls, 0), showAllFiles_);
    buildList();
}

int DirectoryChooser::run() {
    gen_free(selected_);
    selected_ = nullptr;
    DialogRefuseIfForbidden(getTitle());
    if (DialogBatchMode() || DialogNoDisplay()) return 0;
    return DirectoryChooser_GUI::run();
}

void DirectoryChooser::setupDialog() {
    open_ = true;
    tfSetAutoCompleteFunction(tfParentDir, tf_AutoCompleteDir);
    if (prompt_) gtSetText(t_prompt, prompt_);
    btSetIt(bsBtFIndex(bsControls, 0), showAllFiles_);
    showRoot();
    buildList();
}

void DirectoryChooser::cleanupDialog() {
    stopBuilding();
    open_ = false;
}

// ---- Building the list ---------------------------------------------------------------

void DirectoryChooser::buildList() {
    stopBuilding();
    int rows = mslGetRows(msl_dirlist);
    if (rows > 0) mslDeleteRows(msl_dirlist, 0, rows - 1);
    char** names = nullptr;
    int count = gen_read_directory(root_, &names);
    if (count == 0) {
        char* text =
            gen_asprintf(gen_isdir(root_) ? "Cannot read: [%s]" : "Not a directory: [%s]", root_);
        setStatus(text);
        gen_free(text);
        return;
    }
    // "." and ".." lead nowhere new (Up goes to the parent): they are left out at once.
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (strcmp(names[i], ".") == 0 || strcmp(names[i], "..") == 0)
            gen_free(names[i]);
        else
            names[kept++] = names[i];
    }
    names[kept] = nullptr;
    std::sort(names, names + kept, [](const char* a, const char* b) { return strcmp(a, b) < 0; });
    names_ = names;
    numNames_ = kept;
    nextName_ = 0;
    dirRows_ = 0;
    building_ = true;
    setStatus("Reading directory...");
    WBusyCursorOn();
    getIdleNotifier()->addIdleListener(this);
    // The slices run between events; background work keeps the loop from sleeping
    // between them while there are none.
    awake_ = ExtraProcess_Create(kExtraBackground, 0, KeepAwake, nullptr, nullptr);
}

void DirectoryChooser::handleIdle(IdleNotifier*) {
    if (!building_) return;
    for (int done = 0; done < kNamesPerSlice && nextName_ < numNames_; ++done)
        addName(names_[nextName_++]);
    if (nextName_ < numNames_) return;
    setStatus("done.");
    stopBuilding();
}

void DirectoryChooser::addName(const char* name) {
    char* path = gen_sconcat(root_, name);
    bool isDir = gen_isdir(path);
    gen_free(path);
    const char* const cells[] = {name};
    if (isDir) {
        if (hideVCDirs_ && IsVersionControlDir(name)) return;
        mslAddLine(msl_dirlist, dirRows_++, nullptr, cells, 1, 0, &cfg_keyword_pixel);
    } else if (showAllFiles_) {
        mslAddLine(msl_dirlist, -1, nullptr, cells, 1, 0, &cfg_deadcode_pixel);
    }
}

void DirectoryChooser::stopBuilding() {
    if (building_) {
        building_ = false;
        WBusyCursorOff();
        if (IdleNotifier* notifier = getIdleNotifier()) notifier->removeIdleListener(this);
        ExtraProcess_Kill(awake_, 1);
        MHandleDestroy(awake_);
        awake_ = nullptr;
    }
    for (int i = 0; i < numNames_; ++i) gen_free(names_[i]);
    gen_free(names_);
    names_ = nullptr;
    numNames_ = nextName_ = 0;
}

// ---- The user's moves ------------------------------------------------------------------

void DirectoryChooser::handle_bs_okcancel(int index) {
    gen_free(selected_);
    selected_ = index == kOk ? tfParentDir->getValue() : nullptr;
    endDialog(index == kOk ? 1 : 0);
}

void DirectoryChooser::handle_bsUpdir() {
    char* parent = gen_sconcat(root_, "..");
    setRoot(parent);
    gen_free(parent);
}

void DirectoryChooser::handle_bsControls() {
    setAllFilesVisible(!showAllFiles_);
}

void DirectoryChooser::msl_dirlist_handleSingleClick(int row, int, int, xinLibSt*) {
    const char* name = mslGetCell(msl_dirlist, row, 0);
    if (!name) return;
    char* path = gen_sconcat(root_, name);
    if (gen_isdir(path)) setRoot(path);
    gen_free(path);
}

void DirectoryChooser::tfParentDir_handlePostEvent(xinLibSt* event) {
    if (event->kind != kXinKey) return;
    setStatus("");
    char* typed = tfParentDir->getTypedValue();
    if (*typed) {
        char* candidate = CanonicalRoot(typed);
        if (strcmp(candidate, root_) != 0 && gen_isdir(candidate)) setRoot(candidate);
        gen_free(candidate);
    }
    gen_free(typed);
}
