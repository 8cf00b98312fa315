// The Windows build of the program (vellory.exe) under Wine, on an X server with a window
// manager: it shows, shapes and keeps on top, tracks the pointer, drags, saves and
// restores its place (in the user's own copy when installed where the user may not
// write), keeps to one copy, and obeys the close command without saving; at
// a display of 144 and 192 dots per inch it is the picture drawn for that scale.
#include <cmath>
#include <filesystem>

#include "tests/support/Drawing.h"
#include "tests/support/EyeCheck.h"
#include "tests/support/KittenPicture.h"
#include "tests/support/ReadOnlyMount.h"
#include "tests/win32/Wine.h"

using namespace wine;
using namespace std::chrono_literals;

namespace {

constexpr auto StartLimit = 60s;  // Wine's first start in a prefix is slow

class WineProgram : public testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(ProgramExe(), folder.Path() / "vellory.exe");
    }

    // Every program of a test has ended by now; its window must go before the next test
    // looks for one.
    void TearDown() override {
        WaitUntil([&] { return ProgramWindows(desk).empty(); }, 10s);
    }

    Child Start() {
        return wine::Start(WindowsPath(folder.Path() / "vellory.exe"), {}, folder.Path());
    }

    // The program's one window, 207 x 220 times the scale; None, and a failure, when none
    // comes.
    Window WaitWindow(double scale = 1) {
        Window window = None;
        const Point size{Scaled(KittenWidth, scale), Scaled(KittenHeight, scale)};
        const auto one = [&] {
            const auto found = ProgramWindows(desk);
            window = found.size() == 1 && desk.Size(found[0]) == size ? found[0] : None;
            return window != None;
        };
        if (!WaitUntil(one, StartLimit, 50ms)) ADD_FAILURE() << "no window of vellory.exe came";
        return window;
    }

    testing::AssertionResult WaitPosition(Window window, Point where) {
        if (WaitUntil([&] { return desk.RootPosition(window) == where; }, 5s, 50ms))
            return testing::AssertionSuccess();
        const Point at = desk.RootPosition(window).value_or(Point{});
        return testing::AssertionFailure() << "at " << at.x << "," << at.y;
    }

    std::string Settings() { return ReadFile(folder.Path() / "vellory.ini"); }

    // Ends a program the way a window manager does: it exits with 0 and saves nothing.
    void Close(Child& program, Window window) {
        const std::string before = Settings();
        desk.Close(window);
        EXPECT_TRUE(ExitedWith(program.Wait(20s), 0)) << "the close command";
        EXPECT_EQ(Settings(), before) << "the close command saved";
    }

    // The window's shape holds exactly the picture's non-key pixels. Where Wine draws
    // the shape wrongly (ShapeMisdrawnByWine), it must be just as that Wine draws it,
    // and the test ends skipped, naming the fault, once its other checks are done.
    void ExpectShape(Window window, double scale = 1) {
        const auto shape = desk.ShapeMask(window, ShapeBounding, Scaled(KittenWidth, scale),
                                          Scaled(KittenHeight, scale));
        std::string first;
        const int wrong = CountWrongShapePixels(shape, &first, scale);
        if (wrong > 0 && shape == ShapeMisdrawnByWine(scale))
            wineFault =
                "this Wine misdraws region rectangles within one byte of its 1-bit "
                "window shape (win32u's set_surface_shape_rect, Wine 9.x to 10.0 at "
                "least): " +
                std::to_string(wrong) + " pixels, the first " + first;
        else
            EXPECT_EQ(wrong, 0) << first;
    }
    void SkipForWineFault() {
        if (!wineFault.empty()) GTEST_SKIP() << wineFault;
    }

    TempFolder folder;
    XClient desk{"", WineHand};
    std::string wineFault;
};

TEST_F(WineProgram, ShowsTheKittenShapedAndOnTop) {
    auto program = Start();
    const Window window = WaitWindow();
    ASSERT_NE(window, None);
    EXPECT_TRUE(WaitPosition(window, DefaultPlace));
    EXPECT_TRUE(desk.HasAtom(window, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE"));
    EXPECT_TRUE(desk.HasAtom(window, "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"));

    ExpectShape(window);

    // An ordinary window activated over it stays below it.
    const Point at = *desk.RootPosition(window);
    const Window other = desk.MakeWindow(at.x - 20, at.y + 20, 300, 300, 0xFFFFFF, false);
    desk.Activate(other);
    Pause(1s);
    EXPECT_TRUE(StacksAbove(desk.ClientList(), window, other))
        << "the kitten went below an ordinary window";
    XDestroyWindow(desk.X(), other);
    XSync(desk.X(), False);
    Close(program, window);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "vellory.ini"));
    SkipForWineFault();
}

