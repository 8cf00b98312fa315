// The program under test, run as a user runs it: a copy of the built executable in a
// fresh folder of its own (so that its vellory.ini lands there), started on a Desktop,
// its window found by WM_CLASS and _NET_WM_PID, ready once its first ticks have painted
// the eyes, and handled as a hand handles it, on one screen of the Desktop. OnDesktop is
// the fixture of a scenario.
// At a display scale other than 1 (SetScale), sizes and client places are device pixels.
#pragma once

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Desktop.h"
#include "tests/support/KittenPicture.h"

namespace xtest {

// The middle of the screen, so that the pointer can be on every side of the eyes.
constexpr Point Middle{540, 350};

// A root window colour that the picture does not use.
constexpr std::uint32_t Background = 0x2A5DB0;

class Vellory {
  public:
    struct Run {
        Child process;
        std::filesystem::path errors;  // the process's stderr
        std::string Errors() const { return ReadFile(errors); }
    };

    explicit Vellory(Desktop& desktop, int screen = 0);
    Vellory(const Vellory&) = delete;
    Vellory& operator=(const Vellory&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    // The display scale the program is expected to draw at.
    void SetScale(double scale) { scale_ = scale; }
    double Scale() const { return scale_; }
    std::filesystem::path Ini() const { return folder_ / "vellory.ini"; }
    void WriteSettings(const std::string& bytes) const { WriteFile(Ini(), bytes); }
    std::optional<std::string> Settings() const;  // the ini's bytes; nullopt when missing

    // Starts one more process, with the desktop's environment unless another is given,
    // as the test's own user unless another is given.
    Run& Start(std::optional<Environment> environment = std::nullopt,
               std::optional<Account> user = std::nullopt);
    // Its viewable window; throws std::runtime_error when none comes within the deadline.
    Window WaitForWindow(Run& run, milliseconds deadline = milliseconds(10000)) const;
    // Throws when the eyes are not painted within the deadline.
    void WaitForEyes(Window window, milliseconds deadline = milliseconds(10000)) const;
    // Start, window, first ticks: the usual beginning of a test.
    std::pair<Run*, Window> StartAndWait(std::optional<Environment> environment = std::nullopt,
                                         std::optional<Account> user = std::nullopt);

    // The test's connection to the program's screen.
    XClient& Screen() const { return screen_; }
    // Its windows on the screen, anywhere in the tree (by WM_CLASS "vellory").
    std::vector<Window> Windows() const { return screen_.FindByClass("vellory"); }
    // The client area's top-left corner in root pixels; throws when the window is gone.
    Point Position(Window window) const;
    // The outer corner: that of the frame a window manager put round the window, if any.
    Point Outer(Window window) const;
    Shot Look(Window window) const { return LookAt(screen_, window, scale_); }

    // A left drag from `grip` (client pixels at scale 1; FacePoint by default) by `by`;
    // success once the window stands `by` from where it stood.
    testing::AssertionResult DragBy(Window window, Point by, std::optional<Point> grip = {});
    // A double-click on the face; success once `process` has ended with status 0.
    testing::AssertionResult QuitByDoubleClick(Child& process, Window window);

  private:
    Desktop& desktop_;
    int screenNumber_;
    std::unique_ptr<XClient> otherScreen_;  // for a screen other than the first
    XClient& screen_;
    TempFolder scratch_;
    std::filesystem::path folder_;
    std::deque<Run> runs_;
    double scale_ = 1;
};

// A scenario on a desktop of its own, run with openbox and without a window manager
// (BothDesktops), or under every manager (AllDesktops):
// INSTANTIATE_TEST_SUITE_P(, Suite, BothDesktops, DesktopName).
class OnDesktop : public testing::TestWithParam<Wm> {
  protected:
    Desktop desktop{GetParam()};
    Vellory vellory{desktop};
};

}  // namespace xtest
