// Toolkit start-up (see wutility.h). The configuration is read after the display is up,
// so the fonts it names are loaded when it has been read, and open windows lay themselves
// out again in them.
#include "windlib/wutility.h"

#include <cstring>

#include "windlib/config/config_display.h"
#include "windlib/devenv_hooks.h"
#include "windlib/wapplication.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/xwindow.h"

namespace {

GApplication* ownApplication = nullptr;
bool guiInitialized = false;

bool LayOutAgain(ColWind* window, void*, void*) {
    if (window->reconfigureHook)
        window->reconfigureHook(window);
    else
        cwRedraw(window);
    return true;
}

void ReloadFonts() {
    if (WDrawReloadFonts()) cwCallProcOnAll(LayOutAgain, nullptr, nullptr);
}

} // namespace

bool WGUIInit(int* argc, char** argv, GApplication* app, bool, bool help, int programId) {
    memset(display_name, 0, sizeof display_name);
    if (!app) {
        app = ownApplication = new GUIApplication();
    }
    setAppInst(app);
    WDrawPreInit(argc, argv);
    WWindowSetClassName(WClassName(), argv && *argc > 0 ? argv[0] : "");
    if (programId == 20002 || programId == 20003) WindowManagerWrapper_SetUseWindowManager(false);
    bool up = WDrawInit();
    WDrawPostInit();
    cfg_displayHooks.reloadFonts = ReloadFonts;
    fileExtensions_Initialize();
    syn_Init(false);
    if (help) help_Init();
    guiInitialized = true;
    return up;
}

void WGUIDestroy() {
    if (ownApplication && getAppInst() == ownApplication) setAppInst(nullptr);
    delete ownApplication;
    ownApplication = nullptr;
    guiInitialized = false;
}

bool WGUIInitialized() {
    return guiInitialized;
}
