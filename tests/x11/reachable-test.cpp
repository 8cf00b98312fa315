// A saved place that shows none of the window (a monitor unplugged, a smaller screen, an
// edited file) gives way to the default place, the top edge of the primary monitor,
// centred; a place that shows part of it is kept, however little. The file keeps what it
// held either way.
#include "Vellory.h"

using namespace xtest;

using Reachable = OnDesktop;

namespace {

// Starts the program on these settings and says where its window stands, then ends it.
Point StartedAt(Vellory& vellory, Point saved) {
    const std::string settings = "[Varnhold Quimbrel]\nTop=" + std::to_string(saved.y * 15) +
                                 "\nLeft=" + std::to_string(saved.x * 15) + "\n";
    vellory.WriteSettings(settings);
    Vellory::Run& run = vellory.Start();
    const Window window = vellory.WaitForWindow(run);
    Pause(milliseconds(300));  // a window manager's placement, and a few ticks
    const Point at = vellory.Position(window);
    EXPECT_TRUE(run.process.Running());
    run.process.Kill();
    EXPECT_EQ(vellory.Settings(), settings);
    return at;
}

}  // namespace

TEST_P(Reachable, OnlyAPlaceThatShowsNoneOfTheWindowGivesWay) {
    // 100 pixels of the window show; then none, on each side of the 1280 x 1024 screen.
    for (const Point kept : {Point{-107, 300}, Point{1180, 300}, Point{500, -120}, Point{500, 924}})
        EXPECT_EQ(StartedAt(vellory, kept), kept);
    for (const Point lost : {Point{-207, 300}, Point{1280, 300}, Point{500, -220}, Point{500, 1024},
                             Point{-5000, -5000}})
        EXPECT_EQ(StartedAt(vellory, lost), DefaultPlace);
}

TEST_P(Reachable, APlaceOnAMonitorThatIsGoneGivesWay) {
    desktop.SetMonitors({{0, 0, 640, 1024}, {640, 0, 1280, 1024}});
    EXPECT_EQ(StartedAt(vellory, {800, 300}), (Point{800, 300}));
    desktop.SetMonitors({{0, 0, 640, 1024}});
    // 640 pixels = 9600 twips: 9600 \ 2 - 3105 \ 2 = 3248 twips, nearest pixel 217.
    EXPECT_EQ(StartedAt(vellory, {800, 300}), (Point{217, 0}));
}

INSTANTIATE_TEST_SUITE_P(, Reachable, BothDesktops, DesktopName);
