// What the Linux program's dispatcher sees of the Wayland backend: the probe of the
// compositor's offer, which keeps the connection for Open or drops it, and the table.
#pragma once

#include <optional>

#include "platform/Backend.h"
#include "platform/wayland/Offer.h"

namespace wayland {

// Connects to the compositor that WAYLAND_DISPLAY names and reads what it offers; nothing
// when none answers. The connection stays for the backend's Open, or goes with Drop.
std::optional<Offer> Probe();
void Drop();

}  // namespace wayland

namespace wayland::api {

extern const native::Backend Table;

}  // namespace wayland::api
