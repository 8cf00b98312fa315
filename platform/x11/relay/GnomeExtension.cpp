// The GNOME Shell side of the relay at start-up: see Compositors.h. The extension itself
// ships with the install (share/gnome-shell/extensions/).
#include "platform/x11/relay/Compositors.h"

namespace x11::relay {

// NOTE: the start-up step that enables the installed extension comes with the GNOME
// work; until then the extension, once enabled by the user, delivers on its own.
void StartGnomeRelay(DBusConnection*) {}

}  // namespace x11::relay