// While the pointer stands still nothing is painted: the timer ticks only when pointer
// or window moved.
TEST_F(WineProgram, EyesFollowThePointerAndRestWhileItStandsStill) {
    auto program = Start();
    const Window window = WaitWindow();
    ASSERT_NE(window, None);
    const Point at = *desk.RootPosition(window);
    for (const Point pointer :
         {Point{0, at.y + Eye1.y}, Point{desk.ScreenSize().x - 1, at.y + Eye1.y},
          at + Point{104, 400}}) {
        desk.MovePointer(pointer);
        EXPECT_TRUE(PupilsLookAt(desk, window, pointer));
    }
    Pause(1s);
    DrawingWatch drawing(desk, window);
    Pause(10s);
    EXPECT_EQ(drawing.Drawings(), 0) << "painted while the pointer stood still";
    // Raw input wakes it: a move after a rest turns the pupils at once, not at the next
    // slow look (three tries, so that one falling just before a slow look cannot pass).
    // NOTE: Wine (8.0) delivers raw mouse input only while the pointer is over one of the
    // program's windows, whatever RIDEV_INPUTSINK asks; Windows delivers it everywhere.
    for (const Point face : {FacePoint, Point{70, 160}, Point{140, 165}}) {
        Pause(500ms);
        desk.MovePointer(at + face);
        const auto start = Clock::now();
        EXPECT_TRUE(PupilsLookAt(desk, window, at + face));
        const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        EXPECT_LE(took.count(), 400) << "to turn towards " << face.x << "," << face.y;
    }
    EXPECT_GT(drawing.Drawings(), 0);  // the watch sees a tick's drawing
    Close(program, window);
}

// A left drag moves the window; a double-click writes Top and Left in twips beside the
// executable and ends the program; the next start puts the window back there.
TEST_F(WineProgram, DragThenDoubleClickSavesThePlaceForTheNextStart) {
    for (const Point target : {Point{300, 200}, Point{-40, -30}}) {
        SCOPED_TRACE(std::to_string(target.x) + "," + std::to_string(target.y));
        auto program = Start();
        const Window window = WaitWindow();
        ASSERT_NE(window, None);
        desk.Drag(Button1, *desk.RootPosition(window) + Eye1, target + Eye1);
        ASSERT_TRUE(WaitPosition(window, target));
        desk.DoubleClick(target + Eye2);
        EXPECT_TRUE(ExitedWith(program.Wait(20s), 0)) << "the double-click";
        EXPECT_EQ(Settings(), SavedPlace(target, "\r\n"));  // as Windows writes a new file

        auto again = Start();
        const Window restored = WaitWindow();
        ASSERT_NE(restored, None);
        // NOTE: Wine marks the place of the windows it maps as the program's own choice
        // (PPosition, not USPosition), and openbox pulls such a window fully onto the
        // screen; Windows itself puts it back partly off the screen as saved.
        if (target.x >= 0 && target.y >= 0) {
            EXPECT_TRUE(WaitPosition(restored, target));
        }
        Close(again, restored);
        std::filesystem::remove(folder.Path() / "vellory.ini");
    }
}

// Installed into a folder the user may not write, the double-click saves into the user's
// own copy (%LOCALAPPDATA%\vellory\vellory.ini), which starts from the file beside the
// program; that file stays as it was, and the next start comes back to the saved place.
// A file the user may not write in a folder they may write stays pinned: nothing is saved
// and nothing goes to a copy. Read-only mounts stand for the user's rights (root writes
// anywhere else, under Wine too).
TEST_F(WineProgram, AnUnwritableSettingsFileIsRedirectedOnlyWhenItsFolderIs) {
    constexpr char Before[] =
        "; beside the program\r\n[Varnhold Quimbrel]\r\n"
        "Top=1500\r\nLeft=3000\r\n[Kept]\r\nAs=is\r\n";
    constexpr char After[] =
        "; beside the program\r\n[Varnhold Quimbrel]\r\n"
        "Top=3000\r\nLeft=4500\r\n[Kept]\r\nAs=is\r\n";
    constexpr Point Saved{200, 100}, Target{300, 200};
    // Wine's own answer for its prefix, as a host path.
    const auto local =
        RunToEnd("cmd", {"/c", "winepath", "-u", "%LOCALAPPDATA%"}, folder.Path(), 60s);
    ASSERT_TRUE(local && local->find('/') == 0)
        << "where is %LOCALAPPDATA%: " << local.value_or("");
    const auto copy = std::filesystem::path(local->substr(0, local->find_last_not_of("\r\n") + 1)) /
                      "vellory/vellory.ini";
    std::filesystem::remove(folder.Path() / ".stdout");
    WriteFile(folder.Path() / "vellory.ini", Before);

    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "read-only folder" : "read-only file");
        std::filesystem::remove_all(copy.parent_path());
        const ReadOnlyMount readOnly(installed ? folder.Path() : folder.Path() / "vellory.ini");
        if (!readOnly.Mounted())
            GTEST_SKIP() << "needs a read-only mount (root writes anywhere else): "
                         << readOnly.Failure();
        auto program = Start();
        const Window window = WaitWindow();
        ASSERT_NE(window, None);
        ASSERT_TRUE(WaitPosition(window, Saved));
        desk.Drag(Button1, Saved + Eye1, Target + Eye1);
        ASSERT_TRUE(WaitPosition(window, Target));
        desk.DoubleClick(Target + Eye2);
        EXPECT_TRUE(ExitedWith(program.Wait(20s), 0)) << "the double-click";
        EXPECT_EQ(Settings(), Before);
        if (installed)
            EXPECT_EQ(ReadFile(copy), After);
        else
            EXPECT_FALSE(std::filesystem::exists(copy.parent_path()));

        auto again = Start();
        const Window restored = WaitWindow();
        ASSERT_NE(restored, None);
        EXPECT_TRUE(WaitPosition(restored, installed ? Target : Saved));
        Close(again, restored);
    }
    std::filesystem::remove_all(copy.parent_path());
}

