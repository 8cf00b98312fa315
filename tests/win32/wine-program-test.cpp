// The Windows build of the program (vellory.exe) under Wine, on an X server with a window
// manager: it shows, shapes and keeps on top, tracks the pointer, drags, saves and
// restores its place, keeps to one copy, and obeys the close command.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "runtime/ImageFile.h"
#include "tests/unit/TempFolder.h"
#include "tests/win32/Desktop.h"
#include "tests/win32/Wine.h"

namespace {

using desktop::Point;
using namespace std::chrono_literals;

constexpr int Width = 207, Height = 220;
constexpr Point Eye1{68, 118}, Eye2{140, 118};  // client pixels
constexpr unsigned long EyeColour = 0x008080;
constexpr const char* WineClass = "vellory.exe";  // Wine names the X window's class so
constexpr const char* Caption = "Form1";
constexpr auto StartLimit = 60s;  // Wine's first start in a prefix is slow

class WineProgram : public testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy_file(wine::ProgramExe(), folder / "vellory.exe");
    }

    // Every program of a test has ended by now; its window must go before the next test
    // looks for one.
    void TearDown() override {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!desk.FindWindows(WineClass, Caption).empty() &&
               std::chrono::steady_clock::now() < deadline)
            desktop::Pause(50ms);
    }

    std::unique_ptr<wine::Process> Start() {
        return std::make_unique<wine::Process>(wine::WindowsPath(folder / "vellory.exe"),
                                               std::vector<std::string>{}, folder.Path());
    }

    Window WaitWindow() {
        const auto window = desk.WaitWindow(WineClass, Caption, Width, Height, StartLimit);
        if (!window) ADD_FAILURE() << "no 207 x 220 window of vellory.exe appeared";
        return window.value_or(0);
    }

    Point ScreenOf(Window window, Point client) {
        const Point at = desk.RootPosition(window);
        return {at.x + client.x, at.y + client.y};
    }

    std::string Settings() { return FileBytes(folder / "vellory.ini"); }

    // Ends a program the way a window manager does, and waits for it.
    void Close(wine::Process& program, Window window) {
        desk.SendCloseCommand(window);
        EXPECT_TRUE(program.WaitExit(20s).has_value()) << "the close command did not end it";
    }

    TempFolder folder;
    desktop::Desktop desk;
};

// The window's shape holds exactly the picture's pixels that differ from its top-left one.
std::vector<unsigned char> KittenMask() {
    const std::string bytes = FileBytes(std::string(VELLORY_SOURCE_DIR) + "/window/kitten.bmp");
    const auto picture = runtime::DecodeBmp(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    std::vector<unsigned char> mask;
    if (!picture) return mask;
    for (const native::Colour pixel : picture->pixels)
        mask.push_back(pixel != picture->pixels[0] ? 1 : 0);
    return mask;
}

// Where Main puts the window without settings: the top edge, centred, by its twips rule.
Point DefaultPlace(int screenWidth) {
    const long screenHalf = std::lround(screenWidth * 15.0) / 2;
    const long windowHalf = 3105 / 2;
    return {static_cast<int>(std::nearbyint((screenHalf - windowHalf) / 15.0)), 0};
}

TEST_F(WineProgram, ShowsTheKittenShapedAndOnTop) {
    auto program = Start();
    const Window window = WaitWindow();
    ASSERT_NE(window, 0u);
    EXPECT_EQ(desk.WaitPosition(window, DefaultPlace(desk.ScreenWidth()), 5s),
              DefaultPlace(desk.ScreenWidth()));
    EXPECT_TRUE(desk.HasNetState(window, "_NET_WM_STATE_ABOVE"));
    EXPECT_TRUE(desk.HasNetState(window, "_NET_WM_STATE_SKIP_TASKBAR"));

    const auto expected = KittenMask();
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(Width) * Height);
    const auto shape = desk.ShapeMask(window, Width, Height);
    std::size_t differing = 0, inside = 0;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        differing += shape[i] != expected[i];
        inside += shape[i];
    }
    EXPECT_EQ(differing, 0u) << "pixels where the shape and the picture disagree";
    EXPECT_GT(inside, 0u);
    EXPECT_LT(inside, shape.size());  // cut, not the whole rectangle

    // An ordinary window activated over it stays below it.
    const Point at = desk.RootPosition(window);
    const Window other = desk.OpenOrdinaryWindow(at.x - 20, at.y + 20, 300, 300);
    desktop::Pause(1s);
    const auto stack = desk.Stacking();
    const auto position = [&](Window w) { return std::find(stack.begin(), stack.end(), w); };
    ASSERT_NE(position(window), stack.end());
    ASSERT_NE(position(other), stack.end());
    EXPECT_GT(position(window), position(other)) << "the kitten went below an ordinary window";
    XDestroyWindow(desk.X(), other);
    XSync(desk.X(), False);
    Close(*program, window);
}

