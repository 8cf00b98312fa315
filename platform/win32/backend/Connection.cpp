// Opening and closing the backend, and the primary screen. On Windows the desktop is
// always there: nothing to connect to, nothing to release.
#include "platform/win32/backend/Win32Platform.h"

namespace native {

bool Open(std::string& /*whyNot*/) {
    // NOTE: DPI awareness comes from the manifest (platform/win32/vellory.manifest,
    // per-monitor v2), so one window pixel is one screen pixel before the first window
    // exists, and the runtime scales the program's pixels itself (Dpi.cpp).
    return true;
}

void Close() {
    // Windows destroys a process's windows and GDI objects when it ends; the window
    // itself, if still there, goes with DestroyWindow.
}

// NOTE: Windows itself keeps screen coordinates on the primary monitor's corner.
void RefreshScreens() {}

// The primary monitor's size; its top-left corner is the origin of screen coordinates.
Point PrimaryScreenSize() {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace native
