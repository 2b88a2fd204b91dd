// The window geometry register on a real 1280 x 1024 X server with a private configuration
// directory: windows open where windowpos.ini says, later ones cascade, a moved first window
// is written back at exit and an unmoved one leaves the file untouched; a simulated window
// manager frame; and a window that is gone before it reports.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "shared/gen_strings.h"
#include "support/temp_dir.h"
#include "support/toolkit_fixture.h"
#include "support/wm_delete.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/config_tables.h"
#include "windlib/window/wcolwind.h"
#include "windlib/window/windowconfig.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xerrors.h"
#include "windlib/x11/xwindow.h"

namespace {

const char kEntry[] = "[MainWindow]\nx=10\ny=20\nwidth=577\nheight=417\n\n";

std::string Text(int x, int y, int width, int height) {
    return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
           std::to_string(height);
}

std::string GeometryOf(Window w) {
    int x, y, width, height;
    return WWindowGetGeometry(w, &x, &y, &width, &height) ? Text(x, y, width, height) : "gone";
}

// The shared server is 1024 wide; the pull-back rule is checked on a 1280-wide screen.
const std::string& WideDisplay() {
    static XvfbServer* server = new XvfbServer("1280x1024x24");
    static const bool registered = atexit([] { server->stop(); }) == 0;
    static const std::string none;
    (void)registered;
    return server->ok() ? server->display() : none;
}

int ReportGeometry(ColWind* w) {
    WindowConfig_DestroyWindow(static_cast<const char*>(w->user), w->window);
    return any_cleanup(w);
}

class WindowGeometryTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_FALSE(WideDisplay().empty()) << "no 1280-wide Xvfb";
        setenv("HOME", home_.path().c_str(), 1);
        cfg_SetUserConfigDir((home_ / ".vtx").c_str());
    }
    void TearDown() override {
        WindowConfig_Exit();
        ToolkitTest::TearDown();
        gen_strchange(&cfg_geometry, nullptr); // the configuration outlives the toolkit
    }
    // The file as an earlier run left it, dated in the past so that a rewrite shows.
    void WriteIni(const std::string& text) {
        ASSERT_EQ(ShellStatus("mkdir -p " + home_ / ".vtx"), 0);
        WriteFile(ini_, text);
        struct utimbuf old = {1000000000, 1000000000};
        utime(ini_.c_str(), &old);
    }
    bool Rewritten() {
        struct stat s;
        return stat(ini_.c_str(), &s) != 0 || s.st_mtime != 1000000000;
    }
    void Start(const std::vector<std::string>& options = {}) {
        std::vector<std::string> all = {"-ZMRUService"};
        all.insert(all.end(), options.begin(), options.end());
        ASSERT_TRUE(StartToolkit(WideDisplay(), all));
        WindowConfig_Init(); // a no-op once start-up has read the file itself
    }
    ColWind* Open(const char* name, int* placed = nullptr) {
        ColWind* w = cwxCreatexy(300, 200, 0, "Geometry", nullptr, ReportGeometry, nullptr, -1, -1,
                                 "ORBITPIC");
        w->user = const_cast<char*>(name);
        int result = WindowConfig_CreateWindow(name, w->window, false, false);
        if (placed) *placed = result;
        WWindowShow(w->window);
        Settle();
        return w;
    }
    // What a window manager does for the user who drags the window.
    void MoveByHand(ColWind* w, int x, int y) {
        RunOnDisplay(WideDisplay(), {"xdotool", "windowmove", std::to_string(w->window),
                                     std::to_string(x), std::to_string(y)});
        std::string at = std::to_string(x) + "," + std::to_string(y) + " ";
        ASSERT_TRUE(Pump([&] { return GeometryOf(w->window).rfind(at, 0) == 0; }));
    }

    ScopedTempDir home_;
    std::string ini_ = home_ / ".vtx/windowpos.ini";
};

