// A status box: one line of text in a sunken frame along the bottom of a dialog, telling
// what the dialog is doing ("Reading directory..."). Its natural height is the status
// height; the layout gives it its width. The text is drawn 3 pixels inside the frame,
// where the layout expects a status box's baseline. A box can also be its window's
// message line: the window's message (a button's status string) then shows in place of
// the box's own text while there is one.
#pragma once

#include <string>

#include "windlib/window/gitem.h"

class WStatusBox : public GItem {
public:
    WStatusBox(GItem* container, int x, int y, int width);
    ~WStatusBox() override;

    int EventParse(xinLibSt* event, GItem* context) override;
    void NaturalSize(int* width, int* height) override;
    int FontNumber() const override;

    // Shows the text (null or "" clears the box).
    void setText(const char* text);
    const char* text() const { return text_; }
    // Makes the box the message line of its window (see cwSetMsg).
    void becomeMessageLine();
    // What the box shows now: the window's message when it is the message line and there
    // is one, else its own text.
    const char* shownText() const;

    // The height of a status box in the button font.
    static int StatusHeight();

private:
    char* text_ = nullptr;
};

// The text as it fits in `room` pixels of font `number`: whole when it fits, else its
// start and its end with "..." between them, so that both the message and the end of a
// long path in it stay readable.
std::string StatusFitText(const char* text, int room, int number);
