// The eyes follow the pointer: on every tick each pupil is painted 5 pixels from its
// eye's centre towards the pointer, wherever the pointer is (also inside the eye), and
// turns when the window moves under a pointer that stands still. Measured on the
// screen: the centroid of the black pixels inside each olive eye disc.
// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on

#include <cmath>
#include <sstream>

#include "Desktop.h"
#include "EyeCheck.h"
#include "KittenPicture.h"
#include "Vellory.h"

using namespace xtest;

namespace {

class Eyes : public testing::TestWithParam<Wm> {};

// The middle of the screen, so that the pointer can be on every side of the eyes:
// Top 5250 and Left 8100 twips are (540, 350) pixels.
constexpr char MiddlePlace[] = "[Varnhold Quimbrel]\nTop=5250\nLeft=8100\n";
constexpr Point Middle{540, 350};

}  // namespace

TEST_P(Eyes, PupilsLookAtThePointerWhereverItIs) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    vellory.WriteSettings(MiddlePlace);
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    ASSERT_EQ(at, Middle);
    const Point eye1{at.x + Eye1.x, at.y + Eye1.y}, eye2{at.x + Eye2.x, at.y + Eye2.y};

    const struct {
        const char* where;
        Point pointer;
    } places[] = {
        {"far left", {20, eye1.y}},
        {"far right", {1270, eye1.y + 3}},
        {"above, between the eyes", {at.x + 104, 10}},
        {"below, between the eyes", {at.x + 104, 1000}},
        {"the screen's corner", {0, 0}},
        {"on eye 1's centre", eye1},
        {"one pixel right of eye 1's centre", {eye1.x + 1, eye1.y}},
        {"inside eye 2, up and right", {eye2.x + 2, eye2.y - 2}},
        {"on eye 2's centre", eye2},
        {"on the face below the eyes", {at.x + 104, at.y + 190}},
    };
    for (const auto& place : places) {
        desktop.MovePointer(place.pointer);
        EXPECT_TRUE(PupilsLookAt(vellory, window, place.pointer)) << place.where;
    }
    // The check tells directions apart: eyes that look left do not pass for looking up.
    desktop.MovePointer({20, eye1.y});
    ASSERT_TRUE(PupilsLookAt(vellory, window, {20, eye1.y}));
    const auto wrong = PupilsLookAt(vellory, window, {at.x + 104, 10}, milliseconds(300));
    EXPECT_FALSE(wrong);
    EXPECT_TRUE(run->process.Running());
}

TEST_P(Eyes, PupilsTurnWhenTheWindowMovesUnderAStillPointer) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    vellory.WriteSettings(MiddlePlace);
    auto [run, window] = vellory.StartAndWait();

    const Point pointer{700, 300};
    desktop.MovePointer(pointer);
    ASSERT_TRUE(PupilsLookAt(vellory, window, pointer));
    // Moved by someone else (a window manager's keyboard move, a script): the pointer
    // does not move, the eyes' places on the screen do.
    for (const Point to : {Point{900, 100}, Point{300, 600}, Point{620, 240}}) {
        XMoveWindow(desktop.X(), window, to.x, to.y);
        XSync(desktop.X(), False);
        ASSERT_TRUE(WaitUntil([&] { return vellory.Position(window) == to; }, milliseconds(3000)))
            << "the window did not move to (" << to.x << ", " << to.y << ")";
        EXPECT_EQ(desktop.Pointer(), pointer);
        EXPECT_TRUE(PupilsLookAt(vellory, window, pointer))
            << "at (" << to.x << ", " << to.y << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(, Eyes, testing::Values(Wm::Bare, Wm::Openbox),
                         [](const auto& info) { return WmName(info.param); });
