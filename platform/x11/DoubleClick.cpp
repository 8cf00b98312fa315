// Telling a double-click from two clicks: two left presses within the desktop's
// double-click time and distance. A desktop publishes them through its XSETTINGS manager
// (GNOME, Xfce, MATE, KDE's bridge); without one, 500 ms and 4 pixels.
#include <X11/Xlib.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/x11/X11Platform.h"
#include "platform/x11/XSettingsFormat.h"

namespace x11 {
namespace {

constexpr long LargestSettingsLongs = 16384;  // 64 KiB: a real manager's are a few hundred bytes

std::optional<XSettingsIntegers> ReadXSettings() {
    Connection& x = X();
    const std::string selection = "_XSETTINGS_S" + std::to_string(x.screen);
    char* names[] = {const_cast<char*>(selection.c_str()),
                     const_cast<char*>("_XSETTINGS_SETTINGS")};
    Atom atoms[2];
    if (!XInternAtoms(x.display, names, 2, False, atoms)) return std::nullopt;
    const Window manager = XGetSelectionOwner(x.display, atoms[0]);
    if (manager == None) return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    // NOTE: the manager may go away meanwhile; the request then fails (our error handler
    // lets it) and the defaults stand.
    if (XGetWindowProperty(x.display, manager, atoms[1], 0, LargestSettingsLongs, False, atoms[1],
                           &type, &format, &count, &after, &data) != Success)
        return std::nullopt;
    std::optional<XSettingsIntegers> settings;
    if (data != nullptr && type == atoms[1] && format == 8 && after == 0)
        settings = ParseXSettingsIntegers(data, count);
    if (data != nullptr) XFree(data);
    return settings;
}

// Read at the first press, once: a settings manager that starts with the session after
// us is still heard.
const DoubleClickLimits& Limits() {
    static const DoubleClickLimits limits = DoubleClickLimitsFrom(ReadXSettings());
    return limits;
}

}  // namespace

bool EndsDoubleClick(const XButtonEvent& press) {
    static native::DoubleClicks clicks;
    // NOTE: server times are 32-bit milliseconds that wrap, as DoubleClicks takes them.
    return clicks.Ends({static_cast<std::uint32_t>(press.time), {press.x_root, press.y_root}},
                       Limits());
}

}  // namespace x11
