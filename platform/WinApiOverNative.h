// What the portable user32/gdi32 stand-ins add for tests: regions are our own rectangle
// sets behind handles, and a test can see how many are alive.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/Native.h"
#include "platform/WinApi.h"

namespace winapi {
std::size_t LiveRegions();
// The rectangles of a live region (their union is the region), or nothing.
const std::vector<native::Rect>* RegionRects(HRGN region);
}  // namespace winapi
