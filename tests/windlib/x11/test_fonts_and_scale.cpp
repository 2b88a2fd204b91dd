// Fonts and the scale: XLFD names as fontconfig names, the choice of scale, and on a real
// server the faces loaded (Xft on a true-colour screen, core fonts on a colour map), fonts
// named by the configuration and by -fn, what the scale enlarges, and Xft text kept inside
// its clip and released with its window.
#include <gtest/gtest.h>

#include <X11/Xutil.h>

#include <cstdarg>
#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "support/temp_dir.h"
#include "support/toolkit_fixture.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/config_files.h"
#include "windlib/config/config_tables.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xerrors.h"
#include "windlib/x11/xfontface.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/ximages.h"
#include "windlib/x11/xscale.h"
#include "windlib/x11/xwindow.h"

namespace {

std::string warnings;
int Capture(int code, const char* format, va_list args) {
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    warnings += text;
    return code;
}

TEST(FontNames, XlfdFieldsBecomeAFontconfigName) {
    EXPECT_EQ(WFontXlfdToFontconfig("-*-courier-medium-r-normal--12-*-*-*-c-*-*-*"),
              "DejaVu Sans Mono,monospace:weight=regular:slant=roman:pixelsize=12:spacing=mono");
    EXPECT_EQ(WFontXlfdToFontconfig("-adobe-Helvetica-bold-o-normal--*-140-75-75-p-*-iso8859-1"),
              "DejaVu Sans,sans-serif:weight=bold:slant=oblique:size=14");
    // Other families go to fontconfig by name, separators escaped; '*' says nothing.
    EXPECT_EQ(WFontXlfdToFontconfig("-b&h-My Font:2,x-demibold-i-*-*-*-105-*"),
              "My Font\\:2\\,x:weight=demibold:slant=italic:size=10.5");
    EXPECT_EQ(WFontXlfdToFontconfig("-*-*-*-*-*-*-*-*-*-*-*-*-*-*"), "");
}

TEST(ScaleChoice, OptionThenXftDpiThenTheScreenInQuartersNeverBelowOne) {
    warnings.clear();
    gen_domessage = Capture;
    EXPECT_EQ(WScaleChoose("0.75", "192", 1920, 508), 0.75) << "asked for, so not raised";
    EXPECT_EQ(WScaleChoose("big", "192", 1920, 508), 2.0);
    gen_domessage = gen_default_domessage;
    EXPECT_NE(warnings.find("Ignoring -scale \"big\""), std::string::npos) << warnings;
    EXPECT_EQ(WScaleChoose(nullptr, "110", 3840, 600), 1.25) << "Xft.dpi before the screen";
    EXPECT_EQ(WScaleChoose(nullptr, "72", 0, 0), 1.0);
    EXPECT_EQ(WScaleChoose(nullptr, nullptr, 3840, 600), 1.75); // 163 dpi
    EXPECT_EQ(WScaleChoose(nullptr, nullptr, 1024, 260), 1.0);  // Xvfb's 100 dpi
}

class FontsOnServer : public ToolkitTest {
protected:
    void TearDown() override {
        gen_domessage = gen_default_domessage;
        gen_cleanupconfigdirs();
        ToolkitTest::TearDown();
        // The configuration outlives the toolkit; the next test starts from the defaults.
        gen_strchange(&cfg_font, nullptr);
        gen_strchange(&cfg_buttonfont, nullptr);
    }
    int Width(const char* text, int number) { return WTextWidth(text, -1, number); }
};

TEST_F(FontsOnServer, TrueColourScreenDrawsXftFacesAndAColourMapCoreFonts) {
    ASSERT_TRUE(StartToolkit());
    EXPECT_EQ(WScale(), 1.0);
    ASSERT_TRUE(WFontIsXft(0));
    ASSERT_TRUE(WFontIsXft(1));
    ASSERT_TRUE(WFontIsXft(bfont_num));
    // Text and fields in a monospace face, labels in a proportional one.
    EXPECT_EQ(Width("iiii", 0), Width("MMMM", 0));
    EXPECT_EQ(Width("iiii", 1), Width("MMMM", 1));
    EXPECT_LT(Width("iiii", bfont_num), Width("MMMM", bfont_num));
    EXPECT_GT(fontinfo[0].xhigh, 0);
    EXPECT_LT(fontinfo[0].xhigh, fontinfo[0].ascent);
    WDrawExit();
    WGUIDestroy();

    ASSERT_TRUE(StartToolkit(SharedXvfb().pseudoColorDisplay()));
    EXPECT_FALSE(WFontIsXft(0));
    EXPECT_FALSE(WFontIsXft(bfont_num));
}

TEST_F(FontsOnServer, ConfiguredFontsReplaceTheDefaultsAndFnWinsOverThem) {
    ScopedTempDir dir;
    WriteFile(dir / "vtx.cfg", "font -*-courier-medium-r-normal--24-*-*-*-*-*-*-*\n"
                               "buttonfont -*-helvetica-bold-r-normal--20-*-*-*-*-*-*-*\n");
    ASSERT_TRUE(StartToolkit("", {"-configdir", dir.path()}));
    int text = Width("Installation Directory", 0), label = Width("Browse...", bfont_num);
    int height = font_h;
    shr_ReadConfigFiles("toolkit_tests");
    EXPECT_NEAR(Width("Installation Directory", 0), 2 * text, 22) << "24 pixels for 12";
    EXPECT_NEAR(font_h, 2 * height, 2);
    EXPECT_EQ(fontinfo[1].height, font_h) << "fields follow the text font";
    EXPECT_GT(Width("Browse...", bfont_num), label * 3 / 2) << "20 pixels and bold";
    WDrawExit();
    WGUIDestroy();
    gen_cleanupconfigdirs();

    ASSERT_TRUE(StartToolkit("", {"-configdir", dir.path(), "-fn", "monospace:pixelsize=16"}));
    shr_ReadConfigFiles("toolkit_tests");
    int sixteen = WDrawLoadFont("DejaVu Sans Mono:pixelsize=16");
    ASSERT_GE(sixteen, 0);
    EXPECT_EQ(fontinfo[0].height, fontinfo[sixteen].height);
    EXPECT_EQ(Width("Installation Directory", 0), Width("Installation Directory", sixteen));
}

TEST_F(FontsOnServer, XftDpiScalesFontsPicturesAndScrollBars) {
    ASSERT_TRUE(StartToolkit());
    int height = font_h;
    WDrawExit();
    WGUIDestroy();
    // A desktop's Xft.dpi sets the scale when -scale does not.
    ASSERT_TRUE(StartToolkit("", {"-xrm", "Xft.dpi: 144"}));
    EXPECT_EQ(WScale(), 1.5);
    EXPECT_NEAR(font_h, height * 3 / 2, 1);
    EXPECT_EQ(scroll_bar_width, 29);
    EXPECT_EQ(WFindImage("restart3")->width, 24);
}

// Counts pixels that are not the background inside a rectangle of the window.
int Inked(Window w, int x, int y, int width, int height) {
    XImage* image =
        XGetImage(display, w, x, y, (unsigned)width, (unsigned)height, AllPlanes, ZPixmap);
    int n = 0;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) n += XGetPixel(image, i, j) != bg_pixel;
    XDestroyImage(image);
    return n;
}

