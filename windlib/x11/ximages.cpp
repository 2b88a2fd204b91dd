// The built-in images as X bitmap data (one bit a pixel, rows padded to whole bytes, least
// significant bit leftmost). The pictures are simple line art drawn for this toolkit.
#include "windlib/x11/ximages.h"

#include <cstring>
#include <vector>

#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xscale.h"
#include "windlib/x11/xstatemanager.h"

namespace {

// 32 x 32: a ringed planet, the program's emblem and window icon.
const unsigned char kOrbitPic[] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xe0, 0x07, 0x00, 0x00, 0xfc, 0x3f, 0x00,
    0x00, 0x1f, 0xf8, 0x00, 0x80, 0x03, 0xc0, 0x01, 0xc0, 0x01, 0x80, 0x03, 0xe0, 0x00, 0x00, 0x07,
    0x60, 0x00, 0x00, 0x06, 0x70, 0x00, 0x00, 0x0e, 0x30, 0x00, 0x00, 0x0c, 0xfe, 0xff, 0xff, 0x7f,
    0xff, 0xff, 0xff, 0xff, 0x03, 0x00, 0x00, 0xc0, 0xfe, 0xff, 0xff, 0x7f, 0x30, 0x00, 0x00, 0x0c,
    0x30, 0x00, 0x00, 0x0c, 0x70, 0x00, 0x00, 0x0e, 0x60, 0x00, 0x00, 0x06, 0xe0, 0x00, 0x00, 0x07,
    0xc0, 0x01, 0x80, 0x03, 0x80, 0x03, 0xc0, 0x01, 0x00, 0x1f, 0xf8, 0x00, 0x00, 0xfc, 0x3f, 0x00,
    0x00, 0xe0, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
static_assert(sizeof kOrbitPic == 32 * 32 / 8, "ORBITPIC is 32 x 32");

// 16 x 16: a circular arrow, "start again".
const unsigned char kRestart3[] = {0x00, 0x00, 0xc0, 0x03, 0xf0, 0x4f, 0x38, 0x7c, 0x0c, 0x70, 0x0c,
                                   0x78, 0x06, 0x00, 0x06, 0x00, 0x06, 0x00, 0x06, 0x60, 0x0c, 0x30,
                                   0x0c, 0x30, 0x38, 0x1c, 0xf0, 0x0f, 0xc0, 0x03, 0x00, 0x00};
static_assert(sizeof kRestart3 == 16 * 16 / 8, "restart3 is 16 x 16");

// 9 x 9 boxes with a plus and a minus, for tree expanders.
const unsigned char kPlus9[] = {0xff, 0x01, 0x01, 0x01, 0x11, 0x01, 0x11, 0x01, 0x7d,
                                0x01, 0x11, 0x01, 0x11, 0x01, 0x01, 0x01, 0xff, 0x01};
const unsigned char kMinus9[] = {0xff, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x7d,
                                 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0xff, 0x01};
static_assert(sizeof kPlus9 == 2 * 9 && sizeof kMinus9 == 2 * 9, "plus9/minus9 are 9 x 9");

// 16 x 16: a folder with an upward arrow, and a folder with a page.
const unsigned char kUpDir[] = {0x00, 0x00, 0x00, 0x00, 0x3e, 0x00, 0x41, 0x00, 0xff, 0x7f, 0x01,
                                0x41, 0x81, 0x43, 0xc1, 0x47, 0x01, 0x41, 0x01, 0x41, 0x01, 0x41,
                                0x01, 0x40, 0x01, 0x40, 0xff, 0x7f, 0x00, 0x00, 0x00, 0x00};
const unsigned char kShowFiles[] = {
    0x00, 0x00, 0x00, 0x00, 0x3e, 0x00, 0x41, 0x00, 0xff, 0x7f, 0x01, 0x40, 0xf1, 0x43, 0x11, 0x46,
    0x11, 0x44, 0xd1, 0x45, 0x11, 0x44, 0xd1, 0x45, 0xf1, 0x47, 0xff, 0x7f, 0x00, 0x00, 0x00, 0x00};
static_assert(sizeof kUpDir == 32 && sizeof kShowFiles == 32, "updir/showfiles are 16 x 16");

struct Builtin {
    WImage image;
    const unsigned char* bits;
};

Builtin builtins[] = {
    {{"ORBITPIC", 32, 32, None}, kOrbitPic}, {{"restart3", 16, 16, None}, kRestart3},
    {{"plus9", 9, 9, None}, kPlus9},         {{"minus9", 9, 9, None}, kMinus9},
    {{"updir", 16, 16, None}, kUpDir},       {{"showfiles", 16, 16, None}, kShowFiles},
};
const int kNumBuiltins = sizeof builtins / sizeof builtins[0];
static_assert(sizeof builtins / sizeof builtins[0] == 6, "six built-in images");

// The images' own sizes; the table's sizes follow the display's scale.
struct DesignSize {
    int width, height;
};
DesignSize designSizes[kNumBuiltins];
bool designSizesKept = false;

// The bits of an image `scale` times as large, each target pixel taking the source pixel it
// falls on (rows padded to whole bytes, least significant bit leftmost, as X bitmaps are).
std::vector<unsigned char> ScaledBits(const unsigned char* bits, int width, int height, int toWidth,
                                      int toHeight) {
    int rowBytes = (width + 7) / 8, toRowBytes = (toWidth + 7) / 8;
    std::vector<unsigned char> out((size_t)toRowBytes * toHeight, 0);
    for (int y = 0; y < toHeight; ++y) {
        int sy = y * height / toHeight;
        for (int x = 0; x < toWidth; ++x) {
            int sx = x * width / toWidth;
            if (bits[sy * rowBytes + sx / 8] & (1 << (sx % 8)))
                out[(size_t)y * toRowBytes + x / 8] |= (unsigned char)(1 << (x % 8));
        }
    }
    return out;
}

} // namespace

bool WDrawInitImages() {
    if (!display) return false;
    if (!designSizesKept) {
        for (int i = 0; i < kNumBuiltins; ++i)
            designSizes[i] = {builtins[i].image.width, builtins[i].image.height};
        designSizesKept = true;
    }
    Window root = RootWindow(display, screen);
    for (int i = 0; i < kNumBuiltins; ++i) {
        Builtin& b = builtins[i];
        if (b.image.bitmap) continue;
        const DesignSize& design = designSizes[i];
        b.image.width = WScaled(design.width);
        b.image.height = WScaled(design.height);
        std::vector<unsigned char> bits =
            ScaledBits(b.bits, design.width, design.height, b.image.width, b.image.height);
        b.image.bitmap = XCreateBitmapFromData(display, root, (const char*)bits.data(),
                                               (unsigned)b.image.width, (unsigned)b.image.height);
        if (!b.image.bitmap) return false;
    }
    return true;
}

void WDrawFreeImages() {
    for (Builtin& b : builtins) {
        if (b.image.bitmap && display) XFreePixmap(display, b.image.bitmap);
        b.image.bitmap = None;
    }
}

const WImage* WFindImage(const char* name) {
    if (!name) return nullptr;
    for (const Builtin& b : builtins)
        if (strcmp(b.image.name, name) == 0) return &b.image;
    return nullptr;
}

void WDrawImage(Window w, const WImage* image, int x, int y) {
    if (!display || !stateManager || !image || !image->bitmap) return;
    XCopyPlane(display, image->bitmap, stateManager->getMappedDrawable(w), stateManager->getGC(w),
               0, 0, (unsigned)image->width, (unsigned)image->height, x, y, 1);
}

int WNumImages() {
    return kNumBuiltins;
}
