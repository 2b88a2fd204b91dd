// Static text: one or more lines of a label in the button font, drawn left-aligned from
// the item's top. Its natural size is the text's.
#pragma once

#include "windlib/window/gitem.h"

class GStaticText : public GItem {
public:
    GStaticText(GItem* container, int x, int y, const char* text);
    ~GStaticText() override;

    int EventParse(xinLibSt* event, GItem* context) override;
    void NaturalSize(int* width, int* height) override;
    int FontNumber() const override;

    void setText(const char* text);
    const char* text() const { return text_; }
    // Text colour (the foreground colour when never set).
    void setColor(unsigned long pixel);

private:
    char* text_ = nullptr;
    unsigned long color_ = 0;
    bool hasColor_ = false;
};

// A static text item at x, y in the container, sized to its text.
GStaticText* gtCreate(GItem* container, int x, int y, const char* text);
// Replaces the text (the item keeps its size; the layout decides it).
void gtSetText(GStaticText* item, const char* text);
