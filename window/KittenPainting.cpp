// Painting the kitten at a display scale (see KittenPainting.h).
#include "window/KittenPainting.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

#include "window/artwork/Kitten.h"

namespace artwork {
namespace {

constexpr native::Colour kKey = 0;  // black
constexpr unsigned kMostThreads = 8;

// Removes face pixels only one pixel thick (black on both sides, across or along), such
// as the very tip of a tuft, so that the window's outline has no one-pixel slivers.
// Every black pixel joins the edge already, so the pixels cleared here join it too.
void TrimSlivers(native::Image& image) {
    const int w = image.width, h = image.height;
    const auto key = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && image.pixels[std::size_t(y) * w + x] == kKey;
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (key(x, y)) continue;
                if ((key(x - 1, y) && key(x + 1, y)) || (key(x, y - 1) && key(x, y + 1))) {
                    image.pixels[std::size_t(y) * w + x] = kKey;
                    changed = true;
                }
            }
        }
    }
}

// Output pixel (i, j) covers picture pixels [i / s, (i + 1) / s) x [j / s, (j + 1) / s). A
// pixel belongs to the face when most of its sub-samples lie inside the silhouette, so
// the outline is cut crisply against the black; its colour is the average of the face's
// colour over all sub-samples, which smooths the features inside without ever blending
// the face into the black. Larger scales take fewer sub-samples a pixel, about as many a
// picture pixel. NOTE: the colours are asked for only once a pixel is known to be of the
// face, with the distances to the outline found for that: they cost ten times the
// outline, and the sums are the same.
void PaintRow(native::Image& out, int y, double scale, int grid) {
    struct Sample {
        paint::V p;
        double face = 0;  // kitten::FaceDistance(p)
    };
    std::vector<Sample> samples(std::size_t(grid) * grid);
    for (int x = 0; x < out.width; ++x) {
        int inside = 0;
        for (int sy = 0; sy < grid; ++sy) {
            for (int sx = 0; sx < grid; ++sx) {
                const paint::V p{(x + (sx + 0.5) / grid) / scale, (y + (sy + 0.5) / grid) / scale};
                const double face = kitten::FaceDistance(p);
                samples[std::size_t(sy) * grid + sx] = {p, face};
                inside += face < 0 ? 1 : 0;
            }
        }
        if (inside * 2 < grid * grid) continue;  // outside: the key colour
        paint::Rgb sum;
        for (const Sample& s : samples) sum = sum + kitten::KittenColour(s.p, s.face);
        const paint::Rgb c = sum * (1.0 / (grid * grid));
        // A face pixel is never the key colour, however dark.
        const auto channel = [](double v) {
            return native::Colour(std::uint8_t(std::clamp(v + 0.5, 4.0, 255.0)));
        };
        out.pixels[std::size_t(y) * out.width + x] =
            channel(c.r) | channel(c.g) << 8 | channel(c.b) << 16;
    }
}

}  // namespace

// The rows are shared out among the processor's cores as they come free: each pixel is
// painted on its own, so the picture is the same whatever the number of threads.
native::Image PaintKitten(double scale) {
    const int grid = scale == 1 ? 4 : std::max(2, int(std::ceil(4 / scale - 1e-9)));
    native::Image out;
    out.width = int(std::lround(kitten::kWidth * scale));
    out.height = int(std::lround(kitten::kHeight * scale));
    out.pixels.assign(std::size_t(out.width) * out.height, kKey);
    paint::OutputPixel() = 1 / scale;
    std::atomic<int> nextRow{0};
    const auto paintRows = [&] {
        for (int y = nextRow++; y < out.height; y = nextRow++) PaintRow(out, y, scale, grid);
    };
    std::vector<std::thread> helpers;
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
    for (unsigned i = 1; i < cores; ++i) {
        try {
            helpers.emplace_back(paintRows);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: fewer paint it
        }
    }
    paintRows();
    for (std::thread& helper : helpers) helper.join();
    paint::OutputPixel() = 1;
    TrimSlivers(out);
    return out;
}

}  // namespace artwork
