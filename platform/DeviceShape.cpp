// A window region in program pixels as the window's device shape (see Scaling.h). Most
// device pixels lie over a program pixel of their own kind and take its membership; the
// few along the picture's outline, where the finer picture differs, look for the nearest
// program pixel of their kind instead. Runs of member pixels make the shape, rows that
// repeat the one above joined into taller rectangles. It runs as the window starts, so a
// device row is taken in stretches where nothing changes (its face runs, and the runs of
// face and of region in the program row under it), not pixel by pixel.
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/Scaling.h"

namespace scaling {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Which program pixels the region holds, clipped to the client area; one byte a pixel.
Bytes Membership(const std::vector<native::Rect>& region, std::int32_t width, std::int32_t height) {
    Bytes inside(static_cast<std::size_t>(width) * height, 0);
    for (const native::Rect& r : region) {
        const std::int32_t left = std::max(r.left, 0), right = std::min(r.right, width);
        if (left >= right) continue;
        for (std::int32_t y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y)
            std::fill(&inside[static_cast<std::size_t>(y) * width + left],
                      &inside[static_cast<std::size_t>(y) * width + right], std::uint8_t{1});
    }
    return inside;
}

// The program pixel nearest to `centre` (program units) whose kind is `face`, searched
// in growing square rings around `from`; `from` itself when none has that kind.
native::Point NearestOfKind(const Bytes& kinds, std::int32_t width, std::int32_t height,
                            native::Point from, double cx, double cy, std::uint8_t face) {
    native::Point best = from;
    double bestDistance = std::numeric_limits<double>::infinity();
    const std::int32_t limit = std::max(width, height);
    for (std::int32_t ring = 1; ring <= limit; ++ring) {
        // Every pixel of this ring and beyond lies at least ring - 1 away.
        if (double(ring - 1) * (ring - 1) > bestDistance) break;
        for (std::int32_t y = from.y - ring; y <= from.y + ring; ++y) {
            if (y < 0 || y >= height) continue;
            const bool edgeRow = y == from.y - ring || y == from.y + ring;
            const std::int32_t step = edgeRow ? 1 : 2 * ring;
            for (std::int32_t x = from.x - ring; x <= from.x + ring; x += step) {
                if (x < 0 || x >= width || kinds[static_cast<std::size_t>(y) * width + x] != face)
                    continue;
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                if (dx * dx + dy * dy < bestDistance) {
                    bestDistance = dx * dx + dy * dy;
                    best = {x, y};
                }
            }
        }
    }
    return best;
}

// Rectangles one row high, joined downwards while the runs repeat.
class ShapeBuilder {
  public:
    void Row(std::int32_t y, std::vector<std::pair<std::int32_t, std::int32_t>>& runs) {
        if (runs != open_ || y != bottom_) Close();
        if (open_.empty()) {
            top_ = y;
            open_.swap(runs);
        }
        bottom_ = y + 1;
        runs.clear();
    }
    std::vector<native::Rect> Finish() {
        Close();
        return std::move(rects_);
    }