// A saved place that shows none of the window gives way to the default place; the file
// keeps it.
TEST_F(WineProgram, ASavedPlaceOffTheScreenGivesWayToTheDefault) {
    WriteFile(folder.Path() / "vellory.ini", "[Varnhold Quimbrel]\r\nTop=-30000\r\nLeft=300\r\n");
    auto program = Start();
    const Window window = WaitWindow();
    ASSERT_NE(window, None);
    EXPECT_TRUE(WaitPosition(window, DefaultPlace));
    Close(program, window);
}

class WineScale : public WineProgram, public testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        WineProgram::SetUp();
        ASSERT_TRUE(SetDotsPerInch(GetParam(), folder.Path()));
    }
    void TearDown() override {
        WineProgram::TearDown();
        EXPECT_TRUE(SetDotsPerInch(0, folder.Path()));
    }
    const double s = GetParam() / 96.0;
};

// Size, place, shape and eyes at the scale; a place saved in program twips comes back.
TEST_P(WineScale, TheKittenIsDrawnForTheScaleAndComesBackWhereItWasLeft) {
    auto program = Start();
    const Window window = WaitWindow(s);
    ASSERT_NE(window, None);
    const int width = Scaled(KittenWidth, s);
    const auto centredAtTheTop = [&] {
        const Point at = desk.RootPosition(window).value_or(Point{-9999, -9999});
        return at.y == 0 && std::abs(2 * at.x + width - 1280) <= 1;
    };
    EXPECT_TRUE(WaitUntil(centredAtTheTop, 5s, 50ms));
    ExpectShape(window, s);
    for (const Point pointer : {Point{0, 300}, Point{1279, 40}, Point{640, 1000}}) {
        desk.MovePointer(pointer);
        EXPECT_TRUE(PupilsLookAt(desk, window, pointer, 3s, s));
    }

    const Point target{301, 203}, eye = Scaled(Eye1, s);
    desk.Drag(Button1, *desk.RootPosition(window) + eye, target + eye);
    ASSERT_TRUE(WaitPosition(window, target));
    desk.DoubleClick(target + Scaled(Eye2, s));
    EXPECT_TRUE(ExitedWith(program.Wait(20s), 0)) << "the double-click";
    const auto twips = [&](int device) { return std::to_string(std::lround(device * 15 / s)); };
    EXPECT_EQ(Settings(), "[Varnhold Quimbrel]\r\nTop=" + twips(target.y) +
                              "\r\nLeft=" + twips(target.x) + "\r\n");
    auto again = Start();
    const Window restored = WaitWindow(s);
    ASSERT_NE(restored, None);
    EXPECT_TRUE(WaitPosition(restored, target));
    Close(again, restored);
    SkipForWineFault();
}

INSTANTIATE_TEST_SUITE_P(, WineScale, testing::Values(144, 192),
                         [](const auto& info) { return std::to_string(info.param) + "Dpi"; });

TEST_F(WineProgram, ASecondCopyEndsAtOnce) {
    auto first = Start();
    const Window window = WaitWindow();
    ASSERT_NE(window, None);
    auto second = Start();
    EXPECT_TRUE(ExitedWith(second.Wait(20s), 0)) << "the second copy";
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(ProgramWindows(desk).size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "vellory.ini"));
    Close(first, window);
}

}  // namespace
