// ButtonSet: a column (or row) of buttons of one type that is one item of its window: the
// check boxes of a page, a radio group (type 1 sets are exclusive), the buttons of a
// dialog, a tool bar. The set owns its buttons, lays them out in its rectangle (columns of
// at most maxPerColumn, continued to the right) and passes its events on to them. It also
// holds the keyboard rule every dialog answers by: the focus starts on the default
// button, Tab and Shift+Tab reach every button, and Return presses the focused one, which
// carries the default ring. Start with the constructor, ButtonSet::place and Activate.
#pragma once

#include <vector>

#include "windlib/button/wbutton.h"

class ButtonSet : public GItem {
public:
    // Every array is parallel to the null-terminated `labels` and may be null. Types:
    // ButtonType; 61 makes a tool bar whose entries need an icon name. maxPerColumn -1: no
    // limit. minWidthN: the least button width in "n" widths. noFrame and deepFrame choose
    // the frame the layout aligns baselines to; ownWidths gives each button of a horizontal
    // set its own width instead of the widest one's.
    ButtonSet(GItem* parent, int x, int y, int width, int height, const char* helpKey,
              const char* const* labels, const char* const* iconNames, const BtCallback* callbacks,
              void* const* userData, const char* const* statusStrings, const char* const* commands,
              int defaultIndex, int minPerColumn, int maxPerColumn, bool vertical, bool noFrame,
              int buttonType, int minWidthN, bool deepFrame, bool ownWidths);
    ~ButtonSet() override;

    int EventParse(xinLibSt* event, GItem* context) override;
    void Destroy() override;
    void Activate(GItem* item, int on) override;
    void MoveMe(int dx, int dy) override;
    void MapMe(int show) override;
    void Resize(int width, int height) override;
    void NaturalSize(int* width, int* height) override;
    int FontNumber() const override;
    int FrameStyle() const override;

    // Appends a button; its index.
    int add(const char* label, BtCallback callback, const char* command, const char* status,
            const char* iconName, void* userData);
    void remove(int index, bool redraw);
    int count() const { return (int)buttons.size(); }
    Button* at(int index) const;
    int indexOf(const Button* button) const;
    // Drops a button that is being deleted from the set's records.
    void forget(Button* button);
    // The button that is set in an exclusive set, or null.
    Button* current() const;
    // Places the buttons in the set's rectangle.
    void layout();
    // The size the buttons take when laid out in at most maxWidth x maxHeight.
    void minimumSize(int maxWidth, int maxHeight, int* width, int* height);
    // The width and height every button of the set is given.
    void cellSize(int* width, int* height);
    // Moves the set's own focus to the button at `index` (the default ring follows it).
    void focusButton(int index);
    int focusIndex() const { return focus_; }

    std::vector<Button*> buttons;
    char* helpKey = nullptr;
    int type;
    bool vertical;
    bool exclusive; // a radio group: exactly one button set at a time
    bool toolbar;
    bool noFrame, deepFrame, ownWidths;
    bool changed = false;
    int minPerColumn, maxPerColumn; // per row when horizontal
    int minWidthN;
    int defaultIndex;

private:
    void place(bool move, int maxWidth, int maxHeight, int* usedWidth, int* usedHeight);
    int perLine(int room, int cell, int gap) const;
    Button* buttonAt(int px, int py) const;
    int key(xinLibSt* event);
    void moveFocus(int step);
    void tab(bool backwards);
    bool focusable(int index) const;
    int edge(bool last) const;
    int preferred() const;
    bool holdsDefault() const;
    void followDefault();

    void hoverOver(Button* button, const xinLibSt* event);

    int focus_ = -1;
    Button* pressed_ = nullptr;
    Button* hovered_ = nullptr;
};

int bsAddButton(ButtonSet* set, const char* label, BtCallback callback, const char* command,
                const char* status, const char* icon, void* userData);
void bsDeleteButton(ButtonSet* set, int index, bool redraw);
// The button at `index`, or null.
Button* bsBtFIndex(ButtonSet* set, int index);
// The first button labelled `label`, or null.
Button* bsBtFName(ButtonSet* set, const char* label);
// Toggles the button as a click would (toggle rule, then its callback).
void bsToggleButton(ButtonSet* set, int index);
void bsChangeName(ButtonSet* set, int index, const char* label, bool redraw);
int bsCount(ButtonSet* set);
// Makes the button at `index` the window's default and the set's focused button.
void bsSetDefault(ButtonSet* set, int index);
// Gives the set the window's keyboard focus now and whenever the window gets it back;
// the focus ring starts on the default button, where Return answers.
void bsSetInitialFocus(ButtonSet* set);
// Changes how many buttons a column (row) holds at least and at most; lays out again.
void bsSetPerColumn(ButtonSet* set, int minimum, int maximum);
