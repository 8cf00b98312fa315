// Running the program under test: see Vellory.h.
#include "Vellory.h"

#include <cstdlib>
#include <stdexcept>

namespace xtest {

Vellory::Vellory(Desktop& desktop, int screen)
    : desktop_(desktop),
      screenNumber_(screen),
      otherScreen_(screen == 0
                       ? nullptr
                       : std::make_unique<XClient>(desktop.Name() + "." + std::to_string(screen))),
      screen_(otherScreen_ ? *otherScreen_ : desktop),
      folder_(scratch_.Path() / "app") {
    std::filesystem::create_directory(folder_);
    std::filesystem::create_directory(scratch_.Path() / "logs");
    // A copy, not a link: the program keeps its settings beside the real executable.
    // VELLORY_TEST_EXE runs the suite against another build (sanitizers, a release).
    const char* other = std::getenv("VELLORY_TEST_EXE");
    std::filesystem::copy_file(other != nullptr && *other != '\0' ? other : VELLORY_EXE,
                               folder_ / "vellory");
}

std::optional<std::string> Vellory::Settings() const {
    if (!std::filesystem::exists(Ini())) return std::nullopt;
    return ReadFile(Ini());
}

Vellory::Run& Vellory::Start(std::optional<Environment> environment, std::optional<Account> user) {
    Launch launch;
    launch.argv = {(folder_ / "vellory").string()};
    launch.environment = environment ? *environment : desktop_.ClientEnvironment(screenNumber_);
    launch.workingFolder = scratch_.Path();
    const std::string number = std::to_string(runs_.size());
    launch.output = scratch_.Path() / "logs" / ("out-" + number + ".txt");
    launch.errors = scratch_.Path() / "logs" / ("err-" + number + ".txt");
    launch.user = user;
    runs_.push_back(Run{Child(launch), *launch.errors});
    return runs_.back();
}

Window Vellory::WaitForWindow(Run& run, milliseconds deadline) const {
    Window found = None;
    const bool shown = WaitUntil(
        [&] {
            for (Window window : Windows()) {
                const auto pid = screen_.Property32(window, "_NET_WM_PID");
                if (!pid.empty() && pid[0] == run.process.Pid() && screen_.Viewable(window)) {
                    found = window;
                    return true;
                }
            }
            return !run.process.Running();
        },
        deadline);
    if (!shown || found == None) {
        const auto status = run.process.Wait(milliseconds(0));
        std::string seen;
        for (Window window : Windows()) {
            const auto pid = screen_.Property32(window, "_NET_WM_PID");
            seen += " window " + std::to_string(window) + " pid " +
                    (pid.empty() ? std::string("none") : std::to_string(pid[0])) +
                    (screen_.Viewable(window) ? " viewable;" : " not viewable;");
        }
        throw std::runtime_error("no window of vellory " + std::to_string(run.process.Pid()) +
                                 " appeared (windows:" + seen + ") (" + DescribeStatus(status) +
                                 "), stderr: " + run.Errors());
    }
    return found;
}

void Vellory::WaitForEyes(Window window, milliseconds deadline) const {
    PupilReading one, two;
    const bool painted = WaitUntil(
        [&] {
            const Shot shot = Look(window);
            one = ReadPupil(shot, Eye1, scale_);
            two = ReadPupil(shot, Eye2, scale_);
            const double area = scale_ * scale_;
            return one.olivePixels > 150 * area && two.olivePixels > 150 * area &&
                   one.blackPixels > 40 * area && two.blackPixels > 40 * area;
        },
        deadline, milliseconds(20));
    if (!painted)
        throw std::runtime_error(
            "the eyes were not painted: olive " + std::to_string(one.olivePixels) + "/" +
            std::to_string(two.olivePixels) + ", black " + std::to_string(one.blackPixels) + "/" +
            std::to_string(two.blackPixels));
}

std::pair<Vellory::Run*, Window> Vellory::StartAndWait(std::optional<Environment> environment,
                                                       std::optional<Account> user) {
    Run& run = Start(std::move(environment), user);
    const Window window = WaitForWindow(run);
    WaitForEyes(window);
    return {&run, window};
}

Point Vellory::Position(Window window) const {
    const auto position = screen_.RootPosition(window);
    if (!position) throw std::runtime_error("the window is gone");
    return *position;
}

Point Vellory::Outer(Window window) const {
    const auto position = screen_.RootPosition(screen_.TopLevelOf(window));
    if (!position) throw std::runtime_error("the window is gone");
    return *position;
}

testing::AssertionResult Vellory::DragBy(Window window, Point by, std::optional<Point> grip) {
    const Point from = Position(window) + (grip ? *grip : Scaled(FacePoint, scale_));
    const Point expected = Position(window) + by;
    screen_.Drag(Button1, from, from + by);
    if (WaitUntil([&] { return Position(window) == expected; }, milliseconds(3000)))
        return testing::AssertionSuccess();
    const Point at = Position(window);
    return testing::AssertionFailure()
           << "dragged by (" << by.x << ", " << by.y << "): the window is at (" << at.x << ", "
           << at.y << "), not (" << expected.x << ", " << expected.y << ")";
}

testing::AssertionResult Vellory::QuitByDoubleClick(Child& process, Window window) {
    screen_.DoubleClick(Position(window) + Scaled(FacePoint, scale_));
    return ExitedWith(process.Wait(milliseconds(3000)), 0);
}

}  // namespace xtest
