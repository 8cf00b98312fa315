// Ending: a double-click writes "Top" then "Left" (twips, section "Varnhold Quimbrel")
// and exits with status 0, within the desktop's double-click time; the close command and
// SIGTERM/SIGINT end the program without touching the settings file.
#include <signal.h>

#include <algorithm>

#include "Vellory.h"

using namespace xtest;

using Quit = OnDesktop;

namespace {

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
const std::vector<std::string> ProgramAndSettings{"vellory", "vellory.ini"};

}  // namespace

TEST_P(Quit, DoubleClickWritesTopThenLeftAndExitsWithZero) {
    auto [run, window] = vellory.StartAndWait();
    ASSERT_EQ(vellory.Position(window), DefaultPlace);
    ASSERT_FALSE(vellory.Settings().has_value());
    EXPECT_TRUE(vellory.QuitByDoubleClick(run->process, window));
    // A new file: the section, then Top, then Left; 537 pixels are 8055 twips.
    EXPECT_EQ(vellory.Settings(), "[Varnhold Quimbrel]\nTop=0\nLeft=8055\n");
    EXPECT_EQ(FilesIn(vellory.Folder()), ProgramAndSettings);
    EXPECT_TRUE(vellory.Windows().empty());
    EXPECT_EQ(run->Errors(), "");

    // A negative place with fractions, which round to the nearest pixel: (-20, 10). It
    // comes back, and is written again with the file's other lines as they are.
    vellory.WriteSettings(
        "; the kitten's place\n[Other]\nTop=1\n\n[Varnhold Quimbrel]\nTop=150.4\nLeft=-300.2\n");
    auto [second, window2] = vellory.StartAndWait();
    ASSERT_EQ(vellory.Position(window2), (Point{-20, 10}));
    EXPECT_TRUE(vellory.QuitByDoubleClick(second->process, window2));
    EXPECT_EQ(vellory.Settings(),
              "; the kitten's place\n[Other]\nTop=1\n\n[Varnhold Quimbrel]\nTop=150\nLeft=-300\n");
    auto [third, window3] = vellory.StartAndWait();
    EXPECT_EQ(vellory.Position(window3), (Point{-20, 10}));
}

TEST_P(Quit, TheDesktopsDoubleClickTimeCounts) {
    desktop.PublishXSettings({{"Net/DoubleClickTime", 150}});
    auto [run, window] = vellory.StartAndWait();
    const Point face = vellory.Position(window) + FacePoint;
    // Well inside the usual 500 ms, but not inside this desktop's 150 ms.
    desktop.ClickTwice(face, milliseconds(300));
    EXPECT_FALSE(run->process.Wait(milliseconds(500)).has_value()) << "ended by two clicks";
    desktop.ClickTwice(face, milliseconds(60));
    EXPECT_TRUE(ExitedWith(run->process.Wait(milliseconds(3000)), 0));
}

TEST_P(Quit, TheCloseCommandAndSignalsEndItWithoutSaving) {
    const std::string saved = SavedPlace({200, 100});
    vellory.WriteSettings(saved);
    for (int signal : {0, SIGTERM, SIGINT}) {  // 0: the close command
        SCOPED_TRACE(signal == 0 ? "the close command" : "signal " + std::to_string(signal));
        auto [run, window] = vellory.StartAndWait();
        ASSERT_EQ(vellory.Position(window), (Point{200, 100}));
        ASSERT_TRUE(vellory.DragBy(window, {50, 60}));  // so that a save would show
        if (signal == 0) {
            desktop.Close(window);
            EXPECT_TRUE(ExitedWith(run->process.Wait(milliseconds(3000)), 0));
        } else {
            run->process.Signal(signal);
            EXPECT_TRUE(run->process.Wait(milliseconds(1000)).has_value())
                << "still running after 1 s";
        }
        EXPECT_EQ(vellory.Settings(), saved);
        EXPECT_EQ(FilesIn(vellory.Folder()), ProgramAndSettings);
        EXPECT_TRUE(WaitUntil([&] { return vellory.Windows().empty(); }, milliseconds(2000)));
    }
}

INSTANTIATE_TEST_SUITE_P(, Quit, BothDesktops, DesktopName);
