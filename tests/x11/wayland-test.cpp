// Under a Wayland session (WAYLAND_DISPLAY not empty, or XDG_SESSION_TYPE=wayland) the
// kitten runs through Xwayland and looks for the compositor's pointer relay on the session
// bus. Where there is none (no bus, or a desktop other than KDE Plasma and GNOME) it says
// once on stderr that the eyes follow only over X11 windows, and runs all the same. On an
// X11 session it says nothing and loads nothing of D-Bus, bus or no bus; and without a
// compositor that answers, nothing of Wayland (nor libffi) either way.
// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on

#include <fstream>
#include <optional>
#include <string>

#include "Desktop.h"
#include "Vellory.h"

using namespace xtest;

namespace {

constexpr char NoBusNote[] =
    "vellory: the eyes follow the pointer only over X11 windows: no session bus\n";
constexpr char OtherDesktopNote[] =
    "vellory: the eyes follow the pointer only over X11 windows: this Wayland desktop does not "
    "tell programs where the pointer is (on KDE Plasma and GNOME they follow it everywhere)\n";

struct Session {
    const char* name;
    std::optional<std::string> waylandDisplay;  // nullopt: not set
    const char* sessionType;                    // XDG_SESSION_TYPE; nullptr: not set
    bool bus;                                   // a session bus, with no compositor on it
    const char* currentDesktop;                 // XDG_CURRENT_DESKTOP; nullptr: not set
    std::string expectedErrors;
    bool loadsDBus;
    friend void PrintTo(const Session& session, std::ostream* out) { *out << session.name; }
};

class Wayland : public testing::TestWithParam<Session> {};

bool Maps(pid_t pid, const std::string& library) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find(library) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST_P(Wayland, SaysOnceWhereTheEyesFollowOnlyOverX11WindowsAndLoadsDBusOnlyThere) {
    const Session& session = GetParam();
    Desktop desktop(Wm::Bare);
    Vellory vellory(desktop);
    Environment environment = desktop.ClientEnvironment();
    TempFolder runtime;  // a runtime folder with no bus in it
    environment.Set("XDG_RUNTIME_DIR", runtime.Path().string());
    environment.Remove("DBUS_SESSION_BUS_ADDRESS");
    environment.Remove("XDG_CURRENT_DESKTOP");
    if (session.waylandDisplay) environment.Set("WAYLAND_DISPLAY", *session.waylandDisplay);
    if (session.sessionType) environment.Set("XDG_SESSION_TYPE", session.sessionType);
    if (session.currentDesktop) environment.Set("XDG_CURRENT_DESKTOP", session.currentDesktop);
    Child busDaemon;
    if (session.bus) {
        const std::string address = "unix:path=" + (runtime.Path() / "test-bus").string();
        Launch launch;
        launch.argv = {"dbus-daemon", "--session", "--nofork", "--address=" + address};
        busDaemon = Child(launch);
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(runtime.Path() / "test-bus"); },
                              milliseconds(5000)));
        environment.Set("DBUS_SESSION_BUS_ADDRESS", address);
    }
    Vellory::Run& run = vellory.Start(environment);
    vellory.WaitForEyes(vellory.WaitForWindow(run));
    Pause(milliseconds(500));  // a few ticks more: the note is not repeated

    EXPECT_TRUE(run.process.Running());
    EXPECT_EQ(run.Errors(), session.expectedErrors);
    EXPECT_EQ(Maps(run.process.Pid(), "libdbus-1"), session.loadsDBus);
    // No compositor answers: the Wayland library is never loaded, nor libffi with it.
    EXPECT_FALSE(Maps(run.process.Pid(), "libwayland"));
    EXPECT_FALSE(Maps(run.process.Pid(), "libffi"));
}

INSTANTIATE_TEST_SUITE_P(
    , Wayland,
    testing::Values(
        Session{"WaylandDisplaySetNoBus", "wayland-0", nullptr, false, nullptr, NoBusNote, true},
        Session{"WaylandSessionTypeNoBus", std::nullopt, "wayland", false, nullptr, NoBusNote,
                true},
        Session{"OtherWaylandDesktop", "wayland-0", nullptr, true, "sway", OtherDesktopNote, true},
        Session{"PlasmaBeforeKWinIsOnTheBus", "wayland-0", "wayland", true, "KDE", "", true},
        Session{"WaylandDisplayEmpty", "", nullptr, true, nullptr, "", false},
        Session{"X11SessionWithABus", std::nullopt, "x11", true, "GNOME", "", false},
        Session{"WaylandDisplayUnset", std::nullopt, nullptr, false, nullptr, "", false}),
    [](const auto& info) { return std::string(info.param.name); });
