// A status box: one line of text in a sunken frame along the bottom of a dialog, telling
// what the dialog is doing ("Reading directory..."). Its natural height is the status
// height; the layout gives it its width. The text is drawn 3 pixels inside the frame,
// where the layout expects a status box's baseline.
#pragma once

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

    // The height of a status box in the button font.
    static int StatusHeight();

private:
    char* text_ = nullptr;
};
