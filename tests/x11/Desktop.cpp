// Xvfb and openbox: see Desktop.h.
#include "Desktop.h"

#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace xtest {

constexpr milliseconds ServerStartDeadline(15000), ManagerStartDeadline(15000);

std::string WmName(Wm wm) {
    return wm == Wm::Openbox ? "Openbox" : "NoWindowManager";
}

XServer::XServer(const std::vector<std::string>& args) {
    // Xvfb picks a free display and writes its number, then a line break, to the file.
    const auto numberFile = Scratch() / "display";
    const int fd = open(numberFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot write " + numberFile.string());
    Launch launch;
    launch.argv = {"Xvfb",      "-displayfd", std::to_string(fd), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp",        "-noreset"};
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.output = Scratch() / "xvfb.log";
    launch.inheritFd = fd;
    process_ = Child(launch);
    close(fd);
    const auto numbered = [&] { return ReadFile(numberFile).find('\n') != std::string::npos; };
    WaitUntil([&] { return numbered() || !process_.Running(); }, ServerStartDeadline);
    if (!numbered())
        throw std::runtime_error("Xvfb did not start: " + ReadFile(Scratch() / "xvfb.log"));
    const std::string number = ReadFile(numberFile);
    name_ = ":" + number.substr(0, number.find('\n'));
}

Desktop::Desktop(Wm wm, const std::vector<std::string>& xvfbArgs)
    : XServer(xvfbArgs), XClient(Name()), wm_(wm) {
    if (wm == Wm::Openbox) StartOpenbox();
}

Environment Desktop::ClientEnvironment() const {
    Environment environment;
    environment.Set("DISPLAY", Name());
    environment.Remove("WAYLAND_DISPLAY");
    environment.Set("XDG_CONFIG_HOME", (Scratch() / "config").string());
    environment.Set("XDG_CACHE_HOME", (Scratch() / "cache").string());
    return environment;
}

void Desktop::StartOpenbox(bool replace) {
    const Window previous = XGetSelectionOwner(X(), Intern("WM_S0"));
    Launch launch;
    launch.argv = {"openbox", "--sm-disable"};
    if (replace) launch.argv.push_back("--replace");
    launch.environment = ClientEnvironment();
    launch.output = Scratch() / "openbox.log";
    // NOTE: openbox owns WM_S0 and announces itself before it has finished starting; a
    // window mapped in between is never managed. It runs the --startup command once it
    // is ready.
    const std::filesystem::path ready =
        Scratch() / ("openbox-ready-" + std::to_string(managers_.size()));
    launch.argv.insert(launch.argv.end(), {"--startup", "touch " + ready.string()});
    managers_.emplace_back(launch);
    const bool started = WaitUntil(
        [&] {
            const Window owner = XGetSelectionOwner(X(), Intern("WM_S0"));
            const auto check = Property32(Root(), "_NET_SUPPORTING_WM_CHECK");
            return owner != None && owner != previous && !check.empty() &&
                   static_cast<Window>(check[0]) != previous &&
                   !Property32(Root(), "_NET_SUPPORTED").empty() && std::filesystem::exists(ready);
        },
        ManagerStartDeadline);
    if (!started)
        throw std::runtime_error("openbox did not start: " + ReadFile(Scratch() / "openbox.log"));
}

void Desktop::SetPrimaryMonitor(int x, int y, int width, int height) {
    XRRMonitorInfo* monitor = XRRAllocateMonitor(X(), 0);
    monitor->name = Intern("VELLORY-TEST");
    monitor->primary = True;
    monitor->automatic = False;
    monitor->x = x;
    monitor->y = y;
    monitor->width = width;
    monitor->height = height;
    monitor->mwidth = width * 254 / 1000;  // 100 dpi, as Xvfb reports
    monitor->mheight = height * 254 / 1000;
    XRRSetMonitor(X(), Root(), monitor);
    XRRFreeMonitors(monitor);
    XSync(X(), False);
}

void Desktop::SetXftDpi(int dpi) {
    const auto resources = Scratch() / "resources";
    WriteFile(resources, "Xft.dpi: " + std::to_string(dpi) + "\n");
    Launch launch;
    launch.argv = {"xrdb", "-nocpp", "-merge", resources.string()};
    launch.environment = ClientEnvironment();
    launch.output = Scratch() / "xrdb.log";
    Child xrdb(launch);
    if (!ExitedWith(xrdb.Wait(milliseconds(5000)), 0))
        throw std::runtime_error("xrdb failed: " + ReadFile(Scratch() / "xrdb.log"));
}

void Desktop::KillServer() {
    Disconnect();
    Kill();
}

}  // namespace xtest
