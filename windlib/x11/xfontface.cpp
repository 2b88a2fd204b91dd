// Font faces (see xfontface.h): opening through the server or through fontconfig and Xft,
// the metrics of either kind, widths from a per-face table of advances (text is measured
// far more often than drawn), and drawing runs of text. Xft draws through one XftDraw per
// window, kept until the window goes: its picture dies with the window on the server, so it
// must be released first. Start at WFontFaceOpen.
#include "windlib/x11/xfontface.h"

#include <X11/Xft/Xft.h>
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xerrors.h"
#include "windlib/x11/xscale.h"
#include "windlib/x11/xstatemanager.h"

struct WFontFace {
    XFontStruct* core = nullptr;
    XftFont* xft = nullptr;
    short advance[256]; // Xft: per byte, -1 until measured
};

namespace {

const double kDesignDpi = 96.0;

// Nothing is sent on a connection that is gone; the server freed everything with it.
bool CanTalk() {
    return display && !WXConnectionLost();
}

// ---- XLFD names --------------------------------------------------------------------------

enum Kind { kMono, kSans, kSerif };

const char* const kGenericOf[] = {"DejaVu Sans Mono,monospace", "DejaVu Sans,sans-serif",
                                  "DejaVu Serif,serif"};

// The families of the classic X fonts, by the kind of face that stands in for them.
struct ClassicFamily {
    const char* name;
    Kind kind;
};
const ClassicFamily kClassicFamilies[] = {
    {"fixed", kMono},    {"courier", kMono}, {"lucidatypewriter", kMono},
    {"terminal", kMono}, {"clean", kMono},   {"helvetica", kSans},
    {"lucida", kSans},   {"arial", kSans},   {"times", kSerif},
    {"charter", kSerif}, {"utopia", kSerif}, {"new century schoolbook", kSerif},
};
static_assert(sizeof kClassicFamilies / sizeof kClassicFamilies[0] == 12, "classic families");

// XLFD weight names and the fontconfig constants that mean the same.
struct NamePair {
    const char* xlfd;
    const char* fontconfig;
};
const NamePair kWeights[] = {
    {"medium", "regular"},        {"regular", "regular"},     {"normal", "regular"},
    {"book", "regular"},          {"bold", "bold"},           {"demibold", "demibold"},
    {"demi", "demibold"},         {"semibold", "demibold"},   {"light", "light"},
    {"extralight", "extralight"}, {"thin", "thin"},           {"black", "black"},
    {"heavy", "black"},           {"extrabold", "extrabold"}, {"ultrabold", "extrabold"},
};
static_assert(sizeof kWeights / sizeof kWeights[0] == 15, "weight names");
const NamePair kSlants[] = {{"r", "roman"}, {"i", "italic"}, {"o", "oblique"}};

const char* const kGenericFamilies[] = {"sans",  "sans-serif", "sans serif",
                                        "serif", "monospace",  "mono"};

// XLFD fields after the leading '-'.
enum XlfdField {
    kFoundry,
    kFamily,
    kWeight,
    kSlant,
    kSetWidth,
    kAddStyle,
    kPixelSize,
    kPointSize,
    kResX,
    kResY,
    kSpacing,
    kAverageWidth,
    kRegistry,
    kEncoding,
    kNumXlfdFields
};

std::vector<std::string> SplitXlfd(const char* xlfd) {
    std::vector<std::string> fields;
    const char* p = xlfd + 1;
    while (fields.size() < kNumXlfdFields) {
        const char* dash = strchr(p, '-');
        fields.push_back(dash ? std::string(p, dash) : std::string(p));
        if (!dash) break;
        p = dash + 1;
    }
    fields.resize(kNumXlfdFields);
    return fields;
}

bool Given(const std::string& field) {
    return !field.empty() && field != "*" && field != "?";
}

const char* Lookup(const NamePair* table, size_t count, const std::string& name) {
    for (size_t i = 0; i < count; ++i)
        if (strcasecmp(table[i].xlfd, name.c_str()) == 0) return table[i].fontconfig;
    return nullptr;
}

// A positive whole number, else 0.
long Positive(const std::string& field) {
    if (field.empty()) return 0;
    char* end = nullptr;
    long value = strtol(field.c_str(), &end, 10);
    return end && *end == '\0' && value > 0 ? value : 0;
}

std::string EscapedFamily(const std::string& family) {
    std::string out;
    for (char c : family) {
        if (c == '\\' || c == '-' || c == ':' || c == ',') out += '\\';
        out += c;
    }
    return out;
}

std::string FamilyFor(const std::string& family) {
    for (const ClassicFamily& classic : kClassicFamilies)
        if (strcasecmp(classic.name, family.c_str()) == 0) return kGenericOf[classic.kind];
    return EscapedFamily(family);
}

// ---- Opening -----------------------------------------------------------------------------

bool IsGeneric(const char* family) {
    for (const char* generic : kGenericFamilies)
        if (strcasecmp(generic, family) == 0) return true;
    return false;
}

// The requested families name a face the match has, or leave the choice to fontconfig.
bool FamilyAnswered(FcPattern* requested, FcPattern* match) {
    FcChar8* wanted = nullptr;
    if (FcPatternGetString(requested, FC_FAMILY, 0, &wanted) != FcResultMatch) return true;
    for (int i = 0; FcPatternGetString(requested, FC_FAMILY, i, &wanted) == FcResultMatch; ++i) {
        if (IsGeneric((const char*)wanted)) return true;
        FcChar8* got = nullptr;
        for (int k = 0; FcPatternGetString(match, FC_FAMILY, k, &got) == FcResultMatch; ++k)
            if (strcasecmp((const char*)wanted, (const char*)got) == 0) return true;
    }
    return false;
}

// Pixel sizes in a name are design pixels; point sizes follow the scaled resolution.
void ApplyScale(FcPattern* pattern) {
    double pixels = 0;
    if (FcPatternGetDouble(pattern, FC_PIXEL_SIZE, 0, &pixels) == FcResultMatch) {
        FcPatternDel(pattern, FC_PIXEL_SIZE);
        FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixels * WScale());
    }
    FcPatternDel(pattern, FC_DPI);
    FcPatternAddDouble(pattern, FC_DPI, kDesignDpi * WScale());
}

