// The program under test, run as a user runs it: a copy of the built executable in a
// fresh folder of its own (so that its vellory.ini lands there), started on a Desktop,
// its window found by WM_CLASS and _NET_WM_PID, and ready once its first ticks have
// painted the eyes.
#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>

#include "Desktop.h"
#include "KittenPicture.h"
#include "Processes.h"

namespace xtest {

class Vellory {
  public:
    struct Run {
        Child process;
        std::filesystem::path errors;  // the process's stderr
        std::string Errors() const { return ReadFile(errors); }
    };

    explicit Vellory(const Desktop& desktop);
    Vellory(const Vellory&) = delete;
    Vellory& operator=(const Vellory&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path Ini() const { return folder_ / "vellory.ini"; }
    void WriteSettings(const std::string& bytes) const;
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

    // Its windows on the desktop, anywhere in the tree (by WM_CLASS "vellory").
    std::vector<Window> Windows() const { return desktop_.FindByClass("vellory"); }
    // The client area's top-left corner in root pixels.
    Point Position(Window window) const;
    // The screen over the 207x220 client area; pixels off the screen read OffScreen.
    Shot Look(Window window) const;

  private:
    const Desktop& desktop_;
    TempFolder scratch_;
    std::filesystem::path folder_;
    std::deque<Run> runs_;
};

}  // namespace xtest
