// The user32 and gdi32 functions of platform/WinApi.h on hosts without them (X11, and the
// null backend), built on the backend's functions of platform/User32.h. The Windows half
// is platform/win32/backend/User32.cpp. A region is a list of rectangles (their union) in
// a table of our own; a handle is its slot number plus one. A stale or unknown handle is
// an error result, never a crash. Places and regions are the program's pixels, mapped to
// the display's through platform/Scaling.h.
#include "platform/User32.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/Scaling.h"

namespace winapi {
namespace {

constexpr int ERROR_REGION = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3;
constexpr std::size_t MaxRegions = 1 << 16;

std::vector<std::optional<std::vector<native::Rect>>>& Table() {
    static std::vector<std::optional<std::vector<native::Rect>>> table;
    return table;
}

std::vector<native::Rect>* Find(HRGN region) {
    const auto slot = reinterpret_cast<std::uintptr_t>(region);
    auto& table = Table();
    if (slot == 0 || slot > table.size()) return nullptr;
    auto& rects = table[slot - 1];
    return rects ? &*rects : nullptr;
}

int Complexity(const std::vector<native::Rect>& rects) {
    if (rects.empty()) return NULLREGION;
    return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

native::WindowId Window(HWND window) {
    return reinterpret_cast<native::WindowId>(window);
}

}  // namespace

std::size_t LiveRegions() {
    std::size_t live = 0;
    for (const auto& entry : Table()) live += entry.has_value();
    return live;
}

const std::vector<native::Rect>* RegionRects(HRGN region) {
    return Find(region);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    std::vector<native::Rect> rects;
    // NOTE: like Windows, a region takes its corners in either order.
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (left < right && top < bottom) rects.push_back({left, top, right, bottom});
    auto& table = Table();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!table[i]) {
            table[i] = std::move(rects);
            return reinterpret_cast<HRGN>(i + 1);
        }
    }
    if (table.size() >= MaxRegions) return nullptr;
    table.emplace_back(std::move(rects));
    return reinterpret_cast<HRGN>(table.size());
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    auto* target = Find(dest);
    const auto* first = Find(src1);
    const auto* second = Find(src2);
    if (target == nullptr || first == nullptr || second == nullptr || mode != RGN_OR)
        return ERROR_REGION;
    if (target == first && target != second) {  // the usual dest = dest | run: append
        target->insert(target->end(), second->begin(), second->end());
        return Complexity(*target);
    }
    std::vector<native::Rect> united = *first;
    united.insert(united.end(), second->begin(), second->end());
    *target = std::move(united);
    return Complexity(*target);
}

BOOL DeleteObject(HGDIOBJ object) {
    const auto slot = reinterpret_cast<std::uintptr_t>(object);
    if (Find(object) == nullptr) return 0;
    Table()[slot - 1].reset();
    return 1;
}

int SetWindowRgn(HWND window, HRGN region, BOOL /*redraw*/) {
    auto* rects = Find(region);
    if (window == nullptr) return 0;
    // NOTE: a null region gives the window back its rectangle, as on Windows.
    if (region != nullptr && rects == nullptr) return 0;
    std::vector<native::Rect> shape;
    if (rects != nullptr) shape = std::move(*rects);
    // The window owns the region from here on, applied or not; nothing else may use it.
    if (region != nullptr) DeleteObject(region);
    scaling::ScaledWindow* scaled = scaling::WindowOf(Window(window));
    if (region == nullptr) {
        if (scaled != nullptr) scaled->programRegion.reset();
        return native::SetShape(Window(window), {}) ? 1 : 0;
    }
    if (scaled != nullptr) {
        scaled->programRegion = shape;
        shape = scaling::DeviceShape(*scaled, shape);
    }
    return native::SetShape(Window(window), shape) ? 1 : 0;
}

BOOL GetCursorPos(POINT* point) {
    native::Point position;
    if (point == nullptr || !native::GetPointer(position)) return 0;
    const native::Point program = scaling::ProgramPoint(position);
    point->x = program.x;
    point->y = program.y;
    return 1;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    native::Rect outer;
    if (rect == nullptr || !native::GetWindowRect(Window(window), outer)) return 0;
    outer = scaling::ToProgram(Window(window), outer);
    *rect = {outer.left, outer.top, outer.right, outer.bottom};
    return 1;
}

BOOL ClientToScreen(HWND window, POINT* point) {
    native::Point origin;
    if (point == nullptr || !native::GetClientOrigin(Window(window), origin)) return 0;
    const native::Point program = scaling::ProgramPoint(origin);
    point->x += program.x;
    point->y += program.y;
    return 1;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int /*cx*/, int /*cy*/, UINT flags) {
    if (window == nullptr) return 0;
    BOOL ok = 1;
    if (insertAfter == HWND_TOPMOST && !native::SetTopmost(Window(window))) ok = 0;
    if ((flags & SWP_NOMOVE) == 0) {
        const native::Point device = scaling::DevicePoint({x, y});
        if (!native::MoveWindow(Window(window), device)) ok = 0;
    }
    return ok;
}

BOOL ReleaseCapture() {
    native::ReleaseCapture();
    return 1;
}

// NOTE: HMONITOR is the monitor's place in native::Monitors() plus one: the list is read
// anew by each call, as Windows' handles also go stale when the monitors change.
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
    if (rect == nullptr) return nullptr;
    const native::Rect place = scaling::DeviceRect(
        native::Rect{rect->Left, rect->Top, rect->Right, rect->Bottom}, native::ScreenAreas());
    const auto monitors = native::Monitors();
    std::int64_t largest = 0;
    std::size_t chosen = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const native::Rect& m = monitors[i];
        const std::int64_t width =
            std::int64_t{std::min(place.right, m.right)} - std::max(place.left, m.left);
        const std::int64_t height =
            std::int64_t{std::min(place.bottom, m.bottom)} - std::max(place.top, m.top);
        if (width > 0 && height > 0 && width * height > largest) {
            largest = width * height;
            chosen = i + 1;
        }
    }
    // NOTE: the other flags ask for the nearest or the primary monitor; the program uses none.
    if (chosen == 0 && flags != MONITOR_DEFAULTTONULL && !monitors.empty()) chosen = 1;
    return reinterpret_cast<HMONITOR>(chosen);
}

BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info) {
    const auto slot = reinterpret_cast<std::uintptr_t>(monitor);
    const auto monitors = native::Monitors();
    if (info == nullptr || slot == 0 || slot > monitors.size()) return 0;
    const native::Rect m = scaling::ProgramRect(monitors[slot - 1], native::ScreenAreas());
    info->rcMonitor = {m.left, m.top, m.right, m.bottom};
    info->rcWork = info->rcMonitor;
    info->dwFlags = slot == 1 ? MONITORINFOF_PRIMARY : 0;
    return 1;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (window != nullptr && message == WM_NCLBUTTONDOWN && wParam == HTCAPTION)
        native::BeginMove(Window(window));
    return 0;
}

}  // namespace winapi
