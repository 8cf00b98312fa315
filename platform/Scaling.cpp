// Places between program and device pixels, and the program's window as the windowing
// functions see it (see Scaling.h). The device shape is DeviceShape.cpp's.
#include "platform/Scaling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace scaling {
namespace {

// How far a value lies outside [low, high) (0 inside).
double Outside(double value, double low, double high) {
    if (value < low) return low - value;
    return value >= high ? value - high : 0;
}

// How far a place lies outside a rectangle (0 inside), squared.
double DistanceSquared(Place place, double left, double top, double right, double bottom) {
    const double dx = Outside(place.x, left, right);
    const double dy = Outside(place.y, top, bottom);
    return dx * dx + dy * dy;
}

template <typename Bounds>
const native::ScaledArea* Nearest(Place place, std::span<const native::ScaledArea> areas,
                                  Bounds bounds) {
    const native::ScaledArea* best = nullptr;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const native::ScaledArea& area : areas) {
        const auto [left, top, right, bottom] = bounds(area);
        const double distance = DistanceSquared(place, left, top, right, bottom);
        if (distance < bestDistance) {
            best = &area;
            bestDistance = distance;
        }
    }
    return best;
}

struct Bounds {
    double left, top, right, bottom;
};

Bounds DeviceBounds(const native::ScaledArea& area) {
    return {double(area.device.left), double(area.device.top), double(area.device.right),
            double(area.device.bottom)};
}

Bounds ProgramBounds(const native::ScaledArea& area) {
    const auto program = [&](std::int32_t device, std::int32_t anchor) {
        return anchor + (device - anchor) / area.scale;
    };
    return {program(area.device.left, area.anchor.x), program(area.device.top, area.anchor.y),
            program(area.device.right, area.anchor.x), program(area.device.bottom, area.anchor.y)};
}

std::optional<ScaledWindow>& TheWindow() {
    static std::optional<ScaledWindow> window;
    return window;
}

std::int32_t Clamped(double value) {
    return static_cast<std::int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

}  // namespace

const native::ScaledArea* AreaOfDevice(Place device, std::span<const native::ScaledArea> areas) {
    return Nearest(device, areas, DeviceBounds);
}

const native::ScaledArea* AreaOfProgram(Place program, std::span<const native::ScaledArea> areas) {
    return Nearest(program, areas, ProgramBounds);
}

Place ToProgram(Place device, std::span<const native::ScaledArea> areas) {
    const native::ScaledArea* area = AreaOfDevice(device, areas);
    if (area == nullptr) return device;
    return {area->anchor.x + (device.x - area->anchor.x) / area->scale,
            area->anchor.y + (device.y - area->anchor.y) / area->scale};
}

Place ToDevice(Place program, std::span<const native::ScaledArea> areas) {
    const native::ScaledArea* area = AreaOfProgram(program, areas);
    if (area == nullptr) return program;
    return {area->anchor.x + (program.x - area->anchor.x) * area->scale,
            area->anchor.y + (program.y - area->anchor.y) * area->scale};
}

native::Point Nearest(Place place) {
    return {Clamped(std::round(place.x)), Clamped(std::round(place.y))};
}

native::Point ProgramPoint(native::Point device) {
    return Nearest(ToProgram({double(device.x), double(device.y)}, native::ScreenAreas()));
}

native::Point DevicePoint(native::Point program) {
    return Nearest(ToDevice({double(program.x), double(program.y)}, native::ScreenAreas()));
}

namespace {

native::Rect Resized(native::Point corner, const native::Rect& rect, double factor) {
    const native::Point size = scaling::Nearest(Place{(double(rect.right) - rect.left) * factor,
                                                      (double(rect.bottom) - rect.top) * factor});
    return {corner.x, corner.y, corner.x + size.x, corner.y + size.y};
}

}  // namespace

native::Rect ProgramRect(const native::Rect& device, std::span<const native::ScaledArea> areas) {
    const Place corner{double(device.left), double(device.top)};
    const native::ScaledArea* area = AreaOfDevice(corner, areas);
    return Resized(Nearest(ToProgram(corner, areas)), device, area ? 1 / area->scale : 1);
}

native::Rect DeviceRect(const native::Rect& program, std::span<const native::ScaledArea> areas) {
    const Place corner{double(program.left), double(program.top)};
    const native::ScaledArea* area = AreaOfProgram(corner, areas);
    return Resized(Nearest(ToDevice(corner, areas)), program, area ? area->scale : 1);
}

// NOTE: each row is first turned into one byte a pixel (a loop the compiler does several
// pixels at a time), then its runs are found with memchr: the scan runs over every
// device pixel as the window starts.
FaceMask FaceOf(const native::Image& picture) {
    FaceMask mask{picture.width, picture.height, {}, {}};
    if (picture.pixels.empty()) return mask;
    const native::Colour key = picture.pixels[0];
    const auto width = static_cast<std::size_t>(picture.width);
    std::vector<std::uint8_t> face(width);
    mask.rowStart.reserve(static_cast<std::size_t>(picture.height) + 1);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        mask.rowStart.push_back(static_cast<std::uint32_t>(mask.runs.size()));
        const native::Colour* row = &picture.pixels[static_cast<std::size_t>(y) * width];
        for (std::size_t x = 0; x < width; ++x) face[x] = row[x] != key;
        const std::uint8_t* const begin = face.data();
        const std::uint8_t* const end = begin + width;
        for (const std::uint8_t* at = begin; at < end;) {
            const auto* start = static_cast<const std::uint8_t*>(std::memchr(at, 1, end - at));
            if (start == nullptr) break;
            const auto* stop = static_cast<const std::uint8_t*>(std::memchr(start, 0, end - start));
            if (stop == nullptr) stop = end;
            mask.runs.push_back({static_cast<std::int32_t>(start - begin),
                                 static_cast<std::int32_t>(stop - begin)});
            at = stop;
        }
    }
    mask.rowStart.push_back(static_cast<std::uint32_t>(mask.runs.size()));
    return mask;
}

void FaceMask::ExpandRow(std::int32_t y, std::uint8_t* out) const {
    std::fill_n(out, width, std::uint8_t{0});
    for (std::uint32_t i = rowStart[y]; i < rowStart[y + 1]; ++i)
        std::fill(out + runs[i].x0, out + runs[i].x1, std::uint8_t{1});
}

void SetWindow(ScaledWindow window) {
    TheWindow() = std::move(window);
}

void ForgetWindow(native::WindowId window) {
    if (WindowOf(window) != nullptr) TheWindow().reset();
}

ScaledWindow* WindowOf(native::WindowId window) {
    auto& slot = TheWindow();
    return slot && window != 0 && slot->window == window ? &*slot : nullptr;
}

double ScaleOf(native::WindowId window) {
    const ScaledWindow* scaled = WindowOf(window);
    return scaled != nullptr ? scaled->scale : 1;
}

native::Rect ToProgram(native::WindowId window, const native::Rect& device) {
    const double scale = ScaleOf(window);
    if (scale == 1) return device;
    const auto areas = native::ScreenAreas();
    const native::Point corner =
        Nearest(ToProgram({double(device.left), double(device.top)}, areas));
    const native::Point size =
        Nearest({(device.right - device.left) / scale, (device.bottom - device.top) / scale});
    return {corner.x, corner.y, corner.x + size.x, corner.y + size.y};
}

}  // namespace scaling
