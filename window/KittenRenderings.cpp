// How the runtime finds the renderings of the kitten's picture at other display scales
// (runtime/Renderings.h): painted by window/KittenPainting.cpp when a window needs one.
#include <array>

#include "runtime/Renderings.h"
#include "window/Artwork.h"
#include "window/KittenPainting.h"

namespace runtime {

std::span<const Rendering> RenderingsOf(std::span<const std::uint8_t> picture) {
    static const auto kKitten = [] {
        std::array<Rendering, artwork::kPaintedPercents.size()> renderings{};
        for (std::size_t i = 0; i < renderings.size(); ++i)
            renderings[i] = {std::uint16_t(artwork::kPaintedPercents[i]), artwork::PaintKitten};
        return renderings;
    }();
    if (picture.data() == artwork::KittenBitmap().data()) return kKitten;
    return {};
}

}  // namespace runtime
