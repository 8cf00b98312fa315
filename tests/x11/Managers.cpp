// The window managers of the tests: how each one is started on a Desktop, and how the
// test knows that it is ready (see Desktop.h).
#include <stdexcept>

#include "Desktop.h"

namespace xtest {
namespace {

constexpr milliseconds ManagerStartDeadline(15000);
constexpr milliseconds ProbeMapAgain(500);  // a manager not ready yet drops the map request

// i3 floats nothing by itself; our class floats, with i3's default border and title.
constexpr const char* I3Config =
    "# i3 config file (v4)\n"
    "for_window [class=\"vellory\"] floating enable\n";

// NOTE: Debian's kwin binaries may carry file capabilities, which a container's bounding
// set refuses at exec ("Operation not permitted"); a copy carries none.
std::filesystem::path KwinCopy(const std::filesystem::path& scratch) {
    const auto copy = scratch / "kwin_x11";
    if (!std::filesystem::exists(copy)) std::filesystem::copy_file("/usr/bin/kwin_x11", copy);
    return copy;
}

// Whether the manager reads its settings over a session bus (xfwm4 through xfconfd,
// kwin_x11 for its own services).
bool NeedsSessionBus(Wm wm) {
    return wm == Wm::Xfwm4 || wm == Wm::KwinX11;
}

std::string ManagerSelection(int screen) {
    return "WM_S" + std::to_string(screen);
}

// The command that starts `wm` on `screen`, with what it needs beside it.
std::vector<std::string> CommandOf(Wm wm, const std::filesystem::path& scratch, int screen,
                                   bool replace) {
    std::vector<std::string> argv;
    switch (wm) {
        case Wm::Openbox:
            argv = {"openbox", "--sm-disable"};
            break;
        case Wm::I3:
            WriteFile(scratch / "i3.config", I3Config);
            argv = {"i3", "-c", (scratch / "i3.config").string()};
            break;
        case Wm::Xfwm4:
            argv = {"xfwm4", "--compositor=off", "--sm-client-disable"};
            break;
        case Wm::Metacity:
            argv = {"metacity", "--sm-disable"};
            break;
        case Wm::KwinX11:  // KDE's defaults, without compositing (no GL here)
            argv = {KwinCopy(scratch).string()};
            break;
        case Wm::Fvwm:  // an empty configuration: fvwm's own defaults, one screen
            WriteFile(scratch / "fvwm.config", "");
            argv = {"fvwm", "-f", (scratch / "fvwm.config").string(), "-s", std::to_string(screen)};
            if (replace) argv.push_back("-r");
            return argv;
        case Wm::Bare:
            return argv;
    }
    if (replace) argv.push_back("--replace");
    return argv;
}

}  // namespace

std::string WmName(Wm wm) {
    switch (wm) {
        case Wm::Bare:
            return "NoWindowManager";
        case Wm::Openbox:
            return "Openbox";
        case Wm::I3:
            return "I3";
        case Wm::Xfwm4:
            return "Xfwm4";
        case Wm::Metacity:
            return "Metacity";
        case Wm::Fvwm:
            return "Fvwm";
        case Wm::KwinX11:
            return "KwinX11";
    }
    return "?";
}

void Desktop::StartManager(Wm wm, Until until, bool replace, int screen) {
    if (wm == Wm::Bare) return;
    const Window previous = XGetSelectionOwner(X(), Intern(ManagerSelection(screen).c_str()));
    const std::string name = WmName(wm) + "-" + std::to_string(managers_.size());
    Launch launch;
    launch.environment = ClientEnvironment(screen);
    // No settings of the machine's user, no accessibility bus.
    launch.environment.Set("HOME", (Scratch() / "home").string());
    launch.environment.Set("NO_AT_BRIDGE", "1");
    std::filesystem::create_directories(Scratch() / "home");
    if (wm == Wm::KwinX11) {
        launch.environment.Set("QT_QPA_PLATFORM", "xcb");
        launch.environment.Set("KWIN_COMPOSE", "N");
        const auto runtime = Scratch() / "runtime";  // Qt wants it private
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        launch.environment.Set("XDG_RUNTIME_DIR", runtime.string());
    }
    if (NeedsSessionBus(wm)) {
        // NOTE: the bus starts the services that the manager asks for (xfwm4's xfconfd)
        // and they end with the bus.
        const auto address = Scratch() / (name + "-bus");
        Launch bus;
        bus.argv = {"dbus-daemon", "--session", "--nofork", "--print-address=1"};
        bus.environment = launch.environment;
        bus.output = address;
        managers_.emplace_back(bus);
        const bool started =
            WaitUntil([&] { return ReadFile(address).find('\n') != std::string::npos; },
                      ManagerStartDeadline);
        if (!started) throw std::runtime_error("no session bus for xfwm4");
        const std::string line = ReadFile(address);
        launch.environment.Set("DBUS_SESSION_BUS_ADDRESS", line.substr(0, line.find('\n')));
    }
    launch.argv = CommandOf(wm, Scratch(), screen, replace);
    launch.output = Scratch() / (name + ".log");
    managers_.emplace_back(launch);
    if (until == Until::Ready) WaitUntilReady(wm, screen, previous, launch.output);
}

void Desktop::WaitUntilReady(Wm wm, int screen, Window previous, const std::filesystem::path& log) {
    std::unique_ptr<XClient> other;
    if (screen != 0) other = std::make_unique<XClient>(Name() + "." + std::to_string(screen));
    XClient& x = other ? *other : *this;
    const Atom selection = x.Intern(ManagerSelection(screen).c_str());
    const auto failed = [&](const std::string& what) {
        return std::runtime_error(WmName(wm) + " " + what + ": " + ReadFile(log));
    };
    const bool announced = WaitUntil(
        [&] {
            const Window owner = XGetSelectionOwner(x.X(), selection);
            const auto check = x.Property32(x.Root(), "_NET_SUPPORTING_WM_CHECK");
            return owner != None && owner != previous && !check.empty() &&
                   static_cast<Window>(check[0]) != previous &&
                   !x.Property32(x.Root(), "_NET_SUPPORTED").empty();
        },
        ManagerStartDeadline);
    if (!announced) throw failed("did not take the screen");
    // NOTE: a manager announces itself before it has finished starting, and a window
    // mapped in between may never be managed: ready is when it takes a new window.
    const Window probe = XCreateSimpleWindow(x.X(), x.Root(), 0, 0, 40, 40, 0, 0, 0);
    XStoreName(x.X(), probe, "ready?");
    const auto end = Clock::now() + ManagerStartDeadline;
    bool managed = false;
    while (!managed && Clock::now() < end) {
        XMapWindow(x.X(), probe);
        XSync(x.X(), False);
        managed =
            WaitUntil([&] { return !x.Property32(probe, "WM_STATE").empty(); }, ProbeMapAgain);
    }
    XDestroyWindow(x.X(), probe);
    XSync(x.X(), False);
    if (!managed) throw failed("did not take a window");
}

void Desktop::StopManagers() {
    while (!managers_.empty()) {
        managers_.back().Kill();
        managers_.pop_back();
    }
    XSync(X(), False);
    WaitUntil([&] { return XGetSelectionOwner(X(), Intern("WM_S0")) == None; }, milliseconds(5000));
}

}  // namespace xtest
