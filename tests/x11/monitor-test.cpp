// A primary monitor that does not start at the root window's origin: screen pixels are
// counted from its top-left corner, so the first place is the top edge of that monitor,
// centred by its width, saved places are relative to it, and the eyes still look at
// the pointer.
// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on

#include "Desktop.h"
#include "EyeCheck.h"
#include "KittenPicture.h"
#include "Vellory.h"

using namespace xtest;

namespace {

class PrimaryMonitor : public testing::TestWithParam<Wm> {};

constexpr Point MonitorAt{200, 100};
constexpr Point MonitorSize{600, 400};

}  // namespace

TEST_P(PrimaryMonitor, FirstPlaceIsItsTopEdgeCentred) {
    Desktop desktop(GetParam());
    desktop.SetPrimaryMonitor(MonitorAt.x, MonitorAt.y, MonitorSize.x, MonitorSize.y);
    Vellory vellory(desktop);
    auto [run, window] = vellory.StartAndWait();

    // 600 pixels = 9000 twips; 9000 \ 2 - 3105 \ 2 = 2948 twips, nearest pixel 197.
    EXPECT_EQ(vellory.Position(window), (Point{MonitorAt.x + 197, MonitorAt.y}));
    for (const Point pointer : {Point{0, 0}, Point{MonitorAt.x + 250, MonitorAt.y + 300},
                                Point{1279, 50}, Point{MonitorAt.x + 197 + Eye2.x, 5}}) {
        desktop.MovePointer(pointer);
        EXPECT_TRUE(PupilsLookAt(vellory, window, pointer));
    }
}

TEST_P(PrimaryMonitor, SavedPlacesCountFromItsCorner) {
    Desktop desktop(GetParam());
    desktop.SetPrimaryMonitor(MonitorAt.x, MonitorAt.y, MonitorSize.x, MonitorSize.y);
    Vellory vellory(desktop);
    // Left -300 and Top 150 twips: 20 pixels left of the monitor, 10 below its top.
    vellory.WriteSettings("[Varnhold Quimbrel]\nTop=150\nLeft=-300\n");
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    EXPECT_EQ(at, (Point{MonitorAt.x - 20, MonitorAt.y + 10}));
    const Point pointer{MonitorAt.x - 100, MonitorAt.y + 350};
    desktop.MovePointer(pointer);
    EXPECT_TRUE(PupilsLookAt(vellory, window, pointer));

    // A double-click where it stands writes the same place back.
    desktop.MovePointer({at.x + FacePoint.x, at.y + FacePoint.y});
    desktop.Click(Button1, {at.x + FacePoint.x, at.y + FacePoint.y});
    Pause(milliseconds(100));
    desktop.Click(Button1, {at.x + FacePoint.x, at.y + FacePoint.y});
    const auto status = run->process.Wait(milliseconds(3000));
    EXPECT_TRUE(ExitedWith(status, 0)) << (status ? DescribeStatus(*status) : "still running");
    EXPECT_EQ(vellory.Settings(), "[Varnhold Quimbrel]\nTop=150\nLeft=-300\n");
}

INSTANTIATE_TEST_SUITE_P(, PrimaryMonitor, testing::Values(Wm::Bare, Wm::Openbox),
                         [](const auto& info) { return WmName(info.param); });

// The server announces no change when a monitor is set by hand: the place is read afresh.
TEST_P(PrimaryMonitor, AChangeWhileRunningIsFollowed) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    ASSERT_EQ(at, (Point{537, 0}));
    desktop.SetPrimaryMonitor(MonitorAt.x, MonitorAt.y, MonitorSize.x, MonitorSize.y);
    Pause(milliseconds(300));
    // The window stays where it is; its place now counts from the new primary's corner.
    desktop.DoubleClick({at.x + FacePoint.x, at.y + FacePoint.y});
    const auto status = run->process.Wait(milliseconds(3000));
    EXPECT_TRUE(ExitedWith(status, 0)) << (status ? DescribeStatus(*status) : "still running");
    EXPECT_EQ(vellory.Settings(), "[Varnhold Quimbrel]\nTop=-1500\nLeft=5055\n");
}
