// Circle rasterisation: see Circle.h for the pixel rule.
#include "runtime/Circle.h"

#include <algorithm>
#include <cmath>

namespace runtime {
namespace {

struct Row {
    std::int32_t x0 = 0, x1 = 0;  // [x0, x1), empty when x0 >= x1
};

// The pixels of row y whose centres lie within the radius, unclipped.
Row DiscRow(double cx, double cy, double radius, std::int32_t y) {
    const double dy = y + 0.5 - cy;
    const double reach = radius * radius - dy * dy;
    if (reach < 0) return {};
    const double half = std::sqrt(reach);
    // x + 0.5 in [cx - half, cx + half]
    const double first = std::ceil(cx - half - 0.5);
    const double last = std::floor(cx + half - 0.5);
    if (last < first) return {};
    constexpr double kLimit = 1 << 30;
    return {static_cast<std::int32_t>(std::clamp(first, -kLimit, kLimit)),
            static_cast<std::int32_t>(std::clamp(last + 1, -kLimit, kLimit))};
}

bool Drawable(double cx, double cy, double radius) {
    return std::isfinite(cx) && std::isfinite(cy) && std::isfinite(radius) && radius > 0 &&
           radius < (1 << 24) && std::fabs(cx) < (1 << 24) && std::fabs(cy) < (1 << 24);
}

void Put(std::span<native::Span> spans, std::size_t& count, std::int32_t y, std::int32_t x0,
         std::int32_t x1, std::int32_t width) {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, width);
    if (x0 < x1 && count < spans.size()) spans[count++] = {y, x0, x1};
}

}  // namespace

std::size_t RasteriseDisc(double cx, double cy, double radius, std::int32_t width,
                          std::int32_t height, std::span<native::Span> spans) {
    std::size_t count = 0;
    if (!Drawable(cx, cy, radius)) return 0;
    const auto top = static_cast<std::int32_t>(std::max(0.0, std::floor(cy - radius)));
    const auto bottom =
        static_cast<std::int32_t>(std::min<double>(height, std::ceil(cy + radius) + 1));
    for (std::int32_t y = top; y < bottom; ++y) {
        const Row row = DiscRow(cx, cy, radius, y);
        Put(spans, count, y, row.x0, row.x1, width);
    }
    return count;
}

CircleSpans RasteriseCircle(double cx, double cy, double radius, std::int32_t width,
                            std::int32_t height, std::span<native::Span> interior,
                            std::span<native::Span> outline) {
    CircleSpans counts;
    if (!Drawable(cx, cy, radius)) return counts;
    const auto top = static_cast<std::int32_t>(std::max(0.0, std::floor(cy - radius)));
    const auto bottom =
        static_cast<std::int32_t>(std::min<double>(height, std::ceil(cy + radius) + 1));
    for (std::int32_t y = top; y < bottom; ++y) {
        const Row row = DiscRow(cx, cy, radius, y);
        if (row.x0 >= row.x1) continue;
        const Row up = DiscRow(cx, cy, radius, y - 1);
        const Row down = DiscRow(cx, cy, radius, y + 1);
        // Interior pixels have all four neighbours in the disc.
        std::int32_t in0 = std::max({row.x0 + 1, up.x0, down.x0});
        std::int32_t in1 = std::min({row.x1 - 1, up.x1, down.x1});
        if (up.x0 >= up.x1 || down.x0 >= down.x1 || in0 >= in1) {
            Put(outline, counts.outline, y, row.x0, row.x1, width);
            continue;
        }
        Put(outline, counts.outline, y, row.x0, in0, width);
        Put(interior, counts.interior, y, in0, in1, width);
        Put(outline, counts.outline, y, in1, row.x1, width);
    }
    return counts;
}

}  // namespace runtime
