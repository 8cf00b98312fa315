// What the Linux program's dispatcher sees of the Wayland backend: its library, loaded
// only here; the probe of the compositor's offer, which keeps the connection for Open or
// drops it; and the table.
#pragma once

#include <optional>
#include <string>

#include "platform/Backend.h"
#include "platform/wayland/Offer.h"

namespace wayland {

// Loads libwayland-client.so.0 at the first call and keeps it (ClientLibrary.cpp); false
// when it cannot be loaded or lacks a function (before 1.20), and then `whyNot` says why,
// the same at every call.
bool LoadClient(std::string& whyNot);

// Connects to the compositor that WAYLAND_DISPLAY names and reads what it offers; nothing
// when none answers or the library cannot be loaded. The connection stays for the
// backend's Open, or goes with Drop.
std::optional<Offer> Probe();
void Drop();

}  // namespace wayland

namespace wayland::api {

extern const native::Backend Table;

}  // namespace wayland::api
