// A primary monitor that does not start at the root window's origin: screen pixels are
// counted from its top-left corner, so the first place is the top edge of that monitor,
// centred by its width, saved places are relative to it, and the eyes still look at
// the pointer.
#include "Vellory.h"
#include "tests/support/EyeCheck.h"

using namespace xtest;

using PrimaryMonitor = OnDesktop;

namespace {

constexpr Point MonitorAt{200, 100};
constexpr Point MonitorSize{600, 400};

}  // namespace

TEST_P(PrimaryMonitor, FirstPlaceIsItsTopEdgeCentred) {
    desktop.SetPrimaryMonitor(MonitorAt.x, MonitorAt.y, MonitorSize.x, MonitorSize.y);
    auto [run, window] = vellory.StartAndWait();

    // 600 pixels = 9000 twips; 9000 \ 2 - 3105 \ 2 = 2948 twips, nearest pixel 197.
    EXPECT_EQ(vellory.Position(window), (MonitorAt + Point{197, 0}));
    for (const Point pointer : {Point{0, 0}, MonitorAt + Point{250, 300}, Point{1279, 50},
                                Point{MonitorAt.x + 197 + Eye2.x, 5}}) {
        desktop.MovePointer(pointer);
        EXPECT_TRUE(PupilsLookAt(desktop, window, pointer));
    }
}

TEST_P(PrimaryMonitor, SavedPlacesCountFromItsCorner) {
    desktop.SetPrimaryMonitor(MonitorAt.x, MonitorAt.y, MonitorSize.x, MonitorSize.y);
    // Left -300 and Top 150 twips: 20 pixels left of the monitor, 10 below its top.
    vellory.WriteSettings("[Varnhold Quimbrel]\nTop=150\nLeft=-300\n");
    auto [run, window] = vellory.StartAndWait();
    EXPECT_EQ(vellory.Position(window), (MonitorAt + Point{-20, 10}));
    const Point pointer = MonitorAt + Point{-100, 350};
    desktop.MovePointer(pointer);
    EXPECT_TRUE(PupilsLookAt(desktop, window, pointer));

    // A double-click where it stands writes the same place back.
    EXPECT_TRUE(vellory.QuitByDoubleClick(run->process, window));
    EXPECT_EQ(vellory.Settings(), "[Varnhold Quimbrel]\nTop=150\nLeft=-300\n");
}

// The server announces no change when a monitor is set by hand: the place is read afresh.
TEST_P(PrimaryMonitor, AChangeWhileRunningIsFollowed) {
    auto [run, window] = vellory.StartAndWait();
    ASSERT_EQ(vellory.Position(window), DefaultPlace);
    desktop.SetPrimaryMonitor(MonitorAt.x, MonitorAt.y, MonitorSize.x, MonitorSize.y);
    Pause(milliseconds(300));
    // The window stays where it is; its place now counts from the new primary's corner.
    EXPECT_TRUE(vellory.QuitByDoubleClick(run->process, window));
    EXPECT_EQ(vellory.Settings(), "[Varnhold Quimbrel]\nTop=-1500\nLeft=5055\n");
}

INSTANTIATE_TEST_SUITE_P(, PrimaryMonitor, BothDesktops, DesktopName);
