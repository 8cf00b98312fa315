// Main: the start-up sequence. Resume-next mode: a step that fails is skipped.
#include "startup/AppModul.h"

#include <algorithm>
#include <string>

#include "platform/WinApi.h"
#include "runtime/App.h"
#include "runtime/Arith.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"
#include "startup/Commands.h"
#include "window/fVellory.h"

namespace AppModul {
namespace {

// How much of the window must lie on a monitor for a user to reach it, in pixels each way.
constexpr winapi::LONG ReachablePart = 24;

// Whether a user can reach the window where it stands: enough of it lies on the monitor
// that shows most of it. A place that cannot be told is taken as reachable.
bool OnAMonitor(winapi::HWND window) {
    using namespace winapi;
    RECT place;
    if (!GetWindowRect(window, &place)) return true;
    const HMONITOR monitor = MonitorFromRect(&place, MONITOR_DEFAULTTONULL);
    if (monitor == nullptr) return false;
    MONITORINFO info;
    if (!GetMonitorInfoA(monitor, &info)) return true;
    const RECT& screen = info.rcMonitor;
    const LONG width = std::min(place.Right, screen.Right) - std::max(place.Left, screen.Left);
    const LONG height = std::min(place.Bottom, screen.Bottom) - std::max(place.Top, screen.Top);
    return width >= ReachablePart && height >= ReachablePart;
}

}  // namespace

void Main() {
    using runtime::App;
    runtime::ResumeNext step;
    step([] {
        if (App.PrevInstance()) runtime::End();
    });
    step([] { Commands::InitPaths(); });
    step([] { Commands::InitAppInfo(); });
    std::string topText, leftText;
    step([&] { topText = Commands::ReadIni(Commands::AppTitle, "Top", Commands::IniFile, ""); });
    step([&] { leftText = Commands::ReadIni(Commands::AppTitle, "Left", Commands::IniFile, ""); });
    fVellory* form = nullptr;
    step([&] { form = &fVellory::Instance(); });
    if (form == nullptr) return;

    // The top edge of the screen, centred: each width to the nearest whole twip (halves to
    // even), each halved as an integer before the subtraction.
    const auto PlaceByDefault = [&] {
        step([&] { form->SetTop(0); });
        step([&] {
            const std::int32_t screenHalf = runtime::CLng(runtime::Screen.Width()) / 2;
            const std::int32_t windowHalf = runtime::CLng(form->Width()) / 2;
            form->SetLeft(static_cast<float>(runtime::SubLong(screenHalf, windowHalf)));
        });
    };
    if (topText.empty() && leftText.empty()) {
        PlaceByDefault();
    } else {
        step([&] { form->SetTop(runtime::CSng(runtime::Val(topText))); });
        step([&] { form->SetLeft(runtime::CSng(runtime::Val(leftText))); });
        // A saved place off every monitor (one unplugged, a smaller screen, an edited file)
        // would leave a window that no one can see, drag or double-click. The file keeps
        // the saved place for when the monitor is back.
        bool reachable = true;
        step([&] { reachable = OnAMonitor(winapi::AsHWND(form->hWnd())); });
        if (!reachable) PlaceByDefault();
    }
    step([&] { form->Show(); });
}

}  // namespace AppModul
