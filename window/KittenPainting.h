// The kitten picture painted afresh at a display scale other than 1, from its drawing
// (window/artwork/Kitten.h), for the program when a window first needs it and for the
// artwork generator (tools/DrawArtwork.cpp), which writes the same renderings as the
// reference pictures of the tests. Scale 1 is the embedded bitmap, window/kitten.bmp.
#pragma once

#include <array>

#include "platform/Native.h"

namespace artwork {

// The scales that are painted, in percent: every quarter up to 3, which covers the usual
// settings of both systems. Any other scale is resampled from the next larger of these.
constexpr std::array<int, 8> kPaintedPercents{125, 150, 175, 200, 225, 250, 275, 300};

// One more whenever a change to the painting changes its pixels, so that the renderings
// kept in users' caches from before are not taken (runtime/RenderingCache.h).
constexpr int kPaintingRevision = 1;

// The kitten at display scale `scale`: round(207 s) x round(220 s) pixels, black (0)
// outside the face, no face pixel black. Deterministic: the same pixels on every run.
native::Image PaintKitten(double scale);

}  // namespace artwork
