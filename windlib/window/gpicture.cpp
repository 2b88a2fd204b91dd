// The picture item (see gpicture.h).
#include "windlib/window/gpicture.h"

#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/ximages.h"

GPicture::GPicture(GItem* container_, int x_, int y_, const char* imageName)
    : GItem(kKindPicture, container_, x_, y_, 0, 0), image_(WFindImage(imageName)) {
    NaturalSize(&width, &height);
}

int GPicture::EventParse(xinLibSt* event, GItem*) {
    if (event->kind != kXinRedraw || !image_) return 0;
    WSetColor(getW(), select_pixel, bg_pixel);
    WDrawImage(getW(), image_, x, y);
    return 1;
}

void GPicture::NaturalSize(int* w, int* h) {
    *w = image_ ? image_->width : 0;
    *h = image_ ? image_->height : 0;
}

bool GPicture::setImage(const char* imageName) {
    const WImage* found = WFindImage(imageName);
    if (!found) return false;
    image_ = found;
    Invalidate();
    return true;
}

GPicture* giCreate(GItem* container, int x, int y, const char* imageName) {
    return new GPicture(container, x, y, imageName);
}
