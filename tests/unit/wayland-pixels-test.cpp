// The kitten's pixels as a Wayland buffer holds them: nothing shows outside the face, the
// face's inside is opaque, only its outermost pixels are blended, every pixel is
// premultiplied, and the eyes painted each tick change the face's pixels only.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/wayland/Pixels.h"

namespace {

constexpr std::int32_t Width = 40, Height = 30;

// A disc of radius 12 as rectangles one row high, as a window's shape comes.
std::vector<native::Rect> Disc() {
    std::vector<native::Rect> rows;
    for (std::int32_t y = 0; y < Height; ++y) {
        const double dy = y + 0.5 - 15;
        if (std::abs(dy) >= 12) continue;
        const double half = std::sqrt(144 - dy * dy);
        rows.push_back(
            {std::int32_t(std::lround(20 - half)), y, std::int32_t(std::lround(20 + half)), y + 1});
    }
    return rows;
}

bool OnEdge(const wayland::FaceBits& face, std::int32_t x, std::int32_t y) {
    for (std::int32_t dy = -1; dy <= 1; ++dy)
        for (std::int32_t dx = -1; dx <= 1; ++dx) {
            const std::int32_t nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= Width || ny >= Height || !face[ny * Width + nx])
                return true;
        }
    return false;
}

TEST(WaylandPixels, AlphaZeroOutsideOpaqueInsideBlendedOnlyAtTheEdge) {
    const wayland::FaceBits face = wayland::FaceFromShape(Disc(), true, Width, Height);
    const auto alpha = wayland::Coverage(face, Width, Height);
    native::Image content{Width, Height, std::vector<native::Colour>(Width * Height, 0x3060C0), {}};
    std::vector<std::uint32_t> pixels(Width * Height);
    wayland::Compose(content, alpha, pixels.data(), Width);
    int edges = 0;
    for (std::int32_t y = 0; y < Height; ++y)
        for (std::int32_t x = 0; x < Width; ++x) {
            const std::uint32_t p = pixels[y * Width + x];
            const std::uint32_t a = p >> 24;
            if (!face[y * Width + x]) {
                ASSERT_EQ(p, 0u) << x << "," << y;
                continue;
            }
            if (OnEdge(face, x, y)) {
                ++edges;
                EXPECT_GT(a, 0u);
                EXPECT_LT(a, 255u);
            } else {
                EXPECT_EQ(a, 255u);
            }
            for (int shift : {0, 8, 16}) EXPECT_LE((p >> shift) & 0xFF, a);  // premultiplied
        }
    EXPECT_GT(edges, 40);
}

TEST(WaylandPixels, AShapelessWindowAndAShapeBeyondTheWindow) {
    const auto whole = wayland::FaceFromShape({}, false, 4, 3);
    EXPECT_EQ(whole, wayland::FaceBits(12, 1));
    const auto clipped = wayland::FaceFromShape({{-5, -5, 2, 1}, {3, 2, 9, 9}}, true, 4, 3);
    EXPECT_EQ(clipped, (wayland::FaceBits{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    // The window's own edge counts as outside: its rim is blended.
    const auto alpha = wayland::Coverage(whole, 4, 3);
    EXPECT_EQ(alpha[0], (4 * 255 + 4) / 9);
    EXPECT_EQ(alpha[1], (6 * 255 + 4) / 9);
}

TEST(WaylandPixels, SpansPaintTheFaceOnlyAndTellWhatChanged) {
    const wayland::FaceBits face = wayland::FaceFromShape(Disc(), true, Width, Height);
    const auto alpha = wayland::Coverage(face, Width, Height);
    native::Image content{Width, Height, std::vector<native::Colour>(Width * Height, 0xFFFFFF), {}};
    std::vector<std::uint32_t> pixels(Width * Height);
    wayland::Compose(content, alpha, pixels.data(), Width);
    const std::vector<std::uint32_t> before = pixels;
    // A span across the whole width of row 15, one on row 3 (mostly outside), one off it.
    const native::Span spans[] = {{15, -10, 50}, {3, 0, 40}, {-1, 0, 5}, {30, 0, 5}};
    const native::Rect touched =
        wayland::PaintSpans(pixels.data(), Width, Height, Width, 0x008080, spans, 4);
    EXPECT_EQ(touched, (native::Rect{0, 3, 40, 16}));
    for (std::int32_t y = 0; y < Height; ++y)
        for (std::int32_t x = 0; x < Width; ++x) {
            const std::uint32_t p = pixels[y * Width + x], was = before[y * Width + x];
            EXPECT_EQ(p >> 24, was >> 24) << "opacity kept at " << x << "," << y;
            const bool painted = y == 15 || y == 3;
            if (!painted || alpha[y * Width + x] == 0) {
                EXPECT_EQ(p, was);
            } else if (alpha[y * Width + x] == 255) {
                EXPECT_EQ(p, 0xFF808000u);
            }
        }
    EXPECT_EQ(wayland::Premultiplied(0xFFFFFF, 0), 0u);
    EXPECT_EQ(wayland::Premultiplied(0x0000FF, 128), 0x80800000u);
}

}  // namespace
