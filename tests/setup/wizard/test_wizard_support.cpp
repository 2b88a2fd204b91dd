// The wizard driver (see test_wizard_support.h). Input goes through xdotool in the order
// the tests give it and the program reads it in that order, so a test waits only where the
// program answers with something new: a window, a dialog or a line of output.
#include "tests/setup/wizard/test_wizard_support.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "setup/wizard/setup_mainwindow_gui.h"
#include "shared/indgen.h"
#include "support/dist_fixture.h"
#include "support/run_program.h"
#include "support/xvfb_fixture.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/config/config_options.h"
#include "windlib/msl/mscrolllist.h"
#include "windlib/msl/msl_draw.h"
#include "windlib/wabout.h"
#include "windlib/wstartup.h"
#include "windlib/wutility.h"
#include "windlib/x11/xdrawlib.h"

const char kWizardTitle[] = "^Veltrane Software Setup$";
const char kQuestionTitle[] = "^ORBIT$";
const char kAlertTitle[] = "^Veltrane Installer( |$)";

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Capture(const std::vector<std::string>& args) {
    ProgramOptions options;
    options.extraEnv.push_back("DISPLAY=" + SharedXvfb().display());
    options.timeoutSeconds = 20;
    return RunProgram(args, options).out;
}

WizardLayout Measure() {
    WizardLayout layout;
    gen_init("setup_tests", 0, 0);
    abReset();
    abSetup("Veltrane Installer", "Installation", "About the Veltrane Installer", nullptr);
    std::vector<std::string> words = {"setup_tests", "-display", SharedXvfb().display()};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    int argc = (int)words.size();
    init_prior_to_gui(&argc, argv.data());
    // The geometry register stays with its service switch on: this process must neither
    // read nor write the user's window positions.
    if (!WGUIInit(&argc, argv.data(), nullptr, false, false, 20003)) return layout;
    cfg_SetEverythingToDefaults();
    MainWindow_GUI* gui = new MainWindow_GUI;
    if (ColWind* w = gui->window) {
        for (size_t i = 1; i < w->widgets.size(); i++) {
            const GItem* item = w->widgets[i].item;
            if (item && item->name)
                layout.items[item->name] = {item->x, item->y, item->width, item->height};
        }
        for (MScrollList* list :
             {gui->mslSegments, gui->mslIntroduction, gui->mslComponents, gui->mslSummary})
            layout.firstRow[list->name] = list->view.y;
        layout.rowHeight = MslRowHeight(gui->mslSegments);
        ButtonSet* boxes = gui->bsComponents;
        bsAddButton(boxes, "b", nullptr, nullptr, nullptr, nullptr, nullptr);
        const Button* first = bsBtFIndex(boxes, 0);
        layout.firstBox = {first->x, first->y, first->width, first->height};
        layout.boxPitch = bsBtFIndex(boxes, 1)->y - first->y;
    }
    delete gui;
    WDrawExit();
    WGUIDestroy();
    return layout;
}

} // namespace

WizardRect WizardLayout::at(const std::string& name) const {
    auto found = items.find(name);
    return found == items.end() ? WizardRect() : found->second;
}

const WizardLayout& TheWizardLayout() {
    static WizardLayout layout = Measure();
    return layout;
}

// ---- The program -----------------------------------------------------------------------------

WizardRun::WizardRun(const std::vector<std::string>& args, const std::string& home) {
    char out[] = "/tmp/vt_wizard_out_XXXXXX";
    char err[] = "/tmp/vt_wizard_err_XXXXXX";
    int outFd = mkstemp(out), errFd = mkstemp(err);
    outPath_ = out, errPath_ = err;
    std::string display = SharedXvfb().display();
    pid_ = fork();
    if (pid_ == 0) {
        dup2(outFd, 1);
        dup2(errFd, 2);
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        setpgid(0, 0);
        if (chdir(home.c_str()) != 0) _exit(126);
        setenv("HOME", home.c_str(), 1);
        setenv("DISPLAY", display.c_str(), 1);
        unsetenv("XENVIRONMENT");
        std::vector<std::string> words = {SetupProgram()};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outFd);
    close(errFd);
}

WizardRun::~WizardRun() {
    if (running()) {
        kill(-pid_, SIGKILL); // the program and whatever it started
        wait(5000);
    }
    unlink(outPath_.c_str());
    unlink(errPath_.c_str());
}

std::string WizardRun::out() const {
    return ReadAll(outPath_);
}

std::string WizardRun::err() const {
    return ReadAll(errPath_);
}

