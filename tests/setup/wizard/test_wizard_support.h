// Driving the real installer's wizard for the end-to-end tests: the program runs under the
// test's Xvfb with a HOME of its own, and the tests press its buttons, type and double-click
// with xdotool. The toolkit draws its widgets inside one X window, so where they are comes
// from building the window's generated part in this process on the same server
// (WizardLayout). Start with WizardRun.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

struct WizardRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The widgets of the wizard's window by name, laid out as the program lays them out.
struct WizardLayout {
    std::map<std::string, WizardRect> items;
    int rowHeight = 0;                   // of every scroll list (they share a font)
    std::map<std::string, int> firstRow; // per list: the top of its first row
    WizardRect firstBox;                 // the page's first check box
    int boxPitch = 0;                    // from one check box to the next

    WizardRect at(const std::string& name) const;
};

// Measured on first use (the toolkit comes up in this process and goes again).
const WizardLayout& TheWizardLayout();

// One run of bin/setup under the shared Xvfb, with `home` as its HOME and working directory;
// standard output and standard error go to separate files. Killed when the object goes.
class WizardRun {
public:
    WizardRun(const std::vector<std::string>& args, const std::string& home);
    ~WizardRun();
    WizardRun(const WizardRun&) = delete;
    WizardRun& operator=(const WizardRun&) = delete;

    pid_t pid() const { return pid_; }
    std::string out() const;
    std::string err() const;
    bool running();
    // The exit status once the program has ended within the time, else -1.
    int wait(int timeoutMs = 20000);
    // Waits for the wizard's window to be shown; false when it never was.
    bool waitForWindow();
    // Waits until standard output contains `text`.
    bool waitForOutput(const std::string& text, int timeoutMs = 30000);
    unsigned long window() const { return window_; }

    // Real input into the wizard's window, at a point of a widget (its centre by default).
    void click(const std::string& item, int dx = -1, int dy = -1);
    void clickRow(const std::string& list, int row);
    void doubleClickRow(const std::string& list, int row);
    // Presses on row `from`, moves over every row up to `to` and releases there.
    void dragRows(const std::string& list, int from, int to);
    // Toggles the page's check box `index`.
    void clickBox(int index);
    // Clears the target-directory field and types `text` into it.
    void typeTargetDir(const std::string& text);
    void next() { click("bNext"); }
    void cancel() { click("bCancel"); }

private:
    void rowPoint(const std::string& list, int row, int* x, int* y) const;

    pid_t pid_ = -1;
    int status_ = -1;
    std::string outPath_, errPath_;
    unsigned long window_ = 0;
};

// xdotool with DISPLAY set to the shared server; its exit status.
int Xdo(const std::vector<std::string>& args);
// The id of a shown window whose title matches the extended regular expression `title` once
// there is one, else 0.
unsigned long WaitForShownWindow(const std::string& title, int timeoutMs = 20000);
// The titles of the wizard's window, its questions and its alerts (the about box's program
// line: name and version).
extern const char kWizardTitle[];
extern const char kQuestionTitle[];
extern const char kAlertTitle[];
// Gives the dialog the keyboard and presses `key` in it ("Return", "Escape"), then waits
// until it is gone.
bool AnswerDialog(unsigned long dialog, const std::string& key);
// Counts the pixels of exactly the colour `rgb` (0xRRGGBB) inside a rectangle of a window.
int CountPixels(unsigned long window, const WizardRect& area, unsigned long rgb);
// The processes whose parent is `parent`.
std::vector<pid_t> ChildrenOf(pid_t parent);

// A wizard test's set-up: the server is up and the window measured; the program's home and
// a utilities directory holding gzip are made in a scratch directory of the test's own.
class WizardProgramTest : public testing::Test {
protected:
    void SetUp() override;

    ScopedTempDir tmp;
    std::string home = tmp / "home", util = tmp / "util", target = tmp / "target";
};
