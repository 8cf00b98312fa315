// Dragging: a right or middle drag moves nothing, a left drag anywhere on the kitten
// moves the window by the pointer's path, and a double-click right after a drag saves
// the new place, where the next start puts the window again.
#include "Vellory.h"
#include "tests/support/EyeCheck.h"

using namespace xtest;

using Drag = OnDesktop;

TEST_P(Drag, OnlyTheLeftButtonMovesAndTheNewPlaceIsSaved) {
    vellory.WriteSettings(SavedPlace(Middle));
    auto [run, window] = vellory.StartAndWait();
    ASSERT_EQ(vellory.Position(window), Middle);

    for (unsigned button : {Button3, Button2}) {
        const Point from = Middle + FacePoint;
        desktop.Drag(button, from, from + Point{-160, 90});
        Pause(milliseconds(200));
        EXPECT_EQ(vellory.Position(window), Middle) << "button " << button;
    }
    // From the face, from the rim of an eye, from near the window's edge; nothing is left
    // holding the pointer after the other buttons.
    const struct {
        Point grip, by;
    } drags[] = {
        {FacePoint, {-150, 120}}, {{Eye2.x + 9, Eye2.y}, {230, -200}}, {{30, 110}, {-7, 5}}};
    for (const auto& drag : drags) {
        ASSERT_FALSE(Kitten().IsKey(drag.grip.x, drag.grip.y));
        EXPECT_TRUE(vellory.DragBy(window, drag.by, drag.grip));
    }
    // The eyes find the new place on their own.
    const Point pointer{100, 900};
    desktop.MovePointer(pointer);
    EXPECT_TRUE(PupilsLookAt(desktop, window, pointer));

    const Point moved = vellory.Position(window);
    ASSERT_EQ(moved, (Point{613, 275}));
    ASSERT_TRUE(vellory.QuitByDoubleClick(run->process, window));
    EXPECT_EQ(vellory.Settings(), "[Varnhold Quimbrel]\nTop=4125\nLeft=9195\n");
    EXPECT_TRUE(vellory.Windows().empty());
    auto [again, window2] = vellory.StartAndWait();
    EXPECT_EQ(vellory.Position(window2), moved);
}

INSTANTIATE_TEST_SUITE_P(, Drag, BothDesktops, DesktopName);
