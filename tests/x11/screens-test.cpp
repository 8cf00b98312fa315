// On the second screen of a display (DISPLAY=:N.1) the program asks that screen's window
// manager, not the first screen's: with a manager on screen 0 only, nobody keeps the
// kitten above ordinary windows on screen 1 but the program itself.
#include "Vellory.h"

using namespace xtest;

TEST(Screens, OnTheSecondScreenTheProgramAsksThatScreensManager) {
    Desktop desktop(Wm::Openbox, {"-screen", "1", "1280x1024x24"});
    Vellory vellory(desktop, 1);
    XClient& second = vellory.Screen();
    ASSERT_TRUE(desktop.ManagerRunning());
    ASSERT_FALSE(second.ManagerRunning());

    auto [run, shown] = vellory.StartAndWait();
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    EXPECT_EQ(second.TopLevelOf(window), window) << "nobody frames it on screen 1";
    const Point at = vellory.Position(window);
    const Window cover = second.MakeWindow(at.x - 40, at.y, 320, 300, 0xE0D0A0, false);
    second.Activate(cover);
    EXPECT_TRUE(WaitUntil([&] { return StacksAbove(second.TopLevelStack(), window, cover); },
                          milliseconds(3000)))
        << "an ordinary window stays over the kitten on screen 1";
    EXPECT_TRUE(vellory.DragBy(window, {120, 80}));
    EXPECT_TRUE(run->process.Running());
}