TEST_F(WindowGeometryTest, RememberedGeometryOpensWindowAndUnmovedCloseLeavesFile) {
    WriteIni(kEntry);
    Start();
    int placed = 0;
    ColWind* w = Open("MainWindow", &placed);
    EXPECT_EQ(placed, 1);
    EXPECT_EQ(GeometryOf(w->window), "10,20 577x417");
    cwDestroy(w);
    WindowConfig_Exit();
    EXPECT_FALSE(Rewritten());
    EXPECT_EQ(ReadFile(ini_), kEntry);
}

TEST_F(WindowGeometryTest, MovedWindowIsWrittenAtExitWithNewRecordsFirst) {
    WriteIni(std::string(kEntry) + "[Browser]\nwidth=640\n\n");
    Start();
    ColWind* main = Open("MainWindow");
    int placed = 1;
    ColWind* fresh = Open("Fresh", &placed);
    EXPECT_EQ(placed, 0) << "nothing is known about a new name";
    MoveByHand(fresh, 5, 6);
    MoveByHand(main, 100, 120);
    int x, y, width, height;
    WindowConfig_GetGeometry("mainWINDOW", &x, &y, &width, &height, false);
    EXPECT_EQ(Text(x, y, width, height), "100,120 577x417") << "an open first window answers";
    WindowConfig_GetGeometry("MainWindow", &x, &y, &width, &height, true);
    EXPECT_EQ(Text(x, y, width, height), "10,20 577x417");
    WindowConfig_GetGeometry("Nowhere", &x, &y, &width, &height, true);
    EXPECT_EQ(Text(x, y, width, height), "-1,-1 -1x-1");

    Window mainWindow = main->window;
    ASSERT_TRUE(SendWmDelete(WideDisplay(), mainWindow));
    ASSERT_TRUE(Pump([&] { return cwFromXWindow(mainWindow) == nullptr; }));
    cwDestroy(fresh);
    EXPECT_FALSE(Rewritten()) << "written at exit, not at close";
    WindowConfig_Exit();
    EXPECT_EQ(ReadFile(ini_), "[Fresh]\nx=5\ny=6\nwidth=300\nheight=200\n\n[MainWindow]\nx=100\n"
                              "y=120\nwidth=577\nheight=417\n\n[Browser]\nwidth=640\n\n");
}

// -geometry applies to every top-level window and wins over what the file remembers; a
// negative offset counts from the right or bottom edge.
TEST_F(WindowGeometryTest, GeometryOptionWinsOverTheRememberedGeometry) {
    WriteIni(std::string(kEntry) + "[Sized]\nwidth=500\nheight=300\n\n");
    Start({"-geometry", "640x480-0-24"});
    int placed = 1;
    ColWind* main = Open("MainWindow", &placed);
    EXPECT_EQ(placed, 0) << "nothing left for the register to give";
    EXPECT_EQ(GeometryOf(main->window), "640,520 640x480");
    EXPECT_EQ(GeometryOf(Open("Other")->window), "640,520 640x480");
    gen_strchange(&cfg_geometry, "+30+40");
    EXPECT_EQ(GeometryOf(Open("Sized")->window), "30,40 500x300") << "size remembered";
}

TEST_F(WindowGeometryTest, LaterWindowsCascadeAndLeaveTheFileAlone) {
    WriteIni(kEntry);
    Start();
    Open("MainWindow");
    int placed = 0;
    ColWind* second = Open("MainWindow", &placed);
    EXPECT_EQ(placed, 1);
    EXPECT_EQ(GeometryOf(second->window), "40,50 577x417");
    ColWind* third = Open("MainWindow");
    EXPECT_EQ(GeometryOf(third->window), "70,80 577x417");
    MoveByHand(second, 300, 300);
    cwDestroy(third);
    cwDestroy(second);
    WindowConfig_Exit();
    EXPECT_FALSE(Rewritten());
}

