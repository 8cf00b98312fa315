// Circles rasterised into pixel spans, the same on every backend. A pixel belongs to a
// circle of centre c and radius r when its centre (x + 0.5, y + 0.5) lies within r of c.
// So a disc of radius 5 whose centre is within 5 of an integer-centred disc of radius 10
// lies inside it: the larger disc's pixel centres sit at squared distances n + 0.5, which
// leaves a margin far wider than float rounding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/Native.h"

namespace runtime {

struct CircleSpans {
    std::size_t interior = 0;  // spans for the fill colour
    std::size_t outline = 0;   // spans for the outline colour
};

// Writes the disc's rows, clipped to [0, width) x [0, height), as spans: the pixels with
// a 4-neighbour outside the disc go to `outline`, the rest to `interior`. Each buffer
// needs room for 2 * height spans. A radius that is not positive and finite draws nothing.
CircleSpans RasteriseCircle(double cx, double cy, double radius, std::int32_t width,
                            std::int32_t height, std::span<native::Span> interior,
                            std::span<native::Span> outline);

// The disc's pixels as one list (interior and outline together); needs room for height.
std::size_t RasteriseDisc(double cx, double cy, double radius, std::int32_t width,
                          std::int32_t height, std::span<native::Span> spans);

}  // namespace runtime
