// Decoding of the two image formats the program carries as artwork: Windows bitmaps
// (.bmp) and icons (.ico). Both decoders take untrusted bytes: anything malformed,
// truncated or larger than kMaxImageSide on a side gives std::nullopt, never a crash or
// a huge allocation.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/Native.h"

namespace runtime {

constexpr std::int32_t kMaxImageSide = 4096;

// An uncompressed (BI_RGB) bitmap of 24 or 32 bits per pixel, bottom-up or top-down.
// The result has no mask (`opaque` empty).
std::optional<native::Image> DecodeBmp(std::span<const std::uint8_t> bytes);

// The largest image of an icon file (the first of equal ones): 1, 4 or 8 bits per pixel
// with a palette, or 24 or 32 bits. `opaque` holds 255 where the pixel shows and 0 where
// it is transparent, from the AND mask, or from the alpha channel (alpha >= 128 shows)
// when a 32-bit image has one. Images stored as PNG are not supported.
std::optional<native::Image> DecodeIco(std::span<const std::uint8_t> bytes);

}  // namespace runtime