XftFont* OpenXft(const std::string& name) {
    FcPattern* requested = FcNameParse((const FcChar8*)name.c_str());
    if (!requested) return nullptr;
    ApplyScale(requested);
    FcPattern* pattern = FcPatternDuplicate(requested);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    XftDefaultSubstitute(display, screen, pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    XftFont* font = nullptr;
    if (match && FamilyAnswered(requested, match)) {
        font = XftFontOpenPattern(display, match); // owns the match when it opens
        if (font) match = nullptr;
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(requested);
    return font;
}

WFontFace* NewFace(XFontStruct* core, XftFont* xft) {
    WFontFace* face = new WFontFace;
    face->core = core;
    face->xft = xft;
    for (short& a : face->advance) a = -1;
    return face;
}

// ---- Measuring ---------------------------------------------------------------------------

XGlyphInfo GlyphOf(const WFontFace* face, unsigned char c) {
    XGlyphInfo info;
    memset(&info, 0, sizeof info);
    XftTextExtents8(display, face->xft, &c, 1, &info);
    return info;
}

int Advance(WFontFace* face, unsigned char c) {
    short& a = face->advance[c];
    if (a < 0) a = (short)GlyphOf(face, c).xOff;
    return a;
}

const XCharStruct* CharOf(const XFontStruct* f, unsigned c) {
    if (!f->per_char || c < f->min_char_or_byte2 || c > f->max_char_or_byte2 || f->min_byte1 != 0)
        return nullptr;
    const XCharStruct* cs = &f->per_char[c - f->min_char_or_byte2];
    if (cs->width == 0 && cs->ascent == 0 && cs->descent == 0) return nullptr;
    return cs;
}

int NarrowestWidth(const XFontStruct* f) {
    if (f->min_bounds.width > 0) return f->min_bounds.width;
    if (!f->per_char) return f->max_bounds.width;
    int narrowest = 0;
    for (unsigned c = f->min_char_or_byte2; c <= f->max_char_or_byte2; ++c) {
        int w = f->per_char[c - f->min_char_or_byte2].width;
        if (w > 0 && (narrowest == 0 || w < narrowest)) narrowest = w;
    }
    return narrowest ? narrowest : f->max_bounds.width;
}

// The rules for a core font: characters it lacks borrow from the font's bounds.
void CoreMetrics(const XFontStruct* f, WFaceMetrics* m) {
    m->maxw = f->max_bounds.width;
    m->minw = NarrowestWidth(f);
    const XCharStruct* space = CharOf(f, ' ');
    m->space = space ? space->width : m->maxw;
    const XCharStruct* n = CharOf(f, 'n');
    m->n = n ? n->width : m->space;
    m->lb = n ? n->lbearing : f->min_bounds.lbearing;
    const XCharStruct* zero = CharOf(f, '0');
    m->zero = zero ? zero->width : m->n;
    m->ascent = f->ascent;
    m->descent = f->descent;
    const XCharStruct* x = CharOf(f, 'x');
    m->xhigh = x ? x->ascent : m->ascent * 2 / 3;
}

void XftMetrics(WFontFace* face, WFaceMetrics* m) {
    m->ascent = face->xft->ascent;
    m->descent = face->xft->descent;
    m->maxw = face->xft->max_advance_width;
    m->minw = m->maxw;
    for (int c = '!'; c <= '~'; ++c) {
        int a = Advance(face, (unsigned char)c);
        if (a > 0 && a < m->minw) m->minw = a;
    }
    m->space = Advance(face, ' ');
    m->n = Advance(face, 'n');
    m->zero = Advance(face, '0');
    m->lb = -GlyphOf(face, 'n').x;
    int xhigh = GlyphOf(face, 'x').y;
    m->xhigh = xhigh > 0 ? xhigh : m->ascent * 2 / 3;
}

// ---- Drawing -----------------------------------------------------------------------------

// What Xft holds for one window, and the clip last given to it.
struct WindowDraw {
    XftDraw* draw = nullptr;
    Drawable drawable = None;
    bool clipped = false;
    std::vector<XRectangle> clip;
};

std::map<Window, WindowDraw> draws;

bool SameClip(const WindowDraw& d, const XDrawingProperties& p) {
    if (d.clipped != p.clipped || d.clip.size() != p.clip.size()) return false;
    for (size_t i = 0; i < d.clip.size(); ++i)
        if (memcmp(&d.clip[i], &p.clip[i], sizeof(XRectangle)) != 0) return false;
    return true;
}

XftDraw* DrawFor(Window w) {
    Drawable target = stateManager->getMappedDrawable(w);
    WindowDraw& d = draws[w];
    if (!d.draw) {
        d.draw = XftDrawCreate(display, target, visual, DefaultColormap(display, screen));
        d.drawable = target;
    } else if (d.drawable != target) {
        XftDrawChange(d.draw, target);
        d.drawable = target;
    }
    const XDrawingProperties& p = stateManager->properties(w);
    if (!SameClip(d, p)) {
        if (p.clipped)
            XftDrawSetClipRectangles(d.draw, 0, 0, p.clip.data(), (int)p.clip.size());
        else
            XftDrawSetClip(d.draw, nullptr);
        d.clipped = p.clipped;
        d.clip = p.clip;
    }
    return d.draw;
}

unsigned short Component(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!(mask & 1UL << shift)) ++shift;
    unsigned long max = mask >> shift;
    return (unsigned short)(((pixel & mask) >> shift) * 65535 / max);
}

// Xft renders from the colour's components; the pixel is only for its core fallback.
XftColor ColorOf(unsigned long pixel) {
    XftColor color;
    color.pixel = pixel;
    color.color.red = Component(pixel, visual->red_mask);
    color.color.green = Component(pixel, visual->green_mask);
    color.color.blue = Component(pixel, visual->blue_mask);
    color.color.alpha = 0xffff;
    return color;
}

} // namespace