TEST_F(WindowGeometryTest, RememberedPlacesAreReadLenientlyAndKeptOnTheDisplay) {
    WriteIni(std::string("[MainWindow]\nx=5000\ny=20\nwidth=577\nheight=417\n\n") +
             "[Corner]\nx=700\ny=600\nwidth=577\nheight=417\n" +
             "  [ positiononly]\r\nbogus line\nX=0x28\ny=050\nwidth=\ndepth=7\n" +
             "[Big]\nx=-5\ny=-7\nwidth=2000\nheight=3000\n[Tiny]\nx=3\ny=4\nwidth=0\nheight=0\n");
    Start();
    EXPECT_EQ(GeometryOf(Open("Big")->window), "0,0 1280x1024");
    EXPECT_EQ(GeometryOf(Open("Tiny")->window), "3,4 100x40");
    EXPECT_EQ(GeometryOf(Open("PositionOnly")->window), "40,40 300x200") << "own size kept";
    EXPECT_EQ(GeometryOf(Open("MainWindow")->window), "703,20 577x417");
    EXPECT_EQ(GeometryOf(Open("Corner")->window), "700,600 577x417");
    EXPECT_EQ(GeometryOf(Open("Corner")->window), "0,0 577x417")
        << "a cascade past the right and bottom edges starts again at the corner";
}

TEST_F(WindowGeometryTest, OptionOffLeavesPlacementAndFileAlone) {
    WriteIni(kEntry);
    Start();
    std::string toolkitPlace = GeometryOf(Open("Unknown")->window);
    cfg_rememberwindowpositions = 0;
    int placed = 1;
    ColWind* w = Open("MainWindow", &placed);
    EXPECT_EQ(placed, 0);
    EXPECT_EQ(GeometryOf(w->window), toolkitPlace);
    MoveByHand(w, 200, 210);
    cwDestroy(w);
    WindowConfig_Exit();
    EXPECT_FALSE(Rewritten());
}

// No window manager runs here, so one is played: the window is put inside a frame of our own.
TEST_F(WindowGeometryTest, FramedWindowIsMeasuredAndPlacedByItsFrame) {
    Start();
    ColWind* w = Open("Framed");
    Window frame =
        XCreateSimpleWindow(display, RootWindow(display, screen), 50, 60, 320, 230, 0, 0, 0);
    XReparentWindow(display, w->window, frame, 10, 20);
    XMapWindow(display, frame);
    Settle();
    EXPECT_EQ(WParentissimus(w->window), frame);
    int x, y, width, height;
    WWindowGetFrameSize(w->window, &x, &y, &width, &height);
    EXPECT_EQ(Text(x, y, width, height), "10,20 10x10") << "left, top, right, bottom";
    XMoveWindow(display, frame, -10, -24);
    WindowConfig_GetWindowGeometry(w->window, &x, &y, &width, &height);
    EXPECT_EQ(Text(x, y, width, height), "1270,1000 300x200") << "modulo the display";
    WindowConfig_SetWindowGeometry(w->window, 100, 110, 400, 300);
    EXPECT_EQ(GeometryOf(frame), "100,110 320x230");
    EXPECT_EQ(GeometryOf(w->window), "110,130 400x300");
    XSizeHints hints;
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display, w->window, &hints, &supplied));
    EXPECT_TRUE(hints.flags & USPosition);
    EXPECT_EQ(Text(hints.x, hints.y, hints.width, hints.height), "100,110 400x300");
    cwDestroy(w);
    XDestroyWindow(display, frame);
}

TEST_F(WindowGeometryTest, WindowGoneBeforeItsReportStoresNothingAndRaisesNoXError) {
    Start();
    Window plain = XCreateSimpleWindow(display, RootWindow(display, screen), 5, 5, 50, 50, 0, 0, 0);
    WindowConfig_CreateWindow("Plain", plain, false, false);
    XDestroyWindow(display, plain);
    int errors = WXErrorCount();
    WindowConfig_DestroyWindow("Plain", plain);
    int x, y, width, height;
    WindowConfig_GetGeometry("Plain", &x, &y, &width, &height, false);
    EXPECT_EQ(Text(x, y, width, height), "-1,-1 -1x-1");
    EXPECT_EQ(WXErrorCount(), errors);
}

} // namespace
