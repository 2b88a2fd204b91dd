// The window geometry register (see windowconfig.h): one record per configuration name with
// the remembered geometry and the windows open under that name, read from and written to
// "windowpos.ini". Start at WindowConfig_CreateWindow; the file is ReadFile and SaveFile, the
// window operations underneath are at the end.
#include "windlib/window/windowconfig.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shared/gen_fileio.h"
#include "shared/gen_filenames.h"
#include "shared/gen_fileops.h"
#include "shared/gen_hooks.h"
#include "shared/gen_messages.h"
#include "shared/gen_strings.h"
#include "windlib/config/config_dirs.h"
#include "windlib/config/config_tables.h"
#include "windlib/devenv_hooks.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xerrors.h"
#include "windlib/x11/xwindow.h"
#include "xswitch/xswitch.h"

namespace {

const char kFileName[] = "windowpos.ini";
const int kPairGrowth = 5;
const int kCascadeStep = 30;
// Far beyond any screen; keeps hand-edited values from overflowing the arithmetic.
const int kLargestCoordinate = 1000000;
const int kUnknown = INT_MIN;

struct Geometry {
    int x, y, width, height;
};

// The keys of the file, in the order they are written.
struct GeometryKey {
    const char* name;
    int Geometry::*field;
};
const GeometryKey kKeys[] = {{"x", &Geometry::x},
                             {"y", &Geometry::y},
                             {"width", &Geometry::width},
                             {"height", &Geometry::height}};
static_assert(sizeof kKeys / sizeof kKeys[0] == 4, "a geometry has four values");

// One open window under a name. Only stacking number 0 (the first window opened while no
// other was open) leaves its geometry behind.
struct WindowPair {
    Window window;
    int stacking;
};

struct WindowRecord {
    WindowRecord* next;
    char* name;      // compared without regard to case
    Geometry stored; // each value + 1; 0: not known
    WindowPair* windows;
    int count;
    int capacity;
};

WindowRecord* theRecords;
bool theDirty;    // a remembered geometry changed since the file was read
bool theFileRead; // the records of the file are in the list

bool XUsable() {
    return display && !WXConnectionLost();
}

// Queries about a window that may be gone already must not count as the program's X errors
// (the second of those ends it). Earlier requests are synced first so their errors still go
// to the program's own handler.
class QuietXErrors {
public:
    QuietXErrors() {
        XSync(display, False);
        previous_ = XSetErrorHandler(Note);
    }
    ~QuietXErrors() {
        XSync(display, False);
        XSetErrorHandler(previous_);
    }
    QuietXErrors(const QuietXErrors&) = delete;
    QuietXErrors& operator=(const QuietXErrors&) = delete;

private:
    static int Note(Display*, XErrorEvent*) { return 0; }
    XErrorHandler previous_;
};

int Remembered(int stored) {
    return stored ? stored - 1 : kUnknown;
}

int Stored(long value) {
    return (int)std::max(-(long)kLargestCoordinate, std::min((long)kLargestCoordinate, value)) + 1;
}

bool LiveGeometry(Window window, Geometry* g) {
    return WindowConfig_GetWindowGeometry(window, &g->x, &g->y, &g->width, &g->height);
}

// ---- Records ---------------------------------------------------------------------------

WindowRecord* FindRecord(const char* name) {
    for (WindowRecord* r = theRecords; r; r = r->next)
        if (gen_strequal(r->name, name)) return r;
    return nullptr;
}

WindowRecord* NewRecord(char* ownedName) {
    WindowRecord* r = static_cast<WindowRecord*>(gen_alloc(1, sizeof(WindowRecord)));
    r->name = ownedName;
    return r;
}

void AppendRecord(WindowRecord* record) {
    WindowRecord** end = &theRecords;
    while (*end) end = &(*end)->next;
    *end = record;
}

void FreeRecords() {
    while (WindowRecord* r = theRecords) {
        theRecords = r->next;
        gen_free(r->name);
        gen_free(r->windows);
        gen_free(r);
    }
}

int FindPair(const WindowRecord* r, Window window) {
    for (int i = 0; i < r->count; ++i)
        if (r->windows[i].window == window) return i;
    return -1;
}

int AppendPair(WindowRecord* r, Window window) {
    if (r->count == r->capacity) {
        r->capacity += kPairGrowth;
        r->windows = static_cast<WindowPair*>(
            gen_allocate(r->windows, (size_t)r->capacity, sizeof(WindowPair)));
    }
    int stacking = r->count ? r->windows[r->count - 1].stacking + 1 : 0;
    r->windows[r->count] = WindowPair{window, stacking};
    return r->count++;
}

void RemovePair(WindowRecord* r, int at) {
    memmove(&r->windows[at], &r->windows[at + 1], (size_t)(r->count - at - 1) * sizeof(WindowPair));
    --r->count;
}

// ---- The file ----------------------------------------------------------------------------

char* FilePath() {
    return gen_dconcat(cfg_GetUserConfigDir(false), kFileName);
}

// "key=value" for the current record; lines that do not parse are skipped.
void ReadValue(char* line, WindowRecord* current) {
    char* equals = strchr(line, '=');
    if (!current || !equals) return;
    *equals = '\0';
    for (const GeometryKey& key : kKeys) {
        if (gen_stricmp(line, key.name) != 0) continue;
        char* end = nullptr;
        long value = (long)strtoul(equals + 1, &end, 0);
        if (end != equals + 1) current->stored.*key.field = Stored(value);
        return;
    }
}

void ReadLine(char* line, WindowRecord** current) {
    line += strspn(line, " \t\r\n");
    if (*line == '[') {
        line += 1 + strspn(line + 1, " \t");
        WindowRecord* r = NewRecord(gen_copyn(line, (int)strcspn(line, "]\r\n")));
        AppendRecord(r);
        *current = r;
    } else if (*line) {
        ReadValue(line, *current);
    }
}

void ReadFile() {
    char* path = FilePath();
    char* text = nullptr;
    long size = 0;
    int status = gen_readfile_into_buffer(path, &text, &size);
    gen_free(path);
    if (status != 0) return;
    WindowRecord* current = nullptr;
    for (char* line = text; line < text + size;) {
        char* end = static_cast<char*>(memchr(line, '\n', (size_t)(text + size - line)));
        if (!end) end = text + size; // the buffer is terminated one past its size
        *end = '\0';
        ReadLine(line, &current);
        line = end + 1;
    }
    free(text);
}

void SaveFile() {
    const char* dir = cfg_GetUserConfigDir(false);
    if (!gen_isdir(dir)) gen_createdir_recursive(dir, 0755);
    char* path = FilePath();
    FILE* file = fopen(path, "w");
    gen_free(path);
    if (!file) return;
    for (const WindowRecord* r = theRecords; r; r = r->next) {
        fprintf(file, "[%s]\n", r->name);
        for (const GeometryKey& key : kKeys)
            if (r->stored.*key.field) fprintf(file, "%s=%d\n", key.name, r->stored.*key.field - 1);
        fprintf(file, "\n");
    }
    fclose(file);
}

// ---- Placing windows ---------------------------------------------------------------------

// A later window under a name: the size of the first, the position of the one before plus
// the cascade step, pulled back to the left or top edge when it would leave the display.
int Cascade(const WindowRecord* r, int at, Window window, bool ignoreSize, bool ignorePosition) {
    Geometry own;
    if (!LiveGeometry(window, &own)) return 0;
    Geometry g = {kUnknown, kUnknown, kUnknown, kUnknown};
    if (!ignoreSize) {
        Geometry first;
        if (r->windows[0].stacking == 0 && LiveGeometry(r->windows[0].window, &first)) {
            g = first;
        } else {
            g.width = Remembered(r->stored.width);
            g.height = Remembered(r->stored.height);
        }
    }
    // Unknown (kUnknown is negative) or unusable: the window's own.
    if (g.width < 1) g.width = own.width;
    if (g.height < 1) g.height = own.height;

    Window previous = r->windows[at - 1].window;
    Geometry before;
    if (ignorePosition || !LiveGeometry(previous, &before)) {
        g.x = own.x;
        g.y = own.y;
    } else {
        g.x = before.x + kCascadeStep;
        g.y = before.y + kCascadeStep;
    }
    int displayWidth = WDisplayWidth(), displayHeight = WDisplayHeight();
    g.width = std::min(g.width, displayWidth);
    g.height = std::min(g.height, displayHeight);
    int left, top, right, bottom;
    WWindowGetFrameSize(previous, &left, &top, &right, &bottom);
    if (g.x < 0 || g.x + g.width + left + right > displayWidth) g.x = 0;
    if (g.y < 0 || g.y + g.height + top + bottom > displayHeight) g.y = 0;
    WindowConfig_SetWindowGeometry(window, g.x, g.y, g.width, g.height);
    return 1;
}

// The first window under a name gets what is remembered; the window fills in the rest.
int Restore(const WindowRecord* r, Window window, bool ignoreSize, bool ignorePosition) {
    Geometry g = {kUnknown, kUnknown, kUnknown, kUnknown};
    if (!ignorePosition) {
        g.x = Remembered(r->stored.x);
        g.y = Remembered(r->stored.y);
    }
    if (!ignoreSize) {
        g.width = Remembered(r->stored.width);
        g.height = Remembered(r->stored.height);
    }
    bool anyKnown = false;
    for (const GeometryKey& key : kKeys) anyKnown = anyKnown || g.*key.field != kUnknown;
    if (!anyKnown) return 0;
    Geometry own;
    if (!LiveGeometry(window, &own)) return 0;
    for (const GeometryKey& key : kKeys)
        if (g.*key.field == kUnknown) g.*key.field = own.*key.field;
    WAdjustWindow(&g.x, &g.y, &g.width, &g.height);
    WindowConfig_SetWindowGeometry(window, g.x, g.y, g.width, g.height);
    return 1;
}

// The first window's geometry goes into the record; a difference makes the file dirty.
void Remember(WindowRecord* r, Window window) {
    Geometry g;
    if (!LiveGeometry(window, &g)) return;
    g.x = std::max(g.x, 0);
    g.y = std::max(g.y, 0);
    for (const GeometryKey& key : kKeys) {
        int stored = Stored(g.*key.field);
        if (r->stored.*key.field == stored) continue;
        r->stored.*key.field = stored;
        theDirty = true;
    }
}

int WrapInto(int value, int size) {
    if (size <= 0 || (value >= 0 && value < size)) return value;
    int rest = value % size;
    return rest < 0 ? rest + size : rest;
}

} // namespace

