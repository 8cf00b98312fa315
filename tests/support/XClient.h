// A test's own connection to an X server, for the X11 and the Wine harness alike: the
// pointer driven through XTest as a hand drives it, pixels read back from the screen,
// windows of the test's own, and questions about windows, their properties, shapes and
// stacking. Who owns the server (the X11 harness starts one per test, the Wine harness
// is given one) is the harness's business.
#pragma once

// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Processes.h"

namespace support {

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
    friend Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
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

// How fast the hand that XTest stands in for moves.
struct Pace {
    milliseconds settle;    // after arriving at a spot, before pressing; after a drag
    milliseconds press;     // a click's button held down
    milliseconds gap;       // between the two clicks of a double-click
    milliseconds dragHold;  // a drag's button held before it moves and before it lets go
    milliseconds step;      // between a drag's steps
};
constexpr Pace BriskHand{milliseconds(30), milliseconds(60), milliseconds(120), milliseconds(120),
                         milliseconds(15)};

class XClient {
  public:
    // Connects to the display ("": $DISPLAY); throws std::runtime_error when it cannot.
    explicit XClient(const std::string& display, Pace pace = BriskHand);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    Display* X() const { return display_; }
    Window Root() const { return DefaultRootWindow(display_); }
    Point ScreenSize() const;
    void Disconnect();  // before the server ends under the connection
    // A window manager announces itself on the root (_NET_SUPPORTING_WM_CHECK).
    bool ManagerRunning() const;

    // Input through XTest, in root coordinates.
    void MovePointer(Point to);
    // Puts the pointer elsewhere as a program does (xdotool, keyboard pointer tools): no
    // input device moves, so no raw motion is reported.
    void WarpPointer(Point to);
    void Press(unsigned button);
    void Release(unsigned button);
    void Click(unsigned button, Point at);
    void DoubleClick(Point at);  // two left clicks, well inside a double-click's interval
    // Press, hold, move in steps, hold, release.
    void Drag(unsigned button, Point from, Point to);
    // A machine's click and drag, with no pause between the events, as a remote display,
    // a touchpad's tap or a test tool delivers them.
    void FastClick(Point at);
    // `hold`: after the press, before the motion; `rest`: after it, before the release.
    void FastDrag(Point from, Point to, milliseconds hold = {}, milliseconds rest = {});
    // A left drag from `from` in `steps` motions of `step`, `between` apart; the release
    // comes `rest` after the last.
    void StepDrag(Point from, Point step, int steps, milliseconds between, milliseconds rest);
    // Two left clicks on the spot whose presses come `apart` from each other.
    void ClickTwice(Point at, milliseconds apart);
    Point Pointer() const;
    // Nobody holds the pointer: a grab of this client's own succeeds (and ends at once).
    bool PointerFree();

    // The screen's pixels in the given root area, clipped to the screen; empty when the
    // server keeps no root picture (a rootless Xwayland).
    Shot Grab(int left, int top, int width, int height) const;
    // A window's own pixels (its top-left width x height), for a server that keeps no root
    // picture, placed at `at`: the root position the caller took them for, so that a window
    // moving meanwhile cannot shift them out of the caller's area.
    Shot GrabWindow(Window window, Point at, int width, int height) const;
    void SetBackground(std::uint32_t rgb);  // the root window's colour
    unsigned long PixelOf(std::uint32_t rgb) const;

    Atom Intern(const char* name) const;
    std::vector<long> Property32(Window window, const char* name) const;  // CARDINAL, ATOM
    bool HasAtom(Window window, const char* property, const char* atom) const;
    // The managed windows, bottom first.
    std::vector<Window> ClientList(const char* name = "_NET_CLIENT_LIST_STACKING") const;
    std::string ClassOf(Window window) const;  // WM_CLASS's class
    std::string Title(Window window) const;    // WM_NAME

    // Window tree questions.
    std::vector<Window> TopLevelStack() const;  // children of the root, bottom first
    Window TopLevelOf(Window window) const;     // the child of the root that holds it
    std::optional<Point> RootPosition(Window window) const;
    std::optional<Point> Size(Window window) const;
    bool Viewable(Window window) const;
    // Windows whose WM_CLASS class is `windowClass`, anywhere in the tree.
    std::vector<Window> FindByClass(const std::string& windowClass) const;
    // The window's shape of one kind (ShapeBounding, ShapeInput) over width x height,
    // row-major, true inside.
    std::vector<bool> ShapeMask(Window window, int kind, int width, int height) const;

    // An ordinary window of the test's own, filled with one colour and viewable.
    // override-redirect windows are left alone by the window manager.
    Window MakeWindow(int x, int y, int width, int height, std::uint32_t rgb, bool overrideRedirect,
                      long eventMask = 0, const char* title = "test window");
    void Activate(Window window);  // as a user clicking it: focus and raise
    // The close command: through the window manager (_NET_CLOSE_WINDOW) when one runs,
    // else WM_DELETE_WINDOW sent to the window, as a task bar or xdotool would.
    void Close(Window window);

    // Other programs of a desktop (XNeighbours.cpp).
    // A settings manager for screen 0: owns _XSETTINGS_S0 and publishes these integer
    // settings (e.g. "Net/DoubleClickTime") while this connection lives.
    void PublishXSettings(const std::vector<std::pair<std::string, std::int32_t>>& integers);
    // A program that raises `window` at once and then whenever something covers it,
    // played for `duration`; how many times it raised it.
    int KeepRaising(Window window, milliseconds duration);

  private:
    void SendToRoot(Window window, const char* message, long first, long second);

    Display* display_ = nullptr;
    Pace pace_;
};

// `upper` stands above `lower` in a bottom-first stacking list, and both are in it.
bool StacksAbove(const std::vector<Window>& stack, Window upper, Window lower);

}  // namespace support
