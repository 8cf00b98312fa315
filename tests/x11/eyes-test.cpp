// The eyes follow the pointer: on every tick each pupil is painted 5 pixels from its
// eye's centre towards the pointer, wherever the pointer is (also inside the eye), and
// turns when the window moves under a pointer that stands still. Measured on the
// screen: the centroid of the black pixels inside each olive eye disc.
#include "Vellory.h"
#include "tests/support/EyeCheck.h"

using namespace xtest;

using Eyes = OnDesktop;

TEST_P(Eyes, PupilsLookAtThePointerWhereverItAndTheWindowAre) {
    vellory.WriteSettings(SavedPlace(Middle));
    auto [run, shown] = vellory.StartAndWait();
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    const Point at = vellory.Position(window);
    ASSERT_EQ(at, Middle);
    const Point eye1 = at + Eye1, eye2 = at + Eye2;

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
        EXPECT_TRUE(PupilsLookAt(desktop, window, place.pointer)) << place.where;
    }
    // The check tells directions apart: eyes that look left do not pass for looking up.
    desktop.MovePointer({20, eye1.y});
    ASSERT_TRUE(PupilsLookAt(desktop, window, {20, eye1.y}));
    EXPECT_FALSE(PupilsLookAt(desktop, window, {at.x + 104, 10}, milliseconds(300)));

    const Point pointer{700, 300};
    desktop.MovePointer(pointer);
    ASSERT_TRUE(PupilsLookAt(desktop, window, pointer));
    // Moved by someone else (a window manager's keyboard move, a script): the pointer
    // does not move, the eyes' places on the screen do.
    for (const Point to : {Point{900, 100}, Point{300, 600}, Point{620, 240}}) {
        XMoveWindow(desktop.X(), window, to.x, to.y);
        XSync(desktop.X(), False);
        ASSERT_TRUE(WaitUntil([&] { return vellory.Position(window) == to; }, milliseconds(3000)))
            << "the window did not move to (" << to.x << ", " << to.y << ")";
        EXPECT_EQ(desktop.Pointer(), pointer);
        EXPECT_TRUE(PupilsLookAt(desktop, window, pointer))
            << "at (" << to.x << ", " << to.y << ")";
    }
    EXPECT_TRUE(run->process.Running());
}

INSTANTIATE_TEST_SUITE_P(, Eyes, BothDesktops, DesktopName);
