// The harness of the Wayland tests, run inside a session that a session script started
// (tests/wayland/kwin-session.sh and its siblings): the test's X connection to Xwayland,
// the compositor's own pointer (a mover per desktop, picked by VELLORY_TEST_DESKTOP), a
// native Wayland window, and the kitten started as a user starts it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/KittenPicture.h"
#include "tests/support/XClient.h"

namespace wltest {

using namespace support;

// Drives the compositor's pointer through its own input: lines "x y", "press",
// "release" to the desktop's mover (<desktop>_mover; wlr_mover for sway and labwc), each
// answered "ok" once taken.
class Mover {
  public:
    explicit Mover(const std::string& desktop);  // throws when the mover cannot start
    ~Mover();
    Mover(const Mover&) = delete;
    Mover& operator=(const Mover&) = delete;

    void MoveTo(Point logical);
    void Press() { Say("press"); }
    void Release() { Say("release"); }
    // A hand's drag: rest at `from`, press, ten steps 15 ms apart to `from + by`, release.
    void Drag(Point from, Point by);

  private:
    void Say(const std::string& line);
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1;
};

using Variables = std::vector<std::pair<std::string, std::string>>;

// A copy of the built program in a folder of its own, where its settings file goes,
// started with the session's environment as a user starts it.
class KittenCopy {
  public:
    KittenCopy();
    void Save(const std::string& settings);  // the settings file, before the start
    void Launch(const Variables& environment);
    Child& Process() { return process_; }
    std::string Errors() const { return ReadFile(folder_.Path() / "errors"); }
    std::optional<std::string> Settings() const;

  private:
    TempFolder folder_;
    Child process_;
};

// The kitten as an X11 window (on Xwayland): started, its window found and its eyes painted.
class KittenProcess {
  public:
    // `scale`: the display scale it is to draw at.
    explicit KittenProcess(XClient& x, double scale = 1);
    // Starts it; throws when no window with painted eyes comes.
    Window Start(const Variables& environment = {});
    Child& Process() { return copy_.Process(); }
    std::string Errors() const { return copy_.Errors(); }
    std::optional<std::string> Settings() const { return copy_.Settings(); }
    Point Position() const;

  private:
    XClient& x_;
    double scale_;
    KittenCopy copy_;
    Window window_ = None;
};

// A maximised native Wayland window (GTK 4), shown until the object ends.
class NativeWindow {
  public:
    NativeWindow();  // throws when it does not show
    // The presses of a mouse button that reached it so far.
    int Presses() const;
    bool Active() const;  // whether it has the focus now

  private:
    TempFolder folder_;
    Child process_;
};

// The session's desktop ("kwin", "gnome", "sway", "labwc", "wayfire"); the tests skip
// without one.
std::optional<std::string> Desktop();
// A wlroots session (sway, labwc, wayfire), where the native backend runs.
bool OnWlroots();
// Where the kitten runs as a native surface as a user starts it: wlroots, and KWin over an
// Xwayland before 24.1 (which keeps the X window's input shape from KWin). Under another
// KWin, VELLORY_TEST_BACKEND=wayland has the native tests force it there.
bool NativeBackendRuns();
// What the native tests' kitten is started with: VELLORY_BACKEND from VELLORY_TEST_BACKEND.
Variables NativeBackendForced();
// The running GNOME Shell's major version (43, 48); 0 without one.
int GnomeShellMajor();
int KWinMajor();  // the KWin of the session, 0 when none answers

// A command's stdout and status, through the shell.
std::pair<std::string, int> Run(const std::string& command);

// Calls the relay from the test's own connection, as any client of the session bus may;
// the bus's answer ("" for a method return, else the error's name).
std::string CallRelayAsStranger(const std::string& method, int a, int b);

// The scales the session script was given (--scale, VELLORY_TEST_SCALES), "" for none.
std::string SessionScales();
// Where GNOME Shell itself says its pointer is, in its layout's coordinates (the
// test-only probe extension of a --scale session); nothing elsewhere.
std::optional<Point> ReportedPointer();
// The X root's size as the server has it now (RandR changes it while a session runs).
Point RootSize(const XClient& x);
// Xft.dpi in the root's RESOURCE_MANAGER property, as the server has it now; 0 without.
double XftDpi(const XClient& x);
// Sets it as a desktop does on a scale change (xrdb -merge writes the same property).
void SetXftDpi(int dpi);

// Runs a KWin script of the test's own (JavaScript text) for a moment, then unloads it.
void RunKWinScript(const std::string& text);
// Whether KWin has a script of that name loaded.
bool KWinScriptLoaded(const std::string& name);

}  // namespace wltest
