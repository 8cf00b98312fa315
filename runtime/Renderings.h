// A form's picture at the display scale of its window. Besides the design picture (scale
// 1), the artwork can paint the same picture afresh at the usual other scales
// (window/KittenPainting.h), when a window first needs one; a scale without a rendering
// of its own is made from the next larger rendering.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/Native.h"
#include "platform/Scaling.h"

namespace runtime {

struct Rendering {
    std::uint16_t percent = 100;                     // the display scale, in percent
    std::int32_t width = 0, height = 0;              // its size, device pixels
    native::Image (*paint)(double scale) = nullptr;  // the picture at percent / 100, key black
    std::uint16_t revision = 1;  // one more whenever the painting changes (RenderingCache.h)
};

// The renderings of a design picture, found by the picture's bytes (the artwork
// defines this, window/KittenPainting.cpp); none for any other picture.
std::span<const Rendering> RenderingsOf(std::span<const std::uint8_t> picture);

// The picture of `pictureFile` (a BMP file) at `scale`, `width` x `height` device pixels:
// its rendering for that scale, else the next larger rendering (or the picture itself)
// resampled. A rendering painted once is kept in the user's cache folder for later runs
// (RenderingCache.h). A device pixel of a resampled picture is of the face when at least
// half of the area it covers is, and takes the face's average colour there; else the key
// colour. `face`, when given, receives the picture's non-key pixels.
std::optional<native::Image> PictureAt(std::span<const std::uint8_t> pictureFile, double scale,
                                       std::int32_t width, std::int32_t height,
                                       scaling::FaceMask* face = nullptr);

// Resamples a picture by area, as PictureAt does (exposed for tests).
native::Image Resample(const native::Image& source, double sourceScale, double scale,
                       std::int32_t width, std::int32_t height);

}  // namespace runtime
