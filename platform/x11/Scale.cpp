// The display scale on X11: one for the whole screen, followed while the program runs.
// The desktop sets it as Xft.dpi in the root's RESOURCE_MANAGER property (what GTK, Qt and
// Xft honour; watched for changes). Under KWin, which scales Xwayland's root by the largest
// output scale, the pointer relay knows it better: the root's size over the compositor's
// logical one, also as that changes. VELLORY_SCALE pins it. Each is rounded to a quarter
// and kept within 1 to 5: never smaller than the design, never larger than Windows goes.
// A change raises ScaleChanged, which the runtime answers with SetContent (Content.cpp).
#include <X11/Xatom.h>
#include <X11/Xresource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "platform/relay/Relay.h"
#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

constexpr double MinimumScale = 1, MaximumScale = 5;
constexpr double DotsPerInchAtScale1 = 96;
constexpr long LargestResources = 1 << 20;  // 32-bit units: 4 MB, far past any desktop's

struct Sources {
    std::optional<double> pinned;  // VELLORY_SCALE
    std::optional<double> xftDpi;  // as RESOURCE_MANAGER said last
    bool changed = false;          // a ScaleChanged is still to be raised
};

Sources& TheSources() {
    static Sources sources;
    return sources;
}

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

std::optional<double> XftDpiOf(const char* resources) {
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

// NOTE: XResourceManagerString keeps what the property held when the display opened.
std::optional<double> ReadXftDpi() {
    const Connection& x = X();
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x.display, x.root, XA_RESOURCE_MANAGER, 0, LargestResources, False,
                           XA_STRING, &type, &format, &count, &after, &data) != Success ||
        data == nullptr)
        return std::nullopt;
    std::optional<double> dpi;
    if (type == XA_STRING && format == 8) {
        const std::string text(reinterpret_cast<const char*>(data), count);
        dpi = XftDpiOf(text.c_str());
    }
    XFree(data);
    return dpi;
}

double Rounded(double scale) {
    return std::clamp(std::round(scale * 4) / 4, MinimumScale, MaximumScale);
}

double WantedScale() {
    const Sources& sources = TheSources();
    if (sources.pinned) return Rounded(*sources.pinned);
    if (const std::optional<double> ratio = relay::RootPerLogical()) return Rounded(*ratio);
    if (sources.xftDpi) return Rounded(*sources.xftDpi / DotsPerInchAtScale1);
    return 1;
}

}  // namespace

double ReadDisplayScale(Display* display) {
    Sources& sources = TheSources();
    sources.pinned = Number(std::getenv("VELLORY_SCALE"));
    if (!sources.pinned) sources.xftDpi = XftDpiOf(XResourceManagerString(display));
    return WantedScale();
}

void FollowScale(bool resourcesChanged) {
    Sources& sources = TheSources();
    if (sources.pinned) return;
    if (resourcesChanged) sources.xftDpi = ReadXftDpi();
    const double scale = WantedScale();
    if (scale == X().scale) return;
    X().scale = scale;
    sources.changed = true;
}

// The outer corner keeps its place in program pixels (around the primary monitor's
// corner, the origin), unless someone has already resized the window (KWin, as it scales
// Xwayland's root): then it moved the window with the scale, and its place stands.
std::optional<native::Event> TakeScaleChange() {
    Sources& sources = TheSources();
    if (!sources.changed) return std::nullopt;
    sources.changed = false;
    const WindowState& w = TheWindow();
    const double scale = X().scale;
    native::Rect outer;
    if (w.window == 0 || scale == w.drawnScale || !api::GetWindowRect(w.window, outer))
        return std::nullopt;
    native::Event event{native::EventKind::ScaleChanged};
    event.x = outer.left;
    event.y = outer.top;
    if (w.serverWidth == w.width && w.serverHeight == w.height) {
        event.x = static_cast<std::int32_t>(std::lround(outer.left * scale / w.drawnScale));
        event.y = static_cast<std::int32_t>(std::lround(outer.top * scale / w.drawnScale));
    }
    return event;
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

}  // namespace x11::api
