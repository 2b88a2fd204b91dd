// Drawing-layer set-up and shutdown in their fixed order (WDrawInit, WDrawExit), the bell,
// flush and sync, and the primitives. The listener below exists only so that the idle
// notifier's wait ends when X input arrives.
#include "windlib/x11/xdrawlib.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "shared/libcxxutil/ut_clock.h"
#include "shared/libcxxutil/ut_idle.h"
#include "windlib/config/config_commands.h"
#include "windlib/config/config_display.h"
#include "windlib/config/config_files.h"
#include "windlib/config/config_tables.h"
#include "windlib/devenv_hooks.h"
#include "windlib/window/windowconfig.h"
#include "windlib/wreport.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xerrors.h"
#include "windlib/x11/xevents.h"
#include "windlib/x11/xfontface.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/ximages.h"
#include "windlib/x11/xscale.h"
#include "windlib/x11/xselection.h"
#include "windlib/x11/xstatemanager.h"
#include "windlib/x11/xwindow.h"
#include "xswitch/xswitch.h"

Cursor arrow_cur, right_arrow_cur, text_cur, edge_cur, move_cur, no_cur, add_cur;
Cursor scrolld_cur, scrollm_cur, scrollu_cur, scrolll_cur, scrollr_cur;
Cursor updown_cur, leftright_cur, watch_cur, cross_cur, blank_cur, scroll_cur;
Pixmap iconp;
Pixmap stipples[4];
int tab_size = 8;
int scroll_bar_width = 19;
int motion_threshold = 4;
int extra_button_width = 0;
long largest_request = 0;
bool focus_elsewhere = false;
bool beep_enabled = true;

