// The directory chooser: a modal dialog in which the user walks the directory tree (a click
// on a directory moves into it, Up moves out, typing a directory's path moves there at
// once) and picks the directory shown in the path field. The caller creates it, sets the
// root, runs it and reads getSelectedDir. The list of a directory is built a few names at
// a time from the idle pass of the event loop, so large directories do not stall the
// dialog. Start with setRoot and buildList.
#pragma once

#include "shared/libcxxutil/ut_idle.h"
#include "windlib/dialog/dirdialog_gui.h"
#include "windlib/mhandle.h"

class DirectoryChooser : public DirectoryChooser_GUI, public Idler {
public:
    // Names handled per idle call while a list is built.
    enum { kNamesPerSlice = 5 };

    // `prompt` replaces "Choose Directory:" above the path field when not null. The root
    // starts at "/"; version-control directories are hidden and files are not shown.
    DirectoryChooser(const char* title, const char* prompt);
    ~DirectoryChooser() override;

    // Expands `path` as a file name and makes it the root when it differs; while the
    // dialog is open the path field shows it, the list is rebuilt and Up is dimmed exactly
    // at "/". `path` must not be null.
    void setRoot(const char* path);
    const char* getRoot() const { return root_; }
    // The directory chosen with OK (the path field's text), or null after Cancel. Owned by
    // the chooser.
    const char* getSelectedDir() const { return selected_; }
    void setVCDirsVisible(bool visible);
    void setAllFilesVisible(bool visible);
    // True while the list of the root is being built.
    bool isBuilding() const { return building_; }

    // Shows the dialog modally. In batch mode and without a display it answers Cancel at
    // once; NeverEverShowADialog ends the program. The dialog's result (1 after OK).
    int run() override;

    // One slice of the list: the next kNamesPerSlice names of the root.
    void handleIdle(IdleNotifier* notifier) override;

protected:
    void setupDialog() override;
    void cleanupDialog() override;
    void handle_bs_okcancel(int index) override;
    void handle_bsUpdir() override;
    void handle_bsControls() override;
    void msl_dirlist_handleSingleClick(int row, int column, int clicks, xinLibSt* event) override;
    void tfParentDir_handlePostEvent(xinLibSt* event) override;

private:
    void buildList();
    void stopBuilding();
    void addName(const char* name);
    void showRoot();
    void setStatus(const char* text);

    char* root_;
    char* prompt_;
    char* selected_ = nullptr;
    bool open_ = false;
    bool building_ = false;
    bool hideVCDirs_ = true;
    bool showAllFiles_ = false;
    char** names_ = nullptr; // the root's entries being listed, sorted
    int numNames_ = 0;
    int nextName_ = 0;
    int dirRows_ = 0; // directories are listed first, files after them
    mHandle* awake_ = nullptr;
};

// True for the directories version control keeps its data in ("CVS", ".git"...).
bool IsVersionControlDir(const char* name);
