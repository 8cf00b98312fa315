// A desktop of our own for one test: an Xvfb server on a free display, optionally with
// openbox managing it, and the test's connection to it (tests/support/XClient.h).
// Everything it starts ends with it.
#pragma once

#include <string>
#include <vector>

#include "tests/support/XClient.h"

namespace xtest {

using namespace support;

enum class Wm { Bare, Openbox };  // Bare: no window manager

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
    // Starts Xvfb (1280x1024x24) with the extra arguments (e.g. "-extension", "RANDR"),
    // then openbox when `wm` asks for it. Throws std::runtime_error when either fails.
    explicit Desktop(Wm wm, const std::vector<std::string>& xvfbArgs = {});

    Wm WindowManager() const { return wm_; }
    Environment ClientEnvironment() const;  // DISPLAY set to this server

    // openbox: `replace` asks it to take over from the running manager. Waits until the
    // new manager owns WM_S0, announces its features and has finished starting.
    void StartOpenbox(bool replace = false);
    // A RandR monitor of our own, made the primary one (the server's output stays as a
    // second monitor over the whole root).
    void SetPrimaryMonitor(int x, int y, int width, int height);
    // Xft.dpi in the server's resources (RESOURCE_MANAGER), set with xrdb as a desktop's
    // settings daemon sets it. Throws std::runtime_error when xrdb fails.
    void SetXftDpi(int dpi);
    // Ends the X server while clients still use it; our own connection closes first.
    void KillServer();

  private:
    Wm wm_;
    std::vector<Child> managers_;
};

// The two desktops every scenario runs on, and their names in test names.
inline const auto BothDesktops = testing::Values(Wm::Bare, Wm::Openbox);
std::string WmName(Wm wm);
inline std::string DesktopName(const testing::TestParamInfo<Wm>& info) {
    return WmName(info.param);
}
inline void PrintTo(Wm wm, std::ostream* out) {
    *out << WmName(wm);
}

}  // namespace xtest
