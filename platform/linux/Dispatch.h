// The Linux program's dispatcher: platform/Native.h and platform/User32.h forwarded to the
// backend chosen when the display is opened (X11 until then).
#pragma once

#include "platform/Backend.h"

namespace backends {

const native::Backend& Chosen();

}  // namespace backends
