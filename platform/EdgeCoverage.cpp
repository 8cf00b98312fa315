// How much of each device pixel the window's outline covers, for a window whose edge a
// compositor blends (see Scaling.h). The outline is the window's shape, the picture's key
// colour cut at the resolution it is drawn at; a pixel's coverage is the share of shaped
// pixels in the 3 x 3 pixels around it, so that the cut's steps fade over one pixel. Pixels
// outside the shape stay uncovered, so the blend never reaches past the shape.
#include <algorithm>

#include "platform/Scaling.h"

namespace scaling {

std::vector<std::uint8_t> EdgeCoverage(const std::vector<native::Rect>& shape, std::int32_t width,
                                       std::int32_t height) {
    if (width <= 0 || height <= 0) return {};
    const auto at = [&](std::int32_t x, std::int32_t y) {
        return static_cast<std::size_t>(y) * width + x;
    };
    std::vector<std::uint8_t> inside(static_cast<std::size_t>(width) * height, 0);
    for (const native::Rect& r : shape) {
        const std::int32_t left = std::max(r.left, 0), right = std::min(r.right, width);
        for (std::int32_t y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y)
            if (left < right) std::fill(&inside[at(left, y)], &inside[at(right - 1, y)] + 1, 1);
    }
    // Shaped pixels in each pixel's column of three, then across three columns; beyond the
    // window nothing is shaped.
    std::vector<std::uint8_t> columns(inside.size(), 0);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            columns[at(x, y)] =
                static_cast<std::uint8_t>((y > 0 ? inside[at(x, y - 1)] : 0) + inside[at(x, y)] +
                                          (y + 1 < height ? inside[at(x, y + 1)] : 0));
    std::vector<std::uint8_t> coverage(inside.size(), 0);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            if (inside[at(x, y)] == 0) continue;
            const int shaped = (x > 0 ? columns[at(x - 1, y)] : 0) + columns[at(x, y)] +
                               (x + 1 < width ? columns[at(x + 1, y)] : 0);
            coverage[at(x, y)] = static_cast<std::uint8_t>((shaped * 255 + 4) / 9);
        }
    return coverage;
}

}  // namespace scaling
