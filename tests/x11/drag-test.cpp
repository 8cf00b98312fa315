// Dragging: a left drag anywhere on the kitten moves the window by the pointer's path,
// a right or middle drag moves nothing, and a double-click right after a drag saves
// the new place, where the next start puts the window again.
// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on

#include "Desktop.h"
#include "EyeCheck.h"
#include "KittenPicture.h"
#include "Vellory.h"

using namespace xtest;

namespace {

class Drag : public testing::TestWithParam<Wm> {};

// Top 5250 and Left 8100 twips: (540, 350) pixels, away from every edge.
constexpr char MiddlePlace[] = "[Varnhold Quimbrel]\nTop=5250\nLeft=8100\n";
constexpr Point Middle{540, 350};

Point Plus(Point a, Point b) {
    return {a.x + b.x, a.y + b.y};
}

}  // namespace

TEST_P(Drag, LeftDragMovesTheWindowByThePointersPath) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    vellory.WriteSettings(MiddlePlace);
    auto [run, window] = vellory.StartAndWait();
    ASSERT_EQ(vellory.Position(window), Middle);

    Point expected = Middle;
    // From the face, from the rim of an eye, from near the window's edge.
    const struct {
        Point grip, by;
    } drags[] = {
        {FacePoint, {-150, 120}}, {{Eye2.x + 9, Eye2.y}, {230, -200}}, {{30, 110}, {-7, 5}}};
    for (const auto& drag : drags) {
        ASSERT_FALSE(Kitten().IsKey(drag.grip.x, drag.grip.y));
        const Point from = Plus(expected, drag.grip);
        desktop.Drag(Button1, from, Plus(from, drag.by));
        expected = Plus(expected, drag.by);
        EXPECT_TRUE(
            WaitUntil([&] { return vellory.Position(window) == expected; }, milliseconds(3000)))
            << "dragged by (" << drag.by.x << ", " << drag.by.y << "): the window is at ("
            << vellory.Position(window).x << ", " << vellory.Position(window).y << "), not ("
            << expected.x << ", " << expected.y << ")";
    }
    // The eyes find the new place on their own.
    const Point pointer{100, 900};
    desktop.MovePointer(pointer);
    EXPECT_TRUE(PupilsLookAt(vellory, window, pointer));
    EXPECT_TRUE(run->process.Running());
}

TEST_P(Drag, RightAndMiddleDragsMoveNothing) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    vellory.WriteSettings(MiddlePlace);
    auto [run, window] = vellory.StartAndWait();

    for (unsigned button : {Button3, Button2}) {
        const Point from = Plus(Middle, FacePoint);
        desktop.Drag(button, from, Plus(from, {-160, 90}));
        Pause(milliseconds(200));
        EXPECT_EQ(vellory.Position(window), Middle) << "button " << button;
    }
    // Nothing is left holding the pointer: a left drag still works afterwards.
    const Point from = Plus(Middle, FacePoint);
    desktop.Drag(Button1, from, Plus(from, {40, 30}));
    EXPECT_TRUE(WaitUntil(
        [&] {
            return vellory.Position(window) == Plus(Middle, {40, 30});
        },
        milliseconds(3000)));
    EXPECT_TRUE(run->process.Running());
}

TEST_P(Drag, DoubleClickAfterADragSavesTheNewPlaceAndTheNextStartUsesIt) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    vellory.WriteSettings(MiddlePlace);
    auto [run, window] = vellory.StartAndWait();

    const Point by{-210, 170};
    const Point from = Plus(Middle, FacePoint);
    desktop.Drag(Button1, from, Plus(from, by));
    const Point moved = Plus(Middle, by);  // (330, 520): Top 7800, Left 4950 twips
    ASSERT_TRUE(WaitUntil([&] { return vellory.Position(window) == moved; }, milliseconds(3000)));
    desktop.DoubleClick(Plus(moved, FacePoint));
    const auto status = run->process.Wait(milliseconds(3000));
    ASSERT_TRUE(ExitedWith(status, 0)) << (status ? DescribeStatus(*status) : "still running");
    EXPECT_EQ(vellory.Settings(), "[Varnhold Quimbrel]\nTop=7800\nLeft=4950\n");
    EXPECT_TRUE(vellory.Windows().empty());

    auto [again, window2] = vellory.StartAndWait();
    EXPECT_EQ(vellory.Position(window2), moved);
}

INSTANTIATE_TEST_SUITE_P(, Drag, testing::Values(Wm::Bare, Wm::Openbox),
                         [](const auto& info) { return WmName(info.param); });