std::string WFontXlfdToFontconfig(const char* xlfd) {
    if (!xlfd || xlfd[0] != '-') return std::string();
    std::vector<std::string> f = SplitXlfd(xlfd);
    std::string name = Given(f[kFamily]) ? FamilyFor(f[kFamily]) : std::string();
    if (Given(f[kWeight]))
        if (const char* weight = Lookup(kWeights, sizeof kWeights / sizeof kWeights[0], f[kWeight]))
            name += std::string(":weight=") + weight;
    if (Given(f[kSlant]))
        if (const char* slant = Lookup(kSlants, sizeof kSlants / sizeof kSlants[0], f[kSlant]))
            name += std::string(":slant=") + slant;
    if (long pixels = Positive(f[kPixelSize])) {
        name += ":pixelsize=" + std::to_string(pixels);
    } else if (long decipoints = Positive(f[kPointSize])) {
        name += ":size=" + std::to_string(decipoints / 10);
        if (decipoints % 10) name += "." + std::to_string(decipoints % 10);
    }
    if (strcasecmp(f[kSpacing].c_str(), "m") == 0 || strcasecmp(f[kSpacing].c_str(), "c") == 0)
        name += ":spacing=mono";
    return name;
}

bool WFontXftUsable() {
    return display && visual && (visual->c_class == TrueColor || visual->c_class == DirectColor) &&
           XftDefaultHasRender(display);
}

