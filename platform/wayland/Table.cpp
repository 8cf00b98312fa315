// The Wayland backend's table, for the Linux program's dispatcher.
#include "platform/wayland/WaylandPlatform.h"

namespace wayland::api {

#include "platform/BackendTable.inc"

}  // namespace wayland::api