namespace {

// WSync only flushes with this switch on (a slow link to the server).
const int kSwitchSlowX = 383;

bool initDone = false;

// Ends the event loop's wait when X input arrives.
DescriptorWakeUp* socketListener = nullptr;

void SetQuirkLevel() {
    const char* vendor = ServerVendor(display);
    xbugs = 0;
    if (vendor && strcmp(vendor, "Hewlett-Packard Company") == 0) xbugs = 2;
    if (vendor && strcmp(vendor, "X11/NeWS - Sun Microsystems Inc.") == 0) xbugs = 1;
}

void ReadScreenFacts() {
    screen = DefaultScreen(display);
    visual = DefaultVisual(display, screen);
    depth = DefaultDepth(display, screen);
    screen_width = DisplayWidth(display, screen);
    screen_height = DisplayHeight(display, screen);
}

void RecordDisplayFacts() {
    char facts[128];
    snprintf(facts, sizeof facts, "%dx%d depth %d vendor %d", screen_width, screen_height, depth,
             VendorRelease(display));
    Statistics_Record("display", facts);
}

void CreateStipples() {
    static const unsigned char grey1[] = {0x01, 0x02};
    static const unsigned char grey2[] = {0x02, 0x01};
    static unsigned char black[32];
    memset(black, 0xff, sizeof black);
    Window root = RootWindow(display, screen);
    stipples[0] = None;
    stipples[1] = XCreateBitmapFromData(display, root, (const char*)grey1, 2, 2);
    stipples[2] = XCreateBitmapFromData(display, root, (const char*)grey2, 2, 2);
    stipples[3] = XCreateBitmapFromData(display, root, (const char*)black, 16, 16);
}

Cursor BitmapCursor(const unsigned char* bits, const unsigned char* mask, int hotX, int hotY) {
    Window root = RootWindow(display, screen);
    Pixmap source = XCreateBitmapFromData(display, root, (const char*)bits, 16, 16);
    Pixmap maskMap = XCreateBitmapFromData(display, root, (const char*)mask, 16, 16);
    XColor fg, bg;
    fg.pixel = 0, fg.red = fg.green = fg.blue = 0, fg.flags = DoRed | DoGreen | DoBlue;
    bg.pixel = 0, bg.red = bg.green = bg.blue = 0xffff, bg.flags = DoRed | DoGreen | DoBlue;
    Cursor c =
        XCreatePixmapCursor(display, source, maskMap, &fg, &bg, (unsigned)hotX, (unsigned)hotY);
    XFreePixmap(display, source);
    XFreePixmap(display, maskMap);
    return c;
}

void CreateCursors() {
    arrow_cur = XCreateFontCursor(display, XC_left_ptr);
    right_arrow_cur = XCreateFontCursor(display, XC_right_ptr);
    text_cur = XCreateFontCursor(display, XC_xterm);
    edge_cur = XCreateFontCursor(display, XC_right_side);
    scrolld_cur = XCreateFontCursor(display, XC_sb_down_arrow);
    scrollm_cur = XCreateFontCursor(display, XC_sb_right_arrow);
    scrollu_cur = XCreateFontCursor(display, XC_sb_up_arrow);
    scrolll_cur = XCreateFontCursor(display, XC_sb_left_arrow);
    scrollr_cur = scrollm_cur;
    updown_cur = XCreateFontCursor(display, XC_sb_v_double_arrow);
    leftright_cur = XCreateFontCursor(display, XC_sb_h_double_arrow);
    watch_cur = XCreateFontCursor(display, XC_watch);
    cross_cur = XCreateFontCursor(display, XC_crosshair);
    // A four-way arrow, a barred circle and a plus, each with a solid mask.
    static const unsigned char move[32] = {0x80, 0x01, 0xc0, 0x03, 0xe0, 0x07, 0x80, 0x01,
                                           0x84, 0x21, 0x86, 0x61, 0xff, 0xff, 0xff, 0xff,
                                           0x86, 0x61, 0x84, 0x21, 0x80, 0x01, 0xe0, 0x07,
                                           0xc0, 0x03, 0x80, 0x01, 0x00, 0x00, 0x00, 0x00};
    static const unsigned char no[32] = {0xe0, 0x07, 0x18, 0x18, 0x0c, 0x30, 0x14, 0x20,
                                         0x22, 0x40, 0x42, 0x40, 0x81, 0x80, 0x01, 0x81,
                                         0x01, 0x82, 0x02, 0x44, 0x02, 0x48, 0x04, 0x30,
                                         0x0c, 0x30, 0x18, 0x18, 0xe0, 0x07, 0x00, 0x00};
    static const unsigned char add[32] = {0x00, 0x00, 0x80, 0x01, 0x80, 0x01, 0x80, 0x01,
                                          0x80, 0x01, 0x80, 0x01, 0xfe, 0x7f, 0xfe, 0x7f,
                                          0x80, 0x01, 0x80, 0x01, 0x80, 0x01, 0x80, 0x01,
                                          0x80, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    static unsigned char solid[32];
    static unsigned char empty[32];
    memset(solid, 0xff, sizeof solid);
    move_cur = BitmapCursor(move, solid, 8, 7);
    no_cur = BitmapCursor(no, solid, 8, 8);
    add_cur = BitmapCursor(add, solid, 8, 7);
    blank_cur = BitmapCursor(empty, empty, 0, 0);

    XColor fg, bg;
    fg.flags = bg.flags = DoRed | DoGreen | DoBlue;
    fg.pixel = fg_pixel;
    bg.pixel = bg_pixel;
    Colormap cmap = DefaultColormap(display, screen);
    XQueryColor(display, cmap, &fg);
    XQueryColor(display, cmap, &bg);
    bool plain = fg.red == 0 && fg.green == 0 && fg.blue == 0 && bg.red == 0xffff &&
                 bg.green == 0xffff && bg.blue == 0xffff;
    if (!plain) {
        for (Cursor c :
             {arrow_cur, right_arrow_cur, text_cur, move_cur, no_cur, add_cur, scrolld_cur,
              scrollm_cur, scrollu_cur, updown_cur, leftright_cur, watch_cur})
            XRecolorCursor(display, c, &fg, &bg);
    }
    scroll_cur = arrow_cur;
    static unsigned char icon[64 / 8 * 24];
    iconp = XCreateBitmapFromData(display, RootWindow(display, screen), (const char*)icon, 64, 24);
}

void ReadClickPause() {
    const char* value = WGetResource("clickpause", "ClickPause");
    if (!value) return;
    char* end = nullptr;
    long n = strtol(value, &end, 10);
    clickpause = (end == value || n < 0) ? 4 : (int)n;
}

// The defaults shared with the configuration; false when not even a font loads.
bool LoadSharedDefaults() {
    WDrawInitColors();
    if (!WDrawLoadDefaultFonts()) {
        gen_error("No font can be loaded from display %s", DisplayString(display));
        return false;
    }
    if (clickpause == 0) clickpause = 4;
    ReadClickPause();
    if (WGetResource("exactcase", "Flag")) cfg_exactcase = WGetResourceFlag("exactcase", "Flag");
    tab_size = 8;
    scroll_bar_width = WScaled(19);
    motion_threshold = 4;
    extra_button_width = 0;
    if (WGetResourceFlag("iconify", "Iconify")) CDoIconify("1");
    if (const char* file = WGetResource("configure", "Configure")) {
        if (!cfg_ReadFile(file, true)) WReportError(1, "Can't open configuration file: %s", file);
        WDrawReloadFonts(); // the file may name other fonts
    }
    if (const char* icon = WGetResource("icongeometry", "Icongeometry"))
        CDoIconGeometry(icon[0] == '#' ? icon + 1 : icon);
    if (const char* geometry = WGetResource("geometry", "Geometry")) {
        const char* g = geometry[0] == '=' ? geometry + 1 : geometry;
        gen_free(cfg_geometry);
        cfg_geometry = gen_copy(g);
    }
    return true;
}

void RegisterEditButtons() {
    char name[64], cls[64];
    for (int i = 1; i <= 100; ++i) {
        snprintf(name, sizeof name, "editbutton%d.name", i);
        const char* label = WGetResource(name, "Name");
        snprintf(cls, sizeof cls, "editbutton%d.defn", i);
        const char* definition = WGetResource(cls, "Defn");
        if (label && definition) EditButton_Register(label, definition);
    }
}

void NoteFocusOwner() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    focus_elsewhere = focus != None && focus != PointerRoot && focus != RootWindow(display, screen);
}

} // namespace

