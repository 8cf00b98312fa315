// The X11 backend's table, for the Linux program's dispatcher.
#include "platform/x11/X11Platform.h"

namespace x11::api {

#include "platform/BackendTable.inc"

}  // namespace x11::api
