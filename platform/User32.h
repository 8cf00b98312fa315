// user32 and gdi32 on hosts without them (platform/User32.cpp, for the X11 and null
// backends; Windows forwards to the system's own in platform/win32/backend/User32.cpp).
// The program calls them through platform/WinApi.h; this header holds the two seams of
// that layer: what it needs of a backend beyond platform/Native.h, and what it shows tests.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/Native.h"
#include "platform/WinApi.h"

namespace native {

// Implemented by platform/x11 and platform/null only: nothing in runtime/ calls them.
bool SetTopmost(WindowId window);                                // SetWindowPos(HWND_TOPMOST)
bool SetShape(WindowId window, const std::vector<Rect>& rects);  // SetWindowRgn; window pixels
bool GetPointer(Point& position);                                // GetCursorPos
bool GetClientOrigin(WindowId window, Point& origin);            // ClientToScreen
void ReleaseCapture();
// Starts the interactive move, which lasts until the left button is released:
// SendMessageA(WM_NCLBUTTONDOWN, HTCAPTION). It returns at once; the move runs in the loop.
void BeginMove(WindowId window);
// The monitors' rectangles in screen pixels, the primary one first (MonitorFromRect).
std::vector<Rect> Monitors();

}  // namespace native

namespace winapi {

// A region is our own rectangle set behind a handle; tests count the live ones.
std::size_t LiveRegions();
// The rectangles of a live region (their union is the region), or nothing.
const std::vector<native::Rect>* RegionRects(HRGN region);

}  // namespace winapi
