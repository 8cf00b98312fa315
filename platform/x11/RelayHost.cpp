// What the X11 window lends the pointer relay: the root's size, which the compositor's
// places are scaled to, and the window's input shape for Outline.
#include "platform/relay/Relay.h"
#include "platform/x11/X11Platform.h"

namespace x11 {

relay::Host RelayHost() {
    relay::Host host;
    // NOTE: the X11 window on Xwayland sees the pointer only while it is over X11 windows.
    host.onlyOver = "the eyes follow the pointer only over X11 windows";
    host.rootSize = [] {
        const Connection& x = X();
        return relay::Size{DisplayWidth(x.display, x.screen), DisplayHeight(x.display, x.screen)};
    };
    host.outline = [] {
        const WindowState& w = TheWindow();
        return relay::Outline{static_cast<std::uint32_t>(w.window), w.inputShape};
    };
    return host;
}

}  // namespace x11
