// The display options taking effect on real windows: -geometry places and sizes the wizard
// and every other top-level window but no dialog; -bg and -fg colour every window, over the
// configuration's colours; and a fontconfig that finds no font leaves the core fonts.
#include <gtest/gtest.h>

#include <X11/Xutil.h>

#include <string>

#include "setup/wizard/setup_mainwindow_gui.h"
#include "shared/gen_strings.h"
#include "support/temp_dir.h"
#include "support/toolkit_fixture.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/config_files.h"
#include "windlib/config/config_tables.h"
#include "windlib/window/wactivation.h"
#include "windlib/window/wmodal.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xwindow.h"

namespace {

std::string GeometryOf(Window w) {
    int x, y, width, height;
    if (!WWindowGetGeometry(w, &x, &y, &width, &height)) return "gone";
    return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
           std::to_string(height);
}

class WindowOptions : public ToolkitTest {
protected:
    void TearDown() override {
        delete gui;
        gui = nullptr;
        ToolkitTest::TearDown();
        gen_strchange(&cfg_geometry, nullptr); // the configuration outlives the toolkit
        gen_cleanupconfigdirs();
    }
    unsigned long PixelAt(Window w, int x, int y) {
        XImage* image = XGetImage(display, w, x, y, 1, 1, AllPlanes, ZPixmap);
        unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return pixel;
    }
    void Shown(ColWind* w) {
        WWindowShow(w->window);
        ASSERT_TRUE(Pump([&] { return WWindowIsViewable(w->window); }));
        Settle();
    }

    MainWindow_GUI* gui = nullptr;
};

TEST_F(WindowOptions, GeometryPlacesAndSizesEveryTopLevelWindowButNoDialog) {
    ASSERT_TRUE(StartToolkit("", {"-geometry", "640x480+10+10"}));
    gui = new MainWindow_GUI;
    ASSERT_NE(gui->window, nullptr);
    Settle();
    EXPECT_EQ(GeometryOf(gui->window->window), "10,10 640x480");
    // The layout follows: Cancel ends 15 in from the right edge, the divider 60 above the
    // bottom.
    GItem* cancel = RuntimePlacer_FindWidget(gui->window, "bCancel");
    EXPECT_EQ(cancel->x + cancel->width, 640 - 15);
    EXPECT_EQ(RuntimePlacer_FindWidget(gui->window, "lDivider")->y, 480 - 60);

    ColWind* plain = cwxCreatexy(300, 200, 0, "Plain", nullptr, nullptr, nullptr, -1, -1, nullptr);
    Shown(plain);
    EXPECT_EQ(GeometryOf(plain->window), "10,10 640x480");
    Dialog* dialog = dlCreate(200, 100, plain->window, "Dialog", nullptr, nullptr, 30, 40);
    Shown(dialog);
    EXPECT_EQ(GeometryOf(dialog->window), "30,40 200x100");
}

TEST_F(WindowOptions, BackgroundAndForegroundColourWindowsOverTheConfiguration) {
    ScopedTempDir dir;
    WriteFile(dir / "vtx.cfg", "background #ff0000\nforeground #00ff00\n");
    ASSERT_TRUE(StartToolkit("", {"-configdir", dir.path(), "-bg", "#336699", "-fg", "yellow"}));
    shr_ReadConfigFiles("window_tests");
    EXPECT_EQ(bg_pixel, WAllocateColor(0x3333, 0x6666, 0x9999));
    EXPECT_EQ(fg_pixel, WAllocateColor(0xffff, 0xffff, 0));
    gui = new MainWindow_GUI;
    Shown(gui->window);
    // Right of the picture and above the page list nothing but the background shows.
    EXPECT_EQ(PixelAt(gui->window->window, 300, 30), WAllocateColor(0x3333, 0x6666, 0x9999));
}

TEST_F(WindowOptions, FontconfigWithoutFontsLeavesTheCoreFonts) {
    ScopedTempDir dir;
    WriteFile(dir / "empty.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
    ProgramOptions options;
    options.extraEnv = {"DISPLAY=" + SharedXvfb().display()};
    options.timeoutSeconds = 30;
    ProgramResult usual = RunProgram({VT_TOOLKIT_DEMO, "-fonts"}, options);
    EXPECT_EQ(usual.status, 0) << usual.err;
    EXPECT_NE(usual.out.find("text xft, button xft"), std::string::npos) << usual.out;
    options.extraEnv.push_back("FONTCONFIG_FILE=" + dir / "empty.conf");
    ProgramResult bare = RunProgram({VT_TOOLKIT_DEMO, "-fonts"}, options);
    EXPECT_EQ(bare.status, 0) << bare.err;
    // The server's own fixed font, 13 pixels high, as before Xft.
    EXPECT_NE(bare.out.find("text core, button core, line height 13"), std::string::npos)
        << bare.out << bare.err;
}

} // namespace
