// The display and its extensions failing the program: no display at start, the X
// server dying under it, a server without SHAPE or without RandR, and the window
// manager arriving or being replaced while it runs.
// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on

#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "Desktop.h"
#include "EyeCheck.h"
#include "KittenPicture.h"
#include "Vellory.h"

using namespace xtest;

namespace {

class Faults : public testing::TestWithParam<Wm> {};

std::string StatusText(const std::optional<int>& status) {
    return status ? DescribeStatus(*status) : "still running";
}

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

std::size_t IndexIn(const std::vector<Window>& list, Window window) {
    return static_cast<std::size_t>(std::find(list.begin(), list.end(), window) - list.begin());
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
        const auto started = Clock::now();
        Vellory::Run& run = vellory.Start(environment);
        const auto status = run.process.Wait(milliseconds(3000));
        const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - started);
        EXPECT_TRUE(ExitedNonZero(status)) << StatusText(status);
        EXPECT_LT(took.count(), 1000);
        EXPECT_TRUE(OneLine(run.Errors())) << "stderr: [" << run.Errors() << "]";
    }
    EXPECT_FALSE(vellory.Settings().has_value());
}

TEST_P(Faults, TheServerDyingEndsItWithinASecond) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    auto [run, window] = vellory.StartAndWait();
    const auto killed = Clock::now();
    desktop.KillServer();
    const auto status = run->process.Wait(milliseconds(3000));
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - killed);
    EXPECT_TRUE(ExitedNonZero(status)) << StatusText(status);
    EXPECT_LT(took.count(), 1000);
    EXPECT_TRUE(OneLine(run->Errors())) << "stderr: [" << run->Errors() << "]";
    EXPECT_FALSE(vellory.Settings().has_value());
}

TEST_P(Faults, WithoutShapeItRunsRectangular) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
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
    const Point at = vellory.Position(window);
    EXPECT_EQ(at, (Point{537, 0}));
    // The server holds no shape for it: one rectangle, the whole window.
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(desktop.X(), window, ShapeBounding, &count, &ordering);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(rects[0].width, KittenWidth);
    EXPECT_EQ(rects[0].height, KittenHeight);
    XFree(rects);
    // The whole rectangle shows: the picture's black where it would be cut away, and
    // over it the label's green square, which only the shape hides.
    const Shot shot = vellory.Look(window);
    int wrong = 0, green = 0;
    for (int y = 0; y < KittenHeight; ++y)
        for (int x = 0; x < KittenWidth; ++x) {
            if (!Kitten().IsKey(x, y)) continue;
            const bool label = x >= 172 && x <= 196 && y >= 190 && y <= 214;
            green += label && shot.At(x, y) == 0x00C000;
            wrong += !label && shot.At(x, y) != Kitten().Key();
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(green, 25 * 25);
    // Eyes and dragging work as ever.
    const Point pointer{100, 700};
    desktop.MovePointer(pointer);
    EXPECT_TRUE(PupilsLookAt(vellory, window, pointer));
    const Point from{at.x + FacePoint.x, at.y + FacePoint.y};
    desktop.Drag(Button1, from, {from.x - 100, from.y + 200});
    EXPECT_TRUE(WaitUntil(
        [&] {
            return vellory.Position(window) == Point{at.x - 100, at.y + 200};
        },
        milliseconds(3000)));
    EXPECT_TRUE(run->process.Running());
}

TEST_P(Faults, WithoutRandrItUsesTheRootWindow) {
    Desktop desktop(GetParam(), {"-extension", "RANDR"});
    int event = 0, error = 0;
    ASSERT_FALSE(XRRQueryExtension(desktop.X(), &event, &error));
    Vellory vellory(desktop);
    auto [run, window] = vellory.StartAndWait();
    EXPECT_EQ(vellory.Position(window), (Point{537, 0}));
    const Point pointer{1000, 600};
    desktop.MovePointer(pointer);
    EXPECT_TRUE(PupilsLookAt(vellory, window, pointer));
}

TEST_P(Faults, AWindowManagerArrivingOrReplacingKeepsItFramelessAndAbove) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    const Window oldFrame = desktop.TopLevelOf(window);

    desktop.StartOpenbox(GetParam() == Wm::Openbox);  // --replace when one runs
    // The new manager has taken the window: it sits in a new frame of its own.
    ASSERT_TRUE(WaitUntil(
        [&] {
            const Window frame = desktop.TopLevelOf(window);
            return frame != oldFrame && frame != window && desktop.Viewable(window) &&
                   IndexIn(desktop.ClientList(), window) < desktop.ClientList().size();
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
            const auto stacking = desktop.ClientList();
            return IndexIn(stacking, cover) < stacking.size() &&
                   IndexIn(stacking, window) < stacking.size() &&
                   IndexIn(stacking, window) > IndexIn(stacking, cover) &&
                   CountWrongPixels(vellory.Look(window), std::nullopt) == 0;
        },
        milliseconds(3000)));
    // And the new manager moves it on a drag.
    const Point from{at.x + FacePoint.x, at.y + FacePoint.y};
    desktop.Drag(Button1, from, {from.x + 60, from.y + 300});
    EXPECT_TRUE(WaitUntil(
        [&] {
            return vellory.Position(window) == Point{at.x + 60, at.y + 300};
        },
        milliseconds(3000)));
    EXPECT_TRUE(run->process.Running());
}

INSTANTIATE_TEST_SUITE_P(, Faults, testing::Values(Wm::Bare, Wm::Openbox),
                         [](const auto& info) { return WmName(info.param); });