bool WDrawInit() {
    if (initDone) return true;
    RezAppInit();
    XrmInitialize();
    WInstallXErrorHandlers();
    __Assert(WDrawPreInitCalled(), "wdraw_pre_init_called == true", __FILE__, __LINE__, 0);
    SetQuirkLevel();
    ReadScreenFacts();
    WScaleInit(); // before the first font and image: both are made at the scale
    WWindowInitAtoms();
    WRefreshModifierMapping();
    CreateStipples();
    XWindowsOn = true;
    RecordDisplayFacts();
    dirtyTracker = new XDirtyTracker();
    stateManager = new XDrawingStateManager(display, screen, stipples);
    if (debugFlag[kSwitchUseFDRegistry] && getIdleNotifier()) {
        socketListener = new DescriptorWakeUp(ConnectionNumber(display));
    }
    WInstallColorConfigHooks();
    initDone = true;
    if (!LoadSharedDefaults()) return false;
    CreateCursors();
    stateManager->setColor(0, fg_pixel, bg_pixel);
    stateManager->setFont(0, WFontId(active_font));
    stateManager->setStipple(0, kStippleNone);
    NoteFocusOwner();
    RegisterEditButtons();
    if (!WDrawInitImages()) return false;
    Menus_Init();
    PersistentLists_Init();
    WindowConfig_Init(); // the window geometry register is one of the persistent lists
    Caret_Init();
    long request = XExtendedMaxRequestSize(display);
    largest_request = 4 * (request ? request : XMaxRequestSize(display));
    return true;
}

bool WDrawInitDone() {
    return initDone;
}

void WDrawExit() {
    bool alive = display && !WXConnectionLost();
    syn_Cleanup();
    help_Cleanup();
    WDrawFreeAllFonts(); // sends nothing once the connection is gone
    if (alive) WDrawFreeImages();
    if (alive) WindowConfig_Exit();
    PersistentLists_Close();
    RezAppClose();
    if (socketListener) {
        delete socketListener;
        socketListener = nullptr;
    }
    WSelectionShutdown();
    if (alive) delete stateManager;
    stateManager = nullptr;
    delete dirtyTracker;
    dirtyTracker = nullptr;
    if (alive) XCloseDisplay(display);
    display = nullptr;
    XWindowsOn = false;
    initDone = false;
    WScaleReset();
    cfg_displayHooks = cfg_noDisplayHooks;
    WColorsReset();
    WDisplayReset();
    WXErrorReset();
}

namespace {
long beeps = 0;
}

void WSoundBeep() {
    if (!display || !XWindowsOn || !beep_enabled) return;
    ++beeps;
    XBell(display, 0);
}

long WBeepCount() {
    return beeps;
}

void WFlush() {
    if (display) XFlush(display);
}

