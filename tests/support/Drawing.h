// Drawing into a window as the X server sees it (the DAMAGE extension): whether a program
// painted there at all over a stretch of time, whatever it painted.
#pragma once

// clang-format off
#include "tests/support/XClient.h"  // NOTE: first, as it brings gtest in before Xlib
// clang-format on
#include <X11/extensions/Xdamage.h>

namespace support {

class DrawingWatch {
  public:
    // Watches `window` (and what lies inside it) from the test's own connection.
    DrawingWatch(const XClient& x, Window window);
    ~DrawingWatch();
    DrawingWatch(const DrawingWatch&) = delete;
    DrawingWatch& operator=(const DrawingWatch&) = delete;

    int Drawings();  // reported since the watch began

  private:
    Display* display_;
    int eventBase_ = 0;
    Damage damage_ = 0;
    int drawings_ = 0;
};

}  // namespace support
