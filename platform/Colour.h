// The program's colour, 0x00BBGGRR (Windows' COLORREF), in a device's channel order: the
// one conversion that every backend uses. A 32-bit Windows DIB, _NET_WM_ICON and X's usual
// 24-bit visuals take 0x00RRGGBB; other true-colour X visuals put the channels elsewhere.
#pragma once

#include <cstdint>

#include "platform/Native.h"

namespace native {

// Each 8-bit channel of the colour moved to the bit where the device keeps it.
constexpr std::uint32_t PlaceChannels(Colour colour, int redShift, int greenShift, int blueShift) {
    return (colour & 0xFF) << redShift | (colour >> 8 & 0xFF) << greenShift |
           (colour >> 16 & 0xFF) << blueShift;
}

// 0x00BBGGRR as 0x00RRGGBB.
constexpr std::uint32_t ToRgb(Colour colour) {
    return PlaceChannels(colour, 16, 8, 0);
}

static_assert(ToRgb(0x00CCBBAA) == 0x00AABBCC);

}  // namespace native
