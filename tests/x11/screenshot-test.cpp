// The README's picture: the running kitten on an openbox desktop, above an ordinary
// window, looking at the pointer. Written only when VELLORY_SCREENSHOT names a file
// (docs/screenshot.png), as a 400x300 crop of the screen around the kitten.
#include <cstdlib>

#include "Vellory.h"
#include "tests/support/EyeCheck.h"

using namespace xtest;

TEST(Screenshot, OfTheKittenOnADesktop) {
    const char* target = std::getenv("VELLORY_SCREENSHOT");
    if (target == nullptr || *target == '\0')
        GTEST_SKIP() << "set VELLORY_SCREENSHOT to the file to write";
    Desktop desktop(Wm::Openbox);
    desktop.SetBackground(0x3B6E8F);
    // An ordinary window, partly behind the kitten.
    desktop.MakeWindow(330, 150, 330, 230, 0xF2EFE6, false, 0, "Notes");
    Vellory vellory(desktop);
    vellory.WriteSettings("[Varnhold Quimbrel]\nTop=1200\nLeft=8400\n");  // (560, 80)
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    ASSERT_EQ(at, (Point{560, 80}));
    const Point pointer{at.x - 60, at.y + 250};  // down and to the left: the kitten looks
    desktop.MovePointer(pointer);
    ASSERT_TRUE(PupilsLookAt(desktop, window, pointer));

    Launch import;
    import.argv = {"import", "-window", "root", "-crop", "400x300+463+40", "+repage", target};
    import.environment = desktop.ClientEnvironment();
    import.output = desktop.Scratch() / "import.log";
    Child child(import);
    const auto status = child.Wait(milliseconds(20000));
    ASSERT_TRUE(ExitedWith(status, 0)) << ReadFile(import.output);
    EXPECT_GT(std::filesystem::file_size(target), 10000u);
}
