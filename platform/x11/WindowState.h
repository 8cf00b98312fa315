// The one top-level window of the X11 backend and what it knows about it.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "platform/Native.h"

namespace x11 {

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

WindowState& TheWindow();
unsigned long PixelOf(native::Colour colour);  // 0x00BBGGRR to the visual's pixel value
struct PixelFormat;
PixelFormat ReadPixelFormat(const Visual* visual);
void AddWindowState(Atom state);  // _NET_WM_STATE, before or after mapping
void KeepOnTopWithoutWindowManager();

}  // namespace x11
