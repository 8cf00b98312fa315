// The picture at a display scale (see Renderings.h).
#include "runtime/Renderings.h"

#include <algorithm>
#include <cmath>

#include "platform/CachePlace.h"
#include "runtime/ImageFile.h"
#include "runtime/RenderingCache.h"

namespace runtime {
namespace {

struct Channels {
    double weight = 0, r = 0, g = 0, b = 0;
    void Add(native::Colour c, double w) {
        weight += w;
        r += w * (c & 0xFF);
        g += w * (c >> 8 & 0xFF);
        b += w * (c >> 16 & 0xFF);
    }
    native::Colour Average() const {
        const auto channel = [&](double sum) {
            return static_cast<native::Colour>(std::clamp(std::lround(sum / weight), 0L, 255L));
        };
        return channel(r) | channel(g) << 8 | channel(b) << 16;
    }
};

}  // namespace

native::Image Resample(const native::Image& source, double sourceScale, double scale,
                       std::int32_t width, std::int32_t height) {
    native::Image out;
    out.width = width;
    out.height = height;
    const native::Colour key = source.pixels.empty() ? 0 : source.pixels[0];
    out.pixels.assign(static_cast<std::size_t>(width) * height, key);
    if (source.pixels.empty()) return out;
    const double ratio = sourceScale / scale;  // source pixels across one device pixel
    for (std::int32_t y = 0; y < height; ++y) {
        const double top = y * ratio, bottom = (y + 1) * ratio;
        for (std::int32_t x = 0; x < width; ++x) {
            const double left = x * ratio, right = (x + 1) * ratio;
            Channels face;
            double area = 0;
            const auto lastRow =
                std::min<std::int32_t>(source.height, std::int32_t(std::ceil(bottom)));
            const auto lastColumn =
                std::min<std::int32_t>(source.width, std::int32_t(std::ceil(right)));
            for (std::int32_t sy = std::int32_t(top); sy < lastRow; ++sy) {
                const double h = std::min<double>(bottom, sy + 1) - std::max<double>(top, sy);
                for (std::int32_t sx = std::int32_t(left); sx < lastColumn; ++sx) {
                    const double w =
                        (std::min<double>(right, sx + 1) - std::max<double>(left, sx)) * h;
                    area += w;
                    const native::Colour c =
                        source.pixels[static_cast<std::size_t>(sy) * source.width + sx];
                    if (c != key) face.Add(c, w);
                }
            }
            if (area > 0 && face.weight * 2 >= area) {
                native::Colour c = face.Average();
                if (c == key) c ^= 1;  // a face pixel never passes for the key colour
                out.pixels[static_cast<std::size_t>(y) * width + x] = c;
            }
        }
    }
    return out;
}

std::optional<native::Image> PictureAt(std::span<const std::uint8_t> pictureFile, double scale,
                                       std::int32_t width, std::int32_t height,
                                       scaling::FaceMask* face) {
    // The rendering for this scale, else the smallest larger one, else the largest.
    const Rendering* best = nullptr;
    if (scale != 1) {
        for (const Rendering& r : RenderingsOf(pictureFile)) {
            const double at = r.percent / 100.0;
            const double bestAt = best != nullptr ? best->percent / 100.0 : 0;
            if (best == nullptr || (bestAt < scale ? at > bestAt : (at >= scale && at < bestAt)))
                best = &r;
        }
    }
    std::optional<native::Image> picture;
    if (best != nullptr) {
        picture = KeptRendering(pictureFile, *best, cacheplace::Folder(), face);
        const bool exact = std::fabs(best->percent - scale * 100) < 1e-6;
        if (exact && picture->width == width && picture->height == height)
            return picture;  // its face came with it
        picture = Resample(*picture, best->percent / 100.0, scale, width, height);
    }
    if (!picture) {
        picture = DecodeBmp(pictureFile);
        if (picture && scale != 1) picture = Resample(*picture, 1, scale, width, height);
    }
    if (picture && face != nullptr) *face = scaling::FaceOf(*picture);
    return picture;
}

}  // namespace runtime
