// Colours: pixels for 16-bit RGB components on true-colour and colour-mapped displays, with
// reference counts on colour-mapped ones so a colour asked for twice is allocated once,
// and the nearest existing colour when the colour map is full. Also the few pixels every
// widget draws with. Start with WAllocateColor.
#pragma once

// Pixels the widgets draw with; set by WDrawInitColors and again when the configuration
// changes its colours.
extern unsigned long black_pixel;
extern unsigned long white_pixel;
extern unsigned long grey_pixel;    // disabled text, grey rows
extern unsigned long fg_pixel;      // text and frames ("foreground")
extern unsigned long bg_pixel;      // window background ("background")
extern unsigned long control_pixel; // buttons and bars ("controlcolor")
extern unsigned long select_pixel;  // selected rows ("select")
extern unsigned long shadow_pixel;  // the dark shade of the window background (bevels, lines)
extern unsigned long light_pixel;   // the light shade of the window background

// A pixel for the colour (each component 0 to 65535).
unsigned long WAllocateColor(unsigned short red, unsigned short green, unsigned short blue);
// Gives back one reference to a pixel WAllocateColor returned.
void WFreeColor(unsigned long pixel);
// Parses an X colour text ("#c0c0c0", "red") and allocates it; false when it is no colour.
bool WParseColor(const char* text, unsigned long* pixel);

// The two shades a 3-D edge drawn on `background` uses. Both differ clearly from the
// background and from each other on any background: a light one is shaded darker twice
// (white has nothing lighter), a dark one lighter twice, a middle one lighter and darker.
void WBevelShades(unsigned long background, unsigned long* light, unsigned long* dark);

// Colour allocations made on the server so far (for tests and statistics).
long WColorServerAllocations();

// Sets the widget pixels from the configuration's colours (or their defaults).
void WDrawInitColors();
// Installs the configuration's display hooks for colours and alerts.
void WInstallColorConfigHooks();
// Forgets the colour tables (the colour map goes with the display).
void WColorsReset();