void WFontFaceDisplayOpened() {
    // XCloseDisplay closes the display's extensions newest first, and Xft's close frees its
    // glyph sets through Render. Render's record must therefore be older than Xft's: made
    // after it, it is closed first and then made anew for the dying display, and the next
    // display opened at the same address inherits its stale opcodes (BadRequest, BadLength
    // and a garbled connection from then on).
    int eventBase = 0, errorBase = 0;
    if (display) XRenderQueryExtension(display, &eventBase, &errorBase);
}

WFontFace* WFontFaceOpen(const char* name) {
    if (!display || !name || !*name) return nullptr;
    bool xlfd = name[0] == '-';
    if (!xlfd)
        if (XFontStruct* core = XLoadQueryFont(display, name)) return NewFace(core, nullptr);
    if (WFontXftUsable())
        if (XftFont* xft = OpenXft(xlfd ? WFontXlfdToFontconfig(name) : std::string(name)))
            return NewFace(nullptr, xft);
    if (xlfd)
        if (XFontStruct* core = XLoadQueryFont(display, name)) return NewFace(core, nullptr);
    return nullptr;
}

void WFontFaceClose(WFontFace* face) {
    if (!face) return;
    if (CanTalk()) {
        if (face->core) XFreeFont(display, face->core);
        if (face->xft) XftFontClose(display, face->xft);
    }
    delete face;
}

bool WFontFaceIsXft(const WFontFace* face) {
    return face && face->xft;
}

Font WFontFaceId(const WFontFace* face) {
    return face && face->core ? face->core->fid : 0;
}

void WFontFaceGetMetrics(WFontFace* face, WFaceMetrics* metrics) {
    memset(metrics, 0, sizeof *metrics);
    if (face && face->core) CoreMetrics(face->core, metrics);
    if (face && face->xft) XftMetrics(face, metrics);
}

int WFontFaceWidth(WFontFace* face, const char* text, int length) {
    if (!face || !text || length <= 0) return 0;
    if (face->core) return XTextWidth(face->core, text, length);
    int width = 0;
    const unsigned char* p = (const unsigned char*)text;
    for (int i = 0; i < length; ++i) width += Advance(face, p[i]);
    return width;
}

void WFontFaceDraw(WFontFace* face, Window w, int x, int y, const char* text, int length) {
    if (!face || !display || !stateManager || !w || !text || length <= 0) return;
    if (face->core) {
        stateManager->setFont(w, face->core->fid);
        XDrawString(display, stateManager->getMappedDrawable(w), stateManager->getGC(w), x, y, text,
                    length);
        return;
    }
    XftColor color = ColorOf(stateManager->properties(w).foreground);
    XftDrawString8(DrawFor(w), &color, face->xft, x, y, (const FcChar8*)text, length);
}

void WFontFaceForgetWindow(Window w) {
    auto found = draws.find(w);
    if (found == draws.end()) return;
    if (CanTalk() && found->second.draw) XftDrawDestroy(found->second.draw);
    draws.erase(found);
}

void WFontFaceShutdown() {
    bool alive = CanTalk();
    for (auto& entry : draws)
        if (alive && entry.second.draw) XftDrawDestroy(entry.second.draw);
    draws.clear();
}
