// Buttons: push buttons, check boxes, radio buttons, three-state check boxes and tool-bar
// buttons. A button is pressed by button 1 and activated when it is released over it (or
// by Return or space while it has the focus); activation toggles a toggle button and runs
// the callback. While the pointer is over a button its status string is the window's
// message. Start with btCreate and Button::EventParse; sizes are btSizeFor.
#pragma once

#include "windlib/mhandle.h"
#include "windlib/window/gitem.h"

class Button;
class ButtonSet;
class ColWind;
struct WImage;

// Runs when the button is activated (and, set apart, on the press itself and while held).
typedef void (*BtCallback)(Button* button, xinLibSt* event);
// Sees every event of every button first; non-zero swallows it.
typedef int (*BtFilterFn)(Button* button, xinLibSt* event);

enum ButtonType {
    kBtPush = 0,
    kBtRadio = 1,
    kBtCheck = 2,
    kBtThreeState = 6,
    kBtToolBar = 61,
    kBtToolBarSeparator = 62
};

enum ButtonFlags : unsigned {
    kBtToggle = 1 << 0,       // types 1, 2 and 6
    kBtSet = 1 << 1,          // the check mark
    kBtPressed = 1 << 2,      // button 1 went down on it and is still down
    kBtDrawnPressed = 1 << 3, // ... and the pointer is over it
    kBtDimmed = 1 << 4,
    kBtDefault = 1 << 5,      // Return in the window activates it
    kBtMayBeDefault = 1 << 6, // drawn taller, with room for the default ring
    kBtChanged = 1 << 7
};

class Button : public GItem {
public:
    Button(GItem* container, int x, int y, int width, int height, const char* label, int type);
    ~Button() override;

    int EventParse(xinLibSt* event, GItem* context) override;
    void Destroy() override;
    void NaturalSize(int* width, int* height) override;
    int FontNumber() const override;
    int FrameStyle() const override;
    const char* GetTooltipInfo(int x, int y, int* delay) override;

    // What a click does: toggles a toggle button, then runs the callback between the
    // event-log records (not for a button of an exclusive set left unset).
    void activate(xinLibSt* event);
    // The toggle rule alone; false when nothing changed (the set button of a radio group).
    bool toggle();
    bool isSet() const { return (flags & kBtSet) != 0; }
    bool isDimmed() const { return (flags & kBtDimmed) != 0; }
    bool isToggle() const { return (flags & kBtToggle) != 0; }
    // Sets the check mark without the toggle rule (a three-state box goes to 0 or 1).
    void setState(bool on);

    char* label = nullptr;
    const WImage* icon = nullptr;
    void* user = nullptr;
    char* status = nullptr;
    char* command = nullptr;
    char* helpKey = nullptr;
    BtCallback callback = nullptr;
    BtCallback pressCallback = nullptr;
    BtCallback holdFunction = nullptr; // repeats while the button is held down over it
    int type;
    unsigned flags = 0;
    int threeState = 0; // 0 off, 1 on, 2 neither (type 6)
    int minWidth = 0;   // the least label width the size counts with
    ButtonSet* set = nullptr;

private:
    void press(xinLibSt* event);
    void release(xinLibSt* event);
    void motion(xinLibSt* event);
    int key(xinLibSt* event);
    void paint();
    void showStatus(bool entered);
    void startHold(const xinLibSt* event);
    void stopHold();
    static int HoldTick(void* self, int index);

    mHandle* holdTimer_ = nullptr;
    xinLibSt holdEvent_ = {};
};

// A new button in `parent`; null when memory runs out. Fields left null are taken from
// `copyFrom` when one is given. `set` starts a toggle button set; `hold` makes the
// callback repeat while the button is held. A type-61 label starting with '-' (or '_' while
// BetterButtonSpacers is on) makes a tool-bar separator.
Button* btCreate(GItem* parent, int x, int y, int width, int height, const char* helpKey,
                 const char* status, const char* label, BtCallback callback, Button* copyFrom,
                 void* userData, const char* command, int minWidth, bool set, bool hold, int type);
bool btIsItSet(Button* button);
// Sets or clears the check mark and repaints the button.
void btSetIt(Button* button, bool on);
// A dimmed button cannot be pressed and gives up the focus and the default.
void btDimIt(Button* button, bool dim, bool redraw);
void btChangeName(Button* button, const char* label, bool redraw);
void btSetPressCallback(Button* button, BtCallback callback);
void btSetHoldFunction(Button* button, BtCallback hold);

// The default button: Return anywhere in the window that nothing else takes activates it.
// Making one the default takes the default from the window's others.
void btSetDefault(Button* button);
void btSetMayBeDefault(Button* button, bool on);
Button* btGetDefault(ColWind* window);
// A key the window's items left: Return and line feed go to the default button, Escape (in
// widget style 3) to the button labelled with the Cancel label. 1 when a button took it.
int btWindowKey(ColWind* window, xinLibSt* event);

// The size of a button of `type` (ButtonType) whose label is `labelWidth` pixels wide in a
// font of line height `lineHeight` (`labelLength` characters; `icon` for tool-bar buttons).
void btSizeFor(int type, int labelWidth, int lineHeight, bool mayBeDefault, const WImage* icon,
               int labelLength, int* width, int* height);
// The side of a check box or radio mark in a font of line height `lineHeight`.
int btMarkSize(int lineHeight);

// Every button's filter; null for none.
extern BtFilterFn btFilterHook;
// Receives "v3 button begin <label>" and "v3 button end <label>" around every activation;
// null records nothing.
extern void (*btEventLog)(const char* record);
// The toolkit's widget style; in style 3 Escape activates the Cancel button.
extern int btWidgetStyle;
