// The circle rasteriser: which pixels a disc covers, and that a pupil never leaves its eye.
#include "runtime/Circle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels DiscPixels(double cx, double cy, double r, int width = 207, int height = 220) {
    std::vector<native::Span> spans(static_cast<std::size_t>(height));
    const std::size_t n = runtime::RasteriseDisc(cx, cy, r, width, height, spans);
    Pixels pixels;
    for (std::size_t i = 0; i < n; ++i)
        for (int x = spans[i].x0; x < spans[i].x1; ++x) pixels.emplace(x, spans[i].y);
    return pixels;
}

TEST(CircleTest, AnEyeIsTheSymmetricDiscAroundItsCentre) {
    const Pixels eye = DiscPixels(68, 118, 10);
    for (const auto& [x, y] : eye) {
        const double dx = x + 0.5 - 68, dy = y + 0.5 - 118;
        EXPECT_LE(dx * dx + dy * dy, 100.0);
        EXPECT_TRUE(eye.count({135 - x, y}) && eye.count({x, 235 - y})) << x << "," << y;
    }
    // Every pixel whose centre lies within the radius is there: 4 * 79 of them.
    EXPECT_EQ(eye.size(), 316u);
    EXPECT_TRUE(eye.count({58, 117}) && eye.count({77, 118}) && !eye.count({57, 118}));
}

// At display scale s the runtime draws the eye at (140 s, 118 s) with radius 10 s and the
// pupil at its float centre times s with radius 5 s: quarter scales, and the odd ones a
// Windows monitor may have (106 and 137 dots per inch).
class PupilInEye : public testing::TestWithParam<double> {};

TEST_P(PupilInEye, EveryPupilLiesInsideItsEye) {
    // Pupil centres on a 1/16-pixel grid within 5 pixels of the eye's centre, handed over
    // as 32-bit floats exactly as the tick hands them.
    const double s = GetParam();
    const int width = int(std::lround(207 * s)), height = int(std::lround(220 * s));
    std::vector<bool> eye(std::size_t(width) * height);
    for (const auto& [x, y] : DiscPixels(140 * s, 118 * s, 10 * s, width, height))
        eye[std::size_t(y) * width + x] = true;
    std::vector<native::Span> pupil(static_cast<std::size_t>(height));
    int checked = 0;
    for (int i = -80; i <= 80; ++i) {
        for (int j = -80; j <= 80; ++j) {
            const double dx = i / 16.0, dy = j / 16.0;
            double length = std::hypot(dx, dy);
            if (length > 5.0) {  // also the rim itself, from a direction scaled to length 5
                if (length > 5.0 + 1.0 / 16) continue;
                length /= 5.0;
            } else {
                length = 1.0;
            }
            const float cx = static_cast<float>(140 - dx / length);
            const float cy = static_cast<float>(118 - dy / length);
            const std::size_t rows =
                runtime::RasteriseDisc(cx * s, cy * s, 5 * s, width, height, pupil);
            ASSERT_GT(rows, 0u);
            for (std::size_t r = 0; r < rows; ++r)
                for (int x = pupil[r].x0; x < pupil[r].x1; ++x)
                    ASSERT_TRUE(eye[std::size_t(pupil[r].y) * width + x])
                        << "pupil at " << cx << "," << cy << " leaves the eye at " << x << ","
                        << pupil[r].y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 20000);
}

INSTANTIATE_TEST_SUITE_P(
    , PupilInEye, testing::Values(1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 106 / 96.0, 137 / 96.0),
    [](const auto& info) { return "Scale" + std::to_string(std::lround(info.param * 1000)); });

TEST(CircleTest, OutlineAndInteriorSplitTheDisc) {
    std::vector<native::Span> interior(440), outline(440);
    const auto counts = runtime::RasteriseCircle(30.3, 40.7, 7.5, 207, 220, interior, outline);
    Pixels in, out;
    for (std::size_t i = 0; i < counts.interior; ++i)
        for (int x = interior[i].x0; x < interior[i].x1; ++x) in.emplace(x, interior[i].y);
    for (std::size_t i = 0; i < counts.outline; ++i)
        for (int x = outline[i].x0; x < outline[i].x1; ++x)
            EXPECT_TRUE(out.emplace(x, outline[i].y).second);
    const Pixels disc = DiscPixels(30.3, 40.7, 7.5);
    Pixels both = in;
    for (const auto& p : out) EXPECT_TRUE(both.insert(p).second) << "in both parts";
    EXPECT_EQ(both, disc);
    for (const auto& [x, y] : in)
        for (auto [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}})
            EXPECT_TRUE(disc.count({nx, ny})) << "interior pixel on the edge";
    for (const auto& [x, y] : out) {
        const bool onEdge = !disc.count({x - 1, y}) || !disc.count({x + 1, y}) ||
                            !disc.count({x, y - 1}) || !disc.count({x, y + 1});
        EXPECT_TRUE(onEdge);
    }
}

TEST(CircleTest, ClipsToTheClientAreaAndRefusesNonsense) {
    for (const auto& [x, y] : DiscPixels(2, 3, 10, 20, 8)) {
        EXPECT_TRUE(x >= 0 && x < 20 && y >= 0 && y < 8);
    }
    EXPECT_FALSE(DiscPixels(2, 3, 10, 20, 8).empty());
    EXPECT_TRUE(DiscPixels(-50, 3, 10).empty());
    EXPECT_TRUE(DiscPixels(NAN, 3, 10).empty());
    EXPECT_TRUE(DiscPixels(3, INFINITY, 10).empty());
    EXPECT_TRUE(DiscPixels(3, 3, 0).empty());
    EXPECT_TRUE(DiscPixels(3, 3, -4).empty());
    EXPECT_TRUE(DiscPixels(1e30, 3, 1e30).empty());
}

}  // namespace
