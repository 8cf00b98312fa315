// The renderings of a design picture kept between runs: painting one at a display scale
// takes the better part of a second, reading it back a millisecond. Each is kept in the
// user's cache folder (platform/CachePlace.h) in face rows, under a name that holds the
// design picture's fingerprint, the painting's revision and the scale, so that another
// picture or painting never takes an older file for its own.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/Native.h"
#include "platform/Scaling.h"
#include "runtime/Renderings.h"

namespace runtime {

// The rendering `rendering` of the design picture `picture`: the kept file when it reads
// as a picture of the rendering's size, else painted afresh and kept (written whole under
// another name, then renamed, so that no run reads half a file). A folder that cannot be
// written only costs the painting at each start. `face`, when given, receives the
// picture's non-key pixels.
native::Image KeptRendering(std::span<const std::uint8_t> picture, const Rendering& rendering,
                            const std::string& folder, scaling::FaceMask* face = nullptr);

}  // namespace runtime
