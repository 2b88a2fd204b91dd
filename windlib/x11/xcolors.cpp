// Colour allocation (see xcolors.h): computed pixels on true-colour visuals, reference-
// counted read-only cells with nearest-colour fallback on colour-mapped ones.
#include "windlib/x11/xcolors.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "shared/gen_messages.h"
#include "windlib/config/config_display.h"
#include "windlib/config/config_tables.h"
#include "windlib/wreport.h"
#include "windlib/x11/xdisplay.h"

unsigned long black_pixel, white_pixel, grey_pixel, fg_pixel, bg_pixel;
unsigned long control_pixel, select_pixel, shadow_pixel, light_pixel;

namespace {

const int kNeverFree = 1000000;

struct Allocation {
    unsigned long pixel;
    int refs;
};

std::map<uint64_t, Allocation> byColor; // key: r << 32 | g << 16 | b
std::map<unsigned long, uint64_t> byPixel;
long serverAllocations = 0;

struct Shades {
    unsigned long light, dark;
};
std::map<unsigned long, Shades> shadesOf; // by background pixel

// Luminance bounds (0-255) past which a background has no room to shade one way.
const int kLightBackground = 200;
const int kDarkBackground = 80;

uint64_t Key(unsigned short r, unsigned short g, unsigned short b) {
    return (uint64_t)r << 32 | (uint64_t)g << 16 | b;
}

bool IsTrueColor() {
    return visual && (visual->c_class == TrueColor || visual->c_class == DirectColor);
}

unsigned long ShiftInto(unsigned short component, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!(mask & 1UL << shift)) ++shift;
    int bits = 0;
    while (shift + bits < 64 && (mask & 1UL << (shift + bits))) ++bits;
    unsigned long value = bits >= 16 ? (unsigned long)component << (bits - 16)
                                     : (unsigned long)component >> (16 - bits);
    return (value << shift) & mask;
}

long Distance(const XColor& a, unsigned short r, unsigned short g, unsigned short b) {
    long dr = 3 * ((a.red >> 8) - (r >> 8));
    long dg = 6 * ((a.green >> 8) - (g >> 8));
    long db = (a.blue >> 8) - (b >> 8);
    return dr * dr + dg * dg + db * db;
}

// The full colour map: the existing colours, nearest first; the first that can be shared
// read-only wins.
bool AllocNearest(Colormap cmap, unsigned short r, unsigned short g, unsigned short b,
                  XColor* got) {
    int cells = visual->map_entries;
    std::vector<XColor> all(cells);
    for (int i = 0; i < cells; ++i) {
        all[i].pixel = (unsigned long)i;
        all[i].flags = DoRed | DoGreen | DoBlue;
    }
    XQueryColors(display, cmap, all.data(), cells);
    std::stable_sort(all.begin(), all.end(), [&](const XColor& x, const XColor& y) {
        return Distance(x, r, g, b) < Distance(y, r, g, b);
    });
    for (XColor candidate : all) {
        ++serverAllocations;
        if (XAllocColor(display, cmap, &candidate)) {
            *got = candidate;
            gen_warning("WAllocateColor: Using %04x %04x %04x (pixel %02x) instead of %04x %04x "
                        "%04x\n",
                        candidate.red, candidate.green, candidate.blue, (unsigned)candidate.pixel,
                        r, g, b);
            return true;
        }
    }
    return false;
}

unsigned short FromMask(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!(mask & 1UL << shift)) ++shift;
    unsigned long most = mask >> shift;
    return (unsigned short)(((pixel & mask) >> shift) * 65535UL / most);
}

// The colour of a pixel: computed on true-colour visuals, else from the tables or asked.
void ColorOf(unsigned long pixel, unsigned short* r, unsigned short* g, unsigned short* b) {
    if (IsTrueColor()) {
        *r = FromMask(pixel, visual->red_mask);
        *g = FromMask(pixel, visual->green_mask);
        *b = FromMask(pixel, visual->blue_mask);
        return;
    }
    auto known = byPixel.find(pixel);
    if (known != byPixel.end()) {
        *r = (unsigned short)(known->second >> 32);
        *g = (unsigned short)(known->second >> 16);
        *b = (unsigned short)known->second;
        return;
    }
    XColor c;
    c.pixel = pixel;
    XQueryColor(display, DefaultColormap(display, screen), &c);
    *r = c.red, *g = c.green, *b = c.blue;
}

unsigned short Toward(unsigned short c, unsigned short target, double amount) {
    return (unsigned short)(c + (target - c) * amount);
}

// `amount` of the way to white (positive) or to black (negative).
unsigned long Shade(unsigned short r, unsigned short g, unsigned short b, double amount) {
    unsigned short to = amount > 0 ? 65535 : 0;
    double a = amount > 0 ? amount : -amount;
    return WAllocateColor(Toward(r, to, a), Toward(g, to, a), Toward(b, to, a));
}

unsigned long Record(uint64_t key, unsigned long pixel) {
    Allocation a = {pixel, 1};
    if (byPixel.count(pixel)) {
        // Two colours on one pixel: neither may ever give it back.
        a.refs = kNeverFree;
        byColor[byPixel[pixel]].refs = kNeverFree;
        gen_warning("Unpleasant duplication of pixel %02lx", pixel);
    } else {
        byPixel[pixel] = key;
    }
    byColor[key] = a;
    return pixel;
}

