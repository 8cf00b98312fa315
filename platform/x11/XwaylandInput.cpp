// Whether the session's Xwayland passes an X window's input shape on to the Wayland
// compositor. Xwayland 24.1 and later do: a press beside the face goes to the window
// below. Before (22.1.9 measured, and 23.2.6), every X window takes presses over its whole
// rectangle, whatever its input shape, and KWin's own rules cannot pass them on.
#include <X11/Xlib.h>

#include "platform/x11/X11Platform.h"

namespace x11 {

bool XwaylandPassesInputShape() {
    // Xwayland's release number: 10000000 + major x 100000 + minor x 1000 + patch
    // (12201009 is 22.1.9).
    constexpr int FirstPassing = 12401000;  // 24.1.0
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    int opcode = 0, event = 0, error = 0;
    const bool xwayland = XQueryExtension(display, "XWAYLAND", &opcode, &event, &error) != 0;
    const int release = VendorRelease(display);
    XCloseDisplay(display);
    return xwayland && release >= FirstPassing;
}

}  // namespace x11
