// Machine-fast clicks and drags on a busy machine: in whatever order the press, the
// release and the program's own requests meet, nothing is left holding the pointer, and
// a double-click still ends the program.
#include "Vellory.h"

using namespace xtest;

using FastInput = OnDesktop;

namespace {

constexpr int Clicks = 300, Drags = 50;
constexpr milliseconds FreeWithin(100);
// Long enough for the program to have taken the click in, so that each click races anew.
constexpr milliseconds Between(20);

}  // namespace

TEST_P(FastInput, ClicksAndDragsNeverLeaveThePointerHeld) {
    auto [run, window] = vellory.StartAndWait();
    const Child hog = StartCpuHog();
    // Two grips 12 pixels apart, taken in turn: no two presses make a double-click.
    const Point grips[] = {FacePoint, FacePoint + Point{12, 0}};
    const auto pointerFree = [&] {
        return WaitUntil([&] { return desktop.PointerFree(); }, FreeWithin, milliseconds(2));
    };
    for (int i = 0; i < Clicks; ++i) {
        desktop.FastClick(vellory.Position(window) + grips[i % 2]);
        Pause(Between);
        ASSERT_TRUE(pointerFree()) << "click " << i + 1 << " left the pointer held";
    }
    // Back and forth, so that the kitten stays on the screen.
    const Point by[] = {{24, 10}, {-24, -10}};
    for (int i = 0; i < Drags; ++i) {
        const Point from = vellory.Position(window) + grips[i % 2];
        desktop.FastDrag(from, from + by[i % 2], milliseconds(i % 10), milliseconds(i / 10 % 5));
        Pause(Between);
        ASSERT_TRUE(pointerFree()) << "drag " << i + 1 << " left the pointer held";
    }
    Pause(milliseconds(600));  // the last press is no first half of a double-click
    EXPECT_TRUE(vellory.QuitByDoubleClick(run->process, window));
}

INSTANTIATE_TEST_SUITE_P(, FastInput, BothDesktops, DesktopName);
