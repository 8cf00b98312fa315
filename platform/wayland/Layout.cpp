// The Wayland backend's arithmetic of places: see Layout.h.
#include "platform/wayland/Layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace wayland {
namespace {

constexpr double FractionalSteps = 120;  // wp_fractional_scale_v1's denominator

bool Turned(std::int32_t transform) {
    return (transform & 1) != 0;  // 90 and 270 degrees, flipped or not
}

std::int64_t Overlap(const native::Rect& a, const native::Rect& b) {
    const std::int64_t width = std::int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
    const std::int64_t height = std::int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

// How far a value lies outside [low, high] (0 inside).
double Outside(double value, double low, double high) {
    if (value < low) return low - value;
    return value > high ? value - high : 0;
}

double DistanceSquared(double x, double y, const native::Rect& r) {
    const double dx = Outside(x, r.left, r.right);
    const double dy = Outside(y, r.top, r.bottom);
    return dx * dx + dy * dy;
}

}  // namespace

double OutputScale(const OutputGeometry& output) {
    const std::int32_t logicalWidth = output.logical.right - output.logical.left;
    const std::int32_t modeWidth = Turned(output.transform) ? output.modeHeight : output.modeWidth;
    if (logicalWidth <= 0 || modeWidth <= 0) return std::max(output.integerScale, 1);
    return std::round(double(modeWidth) / logicalWidth * FractionalSteps) / FractionalSteps;
}

LayoutPlace CursorToLayout(const OutputGeometry& output, std::int32_t x, std::int32_t y,
                           bool logicalUnits) {
    const auto& r = output.logical;
    if (logicalUnits) return {double(r.left) + x, double(r.top) + y};
    // NOTE: the factor each way from the sizes themselves, not from a scale rounded to a
    // 120th: a 1280-pixel-wide output at 1.5 is 853 logical pixels wide.
    const bool turned = Turned(output.transform);
    const std::int32_t modeWidth = turned ? output.modeHeight : output.modeWidth;
    const std::int32_t modeHeight = turned ? output.modeWidth : output.modeHeight;
    const double fx = modeWidth > 0 && r.right > r.left ? double(r.right - r.left) / modeWidth
                                                        : 1.0 / std::max(output.integerScale, 1);
    const double fy = modeHeight > 0 && r.bottom > r.top ? double(r.bottom - r.top) / modeHeight
                                                         : 1.0 / std::max(output.integerScale, 1);
    return {r.left + x * fx, r.top + y * fy};
}

std::optional<std::size_t> OutputFor(const native::Rect& window,
                                     std::span<const OutputGeometry> outputs) {
    if (outputs.empty()) return std::nullopt;
    std::size_t best = 0;
    std::int64_t largest = 0;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const std::int64_t overlap = Overlap(window, outputs[i].logical);
        if (overlap > largest) {
            largest = overlap;
            best = i;
        }
    }
    if (largest > 0) return best;
    const double cx = (double(window.left) + window.right) / 2;
    const double cy = (double(window.top) + window.bottom) / 2;
    double nearest = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const double distance = DistanceSquared(cx, cy, outputs[i].logical);
        if (distance < nearest) {
            nearest = distance;
            best = i;
        }
    }
    return best;
}

std::optional<std::size_t> PrimaryOutput(std::span<const OutputGeometry> outputs) {
    if (outputs.empty()) return std::nullopt;
    for (std::size_t i = 0; i < outputs.size(); ++i)
        if (outputs[i].logical.left == 0 && outputs[i].logical.top == 0) return i;
    return 0;
}

native::Point MarginsFor(native::Point place, const OutputGeometry& output) {
    return {place.x - output.logical.left, place.y - output.logical.top};
}

LayoutPlace ClosestInLayout(LayoutPlace place, std::span<const OutputGeometry> outputs) {
    std::optional<LayoutPlace> closest;
    double nearest = 0;
    for (const OutputGeometry& output : outputs) {
        const native::Rect& r = output.logical;
        if (r.right <= r.left || r.bottom <= r.top) continue;
        // NOTE: the right and bottom edges are not the output's, as wlroots keeps them.
        constexpr double Inside = 1.0 / 65536;
        const LayoutPlace on{std::clamp(place.x, double(r.left), r.right - Inside),
                             std::clamp(place.y, double(r.top), r.bottom - Inside)};
        // NOTE: squared: std::hypot would tie the program to glibc 2.35's libm.
        const double dx = on.x - place.x, dy = on.y - place.y;
        const double distance = dx * dx + dy * dy;
        if (!closest || distance < nearest) {
            closest = on;
            nearest = distance;
        }
    }
    return closest.value_or(place);
}

}  // namespace wayland