bool WizardRun::running() {
    if (pid_ <= 0 || status_ >= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

int WizardRun::wait(int timeoutMs) {
    WaitFor([this] { return !running(); }, timeoutMs);
    return status_;
}

bool WizardRun::waitForWindow() {
    window_ = WaitForShownWindow(kWizardTitle);
    return window_ != 0;
}

bool WizardRun::waitForOutput(const std::string& text, int timeoutMs) {
    return WaitFor([&] { return out().find(text) != std::string::npos; }, timeoutMs);
}

void WizardRun::click(const std::string& item, int dx, int dy) {
    WizardRect r = TheWizardLayout().at(item);
    int x = r.x + (dx < 0 ? r.width / 2 : dx), y = r.y + (dy < 0 ? r.height / 2 : dy);
    Xdo({"mousemove", "--window", std::to_string(window_), std::to_string(x), std::to_string(y),
         "click", "1"});
}

void WizardRun::rowPoint(const std::string& list, int row, int* x, int* y) const {
    const WizardLayout& layout = TheWizardLayout();
    *x = layout.at(list).x + 30;
    *y = layout.firstRow.at(list) + row * layout.rowHeight + layout.rowHeight / 2;
}

void WizardRun::clickRow(const std::string& list, int row) {
    int x = 0, y = 0;
    rowPoint(list, row, &x, &y);
    Xdo({"mousemove", "--window", std::to_string(window_), std::to_string(x), std::to_string(y),
         "click", "1"});
}

void WizardRun::doubleClickRow(const std::string& list, int row) {
    int x = 0, y = 0;
    rowPoint(list, row, &x, &y);
    // Well inside the double-click interval (clickpause x 100 ms).
    Xdo({"mousemove", "--window", std::to_string(window_), std::to_string(x), std::to_string(y),
         "click", "--repeat", "2", "--delay", "60", "1"});
}

void WizardRun::clickBox(int index) {
    const WizardLayout& layout = TheWizardLayout();
    WizardRect box = layout.firstBox;
    Xdo({"mousemove", "--window", std::to_string(window_), std::to_string(box.x + 8),
         std::to_string(box.y + index * layout.boxPitch + box.height / 2), "click", "1"});
}

void WizardRun::dragRows(const std::string& list, int from, int to) {
    std::vector<std::string> args;
    for (int row = from;; row += from < to ? 1 : -1) {
        int x = 0, y = 0;
        rowPoint(list, row, &x, &y);
        args.insert(args.end(), {"mousemove", "--window", std::to_string(window_),
                                 std::to_string(x), std::to_string(y)});
        if (row == from) args.insert(args.end(), {"mousedown", "1"});
        if (row == to) break;
    }
    args.insert(args.end(), {"mouseup", "1"});
    Xdo(args);
}

void WizardRun::typeTargetDir(const std::string& text) {
    click("tfTargetDir");
    Xdo({"key", "ctrl+a", "BackSpace"});
    if (text.empty()) return;
    Xdo({"type", "--delay", "5", text});
    // A directory-name completion the field proposed is selected text: drop it.
    Xdo({"key", "Delete"});
}

// ---- The server ------------------------------------------------------------------------------

int Xdo(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProgramOptions options;
    options.extraEnv.push_back("DISPLAY=" + SharedXvfb().display());
    options.timeoutSeconds = 20;
    return RunProgram(argv, options).status;
}

unsigned long WaitForShownWindow(const std::string& title, int timeoutMs) {
    unsigned long id = 0;
    WaitFor(
        [&] {
            std::istringstream ids(
                Capture({"xdotool", "search", "--onlyvisible", "--name", title}));
            std::string line;
            if (std::getline(ids, line) && !line.empty()) id = std::stoul(line);
            return id != 0;
        },
        timeoutMs);
    return id;
}

bool AnswerDialog(unsigned long dialog, const std::string& key) {
    std::string id = std::to_string(dialog);
    Xdo({"windowfocus", "--sync", id});
    Xdo({"key", key});
    return WaitFor(
        [&] {
            ProgramOptions options;
            options.extraEnv.push_back("DISPLAY=" + SharedXvfb().display());
            return RunProgram({"xdotool", "getwindowname", id}, options).status != 0;
        },
        20000);
}

int CountPixels(unsigned long window, const WizardRect& area, unsigned long rgb) {
    Display* d = XOpenDisplay(SharedXvfb().display().c_str());
    if (!d) return -1;
    XImage* image =
        XGetImage(d, window, area.x, area.y, area.width, area.height, AllPlanes, ZPixmap);
    int count = image ? 0 : -1;
    // Screen 0 is 24-bit TrueColor: a pixel is its 0xRRGGBB.
    for (int y = 0; image && y < area.height; y++)
        for (int x = 0; x < area.width; x++) count += XGetPixel(image, x, y) == rgb;
    if (image) XDestroyImage(image);
    XCloseDisplay(d);
    return count;
}

std::vector<pid_t> ChildrenOf(pid_t parent) {
    std::vector<pid_t> children;
    DIR* proc = opendir("/proc");
    while (proc) {
        dirent* entry = readdir(proc);
        if (!entry) break;
        pid_t pid = (pid_t)atoi(entry->d_name);
        if (pid <= 0) continue;
        std::string stat = ReadAll("/proc/" + std::string(entry->d_name) + "/stat");
        size_t end = stat.rfind(')');
        if (end == std::string::npos) continue;
        char state = 0;
        int ppid = 0;
        if (sscanf(stat.c_str() + end + 1, " %c %d", &state, &ppid) == 2 && ppid == parent)
            children.push_back(pid);
    }
    if (proc) closedir(proc);
    return children;
}

void WizardProgramTest::SetUp() {
    ASSERT_TRUE(SharedXvfb().ok()) << "Xvfb did not start";
    ASSERT_GT(TheWizardLayout().rowHeight, 0) << "the window could not be measured";
    ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(util.c_str(), 0755), 0);
    ASSERT_EQ(symlink(FindOnPath("gzip").c_str(), (util + "/gzip").c_str()), 0);
}
