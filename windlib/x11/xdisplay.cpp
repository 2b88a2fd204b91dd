// Opening the display: the program and class names, the command-line options Xlib parses
// for us (the table below), the resource files merged in their fixed order, and the
// start-up failure lines when no server answers. Start reading at WDrawPreInit.
#include "windlib/x11/xdisplay.h"

#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <X11/Xatom.h>

#include "shared/gen_context.h"
#include "shared/gen_hooks.h"
#include "windlib/devenv_hooks.h"
#include "windlib/x11/xfontface.h"
#include "xswitch/xswitch.h"

Display* display = nullptr;
int screen = 0;
Visual* visual = nullptr;
int depth = 0;
int screen_width = 0;
int screen_height = 0;
char display_name[kDisplayNameSize];
int xbugs = 0;
bool XWindowsOn = false;
XrmDatabase finalDB = nullptr;

namespace {

bool preInitCalled = false;
std::string programName;
std::string className;

// The options Xlib takes out of argv before anyone else sees it. The resource names are
// prefixed with the program name.
XrmOptionDescRec kOptionTable[] = {
    {(char*)"-display", (char*)".display", XrmoptionSepArg, nullptr},
    {(char*)"-filedialogue", (char*)".filedialogue", XrmoptionNoArg, (XPointer) "on"},
    {(char*)"-geometry", (char*)".geometry", XrmoptionSepArg, nullptr},
    {(char*)"=", (char*)".geometry", XrmoptionIsArg, nullptr},
    {(char*)"#", (char*)".icongeometry", XrmoptionIsArg, nullptr},
    {(char*)"-bg", (char*)".background", XrmoptionSepArg, nullptr},
    {(char*)"-background", (char*)".background", XrmoptionSepArg, nullptr},
    {(char*)"-fg", (char*)".foreground", XrmoptionSepArg, nullptr},
    {(char*)"-foreground", (char*)".foreground", XrmoptionSepArg, nullptr},
    {(char*)"-ac", (char*)".assembly", XrmoptionSepArg, nullptr},
    {(char*)"-assemblyc", (char*)".assembly", XrmoptionSepArg, nullptr},
    {(char*)"-cc", (char*)".controlcolor", XrmoptionSepArg, nullptr},
    {(char*)"-controlc", (char*)".controlcolor", XrmoptionSepArg, nullptr},
    {(char*)"-pc", (char*)".pointercolor", XrmoptionSepArg, nullptr},
    {(char*)"-pointerc", (char*)".pointercolor", XrmoptionSepArg, nullptr},
    {(char*)"-bc", (char*)".breakcolor", XrmoptionSepArg, nullptr},
    {(char*)"-breakc", (char*)".breakcolor", XrmoptionSepArg, nullptr},
    {(char*)"-bd", (char*)".bdotcolor", XrmoptionSepArg, nullptr},
    {(char*)"-bdotc", (char*)".bdotcolor", XrmoptionSepArg, nullptr},
    {(char*)"-fn", (char*)".font", XrmoptionSepArg, nullptr},
    {(char*)"-font", (char*)".font", XrmoptionSepArg, nullptr},
    {(char*)"-16bitfont", (char*)".16bitfont", XrmoptionSepArg, nullptr},
    {(char*)"-bw", (char*)".blackwhite", XrmoptionNoArg, (XPointer) "on"},
    {(char*)"-gray", (char*)".grey", XrmoptionNoArg, (XPointer) "on"},
    {(char*)"-grey", (char*)".grey", XrmoptionNoArg, (XPointer) "on"},
    {(char*)"-synchronous", (char*)".synchronous", XrmoptionNoArg, (XPointer) "on"},
    {(char*)"+synchronous", (char*)".synchronous", XrmoptionNoArg, (XPointer) "off"},
    {(char*)"-xrm", nullptr, XrmoptionResArg, nullptr},
    {(char*)"-configure", (char*)".configure", XrmoptionSepArg, nullptr},
    {(char*)"-save", (char*)".saveEvents", XrmoptionNoArg, (XPointer) "saveEvents"},
    {(char*)"-restore", (char*)".restoreEvents", XrmoptionSepArg, nullptr},
    {(char*)"-dump", (char*)".dumpResources", XrmoptionNoArg, (XPointer) "./WResources"},
    {(char*)"-resources", (char*)".loadResources", XrmoptionSepArg, nullptr},
    {(char*)"-debug", (char*)".debuglevel", XrmoptionSepArg, nullptr},
    {(char*)"-reversevideo", (char*)".reversevideo", XrmoptionNoArg, (XPointer) "on"},
    {(char*)"-rv", (char*)".reversevideo", XrmoptionNoArg, (XPointer) "on"},
    {(char*)"+rv", (char*)".reversevideo", XrmoptionNoArg, (XPointer) "off"},
    {(char*)"-iconic", (char*)".iconify", XrmoptionNoArg, (XPointer) "on"},
    {(char*)"-iconify", (char*)".iconify", XrmoptionNoArg, (XPointer) "on"},
    {(char*)"+iconify", (char*)".iconify", XrmoptionNoArg, (XPointer) "off"},
    // The scale of everything drawn (see xscale.h), over the one the screen suggests.
    {(char*)"-scale", (char*)".scale", XrmoptionSepArg, nullptr},
};
static_assert(sizeof(kOptionTable) / sizeof(kOptionTable[0]) == 41,
              "the option table has 40 rows and -scale");

// The application-defaults file, in the first of these directories that has it.
const char* const kAppDefaultsDirs[] = {"/usr/lib/X11/app-defaults/",
                                        "/usr/openwin/lib/app-defaults/", "/etc/X11/app-defaults/"};
const char kAppDefaultsFile[] = "ORBIT";

void SetNames(const char* argv0) {
    const char* slash = argv0 ? strrchr(argv0, '/') : nullptr;
    programName = slash ? slash + 1 : (argv0 ? argv0 : "");
    className = programName.substr(0, 1016);
    if (!className.empty() && islower((unsigned char)className[0]))
        className[0] = (char)toupper((unsigned char)className[0]);
}

const char* LookUp(XrmDatabase db, const char* name, const char* cls) {
    if (!db) return nullptr;
    std::string fullName = programName + "." + name;
    std::string fullClass = className + "." + cls;
    char* type = nullptr;
    XrmValue value;
    if (!XrmGetResource(db, fullName.c_str(), fullClass.c_str(), &type, &value)) return nullptr;
    return value.addr;
}

// Merges `source` into `*target`; the source wins for a resource both hold.
void MergeInto(XrmDatabase source, XrmDatabase* target) {
    if (source) XrmMergeDatabases(source, target);
}

void MergeFile(const std::string& path, XrmDatabase* target) {
    if (access(path.c_str(), R_OK) != 0) return;
    MergeInto(XrmGetFileDatabase(path.c_str()), target);
}

// The root window's RESOURCE_MANAGER property, read in chunks until nothing remains.
XrmDatabase ServerResources() {
    std::string text;
    long offset = 0;
    for (;;) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, RootWindow(display, DefaultScreen(display)),
                               XA_RESOURCE_MANAGER, offset, 80, False, XA_STRING, &type, &format,
                               &items, &after, &data) != Success)
            break;
        if (data) {
            text.append(reinterpret_cast<char*>(data), items);
            XFree(data);
        }
        if (type == None || after == 0 || items == 0) break;
        offset += (long)(items / 4);
    }
    return text.empty() ? nullptr : XrmGetStringDatabase(text.c_str());
}

