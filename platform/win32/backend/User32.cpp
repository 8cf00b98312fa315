// The user32 and gdi32 functions of platform/WinApi.h on Windows: each one forwards to
// the system's own. Handles pass through unchanged: an HWND is the window's handle, an
// HRGN a GDI region. Places, sizes and regions are the program's pixels, the system's are
// the display's: they are mapped by the monitor they are on (platform/Scaling.h), and a
// region becomes the window's shape at its scale. The half for other hosts is
// platform/User32.cpp.
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Scaling.h"
#include "platform/WinApi.h"
#include "platform/win32/backend/Win32Platform.h"

namespace winapi {
namespace {

::HWND Native(HWND window) {
    return reinterpret_cast<::HWND>(window);
}
::HRGN Native(HRGN region) {
    return reinterpret_cast<::HRGN>(region);
}
native::WindowId Id(HWND window) {
    return reinterpret_cast<native::WindowId>(window);
}

// A region's rectangles, or nothing when it has none to give.
std::optional<std::vector<native::Rect>> RectsOf(::HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size == 0) return std::nullopt;
    std::vector<std::uint8_t> data(size);
    auto* rgn = reinterpret_cast<RGNDATA*>(data.data());
    if (GetRegionData(region, size, rgn) == 0) return std::nullopt;
    const auto* rects = reinterpret_cast<const ::RECT*>(rgn->Buffer);
    std::vector<native::Rect> out;
    for (DWORD i = 0; i < rgn->rdh.nCount; ++i)
        out.push_back({rects[i].left, rects[i].top, rects[i].right, rects[i].bottom});
    return out;
}

}  // namespace

BOOL GetCursorPos(POINT* point) {
    ::POINT position{};
    if (point == nullptr || !::GetCursorPos(&position)) return 0;
    const native::Point program = scaling::ProgramPoint({position.x, position.y});
    point->x = program.x;
    point->y = program.y;
    return 1;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    ::RECT outer{};
    if (rect == nullptr || !::GetWindowRect(Native(window), &outer)) return 0;
    const native::Rect program =
        scaling::ToProgram(Id(window), {outer.left, outer.top, outer.right, outer.bottom});
    *rect = {program.left, program.top, program.right, program.bottom};
    return 1;
}

BOOL ClientToScreen(HWND window, POINT* point) {
    ::POINT origin{};
    if (point == nullptr || !::ClientToScreen(Native(window), &origin)) return 0;
    const native::Point program = scaling::ProgramPoint({origin.x, origin.y});
    point->x += program.x;
    point->y += program.y;
    return 1;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if ((flags & SWP_NOMOVE) == 0) {
        const native::Point device = scaling::DevicePoint({x, y});
        x = device.x;
        y = device.y;
    }
    if ((flags & SWP_NOSIZE) == 0) {
        const double scale = scaling::ScaleOf(Id(window));
        cx = static_cast<int>(std::lround(cx * scale));
        cy = static_cast<int>(std::lround(cy * scale));
    }
    return ::SetWindowPos(Native(window), Native(insertAfter), x, y, cx, cy, flags);
}

BOOL ReleaseCapture() {
    return ::ReleaseCapture();
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(Native(window), message, wParam, lParam);
}

// The region, in program pixels, is kept as the window's own and shaped for its scale;
// the system gets a region of device pixels, and the program's own is deleted, as the
// system would have taken it.
int SetWindowRgn(HWND window, HRGN region, BOOL redraw) {
    scaling::ScaledWindow* scaled = scaling::WindowOf(Id(window));
    if (scaled == nullptr || region == nullptr) {
        if (scaled != nullptr) scaled->programRegion.reset();
        return ::SetWindowRgn(Native(window), Native(region), redraw);
    }
    auto rects = RectsOf(Native(region));
    if (!rects) return 0;
    scaled->programRegion = std::move(*rects);
    if (scaled->scale == 1) return ::SetWindowRgn(Native(window), Native(region), redraw);
    ::DeleteObject(Native(region));
    return win32::ApplyProgramRegion(Native(window), *scaled->programRegion) ? 1 : 0;
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
    if (rect == nullptr) return nullptr;
    const native::Rect device = scaling::DeviceRect(
        native::Rect{rect->Left, rect->Top, rect->Right, rect->Bottom}, native::ScreenAreas());
    const ::RECT area{device.left, device.top, device.right, device.bottom};
    return reinterpret_cast<HMONITOR>(::MonitorFromRect(&area, flags));
}

BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info) {
    ::MONITORINFO system{};
    system.cbSize = sizeof system;
    if (info == nullptr || !::GetMonitorInfoA(reinterpret_cast<::HMONITOR>(monitor), &system))
        return 0;
    const auto areas = native::ScreenAreas();
    const auto program = [&](const ::RECT& r) {
        return scaling::ProgramRect(native::Rect{r.left, r.top, r.right, r.bottom}, areas);
    };
    const native::Rect m = program(system.rcMonitor), w = program(system.rcWork);
    info->rcMonitor = {m.left, m.top, m.right, m.bottom};
    info->rcWork = {w.left, w.top, w.right, w.bottom};
    info->dwFlags = system.dwFlags;
    return 1;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return reinterpret_cast<HRGN>(::CreateRectRgn(left, top, right, bottom));
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    return ::CombineRgn(Native(dest), Native(src1), Native(src2), mode);
}

BOOL DeleteObject(HGDIOBJ object) {
    return ::DeleteObject(Native(object));
}

}  // namespace winapi
