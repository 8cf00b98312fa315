// Display scales on Windows. NOTE: this backend draws at scale 1 on every monitor for
// now: no areas (program and device pixels are the same) and a scale of 1.
#include "platform/win32/backend/Win32Platform.h"

namespace native {

std::vector<ScaledArea> ScreenAreas() {
    return {};
}

double WindowScale(WindowId) {
    return 1;
}

bool SetContent(WindowId, Rect, Image&) {
    return false;
}

}  // namespace native