void BuildDatabase(XrmDatabase commandLine) {
    const char* loadFrom = LookUp(commandLine, "loadResources", "LoadResources");
    if (loadFrom) {
        finalDB = XrmGetFileDatabase(loadFrom);
        XrmDestroyDatabase(commandLine);
        return;
    }
    XrmDatabase db = nullptr;
    for (const char* dir : kAppDefaultsDirs) {
        std::string path = std::string(dir) + kAppDefaultsFile;
        if (access(path.c_str(), R_OK) == 0) {
            MergeFile(path, &db);
            break;
        }
    }
    const char* home = gen_gethomedir();
    std::string homeDir = home ? home : "";
    char host[256] = "";
    gethostname(host, sizeof host - 1);
    MergeFile(homeDir + "/.Xdefaults-" + host, &db);
    if (const char* env = getenv("XENVIRONMENT")) MergeFile(env, &db);
    MergeFile(homeDir + "/.Xdefaults", &db);
    MergeInto(ServerResources(), &db);
    MergeInto(commandLine, &db);
    finalDB = db;
}

// Child programs must reach the same server as we do.
void ExportDisplay() {
    if (!debugFlag[kSwitchSetEnvWhenDisplayIsGiven]) return;
    const char* name = XDisplayName(display_name);
    const char* current = getenv("DISPLAY");
    if (name && (!current || strcmp(current, name) != 0)) setenv("DISPLAY", name, 1);
}

[[noreturn]] void ReportNoDisplay() {
    Statistics_Record("baddisplay", display_name);
    const char* name = programName.c_str();
    fprintf(stderr, "%s failed to start up in GUI mode\n", name);
    if (display_name[0]) fprintf(stderr, "Unknown display: %s\n", display_name);
    fprintf(stderr, "Check that your DISPLAY environment variable is set appropriately, or\n");
    fprintf(stderr, "enter the display name on the command line with '%s -display xxx'\n", name);
    fprintf(stderr, "This program is only available in GUI mode, so you must have an X server\n");
    fflush(stderr);
    gen_exit(1);
    gen_default_exit(1);
}

} // namespace

void WDrawPreInit(int* argc, char** argv) {
    SetNames(argv && *argc > 0 ? argv[0] : "");
    XrmInitialize();
    XrmDatabase commandLine = nullptr;
    XrmParseCommand(&commandLine, kOptionTable, (int)(sizeof kOptionTable / sizeof kOptionTable[0]),
                    programName.c_str(), argc, argv);
    if (const char* name = LookUp(commandLine, "display", "Display")) {
        strncpy(display_name, name, kDisplayNameSize - 1);
        display_name[kDisplayNameSize - 1] = '\0';
    }
    display = XOpenDisplay(display_name);
    if (!display) {
        XrmDestroyDatabase(commandLine);
        ReportNoDisplay();
    }
    WFontFaceDisplayOpened();
    ExportDisplay();
    BuildDatabase(commandLine);
    preInitCalled = true;
}

bool WDrawPreInitCalled() {
    return preInitCalled;
}

const char* WProgramName() {
    return programName.c_str();
}

const char* WClassName() {
    return className.c_str();
}

const char* WGetResource(const char* name, const char* className) {
    return LookUp(finalDB, name, className);
}

bool WGetResourceFlag(const char* name, const char* className) {
    const char* value = WGetResource(name, className);
    if (!value) return false;
    return strcasecmp(value, "on") == 0 || strcasecmp(value, "yes") == 0 ||
           strcasecmp(value, "true") == 0 || strcmp(value, "1") == 0;
}

void WDisplayReset() {
    if (finalDB) XrmDestroyDatabase(finalDB);
    finalDB = nullptr;
    preInitCalled = false;
    memset(display_name, 0, sizeof display_name);
}