void WSync() {
    if (!display || !XWindowsOn) return;
    if (debugFlag[kSwitchSlowX]) {
        XFlush(display);
        return;
    }
    long long start = ut_clock_ms();
    XSync(display, False);
    if (debugFlag[kSwitchStatistics]) {
        long long took = ut_clock_ms() - start;
        char text[64];
        snprintf(text, sizeof text, "%d/%d sec", (int)(took / 1000), (int)(took % 1000));
        Statistics_Record("xlatency", text);
    }
}

// ---- Primitives ---------------------------------------------------------------------

namespace {

bool Ready(Window w) {
    return display && stateManager && w && XWindowsOn;
}

} // namespace

void WSetColor(Window w, unsigned long foreground, unsigned long background) {
    if (stateManager) stateManager->setColor(w, foreground, background);
}

void WSetForeground(Window w, unsigned long foreground) {
    if (stateManager) stateManager->setForeground(w, foreground);
}

void WSetFont(Window w, int number) {
    WFontSelect(w, number);
}

void WSetClipRect(Window w, int x, int y, int width, int height) {
    if (stateManager) stateManager->setClip(w, WShape(x, y, width, height));
}

void WResetClip(Window w) {
    if (stateManager) stateManager->resetClip(w);
}

void WDrawLine(Window w, int x1, int y1, int x2, int y2) {
    if (!Ready(w)) return;
    XDrawLine(display, stateManager->getMappedDrawable(w), stateManager->getGC(w), x1, y1, x2, y2);
}

void WDrawRect(Window w, int x, int y, int width, int height) {
    if (!Ready(w) || width < 1 || height < 1) return;
    XDrawRectangle(display, stateManager->getMappedDrawable(w), stateManager->getGC(w), x, y,
                   (unsigned)width - 1, (unsigned)height - 1);
}

void WFillRect(Window w, int x, int y, int width, int height) {
    if (!Ready(w) || width < 1 || height < 1) return;
    XFillRectangle(display, stateManager->getMappedDrawable(w), stateManager->getGC(w), x, y,
                   (unsigned)width, (unsigned)height);
}

void WClearRect(Window w, int x, int y, int width, int height) {
    if (!Ready(w)) return;
    const XDrawingProperties& p = stateManager->properties(w);
    unsigned long fg = p.foreground;
    stateManager->setForeground(w, p.background);
    WFillRect(w, x, y, width, height);
    stateManager->setForeground(w, fg);
}

void WDrawString(Window w, int x, int y, const char* text, int length) {
    if (!Ready(w) || !text) return;
    if (length < 0) length = (int)strlen(text);
    int number = WFontOfWindow(w);
    if (number >= 0) WFontFaceDraw(fontinfo[number].font, w, x, y, text, length);
}

void WDrawBevel(Window w, int x, int y, int width, int height, bool raised,
                unsigned long background) {
    if (!Ready(w) || width < 2 || height < 2) return;
    unsigned long light = 0, dark = 0;
    WBevelShades(background, &light, &dark);
    unsigned long fg = stateManager->properties(w).foreground;
    stateManager->setForeground(w, raised ? light : dark);
    WDrawLine(w, x, y, x + width - 1, y);
    WDrawLine(w, x, y, x, y + height - 1);
    stateManager->setForeground(w, raised ? dark : light);
    WDrawLine(w, x + width - 1, y, x + width - 1, y + height - 1);
    WDrawLine(w, x, y + height - 1, x + width - 1, y + height - 1);
    stateManager->setForeground(w, fg);
}

void WCopyArea(Window w, int x, int y, int width, int height, int toX, int toY) {
    if (!Ready(w) || width < 1 || height < 1) return;
    Drawable d = stateManager->getMappedDrawable(w);
    XCopyArea(display, d, d, stateManager->getGC(w), x, y, (unsigned)width, (unsigned)height, toX,
              toY);
    // What the copy left behind, and what it brought from outside the window, is repainted.
    int wx = 0, wy = 0, ww = 0, wh = 0;
    XWindowAttributes a;
    if (XGetWindowAttributes(display, w, &a)) ww = a.width, wh = a.height;
    WShape source(x, y, width, height);
    WShape inside(wx, wy, ww, wh);
    WShape missing = source;
    missing.subtract(inside);
    missing.translate(toX - x, toY - y);
    WShape uncovered(x, y, width, height);
    uncovered.subtract(WShape(toX, toY, width, height));
    uncovered.add(missing);
    if (dirtyTracker) {
        dirtyTracker->notePan(w, source, toX - x, toY - y);
        if (!uncovered.isEmpty()) dirtyTracker->markDirty(w, uncovered);
    }
}
