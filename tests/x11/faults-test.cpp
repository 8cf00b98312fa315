// The display and its extensions failing the program: no display at start, the X
// server dying under it, a server without SHAPE or without RandR, and the window
// manager arriving or being replaced while it runs.
#include <algorithm>
#include <cstdlib>

#include "Vellory.h"
#include "tests/support/EyeCheck.h"

using namespace xtest;

namespace {

using Faults = OnDesktop;
using NoRandr = testing::TestWithParam<Wm>;

bool OneLine(const std::string& text) {
    return text.size() > 1 && text.back() == '\n' &&
           std::count(text.begin(), text.end(), '\n') == 1;
}

// A display number that no server on this machine answers.
std::string UnusedDisplay() {
    for (int number = 990;; ++number) {
        const std::string n = std::to_string(number);
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + n) &&
            !std::filesystem::exists("/tmp/.X" + n + "-lock"))
            return ":" + n;
    }
}

}  // namespace

TEST(NoDisplay, OneLineOnStderrAndAFailureStatusWithinASecond) {
    Desktop desktop(Wm::Bare);  // only for the folder; the program never reaches it
    Vellory vellory(desktop);
    Environment unset = desktop.ClientEnvironment();
    unset.Remove("DISPLAY");
    Environment nobody = desktop.ClientEnvironment();
    nobody.Set("DISPLAY", UnusedDisplay());
    for (const Environment& environment : {unset, nobody}) {
        Vellory::Run& run = vellory.Start(environment);
        EXPECT_TRUE(ExitedNonZero(run.process.Wait(milliseconds(1000)))) << "within a second";
        EXPECT_TRUE(OneLine(run.Errors())) << "stderr: [" << run.Errors() << "]";
    }
    EXPECT_FALSE(vellory.Settings().has_value());
}

TEST_P(Faults, TheServerDyingEndsItWithinASecond) {
    auto [run, window] = vellory.StartAndWait();
    desktop.KillServer();
    EXPECT_TRUE(ExitedNonZero(run->process.Wait(milliseconds(1000)))) << "within a second";
    EXPECT_TRUE(OneLine(run->Errors())) << "stderr: [" << run->Errors() << "]";
    EXPECT_FALSE(vellory.Settings().has_value());
}

TEST_P(Faults, WithoutShapeItRunsRectangular) {
    // NOTE: Xvfb cannot switch SHAPE off; the program is told that the server lacks it.
    const std::filesystem::path shim = desktop.Scratch() / "noshape.so";
    const std::string build = "cc -shared -fPIC -o " + shim.string() +
                              " " VELLORY_SOURCE_DIR "/tests/x11/preload/NoShape.c -ldl 2>&1";
    if (std::system(build.c_str()) != 0) GTEST_SKIP() << "no C compiler to build " << shim;
    Environment environment = desktop.ClientEnvironment();
    environment.Set("LD_PRELOAD", shim.string());
    Vellory::Run* run = &vellory.Start(environment);
    const Window window = vellory.WaitForWindow(*run);
    vellory.WaitForEyes(window);
    EXPECT_EQ(vellory.Position(window), DefaultPlace);
    // The server holds no shape for it: the whole window.
    const auto mask = desktop.ShapeMask(window, ShapeBounding, KittenWidth, KittenHeight);
    EXPECT_EQ(std::count(mask.begin(), mask.end(), true), KittenWidth * KittenHeight);
    // The whole rectangle shows: the picture's black where it would be cut away, and
    // over it the label's green square, which only the shape hides.
    const Shot shot = vellory.Look(window);
    int wrong = 0, green = 0;
    for (int y = 0; y < KittenHeight; ++y)
        for (int x = 0; x < KittenWidth; ++x) {
            if (!Kitten().IsKey(x, y)) continue;
            green += InLabel(x, y) && shot.At(x, y) == LabelGreen;
            wrong += !InLabel(x, y) && shot.At(x, y) != Kitten().Key();
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(green, 25 * 25);
    // Eyes and dragging work as ever.
    const Point pointer{100, 700};
    desktop.MovePointer(pointer);
    EXPECT_TRUE(PupilsLookAt(desktop, window, pointer));
    EXPECT_TRUE(vellory.DragBy(window, {-100, 200}));
    EXPECT_TRUE(run->process.Running());
}

TEST_P(NoRandr, ItUsesTheRootWindow) {
    Desktop desktop(GetParam(), {"-extension", "RANDR"});
    int opcode = 0, event = 0, error = 0;
    ASSERT_FALSE(XQueryExtension(desktop.X(), "RANDR", &opcode, &event, &error));
    Vellory vellory(desktop);
    auto [run, window] = vellory.StartAndWait();
    EXPECT_EQ(vellory.Position(window), DefaultPlace);
    const Point pointer{1000, 600};
    desktop.MovePointer(pointer);
    EXPECT_TRUE(PupilsLookAt(desktop, window, pointer));
}

TEST_P(Faults, AWindowManagerArrivingOrReplacingKeepsItFramelessAndAbove) {
    auto [run, shown] = vellory.StartAndWait();
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    const Point at = vellory.Position(window);
    const Window oldFrame = desktop.TopLevelOf(window);

    desktop.StartOpenbox(GetParam() == Wm::Openbox);  // --replace when one runs
    // The new manager has taken the window: it sits in a new frame of its own.
    ASSERT_TRUE(WaitUntil(
        [&] {
            const Window frame = desktop.TopLevelOf(window);
            const auto clients = desktop.ClientList();
            return frame != oldFrame && frame != window && desktop.Viewable(window) &&
                   std::find(clients.begin(), clients.end(), window) != clients.end();
        },
        milliseconds(5000)));
    for (const char* state :
         {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"})
        EXPECT_TRUE(desktop.HasAtom(window, "_NET_WM_STATE", state)) << state;
    const Window frame = desktop.TopLevelOf(window);
    EXPECT_EQ(desktop.Size(frame), (Point{KittenWidth, KittenHeight}));
    EXPECT_EQ(vellory.Position(window), at);
    EXPECT_EQ(desktop.RootPosition(frame), at);

    // Still above an ordinary window that is activated.
    const Window cover = desktop.MakeWindow(at.x - 40, 0, 320, 300, 0xE0D0A0, false);
    desktop.Activate(cover);
    EXPECT_TRUE(WaitUntil(
        [&] {
            return StacksAbove(desktop.ClientList(), window, cover) &&
                   CountWrongPixels(vellory.Look(window), std::nullopt) == 0;
        },
        milliseconds(3000)));
    // And the new manager moves it on a drag.
    EXPECT_TRUE(vellory.DragBy(window, {60, 300}));
    EXPECT_TRUE(run->process.Running());
}

INSTANTIATE_TEST_SUITE_P(, Faults, BothDesktops, DesktopName);
INSTANTIATE_TEST_SUITE_P(, NoRandr, BothDesktops, DesktopName);
