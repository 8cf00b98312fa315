// A desktop of our own for one test: an Xvfb server on a free display, optionally with
// openbox managing it, and a connection through which the test drives the pointer
// (XTest), reads pixels back from the screen and looks at windows and their properties.
// Everything it starts ends with it.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Processes.h"

namespace xtest {

enum class Wm { Bare, Openbox };  // Bare: no window manager

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};
inline void PrintTo(const Point& point, std::ostream* out) {
    *out << "(" << point.x << ", " << point.y << ")";
}

constexpr std::uint32_t OffScreen = 0xFF000000;  // no colour: the pixel lies off the screen

// Pixels read back from the screen, as 0xRRGGBB.
struct Shot {
    int left = 0, top = 0, width = 0, height = 0;  // root coordinates of the area
    std::vector<std::uint32_t> pixels;             // row-major
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

class Desktop {
  public:
    // Starts Xvfb (1280x1024x24) with the extra arguments (e.g. "-extension", "SHAPE"),
    // then openbox when `wm` asks for it. Throws std::runtime_error when either fails.
    explicit Desktop(Wm wm, std::vector<std::string> xvfbArgs = {});
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    Display* X() const { return display_; }
    Window Root() const { return DefaultRootWindow(display_); }
    const std::string& Name() const { return name_; }  // ":N"
    Wm WindowManager() const { return wm_; }
    Environment ClientEnvironment() const;  // DISPLAY set to this server
    const std::filesystem::path& Scratch() const { return scratch_.Path(); }

    // openbox: `replace` asks it to take over from the running manager. Waits until the
    // new manager owns WM_S0 and announces its features.
    void StartOpenbox(bool replace = false);
    // A RandR monitor of our own, made the primary one (the server's output stays as a
    // second monitor over the whole root).
    void SetPrimaryMonitor(int x, int y, int width, int height);
    // Ends the X server while clients still use it; our own connection closes first.
    void KillServer();

    // Input through XTest, in root coordinates.
    void MovePointer(Point to);
    void Press(unsigned button);
    void Release(unsigned button);
    void Click(unsigned button, Point at);
    // Two left clicks as a hand makes them, well inside a double-click's interval.
    void DoubleClick(Point at);
    // A drag as a hand makes it: press, hold, move in steps, hold, release.
    void Drag(unsigned button, Point from, Point to);
    Point Pointer() const;

    // The screen's pixels in the given root area, clipped to the screen.
    Shot Grab(int left, int top, int width, int height) const;
    void SetBackground(std::uint32_t rgb);  // the root window's colour
    unsigned long PixelOf(std::uint32_t rgb) const;

    Atom Intern(const char* name) const;
    std::vector<long> Property32(Window window, const char* name) const;  // CARDINAL, ATOM
    std::vector<Atom> Atoms(Window window, const char* name) const;
    bool HasAtom(Window window, const char* property, const char* atom) const;
    std::vector<Window> ClientList(const char* name = "_NET_CLIENT_LIST_STACKING") const;

    // Window tree questions.
    std::vector<Window> TopLevelStack() const;  // children of the root, bottom first
    Window TopLevelOf(Window window) const;     // the child of the root that holds it
    std::optional<Point> RootPosition(Window window) const;
    std::optional<Point> Size(Window window) const;
    bool Viewable(Window window) const;
    // Windows whose WM_CLASS class is `windowClass`, anywhere in the tree.
    std::vector<Window> FindByClass(const std::string& windowClass) const;

    // An ordinary window of the test's own, filled with one colour. override-redirect
    // windows are left alone by the window manager.
    Window MakeWindow(int x, int y, int width, int height, std::uint32_t rgb, bool overrideRedirect,
                      long eventMask = 0, const char* title = "test window");
    void Activate(Window window);  // as a user clicking it: focus and raise
    // The close command: through the window manager (_NET_CLOSE_WINDOW) when one runs,
    // else WM_DELETE_WINDOW sent to the window, as a task bar or xdotool would.
    void Close(Window window);

  private:
    void StartServer(const std::vector<std::string>& args);
    void WaitForWindowManager(Window previousOwner);

    Wm wm_;
    TempFolder scratch_;
    Child server_;
    std::vector<Child> managers_;
    Display* display_ = nullptr;
    std::string name_;
};

// Test names for the two desktops, and how gtest prints them.
std::string WmName(Wm wm);
inline void PrintTo(Wm wm, std::ostream* out) {
    *out << WmName(wm);
}

}  // namespace xtest
