// Drawing counted through DAMAGE: see Drawing.h.
// clang-format off
#include "tests/support/Drawing.h"  // NOTE: first, as it brings gtest in before Xlib
// clang-format on

#include <stdexcept>

namespace support {

DrawingWatch::DrawingWatch(const XClient& x, Window window) : display_(x.X()) {
    int errorBase = 0;
    if (!XDamageQueryExtension(display_, &eventBase_, &errorBase))
        throw std::runtime_error("the X server has no DAMAGE extension");
    damage_ = XDamageCreate(display_, window, XDamageReportRawRectangles);
    // NOTE: a new damage object reports the whole window once, drawn or not.
    Drawings();
    drawings_ = 0;
}

DrawingWatch::~DrawingWatch() {
    XDamageDestroy(display_, damage_);
    XSync(display_, False);
}

int DrawingWatch::Drawings() {
    XSync(display_, False);
    XEvent event;
    while (XCheckTypedEvent(display_, eventBase_ + XDamageNotify, &event)) ++drawings_;
    return drawings_;
}

}  // namespace support
