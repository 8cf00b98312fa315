// The kitten's pixels as a Wayland buffer holds them, without a compositor: premultiplied
// ARGB8888, alpha 0 outside the face, the face's outermost pixels blended by how much of
// the face lies around them, and the eyes painted over the face only. The unit tests
// check it on pictures of their own.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Native.h"

namespace wayland {

// One byte a pixel, row-major: 1 for the face, 0 outside.
using FaceBits = std::vector<std::uint8_t>;

// The face of a window of `width` x `height` pixels that the shape's rectangles hold
// (clipped to the window); all of it when there is no shape.
FaceBits FaceFromShape(const std::vector<native::Rect>& shape, bool shaped, std::int32_t width,
                       std::int32_t height);

// Each pixel's opacity: 255 inside the face, 0 outside; a face pixel with a neighbour
// outside (8 around it, the window's edge counting as outside) takes the share of the
// face among the nine pixels around and including it.
std::vector<std::uint8_t> Coverage(const FaceBits& face, std::int32_t width, std::int32_t height);

// 0x00BBGGRR at an opacity, as premultiplied ARGB8888.
inline std::uint32_t Premultiplied(native::Colour colour, std::uint8_t alpha) {
    const auto scaled = [alpha](std::uint32_t channel) { return (channel * alpha + 127) / 255; };
    return std::uint32_t{alpha} << 24 | scaled(colour & 0xFF) << 16 |
           scaled(colour >> 8 & 0xFF) << 8 | scaled(colour >> 16 & 0xFF);
}

// The content at the opacities, into `out` (width x height, row stride `stride` pixels).
void Compose(const native::Image& content, const std::vector<std::uint8_t>& coverage,
             std::uint32_t* out, std::int32_t stride);

// Paints spans in a colour over the pixels of `pixels` (width x height, stride in
// pixels), each pixel keeping its opacity: nothing shows outside the face. Returns the
// rectangle touched (empty when none).
native::Rect PaintSpans(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                        std::int32_t stride, native::Colour colour, const native::Span* spans,
                        std::size_t count);

}  // namespace wayland
