// Twips, the runtime's unit for window positions and sizes: 15 to a pixel, always.
#pragma once

#include <cmath>
#include <cstdint>

#include "runtime/Arith.h"

namespace runtime {

constexpr int TwipsPerPixel = 15;

inline float PixelsToTwips(std::int32_t pixels) {
    return static_cast<float>(pixels) * static_cast<float>(TwipsPerPixel);
}

// The nearest pixel; a value that is no number or beyond 32 bits is an overflow.
inline std::int32_t TwipsToPixels(double twips) {
    return CLng(twips / TwipsPerPixel);
}

}  // namespace runtime