  private:
    void Close() {
        for (const auto& [x0, x1] : open_) rects_.push_back({x0, top_, x1, bottom_});
        open_.clear();
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> open_;
    std::int32_t top_ = 0, bottom_ = 0;
    std::vector<native::Rect> rects_;
};

// Without both pictures' kinds there is nothing finer to go by: each rectangle scaled.
std::vector<native::Rect> Scaled(const std::vector<native::Rect>& region, double scale) {
    std::vector<native::Rect> rects;
    for (const native::Rect& r : region) {
        const native::Point from = Nearest({r.left * scale, r.top * scale});
        const native::Point to = Nearest({r.right * scale, r.bottom * scale});
        if (from.x < to.x && from.y < to.y) rects.push_back({from.x, from.y, to.x, to.y});
    }
    return rects;
}

// The program pixel under each device pixel's centre, along one axis.
std::vector<std::int32_t> Under(std::int32_t deviceLength, std::int32_t programLength,
                                double scale) {
    std::vector<std::int32_t> under(static_cast<std::size_t>(deviceLength));
    for (std::int32_t i = 0; i < deviceLength; ++i)
        under[i] = std::min(static_cast<std::int32_t>((i + 0.5) / scale), programLength - 1);
    return under;
}

// For each program column p (and one past the last), the first device column over it or
// beyond: where a stretch of the program row begins on the device row.
std::vector<std::int32_t> FirstOver(const std::vector<std::int32_t>& under,
                                    std::int32_t programLength) {
    std::vector<std::int32_t> first(static_cast<std::size_t>(programLength) + 1,
                                    static_cast<std::int32_t>(under.size()));
    std::int32_t next = 0;  // the first program column that no device column has reached
    for (std::int32_t x = 0; x < static_cast<std::int32_t>(under.size()); ++x)
        while (next <= under[x]) first[next++] = x;
    return first;
}

}  // namespace

std::vector<native::Rect> DeviceShape(const ScaledWindow& window,
                                      const std::vector<native::Rect>& programRegion) {
    if (window.scale == 1) return programRegion;
    const FaceMask& program = window.programFace;
    const FaceMask& device = window.deviceFace;
    if (program.Empty() || device.Empty() || program.width <= 0 || program.height <= 0)
        return Scaled(programRegion, window.scale);
    const std::int32_t w = program.width, h = program.height, dw = device.width;
    const Bytes inside = Membership(programRegion, w, h);
    Bytes kinds(static_cast<std::size_t>(w) * h);
    for (std::int32_t y = 0; y < h; ++y)
        program.ExpandRow(y, &kinds[static_cast<std::size_t>(y) * w]);
    // The columns where each program row's kind or membership may change: the ends of its
    // face runs and of the region's rectangles.
    std::vector<std::vector<std::int32_t>> programChanges(static_cast<std::size_t>(h));
    for (std::int32_t y = 0; y < h; ++y)
        for (std::uint32_t i = program.rowStart[y]; i < program.rowStart[y + 1]; ++i)
            programChanges[y].insert(programChanges[y].end(),
                                     {program.runs[i].x0, program.runs[i].x1});
    for (const native::Rect& r : programRegion)
        for (std::int32_t y = std::max(r.top, 0); y < std::min(r.bottom, h); ++y)
            programChanges[y].insert(programChanges[y].end(),
                                     {std::clamp(r.left, 0, w), std::clamp(r.right, 0, w)});
    const auto column = Under(dw, w, window.scale);
    const auto row = Under(device.height, h, window.scale);
    const auto firstOver = FirstOver(column, w);
    Bytes deviceRow(static_cast<std::size_t>(dw));
    std::vector<std::int32_t> cuts;
    ShapeBuilder shape;
    std::vector<std::pair<std::int32_t, std::int32_t>> runs;
    for (std::int32_t y = 0; y < device.height; ++y) {
        device.ExpandRow(y, deviceRow.data());
        const std::size_t first = static_cast<std::size_t>(row[y]) * w;
        cuts.assign({0, dw});
        for (std::uint32_t i = device.rowStart[y]; i < device.rowStart[y + 1]; ++i)
            cuts.insert(cuts.end(), {device.runs[i].x0, device.runs[i].x1});
        for (const std::int32_t p : programChanges[row[y]]) cuts.push_back(firstOver[p]);
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        std::int32_t runStart = -1;
        const auto take = [&](std::int32_t x, bool member) {
            if (member && runStart < 0) runStart = x;
            if (!member && runStart >= 0) {
                runs.emplace_back(runStart, x);
                runStart = -1;
            }
        };
        for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
            const std::int32_t a = cuts[c], b = std::min(cuts[c + 1], dw);
            if (a >= b) continue;
            const std::uint8_t face = deviceRow[a];
            if (kinds[first + column[a]] == face) {  // the whole stretch agrees
                take(a, inside[first + column[a]] != 0);
                continue;
            }
            for (std::int32_t x = a; x < b; ++x) {
                const native::Point p =
                    NearestOfKind(kinds, w, h, {column[x], row[y]}, (x + 0.5) / window.scale,
                                  (y + 0.5) / window.scale, face);
                take(x, inside[static_cast<std::size_t>(p.y) * w + p.x] != 0);
            }
        }
        take(dw, false);
        shape.Row(y, runs);
    }
    return shape.Finish();
}

}  // namespace scaling
