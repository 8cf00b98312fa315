// Other programs of a desktop that the kitten must live with: a settings manager
// (XSETTINGS) and a window that raises itself whenever it is covered. See XClient.h.
// clang-format off
#include "tests/support/XClient.h"  // NOTE: first, as it brings gtest in before Xlib
// clang-format on
#include <poll.h>

#include <stdexcept>

#include "tests/support/XSettingsBytes.h"

namespace support {

void XClient::PublishXSettings(const std::vector<std::pair<std::string, std::int32_t>>& integers) {
    XSettingsBytes settings;
    for (const auto& [name, value] : integers) settings.Integer(name, value);
    const std::vector<unsigned char> bytes = settings.Bytes();
    // The manager's window holds the property; it owns the selection of screen 0.
    const Window manager = XCreateSimpleWindow(display_, Root(), -1, -1, 1, 1, 0, 0, 0);
    const Atom property = Intern("_XSETTINGS_SETTINGS");
    XChangeProperty(display_, manager, property, property, 8, PropModeReplace, bytes.data(),
                    static_cast<int>(bytes.size()));
    XSetSelectionOwner(display_, Intern("_XSETTINGS_S0"), manager, CurrentTime);
    XSync(display_, False);
    if (XGetSelectionOwner(display_, Intern("_XSETTINGS_S0")) != manager)
        throw std::runtime_error("cannot own _XSETTINGS_S0");
}

int XClient::KeepRaising(Window window, milliseconds duration) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, window, &attributes) == 0) return 0;
    XSelectInput(display_, window, attributes.your_event_mask | VisibilityChangeMask);
    XRaiseWindow(display_, window);  // on top to begin with, as such a program starts
    XSync(display_, False);
    int raises = 1;
    const auto end = Clock::now() + duration;
    while (Clock::now() < end) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == VisibilityNotify && event.xvisibility.window == window &&
                event.xvisibility.state != VisibilityUnobscured) {
                XRaiseWindow(display_, window);
                XFlush(display_);
                ++raises;
            }
        }
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        poll(&fd, 1, 10);
    }
    XSelectInput(display_, window, attributes.your_event_mask);
    XSync(display_, False);
    return raises;
}

}  // namespace support
