// What the configuration needs from the display: colour allocation for Color options,
// recolouring, alerts and the geometry of a window. The window toolkit installs real hooks
// when the display is up; until then the defaults behave as "no display": colours are kept
// as text only and alerts are printed as errors.
#pragma once

class ColWind;

struct ConfigRect {
    int x;
    int y;
    int width;
    int height;
};

struct ConfigDisplayHooks {
    bool (*displayUp)();
    // False on a black-and-white or one-bit display, or when colours are read-only.
    bool (*colorsUsable)();
    // Parses an RGB colour and allocates a pixel for it; false when the text is no colour.
    bool (*parseColor)(const char* text, unsigned long* pixel);
    void (*freePixel)(unsigned long pixel);
    void (*recomputeColors)();
    void (*recolorImages)();
    void (*reallocBackground)();
    void (*finishPersistentLists)();
    // Loads the fonts the configuration now names, when they changed.
    void (*reloadFonts)();
    void (*alert)(const char* text);
    // The window's position and size and, when it has a parent window, the parent's.
    bool (*windowGeometry)(ColWind* window, ConfigRect* self, ConfigRect* parent, bool* hasParent);
};

extern ConfigDisplayHooks cfg_displayHooks;
extern const ConfigDisplayHooks cfg_noDisplayHooks; // the defaults, for restoring

// Shows the text as an alert with the display up, reports it as an error otherwise.
void cfg_Alert(const char* text);