void WindowConfig_Init() {
    if (!display || theFileRead || debugFlag[kSwitchDashRunFixes] || debugFlag[kSwitchMRUService])
        return;
    theFileRead = true;
    ReadFile();
}

void WindowConfig_Exit() {
    if (!display || debugFlag[kSwitchMRUService]) return;
    // Without the file's records in the list a save would drop them.
    if (theDirty && theFileRead && cfg_rememberwindowpositions && !debugFlag[kSwitchDashRunFixes])
        SaveFile();
    FreeRecords();
    theDirty = false;
    theFileRead = false;
}

int WindowConfig_UserGeometry(int* x, int* y, int* width, int* height) {
    static std::string reported;
    if (!cfg_geometry || !*cfg_geometry) return 0;
    int gx = 0, gy = 0;
    unsigned gw = 0, gh = 0;
    int parsed = XParseGeometry(cfg_geometry, &gx, &gy, &gw, &gh);
    if (!(parsed & (XValue | YValue | WidthValue | HeightValue))) {
        if (reported != cfg_geometry)
            gen_warning("Ignoring the geometry \"%s\": give WIDTHxHEIGHT+X+Y", cfg_geometry);
        reported = cfg_geometry;
        return 0;
    }
    int given = 0;
    if ((parsed & WidthValue) && gw > 0) *width = (int)gw, given |= kUserGeometrySize;
    if ((parsed & HeightValue) && gh > 0) *height = (int)gh, given |= kUserGeometrySize;
    if (parsed & XValue) {
        *x = (parsed & XNegative) ? WDisplayWidth() - *width + gx : gx;
        given |= kUserGeometryPosition;
    }
    if (parsed & YValue) {
        *y = (parsed & YNegative) ? WDisplayHeight() - *height + gy : gy;
        given |= kUserGeometryPosition;
    }
    return given;
}

