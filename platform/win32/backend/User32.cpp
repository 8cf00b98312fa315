// The user32 and gdi32 functions of platform/WinApi.h on Windows: each one forwards to
// the system's own. Handles pass through unchanged: an HWND is the window's handle, an
// HRGN a GDI region. The half for other hosts is platform/User32.cpp.
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

}  // namespace

BOOL GetCursorPos(POINT* point) {
    ::POINT position{};
    if (point == nullptr || !::GetCursorPos(&position)) return 0;
    point->x = position.x;
    point->y = position.y;
    return 1;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
    ::RECT outer{};
    if (rect == nullptr || !::GetWindowRect(Native(window), &outer)) return 0;
    *rect = {outer.left, outer.top, outer.right, outer.bottom};
    return 1;
}

BOOL ClientToScreen(HWND window, POINT* point) {
    ::POINT position{};
    if (point == nullptr) return 0;
    position.x = point->x;
    position.y = point->y;
    if (!::ClientToScreen(Native(window), &position)) return 0;
    point->x = position.x;
    point->y = position.y;
    return 1;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    return ::SetWindowPos(Native(window), Native(insertAfter), x, y, cx, cy, flags);
}

BOOL ReleaseCapture() {
    return ::ReleaseCapture();
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(Native(window), message, wParam, lParam);
}

int SetWindowRgn(HWND window, HRGN region, BOOL redraw) {
    return ::SetWindowRgn(Native(window), Native(region), redraw);
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
    if (rect == nullptr) return nullptr;
    const ::RECT area{rect->Left, rect->Top, rect->Right, rect->Bottom};
    return reinterpret_cast<HMONITOR>(::MonitorFromRect(&area, flags));
}

BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info) {
    ::MONITORINFO system{};
    system.cbSize = sizeof system;
    if (info == nullptr || !::GetMonitorInfoA(reinterpret_cast<::HMONITOR>(monitor), &system))
        return 0;
    const ::RECT& m = system.rcMonitor;
    const ::RECT& w = system.rcWork;
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
