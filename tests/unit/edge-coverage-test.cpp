// The outline's coverage for a compositor's blend: nothing outside the shape, all of every
// pixel whose neighbours are all shaped, and a share strictly between on the edge; a
// straight edge fades the same way on every side, and the window's border counts as edge.
#include <gtest/gtest.h>

#include <vector>

#include "platform/Scaling.h"

namespace {

struct Case {
    const char* name;
    std::vector<native::Rect> shape;
};

constexpr std::int32_t W = 40, H = 30;

const Case Cases[] = {
    {"Rectangle", {{5, 4, 30, 20}}},
    {"Staircase", {{5, 4, 10, 6}, {5, 6, 12, 8}, {5, 8, 14, 10}, {5, 10, 16, 25}}},
    {"TwoParts", {{0, 0, 8, 8}, {20, 10, 40, 30}}},
    {"SinglePixel", {{17, 13, 18, 14}}},
    {"PastTheWindow", {{-5, -5, 50, 50}}},
};

bool Inside(const std::vector<native::Rect>& shape, int x, int y) {
    for (const native::Rect& r : shape)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
}

class EdgeCoverageTest : public testing::TestWithParam<Case> {};
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

TEST_P(EdgeCoverageTest, CoversTheShapeFullyInsideAndPartlyOnItsEdgeOnly) {
    const auto& shape = GetParam().shape;
    const auto coverage = scaling::EdgeCoverage(shape, W, H);
    ASSERT_EQ(coverage.size(), std::size_t(W * H));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            SCOPED_TRACE(testing::Message() << "(" << x << ", " << y << ")");
            const int c = coverage[std::size_t(y * W + x)];
            if (!Inside(shape, x, y)) {
                ASSERT_EQ(c, 0);
                continue;
            }
            bool edge = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    edge = edge || nx < 0 || ny < 0 || nx >= W || ny >= H || !Inside(shape, nx, ny);
                }
            if (edge) {
                ASSERT_GT(c, 0);
                ASSERT_LT(c, 255);
            } else {
                ASSERT_EQ(c, 255);
            }
        }
}

INSTANTIATE_TEST_SUITE_P(, EdgeCoverageTest, testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EdgeCoverageValues, AStraightEdgeFadesAlikeOnEverySideAndACornerFadesMore) {
    const auto coverage = scaling::EdgeCoverage({{5, 4, 30, 20}}, W, H);
    const auto at = [&](int x, int y) { return int(coverage[std::size_t(y * W + x)]); };
    const int straight = at(5, 10);
    EXPECT_EQ(straight, 170);  // six of nine neighbours shaped
    EXPECT_EQ(at(29, 10), straight);
    EXPECT_EQ(at(15, 4), straight);
    EXPECT_EQ(at(15, 19), straight);
    EXPECT_LT(at(5, 4), straight);  // four of nine
    EXPECT_TRUE(scaling::EdgeCoverage({}, 0, 0).empty());
}

}  // namespace