int WindowConfig_CreateWindow(const char* name, Window window, bool ignoreSize,
                              bool ignorePosition) {
    if (!name || !window) return 0;
    int x = 0, y = 0, width = 0, height = 0;
    int given = WindowConfig_UserGeometry(&x, &y, &width, &height);
    ignoreSize = ignoreSize || (given & kUserGeometrySize);
    ignorePosition = ignorePosition || (given & kUserGeometryPosition);
    if (debugFlag[kSwitchMRUService])
        return MRUService_CreateWindow(name, window, ignoreSize, ignorePosition);
    WindowRecord* r = FindRecord(name);
    if (!r) {
        r = NewRecord(gen_copy(name));
        r->next = theRecords;
        theRecords = r;
    }
    int at = FindPair(r, window);
    if (at < 0) at = AppendPair(r, window);
    if (!cfg_rememberwindowpositions) return 0;
    if (at > 0) return Cascade(r, at, window, ignoreSize, ignorePosition);
    return Restore(r, window, ignoreSize, ignorePosition);
}

void WindowConfig_DestroyWindow(const char* name, Window window) {
    if (!name || !window) return;
    if (debugFlag[kSwitchMRUService]) {
        MRUService_DestroyWindow(name, window);
        return;
    }
    WindowRecord* r = FindRecord(name);
    int at = r ? FindPair(r, window) : -1;
    if (at < 0) return;
    if (r->windows[at].stacking == 0) Remember(r, window);
    RemovePair(r, at);
}

