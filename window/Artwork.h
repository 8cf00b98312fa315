// The artwork files of window/, embedded into the executable at build time
// (cmake/Embed.cmake). Made by tools/DrawArtwork.cpp.
#pragma once

#include <cstdint>
#include <span>

namespace artwork {
std::span<const std::uint8_t> KittenBitmap();  // window/kitten.bmp: 207 x 220, 24 bits
std::span<const std::uint8_t> EyesIcon();      // window/eyes.ico: 32 x 32, 16 colours, mask
}  // namespace artwork
