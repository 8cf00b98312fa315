// How the runtime finds the renderings of the kitten's picture at other display scales
// (runtime/Renderings.h): painted by window/KittenPainting.cpp when a window needs one.
#include <array>
#include <cmath>

#include "runtime/Renderings.h"
#include "window/Artwork.h"
#include "window/KittenPainting.h"
#include "window/artwork/Kitten.h"

namespace runtime {

std::span<const Rendering> RenderingsOf(std::span<const std::uint8_t> picture) {
    static const auto kKitten = [] {
        std::array<Rendering, artwork::kPaintedPercents.size()> renderings{};
        for (std::size_t i = 0; i < renderings.size(); ++i) {
            const int percent = artwork::kPaintedPercents[i];
            renderings[i] = {std::uint16_t(percent),
                             int(std::lround(kitten::kWidth * (percent / 100.0))),
                             int(std::lround(kitten::kHeight * (percent / 100.0))),
                             artwork::PaintKitten, artwork::kPaintingRevision};
        }
        return renderings;
    }();
    if (picture.data() == artwork::KittenBitmap().data()) return kKitten;
    return {};
}

}  // namespace runtime