TEST_F(FontsOnServer, XftTextKeepsToItsClipAndGoesWithItsWindow) {
    ASSERT_TRUE(StartToolkit());
    ColWind* cw = cwxCreatexy(300, 100, 0, "Clip", nullptr, nullptr, nullptr, 0, 0, nullptr);
    Window w = cw->window;
    WWindowShow(w);
    ASSERT_TRUE(Pump([&] { return WWindowIsViewable(w); }));
    Settle();
    XClearWindow(display, w);
    WSetColor(w, fg_pixel, bg_pixel);
    WSetFont(w, 0);
    WSetClipRect(w, 40, 0, 60, 100);
    WDrawString(w, 10, 30, "MMMMMMMMMMMMMMMMMMMM", -1);
    WResetClip(w);
    WDrawString(w, 10, 70, "MMMMMMMMMMMMMMMMMMMM", -1);
    WSync();
    EXPECT_EQ(Inked(w, 0, 0, 40, 45), 0) << "left of the clip";
    EXPECT_GT(Inked(w, 40, 0, 60, 45), 50);
    EXPECT_EQ(Inked(w, 100, 0, 200, 45), 0) << "right of the clip";
    EXPECT_GT(Inked(w, 100, 50, 60, 50), 20) << "unclipped again";

    int errors = WXErrorCount();
    cwDestroy(cw);
    ColWind* next = cwxCreatexy(100, 50, 0, "Next", nullptr, nullptr, nullptr, 0, 0, nullptr);
    WSetFont(next->window, 0);
    WDrawString(next->window, 5, 20, "after", -1);
    WSync();
    Settle();
    EXPECT_EQ(WXErrorCount(), errors) << "nothing the window held was freed after it";
}

} // namespace
