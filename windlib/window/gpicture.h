// A picture: one of the built-in images (x11/ximages.h), drawn at the item's top-left.
// Its natural size is the image's.
#pragma once

#include "windlib/window/gitem.h"

struct WImage;

class GPicture : public GItem {
public:
    GPicture(GItem* container, int x, int y, const char* imageName);
    int EventParse(xinLibSt* event, GItem* context) override;
    void NaturalSize(int* width, int* height) override;
    // Shows another built-in image; false (the picture unchanged) for an unknown name.
    bool setImage(const char* imageName);
    const WImage* image() const { return image_; }

private:
    const WImage* image_;
};

// A picture of the named image; an unknown name gives an empty 0 x 0 picture.
GPicture* giCreate(GItem* container, int x, int y, const char* imageName);
