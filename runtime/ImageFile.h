// Decoding of the image files the program carries as artwork, in the layouts that our
// generator (tools/DrawArtwork.cpp) writes them: a Windows bitmap (.bmp) and an icon
// (.ico); and the picture's renderings at other display scales in face rows (.rows: the
// generator's reference pictures, and the renderings the program keeps in the user's
// cache, runtime/RenderingCache.h). The decoders take
// untrusted bytes: anything malformed, truncated, larger than
// kMaxImageSide on a side or in another layout gives std::nullopt, never a crash or a
// huge allocation.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/Native.h"
#include "platform/Scaling.h"

namespace runtime {

constexpr std::int32_t kMaxImageSide = 4096;

// An uncompressed (BI_RGB) bitmap of 24 or 32 bits per pixel, bottom-up or top-down.
// The result has no mask (`opaque` empty).
std::optional<native::Image> DecodeBmp(std::span<const std::uint8_t> bytes);

// An icon file of exactly one image of 16 colours: 4 bits per pixel, a palette of 16
// and an AND mask. `opaque` holds 255 where the pixel shows and 0 where the mask makes it
// transparent. Several images, other depths and PNG images are refused.
std::optional<native::Image> DecodeIco(std::span<const std::uint8_t> bytes);

// Face rows, made to decode fast: each row lists its runs of face pixels (everything
// else is the key colour), and every face pixel is two bytes, its difference to the pixel
// above it (the key colour above the first row). A pixel never waits for its neighbour
// in the row, and the next pixel's bytes are always two further on.
//
//   "VFR1"                     magic
//   u16 width, u16 height      little-endian
//   r, g, b                    the key colour
//   per row: u8 n, then n runs (u16 x0, u16 x1): the face pixels [x0, x1), left to right;
//            then a u16 code for each face pixel of the row, in order:
//              bits 10..15  green's difference to the pixel above, plus 32
//              bits 5..9    red's difference minus green's, plus 16
//              bits 0..4    blue's difference minus green's, plus 16
//            code 0: the differences are too large, and the pixel is among the row's
//            own colours, which follow: u16 m, then m times (u16 x, r, g, b).
//
// A picture in face rows. The result has no mask; `face`, when given, receives the runs.
std::optional<native::Image> DecodeFaceRows(std::span<const std::uint8_t> bytes,
                                            scaling::FaceMask* face = nullptr);

// `image` in face rows, every pixel but `key` of the face; empty when a row has more
// runs than the layout holds or the picture is larger than kMaxImageSide.
std::vector<std::uint8_t> EncodeFaceRows(const native::Image& image, native::Colour key);

}  // namespace runtime
