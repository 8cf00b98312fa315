// Display scales on Windows: per monitor, its effective DPI / 96, with the window's own
// DPI deciding its scale (the manifest makes the process per-monitor aware, v2, so
// Windows tells us of a change with WM_DPICHANGED and scales nothing itself). A monitor's
// places map between program and device pixels around its top-left corner.
#include <shellscalingapi.h>

#include <algorithm>
#include <cstdint>

#include "platform/Scaling.h"
#include "platform/win32/backend/Win32Platform.h"

namespace win32 {
namespace {

constexpr double DotsPerInchAtScale1 = USER_DEFAULT_SCREEN_DPI;

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    UINT dpiX = 0, dpiY = 0;
    if (GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY) != S_OK || dpiX == 0)
        dpiX = USER_DEFAULT_SCREEN_DPI;
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<native::ScaledArea>*>(areas)->push_back(
        {{r.left, r.top, r.right, r.bottom}, {r.left, r.top}, dpiX / DotsPerInchAtScale1});
    return TRUE;
}

}  // namespace

// The program's region, shaped for the window's scale as it is now.
bool ApplyProgramRegion(HWND window, const std::vector<native::Rect>& programRegion) {
    const scaling::ScaledWindow* scaled =
        scaling::WindowOf(reinterpret_cast<native::WindowId>(window));
    const std::vector<native::Rect> shape =
        scaled != nullptr ? scaling::DeviceShape(*scaled, programRegion) : programRegion;
    // One region from all rectangles at once: uniting them one by one costs the square.
    std::vector<std::uint8_t> data(sizeof(RGNDATAHEADER) + shape.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(shape.size());
    header->nRgnSize = static_cast<DWORD>(shape.size() * sizeof(RECT));
    header->rcBound = {0, 0, 0, 0};
    auto* rects = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const native::Rect& r = shape[i];
        rects[i] = {r.left, r.top, r.right, r.bottom};
        header->rcBound.right = std::max<LONG>(header->rcBound.right, r.right);
        header->rcBound.bottom = std::max<LONG>(header->rcBound.bottom, r.bottom);
    }
    HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                  reinterpret_cast<RGNDATA*>(data.data()));
    if (region == nullptr) return false;
    // The window owns the region once it is set.
    if (SetWindowRgn(window, region, TRUE) != 0) return true;
    DeleteObject(region);
    return false;
}

}  // namespace win32

namespace native {

std::vector<ScaledArea> ScreenAreas() {
    std::vector<ScaledArea> areas;
    EnumDisplayMonitors(nullptr, nullptr, win32::AddMonitor, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

double WindowScale(WindowId window) {
    const UINT dpi = win32::IsOurs(window) ? GetDpiForWindow(win32::Handle(window)) : 0;
    return dpi != 0 ? dpi / win32::DotsPerInchAtScale1 : 1;
}

}  // namespace native
