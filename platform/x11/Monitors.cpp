// The monitors' rectangles for user32's MonitorFromRect and GetMonitorInfoA
// (platform/User32.cpp): RandR's monitors, else the root window, in screen pixels.
#include <X11/extensions/Xrandr.h>

#include <algorithm>

#include "platform/User32.h"
#include "platform/x11/X11Platform.h"

namespace x11::api {

std::vector<Rect> Monitors() {
    const x11::Connection& x = x11::X();
    const Rect& primary = x.primary;  // screen pixels count from its corner
    const auto ScreenRect = [&](int left, int top, int width, int height) {
        return Rect{left - primary.left, top - primary.top, left + width - primary.left,
                    top + height - primary.top};
    };
    std::vector<Rect> monitors;
    int count = 0;
    XRRMonitorInfo* list = x.hasRandr ? XRRGetMonitors(x.display, x.root, True, &count) : nullptr;
    for (int i = 0; list != nullptr && i < count; ++i)
        monitors.push_back(ScreenRect(list[i].x, list[i].y, list[i].width, list[i].height));
    if (list != nullptr) XRRFreeMonitors(list);
    if (monitors.empty())
        monitors.push_back(ScreenRect(0, 0, DisplayWidth(x.display, x.screen),
                                      DisplayHeight(x.display, x.screen)));
    // The primary first, as UpdatePrimaryMonitor chose it.
    const Rect primaryRect{0, 0, primary.right - primary.left, primary.bottom - primary.top};
    std::stable_partition(monitors.begin(), monitors.end(),
                          [&](const Rect& rect) { return rect == primaryRect; });
    return monitors;
}

}  // namespace x11::api
