// The display scale on X11: one for the whole screen, read once at start. The desktop
// sets it as Xft.dpi in the RESOURCE_MANAGER property (what GTK, Qt and Xft honour);
// VELLORY_SCALE overrides it. Either is rounded to a quarter and kept within 1 to 5:
// never smaller than the design, never larger than Windows goes.
#include <X11/Xresource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

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

namespace x11::api {

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

// NOTE: on X11 the scale is read once, at start, and holds while the program runs: no
// ScaleChanged event asks for another size and content.
bool SetContent(WindowId, Rect, Image&) {
    return false;
}

}  // namespace x11::api
