// The display's scale (see xscale.h). Quarters keep the layout's pixel arithmetic close to
// whole numbers; the floor of 1 keeps an ordinary screen (and Xvfb, whose millimetres are
// made up) at the sizes the layouts were designed for.
#include "windlib/x11/xscale.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cmath>
#include <cstdlib>

#include "shared/gen_messages.h"
#include "windlib/x11/xdisplay.h"

namespace {

const double kDesignDpi = 96.0;
const double kLeastOption = 0.5;
const double kMostOption = 8.0;

double scale = 1.0;

double FromDpi(double dpi) {
    double quarters = std::floor(dpi / kDesignDpi * 4.0 + 0.5) / 4.0;
    return quarters < 1.0 ? 1.0 : quarters;
}

// A positive number and nothing after it; 0 when the text is none.
double Number(const char* text) {
    if (!text) return 0;
    char* end = nullptr;
    double value = strtod(text, &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (end == text || !end || *end != '\0' || !(value > 0)) return 0;
    return value;
}

const char* XftDpiResource() {
    if (!finalDB) return nullptr;
    char* type = nullptr;
    XrmValue value;
    if (!XrmGetResource(finalDB, "Xft.dpi", "Xft.Dpi", &type, &value)) return nullptr;
    return value.addr;
}

} // namespace

double WScaleChoose(const char* option, const char* xftDpi, int widthPixels, int widthMm) {
    if (option) {
        double wanted = Number(option);
        if (wanted >= kLeastOption && wanted <= kMostOption) return wanted;
        gen_warning("Ignoring -scale \"%s\": give a number from 0.5 to 8", option);
    }
    double dpi = Number(xftDpi);
    if (dpi > 0) return FromDpi(dpi);
    if (widthPixels > 0 && widthMm > 0) return FromDpi(widthPixels * 25.4 / widthMm);
    return 1.0;
}

double WScale() {
    return scale;
}

int WScaled(int pixels) {
    double value = pixels * scale;
    return (int)(value < 0 ? -std::floor(-value + 0.5) : std::floor(value + 0.5));
}

void WScaleInit() {
    if (!display) return;
    int s = DefaultScreen(display);
    scale = WScaleChoose(WGetResource("scale", "Scale"), XftDpiResource(), DisplayWidth(display, s),
                         DisplayWidthMM(display, s));
}

void WScaleReset() {
    scale = 1.0;
}
