// The X error and I/O-error handlers and the table of protocol request names they print.
// Start reading at HandleXError.
#include "windlib/x11/xerrors.h"

#include <cstdio>
#include <cstring>

#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/devenv_hooks.h"
#include "windlib/x11/xdisplay.h"
#include "xswitch/xswitch.h"

namespace {

// The core protocol's requests by major code; 120 to 126 are unassigned.
const char* const kRequestNames[128] = {
    "",
    "X_CreateWindow",
    "X_ChangeWindowAttributes",
    "X_GetWindowAttributes",
    "X_DestroyWindow",
    "X_DestroySubwindows",
    "X_ChangeSaveSet",
    "X_ReparentWindow",
    "X_MapWindow",
    "X_MapSubwindows",
    "X_UnmapWindow",
    "X_UnmapSubwindows",
    "X_ConfigureWindow",
    "X_CirculateWindow",
    "X_GetGeometry",
    "X_QueryTree",
    "X_InternAtom",
    "X_GetAtomName",
    "X_ChangeProperty",
    "X_DeleteProperty",
    "X_GetProperty",
    "X_ListProperties",
    "X_SetSelectionOwner",
    "X_GetSelectionOwner",
    "X_ConvertSelection",
    "X_SendEvent",
    "X_GrabPointer",
    "X_UngrabPointer",
    "X_GrabButton",
    "X_UngrabButton",
    "X_ChangeActivePointerGrab",
    "X_GrabKeyboard",
    "X_UngrabKeyboard",
    "X_GrabKey",
    "X_UngrabKey",
    "X_AllowEvents",
    "X_GrabServer",
    "X_UngrabServer",
    "X_QueryPointer",
    "X_GetMotionEvents",
    "X_TranslateCoords",
    "X_WarpPointer",
    "X_SetInputFocus",
    "X_GetInputFocus",
    "X_QueryKeymap",
    "X_OpenFont",
    "X_CloseFont",
    "X_QueryFont",
    "X_QueryTextExtents",
    "X_ListFonts",
    "X_ListFontsWithInfo",
    "X_SetFontPath",
    "X_GetFontPath",
    "X_CreatePixmap",
    "X_FreePixmap",
    "X_CreateGC",
    "X_ChangeGC",
    "X_CopyGC",
    "X_SetDashes",
    "X_SetClipRectangles",
    "X_FreeGC",
    "X_ClearArea",
    "X_CopyArea",
    "X_CopyPlane",
    "X_PolyPoint",
    "X_PolyLine",
    "X_PolySegment",
    "X_PolyRectangle",
    "X_PolyArc",
    "X_FillPoly",
    "X_PolyFillRectangle",
    "X_PolyFillArc",
    "X_PutImage",
    "X_GetImage",
    "X_PolyText8",
    "X_PolyText16",
    "X_ImageText8",
    "X_ImageText16",
    "X_CreateColormap",
    "X_FreeColormap",
    "X_CopyColormapAndFree",
    "X_InstallColormap",
    "X_UninstallColormap",
    "X_ListInstalledColormaps",
    "X_AllocColor",
    "X_AllocNamedColor",
    "X_AllocColorCells",
    "X_AllocColorPlanes",
    "X_FreeColors",
    "X_StoreColors",
    "X_StoreNamedColor",
    "X_QueryColors",
    "X_LookupColor",
    "X_CreateCursor",
    "X_CreateGlyphCursor",
    "X_FreeCursor",
    "X_RecolorCursor",
    "X_QueryBestSize",
    "X_QueryExtension",
    "X_ListExtensions",
    "X_ChangeKeyboardMapping",
    "X_GetKeyboardMapping",
    "X_ChangeKeyboardControl",
    "X_GetKeyboardControl",
    "X_Bell",
    "X_ChangePointerControl",
    "X_GetPointerControl",
    "X_SetScreenSaver",
    "X_GetScreenSaver",
    "X_ChangeHosts",
    "X_ListHosts",
    "X_SetAccessControl",
    "X_SetCloseDownMode",
    "X_KillClient",
    "X_RotateProperties",
    "X_ForceScreenSaver",
    "X_SetPointerMapping",
    "X_GetPointerMapping",
    "X_SetModifierMapping",
    "X_GetModifierMapping",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "X_NoOperation",
};
static_assert(sizeof(kRequestNames) / sizeof(kRequestNames[0]) == 128,
              "one name per major code 0 to 127");

int errorCount = 0;
bool connectionLost = false;

// A focus request races with the window being unmapped (by us or a window manager); the
// server then answers BadMatch, which says nothing about the program's health.
bool IsHarmless(const XErrorEvent* event) {
    return event->request_code == 42 && event->error_code == BadMatch;
}

int HandleXError(Display* dpy, XErrorEvent* event) {
    if (IsHarmless(event)) return 0;
    char* text = WFormatXError(dpy, event);
    if (debugFlag[kSwitchStatistics]) {
        char* flat = gen_copy(text);
        for (char* p = flat; *p; ++p)
            if (*p == '\n') *p = ';';
        Statistics_Record("xerror", flat);
        gen_free(flat);
    }
    if (++errorCount == 1) {
        gen_error("%s", text);
        gen_free(text);
        return 0;
    }
    fputs(text, stderr);
    fflush(stderr);
    gen_free(text);
    gen_exit(1);
    gen_default_exit(1);
}

// Xlib ends the process itself if this returns, so it never does.
int HandleXIOError(Display*) {
    connectionLost = true;
    XWindowsOn = false;
    Statistics_Record("xbyebye", "Death");
    gen_domessage = gen_default_domessage;
    gen_errorexit(1, "X: Connection to server lost.\n");
}

} // namespace

void WInstallXErrorHandlers() {
    XSetErrorHandler(HandleXError);
    XSetIOErrorHandler(HandleXIOError);
}

const char* WXRequestName(int majorCode) {
    if (majorCode < 1 || majorCode > 127) return "";
    return kRequestNames[majorCode];
}

char* WFormatXError(Display* dpy, const XErrorEvent* event) {
    char errorText[101] = "";
    XGetErrorText(dpy, event->error_code, errorText, sizeof errorText - 1);
    return gen_asprintf("%s has encountered an X Window System error: (%d) %s\n"
                        "  Request Major code %d (%s)\n"
                        "  Request Minor code %d\n"
                        "  ResourceId %lx\n"
                        "  Error Serial #%ld\n",
                        WProgramName(), event->error_code, errorText, event->request_code,
                        WXRequestName(event->request_code), event->minor_code, event->resourceid,
                        (long)event->serial);
}

bool WXConnectionLost() {
    return connectionLost;
}

int WXErrorCount() {
    return errorCount;
}

void WXErrorReset() {
    errorCount = 0;
}
