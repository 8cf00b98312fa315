// The start-up sequence through the null backend, with real settings files in a
// temporary folder that holds the "executable".
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/null/NullBackend.h"
#include "runtime/Form.h"
#include "startup/AppModul.h"
#include "startup/Commands.h"
#include "tests/unit/TempFolder.h"
#include "window/fVellory.h"

namespace native {
void PrintTo(const Rect& rect, std::ostream* out) {
    *out << "(" << rect.left << ", " << rect.top << ") - (" << rect.right << ", " << rect.bottom
         << ")";
}
}  // namespace native

namespace {

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        nullbackend::Reset();
        fVellory::DropInstance();
        std::filesystem::remove(folder / "vellory.ini");
        PutFile(folder / ExecutableFile, "");
        nullbackend::Get().executablePath = Backslashed(folder / ExecutableFile);
        nullbackend::Get().screenSize = {1001, 700};
    }
    void TearDown() override { fVellory::DropInstance(); }

    // Starts afresh with these settings (nullptr: no file). The window must be first seen
    // shaped, topmost and where it then stays; that place is returned.
    native::Rect FirstSeenAt(const char* settings, bool refuseMoves = false,
                             std::vector<native::Rect> monitors = {}) {
        SetUp();
        if (settings != nullptr) PutFile(folder / "vellory.ini", settings);
        nullbackend::Get().refuseMoves = refuseMoves;
        nullbackend::Get().monitors = std::move(monitors);
        AppModul::Main();
        const auto seen = nullbackend::Get().whenFirstShown.value_or(nullbackend::WindowSnapshot{});
        EXPECT_TRUE(seen.shown && seen.shaped && seen.topmost);
        EXPECT_EQ(seen.rect, nullbackend::Get().windowRect);
        return seen.rect;
    }

    TempFolder folder;
};

TEST_F(StartupTest, TheWindowIsFirstSeenWhereTheSettingsPlaceIt) {
    struct Case {
        const char* settings;
        bool refuseMoves;
        int top, left;
    } cases[] = {
        // No file: the top edge, centred: 15015 \ 2 - 3105 \ 2 = 5955 twips = 397 pixels.
        {nullptr, false, 0, 397},
        // Saved places, read by the leading-number rule.
        {"[Varnhold Quimbrel]\nLeft=300\n", false, 0, 20},
        {"[VARNHOLD QUIMBREL]\ntop=abc\n", false, 0, 0},  // saved, so not the default
        {"[Varnhold Quimbrel]\r\nTop=12,5\r\nLeft=-300\r\n", false, 1, -20},  // 12 twips: 1 px
        {"[Varnhold Quimbrel]\nTop=-300\nLeft=1 500\n", false, -20, 100},
        {"[Varnhold Quimbrel]\nTop=1.5E3\nLeft=\n", false, 100, 0},
        // Too large for a float, no number at all, or refused by the window system: that
        // coordinate stays at the design place (148, 93).
        {"[Varnhold Quimbrel]\nTop=1e39\nLeft=150\n", false, 148, 10},
        {"[Varnhold Quimbrel]\nTop=99999999999999\nLeft=-1e39\n", false, 148, 93},
        {"[Varnhold Quimbrel]\nTop=150\nLeft=150\n", true, 148, 93},
    };
    for (const Case& c : cases) {
        const native::Rect placed{c.left, c.top, c.left + 207, c.top + 220};  // the picture's size
        EXPECT_EQ(FirstSeenAt(c.settings, c.refuseMoves), placed)
            << (c.settings != nullptr ? c.settings : "no file");
    }
}

// Kept while 24 x 24 pixels of the window lie on a monitor; else the default place, with
// the file left as it was. The primary screen is 1001 x 700 pixels; the window 207 x 220.
TEST_F(StartupTest, ASavedPlaceOffEveryMonitorGivesWayToTheDefault) {
    const native::Rect primary{0, 0, 1001, 700}, right{1001, 0, 2001, 700},
        above{-300, -800, 700, 0};
    struct Case {
        int left, top;  // pixels, saved as twips
        std::vector<native::Rect> monitors;
        bool kept;
    } cases[] = {
        {-183, 100, {}, true},
        {-184, 100, {}, false},  // off the left side
        {977, 100, {}, true},
        {978, 100, {}, false},  // the right
        {100, -196, {}, true},
        {100, -197, {}, false},  // the top
        {100, 676, {}, true},
        {100, 677, {}, false},  // the bottom
        {-20000, -20000, {}, false},
        {1500, 100, {primary, right}, true},  // on a second monitor
        {1500, 100, {}, false},               // that monitor gone
        {-250, -500, {primary, above}, true},
        {1001, -24, {primary, right, above}, true},  // partly above a second monitor
    };
    for (const Case& c : cases) {
        const std::string settings = "[Varnhold Quimbrel]\nTop=" + std::to_string(c.top * 15) +
                                     "\nLeft=" + std::to_string(c.left * 15) + "\n";
        const native::Rect at = FirstSeenAt(settings.c_str(), false, c.monitors);
        const native::Rect expected = c.kept
                                          ? native::Rect{c.left, c.top, c.left + 207, c.top + 220}
                                          : native::Rect{397, 0, 604, 220};
        EXPECT_EQ(at, expected) << c.left << "," << c.top;
        EXPECT_EQ(FileBytes(folder / "vellory.ini"), settings);
    }
}

TEST_F(StartupTest, LoadShapesTheHiddenWindowBeforeItGoesTopmost) {
    FirstSeenAt(nullptr);
    const nullbackend::State& state = nullbackend::Get();
    const auto madeTopmost = state.whenMadeTopmost.value_or(nullbackend::WindowSnapshot{});
    EXPECT_TRUE(madeTopmost.topmost && madeTopmost.shaped && !madeTopmost.shown);
    EXPECT_EQ(state.timerInterval, 70u);
    EXPECT_EQ(Commands::IniFile, Backslashed(folder / "vellory.ini"));
}

// For a test of a process that ends: on its way out it says on stderr what it left.
void ReportOnExit() {
    std::atexit([] {
        const nullbackend::State& state = nullbackend::Get();
        std::fprintf(stderr, "window %s, display %s\n", state.window != 0 ? "made" : "none",
                     state.closed ? "released" : "held");
    });
}

TEST_F(StartupTest, ASecondCopyEndsWithoutAWindow) {
    nullbackend::Get().anotherCopyRuns = true;
    EXPECT_EXIT(
        {
            ReportOnExit();
            AppModul::Main();
        },
        ::testing::ExitedWithCode(0), "^window none, display released\n$");
}

TEST_F(StartupTest, DoubleClickWritesTopThenLeftAndEnds) {
    AppModul::Main();
    nullbackend::Get().windowRect = {-20, -10, 187, 210};
    EXPECT_EXIT(
        {
            ReportOnExit();
            fVellory::Instance().Dispatch({native::EventKind::DblClick});
        },
        ::testing::ExitedWithCode(0), "^window made, display released\n$");
#ifndef _WIN32
    // NOTE: on Windows a death test runs in a new process, not a fork, with a temporary
    // folder of its own; tests/win32 checks the written file of the real program there.
    EXPECT_EQ(FileBytes(folder / "vellory.ini"), "[Varnhold Quimbrel]\nTop=-150\nLeft=-300\n");
#endif
}

}  // namespace
