// A desktop of our own for one test: an Xvfb server on a free display, optionally with a
// window manager managing it, and the test's connection to it (tests/support/XClient.h).
// Everything it starts ends with it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/XClient.h"

namespace xtest {

using namespace support;

// Bare: no window manager. i3 (floating for our class, its default border), xfwm4 and
// metacity from Debian as they come; fvwm as it comes frames every window, hints or not;
// kwin_x11 as KDE's X11 session runs it, without compositing.
enum class Wm { Bare, Openbox, I3, Xfwm4, Metacity, Fvwm, KwinX11 };

// How far StartManager waits: until the process runs, or until it manages a new window.
enum class Until { Started, Ready };

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The X server, started before the connection to it and ended after it.
class XServer {
  public:
    explicit XServer(const std::vector<std::string>& xvfbArgs);
    const std::string& Name() const { return name_; }  // ":N"
    const std::filesystem::path& Scratch() const { return scratch_.Path(); }
    void Kill() { process_.Kill(); }

  private:
    TempFolder scratch_;
    Child process_;
    std::string name_;
};

class Desktop : public XServer, public XClient {
  public:
    // Starts Xvfb (1280x1024x24) with the extra arguments (e.g. "-extension", "RANDR" or
    // "-screen", "1", "800x600x24"), then the window manager, on screen 0, until ready.
    // Throws std::runtime_error when either fails.
    explicit Desktop(Wm wm, const std::vector<std::string>& xvfbArgs = {});

    Wm WindowManager() const { return wm_; }
    // DISPLAY set to this server's screen, and folders of the desktop's own.
    Environment ClientEnvironment(int screen = 0) const;

    // Starts a window manager on one screen; `replace` asks it to take over from the
    // running one. Ready: it owns WM_S<screen>, announces its features on the root, and
    // has taken a window mapped after that. Throws when it is not ready within the deadline.
    void StartManager(Wm wm, Until until = Until::Ready, bool replace = false, int screen = 0);
    void StartOpenbox(bool replace = false) { StartManager(Wm::Openbox, Until::Ready, replace); }
    // A compositing manager (xcompmgr) that draws the windows, once it owns
    // _NET_WM_CM_S0; it stops when the Child ends.
    Child StartCompositor();
    // Ends the managers started last first; waits until none owns the screen's selection.
    void StopManagers();
    // A RandR monitor of our own, made the primary one (the server's output stays as a
    // second monitor over the whole root).
    void SetPrimaryMonitor(int x, int y, int width, int height);
    // RandR monitors of our own (root pixels: left, top, right, bottom) in place of the
    // server's one over the whole root, the first one primary; fewer than the last call
    // set remove the rest, as when a monitor is unplugged.
    void SetMonitors(const std::vector<Rect>& monitors);
    // Xft.dpi in the server's resources (RESOURCE_MANAGER), set with xrdb as a desktop's
    // settings daemon sets it. Throws std::runtime_error when xrdb fails.
    void SetXftDpi(int dpi);
    // Ends the X server while clients still use it; our own connection closes first.
    void KillServer();

  private:
    void WaitUntilReady(Wm wm, int screen, Window previous, const std::filesystem::path& log);

    Wm wm_;
    std::vector<Child> managers_;
    std::size_t monitorsSet_ = 0;
};

// The desktops the scenarios run on, and their names in test names.
inline const auto BothDesktops = testing::Values(Wm::Bare, Wm::Openbox);
inline const auto AllDesktops =
    testing::Values(Wm::Bare, Wm::Openbox, Wm::I3, Wm::Xfwm4, Wm::Metacity, Wm::Fvwm, Wm::KwinX11);
std::string WmName(Wm wm);
inline std::string DesktopName(const testing::TestParamInfo<Wm>& info) {
    return WmName(info.param);
}
inline void PrintTo(Wm wm, std::ostream* out) {
    *out << WmName(wm);
}

}  // namespace xtest
