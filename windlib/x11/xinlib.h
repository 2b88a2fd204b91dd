// The toolkit's event record. Every X event that reaches a window is translated into one
// xinLibSt (see xevents.cpp) and handed to the window's and its items' EventParse. The
// meaning of the fields a..h depends on the kind, as listed beside each.
#pragma once

enum XinKind {
    kXinNothing = -1,
    kXinRedraw = 0,     // a, b, c, d: x, y, width, height of the area to paint
    kXinResize = 1,     // a, b: new width and height
    kXinMap = 2,        // a: 1 mapped, 0 unmapped
    kXinClose = 3,      // window-manager delete request
    kXinFocus = 4,      // a: 1 in, 0 out
    kXinSelection = 5,  // a: 1 text, 2 bitmap; b: the XEvent (XEvent*, already answered
                        // by xselection.h); c: its size; d: selection 0-4 (-1 other); e: 1
    kXinMouse = 7,      // a, b: pointer x, y; c: modifier state; d: 1 press, -1 release,
                        // 0 motion; e: item context; f: button number
    kXinKey = 8,        // a, b: pointer x, y; c: modifier state; d: key code; e: text
                        // buffer (char*); f: text bytes; g: server time; h: taken
    kXinHelp = 9,       // a key whose binding is "HELP"; fields as for a key
    kXinEnter = 15      // a: 1 entered, 0 left
};

struct xinLibSt {
    int kind;
    unsigned long window;  // the X window the event belongs to
    long a, b, c, d, e, f, g, h;
};

// Key codes: a Latin-1 key symbol is its own code; an X function key 0xFFxx becomes
// 0x100 + xx. Other key symbols are dropped.
enum XinKeyCode {
    kKeyBackSpace = 0x108,
    kKeyTab = 0x109,
    kKeyReturn = 0x10D,
    kKeyEscape = 0x11B,
    kKeyHome = 0x150,
    kKeyLeft = 0x151,
    kKeyUp = 0x152,
    kKeyRight = 0x153,
    kKeyDown = 0x154,
    kKeyPrior = 0x155,
    kKeyNext = 0x156,
    kKeyEnd = 0x157,
    kKeyDelete = 0x1FF
};

// Modifier bits of field c for keys and mouse events: the X state mask, except that Alt
// and Meta are the toolkit's own bits taken from the server's modifier mapping, and
// NumLock and CapsLock are cleared so they never stop a binding from matching.
enum XinModifier {
    kModShift = 1 << 0,
    kModControl = 1 << 2,
    kModAlt = 1 << 3,
    kModMeta = 1 << 6,
    kModButton1 = 1 << 8,
    kModButton2 = 1 << 9,
    kModButton3 = 1 << 10
};
