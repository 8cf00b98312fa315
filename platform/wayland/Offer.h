// What a Wayland compositor offers the native backend, read from its globals by the
// backend's probe and weighed by the Linux program's choice of backend. A plain type,
// free of libwayland's headers, so that the choice can take it without the backend's.
#pragma once

namespace wayland {

struct Offer {
    bool layerShell = false;      // zwlr_layer_shell_v1: a surface above ordinary windows
    bool cursorSessions = false;  // ext-image-copy-capture cursor sessions: the pointer anywhere
    bool gnome = false;           // GNOME Shell: its relay serves the X11 window
    bool kwin = false;            // KWin: its relay serves either window
    // Under KWin: its Xwayland passes an X window's input shape on to KWin (24.1 and later),
    // so that a press beside the face reaches the window below. False without Xwayland.
    bool xwaylandInputShape = false;
};

}  // namespace wayland
