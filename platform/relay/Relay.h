// The pointer relay as the event loops see it (platform/x11/Loop.cpp, and
// platform/wayland/Loop.cpp where no cursor sessions tell the place): under a Wayland
// session the compositor's own side (a KWin script, a GNOME Shell extension) calls us over
// the session bus with the pointer's place, which Xwayland keeps from X clients while the
// pointer is over anything but an X window, and a Wayland compositor keeps from a client
// while the pointer is off its surfaces. Elsewhere nothing of D-Bus is loaded.
// The bus protocol: org.vellory.PointerRelay at /org/vellory/PointerRelay, methods
// Pointer(int32 x, int32 y) and Screen(int32 width, int32 height), in the compositor's
// logical coordinates, and Outline() -> (uint32 window, int32 array of x, y, width,
// height: the input shape in window pixels); calls are taken only from the owner of
// org.kde.KWin or org.gnome.Shell (RelayState.h).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Native.h"
#include "platform/relay/RelayState.h"

namespace relay {

// The window's input shape, for Outline.
struct Outline {
    std::uint32_t window = 0;              // its X id; 0: none
    std::vector<native::Rect> inputShape;  // window pixels
};

// What the backend that runs the relay lends it.
struct Host {
    // The opening of the notice where the eyes cannot follow everywhere.
    const char* onlyOver = "";
    // The size the compositor's places are scaled to (the X root's). Without it the places
    // stay the compositor's logical ones: the native window's layout is the compositor's.
    Size (*rootSize)() = nullptr;
    // The answer to Outline; without it, no window.
    Outline (*outline)() = nullptr;
};

// Under a Wayland session (WAYLAND_DISPLAY not empty or XDG_SESSION_TYPE=wayland): loads
// libdbus-1, connects to the session bus, owns the relay's name and starts the
// compositor's side. When the eyes cannot follow everywhere, says why once on stderr.
void Start(const Host& host);
// Unloads what the relay loaded into the compositor and leaves the bus.
void Stop();

// The bus connection's descriptor for the loop's poll; -1 without one.
int Fd();
// Whether messages wait that were read already (after a blocking call): Handle them
// before sleeping.
bool HasQueued();

// What handling the bus's input changed.
struct News {
    bool moved = false;              // a new pointer place was delivered
    bool deliveringChanged = false;  // the relay started or stopped delivering
    bool screenChanged = false;      // the compositor sent its logical size
};
// Reads and handles what came in; a lost bus ends the relay (and its delivering).
News Handle();

// Whether the compositor delivers the pointer; while it does, its place replaces the
// X server's.
bool Delivering();
// The last place delivered, in root coordinates (the compositor's logical ones for a
// host without a root); nullopt when none is.
std::optional<native::Point> RootPointer();
// Root pixels per logical pixel, where the compositor's sizes give the display scale
// (RelayState::RootPerLogical); nullopt else.
std::optional<double> RootPerLogical();

}  // namespace relay
