// Program pixels and device pixels. The program works in its own pixels; a display of
// scale s shows each as s x s device pixels. This maps places on the screen between the
// two, by the scaled area (monitor) they lie on, and holds what the windowing functions of
// platform/WinApi.h must know of the program's window to answer in program pixels: its
// scale and its picture's non-key pixels at 1 and at that scale, so that the window's
// region, set in program pixels, becomes a shape as fine as the picture on the screen.
// Used by the runtime (which sets the window up) and by both halves of user32.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/Native.h"

namespace scaling {

struct Place {  // a place on the screen, with fractions
    double x = 0, y = 0;
};

// The area a place lies on, else the nearest one; nullptr when there are none.
const native::ScaledArea* AreaOfDevice(Place device, std::span<const native::ScaledArea> areas);
const native::ScaledArea* AreaOfProgram(Place program, std::span<const native::ScaledArea> areas);
// A screen place in the other kind of pixel, unrounded; unchanged where there is no area.
Place ToProgram(Place device, std::span<const native::ScaledArea> areas);
Place ToDevice(Place program, std::span<const native::ScaledArea> areas);
native::Point Nearest(Place place);  // halves away from zero
// A screen point in the other kind of pixel, to the nearest whole one, on the screen as
// it is now (native::ScreenAreas()): the points the user32 functions take and give.
native::Point ProgramPoint(native::Point device);
native::Point DevicePoint(native::Point program);
// A rectangle of the screen (a monitor's, say) in the other kind of pixel: its corner as
// a place, its size by the scale of the area the corner lies on; whole pixels.
native::Rect ProgramRect(const native::Rect& device, std::span<const native::ScaledArea> areas);
native::Rect DeviceRect(const native::Rect& program, std::span<const native::ScaledArea> areas);

// Which pixels of a picture differ from its key colour, the top-left pixel's: each row's
// runs of them, which take little room for as long as the window lives.
struct FaceMask {
    struct Run {
        std::int32_t x0 = 0, x1 = 0;  // [x0, x1)
    };
    std::int32_t width = 0, height = 0;
    std::vector<std::uint32_t> rowStart;  // row y's runs are runs[rowStart[y], rowStart[y + 1])
    std::vector<Run> runs;
    bool Empty() const { return rowStart.empty(); }
    // Row y as one byte a pixel, 1 for the face, into `out` (width bytes).
    void ExpandRow(std::int32_t y, std::uint8_t* out) const;
};
FaceMask FaceOf(const native::Image& picture);

// The program's window, as the runtime set it up.
struct ScaledWindow {
    native::WindowId window = 0;
    double scale = 1;
    FaceMask programFace, deviceFace;  // the picture's non-key pixels at 1 and at `scale`
    // The region the program set last, program pixels; shaped again when the scale changes.
    std::optional<std::vector<native::Rect>> programRegion;
};
void SetWindow(ScaledWindow window);  // one window at a time
void ForgetWindow(native::WindowId window);
ScaledWindow* WindowOf(native::WindowId window);
double ScaleOf(native::WindowId window);  // 1 for a window set up by no one

// The window's outer rectangle in program pixels, from the device one.
native::Rect ToProgram(native::WindowId window, const native::Rect& device);

// A region in program pixels as the window's device shape (DeviceShape.cpp). Each device
// pixel takes the region's word for the nearest program pixel of its own kind (face or
// key colour), so that the picture's non-key pixels at 1 become exactly its non-key
// pixels at the window's scale, and any other region its like. At scale 1: the region.
std::vector<native::Rect> DeviceShape(const ScaledWindow& window,
                                      const std::vector<native::Rect>& programRegion);

// How much of each pixel of a width x height window its device shape covers, one byte a
// pixel (0 none, 255 all), row by row: the shape's edge blended over one pixel, for a
// window that a compositor draws with alpha (EdgeCoverage.cpp). 0 outside the shape.
std::vector<std::uint8_t> EdgeCoverage(const std::vector<native::Rect>& shape, std::int32_t width,
                                       std::int32_t height);

}  // namespace scaling
