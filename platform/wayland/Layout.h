// The Wayland backend's arithmetic of places, without a compositor: outputs in the layout,
// the pointer's place from a cursor session, which output holds the window, and the
// margins that put a layer surface at a place. The unit tests feed it tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/Native.h"

namespace wayland {

struct OutputGeometry {
    native::Rect logical;  // xdg-output: place and size in the layout, logical pixels
    std::int32_t modeWidth = 0, modeHeight = 0;  // the current mode, device pixels
    std::int32_t transform = 0;                  // wl_output's: 1, 3, 5, 7 turn it a quarter
    std::int32_t integerScale = 1;               // wl_output's scale
};

struct LayoutPlace {
    double x = 0, y = 0;
};

// Device pixels per logical pixel: the mode (turned as the output is) across the logical
// size, to the nearest 120th as wp_fractional_scale_v1 counts; the integer scale when the
// output tells neither.
double OutputScale(const OutputGeometry& output);

// A cursor session's position (output-local, the output's device pixels; logical pixels
// where the compositor reports those) as a layout place.
LayoutPlace CursorToLayout(const OutputGeometry& output, std::int32_t x, std::int32_t y,
                           bool logicalUnits);

// The output that holds a window's rectangle (layout pixels): the one it overlaps most,
// the first of equals; overlapping none, the one nearest to its centre. Nothing when
// there are no outputs.
std::optional<std::size_t> OutputFor(const native::Rect& window,
                                     std::span<const OutputGeometry> outputs);

// The point of the layout nearest to `place`: where the compositor keeps the pointer when
// a motion would take it off every output. `place` itself when there are no outputs.
LayoutPlace ClosestInLayout(LayoutPlace place, std::span<const OutputGeometry> outputs);

// The primary output: the one whose corner is the layout's (0,0), else the first.
std::optional<std::size_t> PrimaryOutput(std::span<const OutputGeometry> outputs);

// The margins (left, top) of a layer surface anchored top-left on `output` that put its
// corner at `place` (layout pixels).
native::Point MarginsFor(native::Point place, const OutputGeometry& output);

}  // namespace wayland
