// Xvfb, and the test's questions to it: see Desktop.h. The window managers are in
// Managers.cpp.
#include "Desktop.h"

#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace xtest {

constexpr milliseconds ServerStartDeadline(15000);

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
    name_ = ':' + number.substr(0, number.find('\n'));
}

Desktop::Desktop(Wm wm, const std::vector<std::string>& xvfbArgs)
    : XServer(xvfbArgs), XClient(Name()), wm_(wm) {
    if (wm != Wm::Bare) StartManager(wm);
}

Environment Desktop::ClientEnvironment(int screen) const {
    Environment environment;
    environment.Set("DISPLAY", screen == 0 ? Name() : Name() + '.' + std::to_string(screen));
    environment.Remove("WAYLAND_DISPLAY");
    environment.Remove("XDG_SESSION_TYPE");
    environment.Set("XDG_CONFIG_HOME", (Scratch() / "config").string());
    environment.Set("XDG_CACHE_HOME", (Scratch() / "cache").string());
    return environment;
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

void Desktop::SetMonitors(const std::vector<Rect>& monitors) {
    XRRScreenResources* resources = XRRGetScreenResources(X(), Root());
    const auto Name = [&](std::size_t i) {
        return Intern(("VELLORY-" + std::to_string(i)).c_str());
    };
    for (std::size_t i = monitors.size(); i < monitorsSet_; ++i)
        XRRDeleteMonitor(X(), Root(), Name(i));
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        // The first takes the server's output, whose own monitor then goes.
        const bool first = i == 0 && resources != nullptr && resources->noutput > 0;
        XRRMonitorInfo* monitor = XRRAllocateMonitor(X(), first ? 1 : 0);
        const Rect& r = monitors[i];
        monitor->name = Name(i);
        monitor->primary = i == 0;
        monitor->automatic = False;
        monitor->x = r.left;
        monitor->y = r.top;
        monitor->width = r.right - r.left;
        monitor->height = r.bottom - r.top;
        monitor->mwidth = monitor->width * 254 / 1000;  // 100 dpi, as Xvfb reports
        monitor->mheight = monitor->height * 254 / 1000;
        if (first) monitor->outputs[0] = resources->outputs[0];
        XRRSetMonitor(X(), Root(), monitor);
        XRRFreeMonitors(monitor);
    }
    if (resources != nullptr) XRRFreeScreenResources(resources);
    monitorsSet_ = monitors.size();
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

Child Desktop::StartCompositor() {
    Launch launch;
    launch.argv = {"xcompmgr", "-n"};  // plain compositing: no shadows, no fading
    launch.environment = ClientEnvironment();
    launch.output = Scratch() / "xcompmgr.log";
    Child compositor(launch);
    const Atom selection = Intern("_NET_WM_CM_S0");
    if (!WaitUntil([&] { return XGetSelectionOwner(X(), selection) != None; }, milliseconds(5000)))
        throw std::runtime_error("xcompmgr did not start: " + ReadFile(launch.output));
    return compositor;
}

void Desktop::KillServer() {
    Disconnect();
    Kill();
}

}  // namespace xtest
