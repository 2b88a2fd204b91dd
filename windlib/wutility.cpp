// Toolkit start-up (see wutility.h).
#include "windlib/wutility.h"

#include <cstring>

#include "windlib/devenv_hooks.h"
#include "windlib/wapplication.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xwindow.h"

namespace {

GApplication* ownApplication = nullptr;
bool guiInitialized = false;

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
