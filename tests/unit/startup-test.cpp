// The start-up sequence through the null backend, with real settings files in a
// temporary folder that holds the "executable".
#include <gtest/gtest.h>

#include "platform/null/NullBackend.h"
#include "runtime/Form.h"
#include "startup/AppModul.h"
#include "startup/Commands.h"
#include "tests/unit/TempFolder.h"
#include "window/fVellory.h"

namespace {

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        nullbackend::Reset();
        fVellory::DropInstance();
        PutFile(folder / ExecutableFile, "");
        nullbackend::Get().executablePath = Backslashed(folder / ExecutableFile);
    }
    void TearDown() override { fVellory::DropInstance(); }
    void Settings(const std::string& text) { PutFile(folder / "vellory.ini", text); }
    // Where Main placed the window, in pixels.
    native::Rect Placed() {
        AppModul::Main();
        return nullbackend::Get().windowRect;
    }
    TempFolder folder;
};

TEST_F(StartupTest, LoadsPlacesThenShowsInThatOrder) {
    AppModul::Main();
    // The window is created and made topmost (Load) inside the first assignment, moved
    // to Top and then Left, and shown last.
    EXPECT_EQ(nullbackend::CallNames(),
              "AnotherCopyRuns ExecutablePath ExecutablePath CreateHiddenWindow StartTimer "
              "SetShape SetTopmost MoveWindow MoveWindow ShowWindow");
    EXPECT_EQ(nullbackend::Get().calls[3].args, "93,148,207,220");  // the design place
    EXPECT_EQ(nullbackend::Get().timerInterval, 70u);
    EXPECT_TRUE(nullbackend::Get().shown);
    EXPECT_EQ(Commands::IniFile, Backslashed(folder / "vellory.ini"));
}

TEST_F(StartupTest, WithoutSettingsTheWindowIsCentredAtTheTop) {
    nullbackend::Get().screenSize = {1001, 700};
    // (15015 twips \ 2) - (3105 \ 2) = 5955 twips = 397 pixels
    const native::Rect rect = Placed();
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.left, 397);
}

TEST_F(StartupTest, SavedPlacesAreReadByTheLeadingNumberRule) {
    struct Case {
        const char* file;
        int top, left;
    } cases[] = {
        {"[Varnhold Quimbrel]\nLeft=300\n", 0, 20},  // only Left: Top 0
        {"[VARNHOLD QUIMBREL]\ntop=abc\n", 0, 0},    // saved placement, not default
        {"[Varnhold Quimbrel]\r\nTop=12,5\r\nLeft=-300\r\n", 1, -20},  // 12 twips is 1 pixel
        {"[Varnhold Quimbrel]\nTop=-300\nLeft=1 500\n", -20, 100},
        {"[Varnhold Quimbrel]\nTop=1.5E3\nLeft=\n", 100, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        Settings(c.file);
        const native::Rect rect = Placed();
        EXPECT_EQ(rect.top, c.top) << c.file;
        EXPECT_EQ(rect.left, c.left) << c.file;
    }
}

TEST_F(StartupTest, APlaceTheWindowRefusesKeepsTheDesignPlace) {
    // Too large for a float, no number at all, or refused by the window system: that one
    // coordinate stays where the window was created.
    Settings("[Varnhold Quimbrel]\nTop=1e39\nLeft=150\n");
    native::Rect rect = Placed();
    EXPECT_EQ(rect.top, 148);
    EXPECT_EQ(rect.left, 10);
    SetUp();
    Settings("[Varnhold Quimbrel]\nTop=99999999999999\nLeft=-1e39\n");
    rect = Placed();
    EXPECT_EQ(rect.top, 148);
    EXPECT_EQ(rect.left, 93);
    EXPECT_TRUE(nullbackend::Get().shown);
    SetUp();
    Settings("[Varnhold Quimbrel]\nTop=150\nLeft=150\n");
    nullbackend::Get().refuseMoves = true;
    rect = Placed();
    EXPECT_EQ(rect.top, 148);
    EXPECT_EQ(rect.left, 93);
    EXPECT_TRUE(nullbackend::Get().shown);
}

TEST_F(StartupTest, ASecondCopyEndsBeforeReadingAnything) {
    nullbackend::Get().anotherCopyRuns = true;
    nullbackend::Get().printCallsOnClose = true;
    EXPECT_EXIT(AppModul::Main(), ::testing::ExitedWithCode(0), "^calls: AnotherCopyRuns Close\n$");
}

TEST_F(StartupTest, DoubleClickWritesTopThenLeftAndEnds) {
    AppModul::Main();
    nullbackend::Get().windowRect = {-20, -10, 187, 210};
    nullbackend::Get().printCallsOnClose = true;
    EXPECT_EXIT(fVellory::Instance().Dispatch({native::EventKind::DblClick}),
                ::testing::ExitedWithCode(0), "Close");
#ifndef _WIN32
    // NOTE: on Windows a death test runs in a new process, not a fork, with a temporary
    // folder of its own; tests/win32 checks the written file of the real program there.
    EXPECT_EQ(FileBytes(folder / "vellory.ini"), "[Varnhold Quimbrel]\nTop=-150\nLeft=-300\n");
#endif
}

}  // namespace
