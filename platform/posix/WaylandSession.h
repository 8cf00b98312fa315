// The Wayland session this process belongs to, named the same by both Linux backends, so
// that the single-instance lock holds whichever one each copy runs.
#pragma once

#include <optional>
#include <string>

namespace waylandsession {

// "wayland:<the compositor's socket, resolved>", or nothing outside a Wayland session
// (WAYLAND_DISPLAY unset, or naming no socket).
std::optional<std::string> Name();

}  // namespace waylandsession
