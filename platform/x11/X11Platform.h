// The X11 backend's internal header: the display connection and what the backend knows of
// the server and the window manager, its one top-level window, and the functions that the
// backend's files share. Included by platform/x11 only (it brings in Xlib).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
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
    double scale = 1;  // the display scale, one for the whole screen (Scale.cpp)
};

struct WindowState {
    Window window = 0;
    Pixmap content = 0;  // the window's background: the server repaints from it
    GC gc = nullptr;
    std::int32_t width = 0, height = 0;
    // The outer top-left corner in root coordinates, from our requests and the
    // server's configure events; unknown after a reparenting window manager moved it.
    native::Point rootPosition;
    bool positionKnown = true;
    bool parentIsRoot = true;  // false while a window manager's frame holds the window
    bool mapped = false;
    bool topmost = false;
};

Connection& X();           // Connection.cpp
WindowState& TheWindow();  // Window.cpp

// Whether a window id from a caller names our window: requests for any other do nothing.
inline bool IsOurs(native::WindowId window) {
    return window != 0 && window == TheWindow().window;
}

// Connection.cpp
// Reads the primary monitor again (RandR monitors, else the root window's geometry).
void UpdatePrimaryMonitor();
// True when a window manager runs and lists `feature` in _NET_SUPPORTED.
bool WindowManagerSupports(Atom feature);
bool WindowManagerRuns();
// The display's name without its screen number (":1.0" -> ":1"), for the instance lock.
std::string DisplayName();

// Scale.cpp
// The display scale the desktop asks for: VELLORY_SCALE, else Xft.dpi / 96, else 1.
double ReadDisplayScale(Display* display);

// Pixels.cpp
PixelFormat ReadPixelFormat(const Visual* visual);
unsigned long PixelOf(native::Colour colour);  // 0x00BBGGRR to the visual's pixel value
// The content uploaded once into a pixmap; the image's pixels may serve as scratch.
Pixmap MakeContentPixmap(Window window, native::Image& image);

// Window.cpp
void AddWindowState(Atom state);  // _NET_WM_STATE, before or after mapping
void KeepOnTopWithoutWindowManager();

}  // namespace x11