void WindowConfig_GetGeometry(const char* name, int* x, int* y, int* width, int* height,
                              bool storedOnly) {
    *x = *y = *width = *height = -1;
    if (!name) return;
    if (debugFlag[kSwitchMRUService]) {
        MRUService_GetGeometry(name, x, y, width, height, storedOnly);
        return;
    }
    const WindowRecord* r = FindRecord(name);
    if (!r) return;
    if (!storedOnly && r->count > 0 && r->windows[0].stacking == 0 &&
        WindowConfig_GetWindowGeometry(r->windows[0].window, x, y, width, height))
        return;
    Geometry g = r->stored;
    *x = g.x ? g.x - 1 : -1;
    *y = g.y ? g.y - 1 : -1;
    *width = g.width ? g.width - 1 : -1;
    *height = g.height ? g.height - 1 : -1;
}

bool WindowConfig_GetWindowGeometry(Window window, int* x, int* y, int* width, int* height) {
    *x = *y = *width = *height = -1;
    if (!XUsable() || !window) return false;
    QuietXErrors quiet;
    Geometry g;
    if (!WWindowGetGeometry(window, &g.x, &g.y, &g.width, &g.height)) return false;
    Window frame = WParentissimus(window);
    Geometry outer;
    if (frame != window &&
        WWindowGetGeometry(frame, &outer.x, &outer.y, &outer.width, &outer.height)) {
        g.x = outer.x;
        g.y = outer.y;
    }
    *x = WrapInto(g.x, WDisplayWidth());
    *y = WrapInto(g.y, WDisplayHeight());
    *width = g.width;
    *height = g.height;
    return true;
}

void WindowConfig_SetWindowGeometry(Window window, int x, int y, int width, int height) {
    if (!XUsable() || !window) return;
    Window frame = WParentissimus(window);
    if (frame != window) {
        WWindowResize(window, width, height);
        WWindowMove(frame, x, y);
    } else {
        WWindowConfigure(window, x, y, width, height);
    }
    WWindowSetSizehints(window, x, y, width, height);
}

// ---- Window operations ---------------------------------------------------------------------

int WDisplayWidth() {
    return screen_width;
}

int WDisplayHeight() {
    return screen_height;
}

Window WParentissimus(Window w) {
    if (!XUsable() || !w) return w;
    QuietXErrors quiet;
    for (Window current = w;;) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, current, &root, &parent, &children, &count)) return current;
        if (children) XFree(children);
        if (!parent || parent == root) return current;
        current = parent;
    }
}

void WWindowGetFrameSize(Window w, int* left, int* top, int* right, int* bottom) {
    *left = *top = *right = *bottom = 0;
    Window frame = WParentissimus(w);
    if (frame == w) return;
    QuietXErrors quiet;
    Geometry inner, outer;
    if (!WWindowGetGeometry(w, &inner.x, &inner.y, &inner.width, &inner.height) ||
        !WWindowGetGeometry(frame, &outer.x, &outer.y, &outer.width, &outer.height))
        return;
    *left = inner.x - outer.x;
    *top = inner.y - outer.y;
    *right = outer.width - inner.width - *left;
    *bottom = outer.height - inner.height - *top;
}

void WWindowConfigure(Window w, int x, int y, int width, int height) {
    if (!XUsable() || !w) return;
    if (width < 1 || height < 1)
        XMoveWindow(display, w, x, y);
    else
        XMoveResizeWindow(display, w, x, y, (unsigned)width, (unsigned)height);
}

void WWindowSetSizehints(Window w, int x, int y, int width, int height) {
    if (!XUsable() || !w) return;
    QuietXErrors quiet;
    XSizeHints hints;
    long supplied = 0;
    if (!XGetWMNormalHints(display, w, &hints, &supplied)) hints.flags = 0;
    hints.flags = (hints.flags & ~(PPosition | PSize)) | USPosition | USSize;
    hints.x = x;
    hints.y = y;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(display, w, &hints);
}

void WAdjustWindow(int* x, int* y, int* width, int* height) {
    int displayWidth = WDisplayWidth(), displayHeight = WDisplayHeight();
    if (*width > displayWidth) *width = displayWidth;
    if (*height > displayHeight) *height = displayHeight;
    if (*x + *width > displayWidth) *x -= *x + *width - displayWidth;
    if (*y + *height > displayHeight) *y -= *y + *height - displayHeight;
    if (*x < 0) *x = 0;
    if (*y < 0) *y = 0;
    if (*width < 1) *width = 100;
    if (*height < 1) *height = 40;
}
