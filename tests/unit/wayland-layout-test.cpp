// The Wayland backend's places without a compositor: the pointer's place from a cursor
// session on outputs that report device or logical pixels, at whole and fractional
// scales and turned; which output holds the window; the margins that put it at a place.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/wayland/Layout.h"

namespace {

using native::Rect;
using wayland::OutputGeometry;

// 1280x720 logical pixels at (x, 0), with the mode that a scale gives.
OutputGeometry At(std::int32_t x, std::int32_t modeWidth, std::int32_t modeHeight,
                  std::int32_t integerScale = 1, std::int32_t transform = 0) {
    return {{x, 0, x + 1280, 720}, modeWidth, modeHeight, transform, integerScale};
}

TEST(WaylandLayout, CursorPositionsBecomeLayoutPlaces) {
    struct Case {
        const char* what;
        OutputGeometry output;
        std::int32_t x, y;
        bool logicalUnits;
        double layoutX, layoutY;
    };
    OutputGeometry turned{{0, 0, 720, 1280}, 1920, 1080, 1, 1};  // 1.5, a quarter turn
    const Case cases[] = {
        {"scale 1", At(0, 1280, 720), 100, 50, false, 100, 50},
        {"scale 2 in device pixels", At(0, 2560, 1440, 2), 200, 200, false, 100, 100},
        {"scale 1.5 while wl_output says 2", At(0, 1920, 1080, 2), 151, 77, false, 100.667, 51.333},
        {"the second output's corner", At(1280, 1280, 720), 0, 0, false, 1280, 0},
        {"scale 2 on the second output", At(1280, 2560, 1440, 2), 2558, 10, false, 2559, 5},
        {"logical pixels (Hyprland) at scale 2", At(0, 2560, 1440, 2), 100, 100, true, 100, 100},
        {"turned a quarter at 1.5", turned, 108, 1917, false, 72, 1278},
        {"no mode: the integer scale", At(0, 0, 0, 2), 200, 100, false, 100, 50},
    };
    for (const Case& c : cases) {
        const auto place = wayland::CursorToLayout(c.output, c.x, c.y, c.logicalUnits);
        EXPECT_NEAR(place.x, c.layoutX, 0.001) << c.what;
        EXPECT_NEAR(place.y, c.layoutY, 0.001) << c.what;
    }
}

TEST(WaylandLayout, OutputScaleIsTheModeAcrossTheLogicalSize) {
    EXPECT_EQ(wayland::OutputScale(At(0, 1280, 720)), 1);
    EXPECT_EQ(wayland::OutputScale(At(0, 2560, 1440, 2)), 2);
    EXPECT_EQ(wayland::OutputScale(At(0, 1920, 1080, 2)), 1.5);
    // 1.25 of 1366 pixels is no whole logical width: the nearest 120th.
    EXPECT_EQ(wayland::OutputScale({{0, 0, 1093, 614}, 1366, 768, 0, 2}), 150.0 / 120);
    EXPECT_EQ(wayland::OutputScale({{0, 0, 720, 1280}, 1920, 1080, 3, 2}), 1.5);  // 270 degrees
    EXPECT_EQ(wayland::OutputScale(At(0, 0, 0, 3)), 3);
}

TEST(WaylandLayout, TheOutputThatHoldsTheWindow) {
    const std::vector<OutputGeometry> two = {At(0, 1280, 720), At(1280, 1280, 720)};
    struct Case {
        const char* what;
        Rect window;
        std::size_t output;
    };
    const Case cases[] = {
        {"inside the first", {100, 100, 307, 320}, 0},
        {"inside the second", {1400, 100, 1607, 320}, 1},
        {"across the edge, more on the second", {1200, 0, 1407, 220}, 1},
        {"across the edge, more on the first", {1100, 0, 1307, 220}, 0},
        {"above the layout, over the second", {1500, -400, 1707, -180}, 1},
        {"far left of everything", {-5000, 100, -4793, 320}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(wayland::OutputFor(c.window, two), c.output) << c.what;
    EXPECT_EQ(wayland::OutputFor({0, 0, 10, 10}, {}), std::nullopt);
}

TEST(WaylandLayout, PrimaryOutputAndMargins) {
    const std::vector<OutputGeometry> secondAtOrigin = {At(-1280, 1280, 720), At(0, 1280, 720)};
    EXPECT_EQ(wayland::PrimaryOutput(secondAtOrigin), 1u);
    const std::vector<OutputGeometry> noneAtOrigin = {At(100, 1280, 720), At(1380, 1280, 720)};
    EXPECT_EQ(wayland::PrimaryOutput(noneAtOrigin), 0u);
    EXPECT_EQ(wayland::PrimaryOutput({}), std::nullopt);

    EXPECT_EQ(wayland::MarginsFor({93, 148}, At(0, 1280, 720)), (native::Point{93, 148}));
    EXPECT_EQ(wayland::MarginsFor({1300, 10}, At(1280, 1280, 720)), (native::Point{20, 10}));
    // A place partly off its output (dragged over the edge) keeps its margins negative.
    EXPECT_EQ(wayland::MarginsFor({1250, -30}, At(1280, 1280, 720)), (native::Point{-30, -30}));
}

// The pointer's place from its relative motions stays where the compositor keeps the
// pointer: on an output, also across the gap of an L-shaped layout.
TEST(WaylandLayout, MotionsStayOnTheLayout) {
    const std::vector<OutputGeometry> layout{At(0, 1280, 720),
                                             {{1280, 720, 2560, 1440}, 1280, 720, 0, 1}};
    struct Case {
        wayland::LayoutPlace place, kept;
    };
    const Case cases[] = {
        {{300, 200}, {300, 200}},   {{-40, 200}, {0, 200}},
        {{1300, 800}, {1300, 800}}, {{1500, 300}, {1280 - 1.0 / 65536, 300}},
        {{1400, 650}, {1400, 720}}, {{3000, 2000}, {2560 - 1.0 / 65536, 1440 - 1.0 / 65536}},
    };
    for (const Case& c : cases) {
        const auto kept = wayland::ClosestInLayout(c.place, layout);
        EXPECT_DOUBLE_EQ(kept.x, c.kept.x) << c.place.x << ", " << c.place.y;
        EXPECT_DOUBLE_EQ(kept.y, c.kept.y) << c.place.x << ", " << c.place.y;
    }
    const auto alone = wayland::ClosestInLayout({5, 6}, {});
    EXPECT_EQ(alone.x, 5);
}

}  // namespace