struct ColorResource {
    const char* name;
    const char* className;
    unsigned long* pixel;
};
const ColorResource kBackgroundResource = {"background", "Background", &bg_pixel};
const ColorResource kForegroundResource = {"foreground", "Foreground", &fg_pixel};

bool HookDisplayUp() {
    return XWindowsOn;
}
bool HookColorsUsable() {
    return depth > 1 && !cfg_blackwhite;
}
bool HookParseColor(const char* text, unsigned long* pixel) {
    return WParseColor(text, pixel);
}
void HookFreePixel(unsigned long pixel) {
    WFreeColor(pixel);
}
void HookRecompute() {
    WDrawInitColors();
}
void HookAlert(const char* text) {
    WReportAlert(text);
}

} // namespace

unsigned long WAllocateColor(unsigned short r, unsigned short g, unsigned short b) {
    if (!display) return 0;
    if (IsTrueColor())
        return ShiftInto(r, visual->red_mask) | ShiftInto(g, visual->green_mask) |
               ShiftInto(b, visual->blue_mask);
    uint64_t key = Key(r, g, b);
    auto found = byColor.find(key);
    if (found != byColor.end()) {
        if (found->second.refs < kNeverFree) ++found->second.refs;
        return found->second.pixel;
    }
    Colormap cmap = DefaultColormap(display, screen);
    XColor want;
    want.red = r;
    want.green = g;
    want.blue = b;
    want.flags = DoRed | DoGreen | DoBlue;
    ++serverAllocations;
    if (!XAllocColor(display, cmap, &want) && !AllocNearest(cmap, r, g, b, &want))
        return BlackPixel(display, screen);
    return Record(key, want.pixel);
}

void WBevelShades(unsigned long background, unsigned long* light, unsigned long* dark) {
    auto cached = shadesOf.find(background);
    if (cached == shadesOf.end() && display) {
        unsigned short r = 0, g = 0, b = 0;
        ColorOf(background, &r, &g, &b);
        int lum = (int)((299L * r + 587L * g + 114L * b) / 1000 >> 8);
        Shades s;
        if (lum >= kLightBackground)
            s = {Shade(r, g, b, -0.22), Shade(r, g, b, -0.55)};
        else if (lum <= kDarkBackground)
            s = {Shade(r, g, b, 0.55), Shade(r, g, b, 0.25)};
        else
            s = {Shade(r, g, b, 0.6), Shade(r, g, b, -0.45)};
        cached = shadesOf.emplace(background, s).first;
    }
    *light = cached != shadesOf.end() ? cached->second.light : white_pixel;
    *dark = cached != shadesOf.end() ? cached->second.dark : black_pixel;
}

void WFreeColor(unsigned long pixel) {
    if (!display || IsTrueColor()) return;
    auto p = byPixel.find(pixel);
    if (p == byPixel.end()) return;
    auto c = byColor.find(p->second);
    if (c == byColor.end() || c->second.refs >= kNeverFree) return;
    if (--c->second.refs > 0) return;
    XFreeColors(display, DefaultColormap(display, screen), &pixel, 1, 0);
    byColor.erase(c);
    byPixel.erase(p);
}

bool WParseColor(const char* text, unsigned long* pixel) {
    if (!display || !text) return false;
    XColor color;
    if (!XParseColor(display, DefaultColormap(display, screen), text, &color)) return false;
    *pixel = WAllocateColor(color.red, color.green, color.blue);
    return true;
}

long WColorServerAllocations() {
    return serverAllocations;
}

void WDrawInitColors() {
    if (!display) return;
    shadesOf.clear();
    black_pixel = BlackPixel(display, screen);
    white_pixel = WhitePixel(display, screen);
    grey_pixel = WAllocateColor(0x8080, 0x8080, 0x8080);
    fg_pixel = black_pixel;
    bg_pixel = WAllocateColor(0xe8e8, 0xe8e8, 0xe8e8);
    control_pixel = WAllocateColor(0xc0c0, 0xc0c0, 0xc0c0);
    select_pixel = WAllocateColor(0, 0, 0x8080);
    // The configuration's colours, once it has allocated them.
    if (cfg_foreground) WParseColor(cfg_foreground, &fg_pixel);
    if (cfg_background) WParseColor(cfg_background, &bg_pixel);
    if (cfg_controlcolor) WParseColor(cfg_controlcolor, &control_pixel);
    if (cfg_select) WParseColor(cfg_select, &select_pixel);
    // -bg and -fg (the resources "background" and "foreground") win over the configuration.
    for (auto* resource : {&kBackgroundResource, &kForegroundResource}) {
        const char* text = WGetResource(resource->name, resource->className);
        if (text && !WParseColor(text, resource->pixel))
            gen_warning("Ignoring the %s \"%s\": it is no colour", resource->name, text);
    }
    WBevelShades(bg_pixel, &light_pixel, &shadow_pixel);
}

void WInstallColorConfigHooks() {
    cfg_displayHooks.displayUp = HookDisplayUp;
    cfg_displayHooks.colorsUsable = HookColorsUsable;
    cfg_displayHooks.parseColor = HookParseColor;
    cfg_displayHooks.freePixel = HookFreePixel;
    cfg_displayHooks.recomputeColors = HookRecompute;
    cfg_displayHooks.alert = HookAlert;
}

void WColorsReset() {
    shadesOf.clear();
    byColor.clear();
    byPixel.clear();
}
