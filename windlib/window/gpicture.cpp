// The picture item (see gpicture.h).
#include "windlib/window/gpicture.h"

#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/ximages.h"

namespace {
const int kEmblemTimes = 2; // an emblem's tile against its image, in each direction
}

GPicture::GPicture(GItem* container_, int x_, int y_, const char* imageName)
    : GItem(kKindPicture, container_, x_, y_, 0, 0), image_(WFindImage(imageName)) {
    NaturalSize(&width, &height);
}

int GPicture::EventParse(xinLibSt* event, GItem*) {
    if (event->kind != kXinRedraw || !image_) return 0;
    Window w = getW();
    if (!emblem_) {
        WSetColor(w, select_pixel, bg_pixel);
        WDrawImage(w, image_, x, y);
        return 1;
    }
    WSetForeground(w, select_pixel);
    WFillRect(w, x, y, width, height);
    WDrawBevel(w, x, y, width, height, true, select_pixel);
    WSetColor(w, white_pixel, select_pixel);
    WDrawImage(w, image_, x + (width - image_->width) / 2, y + (height - image_->height) / 2);
    return 1;
}

void GPicture::NaturalSize(int* w, int* h) {
    int times = emblem_ ? kEmblemTimes : 1;
    *w = image_ ? times * image_->width : 0;
    *h = image_ ? times * image_->height : 0;
}

bool GPicture::setImage(const char* imageName) {
    const WImage* found = WFindImage(imageName);
    if (!found) return false;
    image_ = found;
    Invalidate();
    return true;
}

void GPicture::setEmblem(bool on) {
    emblem_ = on;
    int w = 0, h = 0;
    NaturalSize(&w, &h);
    Resize(w, h);
    Invalidate();
}

GPicture* giCreate(GItem* container, int x, int y, const char* imageName) {
    return new GPicture(container, x, y, imageName);
}
