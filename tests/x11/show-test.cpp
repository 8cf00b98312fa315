// The kitten shows however it is started: 50 ms after the window manager (an autostart
// entry at login, while the manager is still starting) and at once after the previous
// copy ended (while the manager may still hold the ended copy's window, whose id the new
// window can get). Every try must show its window, and the manager must take it.
#include "Vellory.h"

using namespace xtest;

namespace {

constexpr int Tries = 15;

// Shown and taken by the manager (ICCCM's WM_STATE), within the usual deadline.
testing::AssertionResult ShowsManaged(Vellory& vellory, Vellory::Run& run, Window& window) {
    try {
        window = vellory.WaitForWindow(run, milliseconds(5000));
    } catch (const std::exception& e) {
        return testing::AssertionFailure() << e.what();
    }
    if (WaitUntil([&] { return !vellory.Screen().Property32(window, "WM_STATE").empty(); },
                  milliseconds(3000)))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "shown, but the window manager never took it";
}

}  // namespace

TEST(Show, FiftyMillisecondsAfterTheWindowManagerStarts) {
    Desktop desktop(Wm::Bare);
    Vellory vellory(desktop);
    int shown = 0;
    for (int i = 0; i < Tries; ++i) {
        desktop.StartManager(Wm::Openbox, Until::Started);
        Pause(milliseconds(50));
        Vellory::Run& run = vellory.Start();
        Window window = None;
        const auto result = ShowsManaged(vellory, run, window);
        EXPECT_TRUE(result) << "try " << i + 1;
        shown += static_cast<bool>(result);
        run.process.Kill();
        desktop.StopManagers();
    }
    EXPECT_EQ(shown, Tries);
}

TEST(Show, AtOnceAfterThePreviousCopyEnded) {
    Desktop desktop(Wm::Openbox);
    Vellory vellory(desktop);
    int shown = 0;
    for (int i = 0; i <= Tries; ++i) {  // the first try has no previous copy
        Vellory::Run& run = vellory.Start();
        Window window = None;
        const auto result = ShowsManaged(vellory, run, window);
        EXPECT_TRUE(result) << "try " << i;
        if (!result) {
            run.process.Kill();
            continue;
        }
        shown += i > 0;
        vellory.WaitForEyes(window);
        EXPECT_TRUE(vellory.QuitByDoubleClick(run.process, window)) << "try " << i;
    }
    EXPECT_EQ(shown, Tries);
}
