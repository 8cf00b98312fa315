// Telling a double-click from two clicks, for either Linux backend: two left presses
// within the desktop's double-click time and distance (500 ms and 4 pixels unless the
// desktop says otherwise: platform/x11/XSettingsFormat.h).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "platform/Native.h"

namespace native {

struct DoubleClickLimits {
    std::uint32_t timeMs = 500;  // the second press must come within this
    std::int32_t distance = 4;   // and within this many pixels of the first, either way
    friend bool operator==(const DoubleClickLimits&, const DoubleClickLimits&) = default;
};

class DoubleClicks {
  public:
    struct Press {
        std::uint32_t timeMs = 0;  // the system's 32-bit milliseconds, which wrap
        Point place;               // screen pixels
    };
    // True when this left press is a double-click's second; a third press begins anew.
    bool Ends(const Press& press, const DoubleClickLimits& limits) {
        // NOTE: the times wrap: their difference is taken as 32-bit.
        if (last_ && static_cast<std::uint32_t>(press.timeMs - last_->timeMs) <= limits.timeMs &&
            std::abs(press.place.x - last_->place.x) <= limits.distance &&
            std::abs(press.place.y - last_->place.y) <= limits.distance) {
            last_.reset();
            return true;
        }
        last_ = press;
        return false;
    }

  private:
    std::optional<Press> last_;  // the last left press that could begin one
};

}  // namespace native
