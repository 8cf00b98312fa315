// The X11 backend's shared state: the display connection, atoms, extensions, the
// primary monitor's origin and what the window manager supports.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "platform/Native.h"

namespace x11 {

struct Atoms {
    Atom WM_PROTOCOLS, WM_DELETE_WINDOW, _NET_WM_PING, _NET_WM_STATE, _NET_WM_STATE_ABOVE,
        _NET_WM_STATE_SKIP_TASKBAR, _NET_WM_STATE_SKIP_PAGER, _NET_WM_NAME, UTF8_STRING,
        _NET_WM_PID, _NET_WM_ICON, _MOTIF_WM_HINTS, _NET_WM_MOVERESIZE, _NET_SUPPORTED,
        _NET_SUPPORTING_WM_CHECK, WM_S0;
};

struct PixelFormat {
    bool trueColour24 = false;  // 8 bits a channel: shifts place them
    int redShift = 0, greenShift = 0, blueShift = 0;
};

struct Connection {
    Display* display = nullptr;
    int screen = 0;
    Window root = 0;
    Atoms atoms{};
    bool hasShape = false;
    bool hasRandr = false;
    int randrEventBase = 0;
    native::Rect primary;  // the primary monitor, in root coordinates
    PixelFormat pixelFormat;
};

Connection& X();

// Reads the primary monitor again (RandR monitors, else the root window's geometry).
void UpdatePrimaryMonitor();
// True when a window manager runs and lists `feature` in _NET_SUPPORTED.
bool WindowManagerSupports(Atom feature);
bool WindowManagerRuns();
// The display's name without its screen number (":1.0" -> ":1"), for the instance lock.
std::string DisplayName();

}  // namespace x11
