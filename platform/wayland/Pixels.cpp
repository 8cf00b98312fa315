// The kitten's pixels for a Wayland buffer: see Pixels.h.
#include "platform/wayland/Pixels.h"

#include <algorithm>

namespace wayland {

FaceBits FaceFromShape(const std::vector<native::Rect>& shape, bool shaped, std::int32_t width,
                       std::int32_t height) {
    const auto size = static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0);
    FaceBits face(size, shaped ? 0 : 1);
    if (!shaped) return face;
    for (const native::Rect& r : shape) {
        const std::int32_t left = std::max(r.left, 0), right = std::min(r.right, width);
        if (left >= right) continue;
        for (std::int32_t y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y)
            std::fill(face.begin() + std::ptrdiff_t(y) * width + left,
                      face.begin() + std::ptrdiff_t(y) * width + right, std::uint8_t{1});
    }
    return face;
}

std::vector<std::uint8_t> Coverage(const FaceBits& face, std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> alpha(face.size(), 0);
    const auto at = [&](std::int32_t x, std::int32_t y) -> int {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        return face[std::size_t(y) * width + x];
    };
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            if (at(x, y) == 0) continue;
            int around = 0;
            for (std::int32_t dy = -1; dy <= 1; ++dy)
                for (std::int32_t dx = -1; dx <= 1; ++dx) around += at(x + dx, y + dy);
            alpha[std::size_t(y) * width + x] = static_cast<std::uint8_t>((around * 255 + 4) / 9);
        }
    }
    return alpha;
}

void Compose(const native::Image& content, const std::vector<std::uint8_t>& coverage,
             std::uint32_t* out, std::int32_t stride) {
    for (std::int32_t y = 0; y < content.height; ++y) {
        const std::size_t row = std::size_t(y) * content.width;
        for (std::int32_t x = 0; x < content.width; ++x)
            out[std::size_t(y) * stride + x] =
                Premultiplied(content.pixels[row + x], coverage[row + x]);
    }
}

native::Rect PaintSpans(std::uint32_t* pixels, std::int32_t width, std::int32_t height,
                        std::int32_t stride, native::Colour colour, const native::Span* spans,
                        std::size_t count) {
    native::Rect touched{width, height, 0, 0};
    for (std::size_t i = 0; i < count; ++i) {
        const native::Span& s = spans[i];
        const std::int32_t x0 = std::max(s.x0, 0), x1 = std::min(s.x1, width);
        if (s.y < 0 || s.y >= height || x0 >= x1) continue;
        std::uint32_t* row = pixels + std::size_t(s.y) * stride;
        for (std::int32_t x = x0; x < x1; ++x)
            row[x] = Premultiplied(colour, static_cast<std::uint8_t>(row[x] >> 24));
        touched = {std::min(touched.left, x0), std::min(touched.top, s.y),
                   std::max(touched.right, x1), std::max(touched.bottom, s.y + 1)};
    }
    if (touched.left >= touched.right) return {};
    return touched;
}

}  // namespace wayland
