// A picture: one of the built-in images (x11/ximages.h), drawn at the item's top-left.
// Its natural size is the image's. A picture set as an emblem shows the image in white,
// centred on a raised tile of the selection colour twice its size, so that a small
// image reads as a deliberate mark and not as a stray character.
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
    // Shows the image as an emblem (see above) or plain; the item takes its natural size.
    void setEmblem(bool on);
    bool isEmblem() const { return emblem_; }

private:
    const WImage* image_;
    bool emblem_ = false;
};

// A picture of the named image; an unknown name gives an empty 0 x 0 picture.
GPicture* giCreate(GItem* container, int x, int y, const char* imageName);