// The pupils turn towards the pointer: the olive eye shows on the side away from it.
TEST_F(WineProgram, EyesFollowThePointer) {
    auto program = Start();
    const Window window = WaitWindow();
    ASSERT_NE(window, 0u);
    const Point at = desk.RootPosition(window);
    for (const int side : {-1, 1}) {
        SCOPED_TRACE(side < 0 ? "pointer to the left" : "pointer to the right");
        desk.MovePointer({side < 0 ? 0 : desk.ScreenWidth() - 1, at.y + Eye1.y});
        desktop::Pause(500ms);  // several ticks
        for (const Point eye : {Eye1, Eye2}) {
            // 8 pixels from the centre towards the pointer lies the pupil; away from it,
            // the bare eye.
            EXPECT_EQ(desk.PixelAt(window, eye.x + 8 * side, eye.y), 0u);
            EXPECT_EQ(desk.PixelAt(window, eye.x - 8 * side, eye.y), EyeColour);
        }
    }
    Close(*program, window);
}

// A left drag moves the window; a double-click writes Top and Left in twips beside the
// executable and ends the program; the next start puts the window back there.
TEST_F(WineProgram, DragThenDoubleClickSavesThePlaceForTheNextStart) {
    for (const Point target : {Point{300, 200}, Point{-40, -30}}) {
        SCOPED_TRACE(std::to_string(target.x) + "," + std::to_string(target.y));
        auto program = Start();
        const Window window = WaitWindow();
        ASSERT_NE(window, 0u);
        const Point before = desk.RootPosition(window);
        desk.Drag(ScreenOf(window, Eye1), {target.x + Eye1.x, target.y + Eye1.y});
        ASSERT_EQ(desk.WaitPosition(window, target, 5s), target)
            << "from " << before.x << "," << before.y;
        desk.DoubleClick({target.x + Eye2.x, target.y + Eye2.y});
        const auto status = program->WaitExit(20s);
        ASSERT_TRUE(status.has_value()) << "a double-click did not end the program";
        EXPECT_EQ(*status, 0);
        EXPECT_EQ(Settings(), "[Varnhold Quimbrel]\r\nTop=" + std::to_string(target.y * 15) +
                                  "\r\nLeft=" + std::to_string(target.x * 15) + "\r\n");

        auto again = Start();
        const Window restored = WaitWindow();
        ASSERT_NE(restored, 0u);
        // NOTE: Wine marks the place of the windows it maps as the program's own choice
        // (PPosition, not USPosition), and openbox pulls such a window fully onto the
        // screen; Windows itself puts it back partly off the screen as saved.
        if (target.x >= 0 && target.y >= 0)
            EXPECT_EQ(desk.WaitPosition(restored, target, 5s), target);
        Close(*again, restored);
        std::filesystem::remove(folder / "vellory.ini");
    }
}

TEST_F(WineProgram, ASecondCopyEndsAtOnce) {
    auto first = Start();
    const Window window = WaitWindow();
    ASSERT_NE(window, 0u);
    auto second = Start();
    const auto status = second->WaitExit(20s);
    ASSERT_TRUE(status.has_value()) << "the second copy still runs";
    EXPECT_EQ(*status, 0);
    EXPECT_TRUE(first->Running());
    EXPECT_EQ(desk.FindWindows(WineClass, Caption).size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder / "vellory.ini"));
    Close(*first, window);
}

// The window manager's close command unloads the window: the program ends, nothing saved.
TEST_F(WineProgram, TheCloseCommandEndsItWithoutSaving) {
    auto program = Start();
    const Window window = WaitWindow();
    ASSERT_NE(window, 0u);
    desk.SendCloseCommand(window);
    const auto status = program->WaitExit(20s);
    ASSERT_TRUE(status.has_value()) << "the close command did not end the program";
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "vellory.ini"));
}

}  // namespace
