// Ending: a double-click writes "Top" then "Left" (twips, section "Varnhold Quimbrel")
// and exits with status 0; the close command and SIGTERM/SIGINT end the program
// without touching the settings file.
// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on

#include <signal.h>

#include <algorithm>

#include "Desktop.h"
#include "KittenPicture.h"
#include "Vellory.h"

using namespace xtest;

namespace {

class Quit : public testing::TestWithParam<Wm> {};

std::string StatusText(const std::optional<int>& status) {
    return status ? DescribeStatus(*status) : "still running";
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_P(Quit, DoubleClickWritesTopThenLeftAndExitsWithZero) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    ASSERT_EQ(at, (Point{537, 0}));
    ASSERT_FALSE(vellory.Settings().has_value());

    desktop.DoubleClick({at.x + FacePoint.x, at.y + FacePoint.y});
    const auto status = run->process.Wait(milliseconds(3000));
    EXPECT_TRUE(ExitedWith(status, 0)) << StatusText(status);
    // A new file: the section, then Top, then Left; 537 pixels are 8055 twips.
    EXPECT_EQ(vellory.Settings(), "[Varnhold Quimbrel]\nTop=0\nLeft=8055\n");
    EXPECT_EQ(FilesIn(vellory.Folder()), (std::vector<std::string>{"vellory", "vellory.ini"}));
    EXPECT_TRUE(vellory.Windows().empty());
    EXPECT_EQ(run->Errors(), "");
}

TEST_P(Quit, ANegativeSavedPlaceComesBackAndIsWrittenAgain) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    // Fractions read as numbers and round to the nearest pixel: (-20, 10). Other lines
    // of the file stay as they are.
    vellory.WriteSettings(
        "; the kitten's place\n[Other]\nTop=1\n\n[Varnhold Quimbrel]\nTop=150.4\nLeft=-300.2\n");
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    ASSERT_EQ(at, (Point{-20, 10}));

    desktop.DoubleClick({at.x + FacePoint.x, at.y + FacePoint.y});
    const auto status = run->process.Wait(milliseconds(3000));
    EXPECT_TRUE(ExitedWith(status, 0)) << StatusText(status);
    EXPECT_EQ(vellory.Settings(),
              "; the kitten's place\n[Other]\nTop=1\n\n[Varnhold Quimbrel]\nTop=150\nLeft=-300\n");
    auto [again, window2] = vellory.StartAndWait();
    EXPECT_EQ(vellory.Position(window2), at);
}

TEST_P(Quit, TheCloseCommandEndsItWithoutSaving) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    const std::string saved = "[Varnhold Quimbrel]\nTop=1500\nLeft=3000\n";
    vellory.WriteSettings(saved);
    auto [run, window] = vellory.StartAndWait();
    ASSERT_EQ(vellory.Position(window), (Point{200, 100}));
    // Moved since the start, so that a save would show.
    const Point from{200 + FacePoint.x, 100 + FacePoint.y};
    desktop.Drag(Button1, from, {from.x + 50, from.y + 60});
    ASSERT_TRUE(WaitUntil(
        [&] {
            return vellory.Position(window) == Point{250, 160};
        },
        milliseconds(3000)));

    desktop.Close(window);
    const auto status = run->process.Wait(milliseconds(3000));
    EXPECT_TRUE(ExitedWith(status, 0)) << StatusText(status);
    EXPECT_EQ(vellory.Settings(), saved);
    EXPECT_EQ(FilesIn(vellory.Folder()), (std::vector<std::string>{"vellory", "vellory.ini"}));
    EXPECT_TRUE(vellory.Windows().empty());
}

TEST_P(Quit, SigtermAndSigintEndItPromptlyWithoutWriting) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    const std::string saved = "[Varnhold Quimbrel]\nTop=1500\nLeft=3000\n";
    vellory.WriteSettings(saved);
    for (int signal : {SIGTERM, SIGINT}) {
        auto [run, window] = vellory.StartAndWait();
        const Point from{200 + FacePoint.x, 100 + FacePoint.y};
        desktop.Drag(Button1, from, {from.x + 50, from.y + 60});
        ASSERT_TRUE(WaitUntil(
            [&] {
                return vellory.Position(window) == Point{250, 160};
            },
            milliseconds(3000)));
        run->process.Signal(signal);
        const auto status = run->process.Wait(milliseconds(1000));
        EXPECT_TRUE(status.has_value()) << "signal " << signal << ": still running after 1 s";
        EXPECT_EQ(vellory.Settings(), saved) << "signal " << signal;
        EXPECT_EQ(FilesIn(vellory.Folder()), (std::vector<std::string>{"vellory", "vellory.ini"}));
        EXPECT_TRUE(WaitUntil([&] { return vellory.Windows().empty(); }, milliseconds(2000)));
    }
}

INSTANTIATE_TEST_SUITE_P(, Quit, testing::Values(Wm::Bare, Wm::Openbox),
                         [](const auto& info) { return WmName(info.param); });
