// The display scale on X11: one for the whole screen, read once at start. The desktop
// sets it as Xft.dpi in the RESOURCE_MANAGER property (what GTK, Qt and Xft honour);
// VELLORY_SCALE overrides it. Either is rounded to a quarter and kept within 1 to 5:
// never smaller than the design, never larger than Windows goes.
#include <X11/Xresource.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "platform/Scaling.h"
#include "platform/User32.h"
#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

constexpr double MinimumScale = 1, MaximumScale = 5;
constexpr double DotsPerInchAtScale1 = 96;

// A positive number and nothing else; strtod reads the C locale's decimal point, which
// the program never changes.
std::optional<double> Number(const char* text) {
    if (text == nullptr || *text == '\0') return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0' || !std::isfinite(value) || value <= 0) return std::nullopt;
    return value;
}

std::optional<double> XftDpi(Display* display) {
    const char* resources = XResourceManagerString(display);
    if (resources == nullptr) return std::nullopt;
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(resources);
    if (database == nullptr) return std::nullopt;
    char* type = nullptr;
    XrmValue value{};
    std::optional<double> dpi;
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr)
        dpi = Number(value.addr);
    XrmDestroyDatabase(database);
    return dpi;
}

}  // namespace

double ReadDisplayScale(Display* display) {
    std::optional<double> scale = Number(std::getenv("VELLORY_SCALE"));
    if (!scale) {
        if (const auto dpi = XftDpi(display)) scale = *dpi / DotsPerInchAtScale1;
    }
    if (!scale) return 1;
    return std::clamp(std::round(*scale * 4) / 4, MinimumScale, MaximumScale);
}

}  // namespace x11

namespace native {

using x11::X;

// NOTE: one scale for the whole screen, so program pixels are device pixels divided by
// it around the primary monitor's corner, the origin of screen coordinates.
std::vector<ScaledArea> ScreenAreas() {
    const x11::Connection& x = X();
    const Rect root{-x.primary.left, -x.primary.top,
                    DisplayWidth(x.display, x.screen) - x.primary.left,
                    DisplayHeight(x.display, x.screen) - x.primary.top};
    return {ScaledArea{root, {0, 0}, x.scale}};
}

double WindowScale(WindowId) {
    return X().scale;
}

bool SetContent(WindowId window, Rect outer, Image& content) {
    if (!x11::IsOurs(window) || content.width <= 0 || content.height <= 0) return false;
    x11::WindowState& w = x11::TheWindow();
    const Pixmap pixmap = x11::MakeContentPixmap(w.window, content);
    if (pixmap == 0) return false;
    XSetWindowBackgroundPixmap(X().display, w.window, pixmap);
    if (w.content != 0) XFreePixmap(X().display, w.content);
    w.content = pixmap;
    w.width = content.width;
    w.height = content.height;
    // The fixed size that the window manager was told of first, then the size itself.
    XSizeHints* size = XAllocSizeHints();
    long supplied = 0;
    XGetWMNormalHints(X().display, w.window, size, &supplied);
    size->flags |= PMinSize | PMaxSize;
    size->min_width = size->max_width = w.width;
    size->min_height = size->max_height = w.height;
    XSetWMNormalHints(X().display, w.window, size);
    XFree(size);
    XResizeWindow(X().display, w.window, static_cast<unsigned>(w.width),
                  static_cast<unsigned>(w.height));
    XClearWindow(X().display, w.window);
    // The program's region, shaped again for the new scale.
    if (const scaling::ScaledWindow* scaled = scaling::WindowOf(window);
        scaled != nullptr && scaled->programRegion)
        SetShape(window, scaling::DeviceShape(*scaled, *scaled->programRegion));
    return MoveWindow(window, {outer.left, outer.top});
}

}  // namespace native
