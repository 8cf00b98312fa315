// The X side of the tests of the Windows build: Wine's window for the program, its
// place, state, shape and pixels, and a pointer driven through XTest.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace desktop {

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

class Desktop {
  public:
    Desktop();  // DISPLAY; a test fails at once without one
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    Display* X() const { return display_; }
    int ScreenWidth() const;

    // The viewable windows whose WM_CLASS is `resClass` and whose name is `name`.
    std::vector<Window> FindWindows(const std::string& resClass, const std::string& name);
    // Waits for exactly one such window of the given size; nothing after `limit`.
    std::optional<Window> WaitWindow(const std::string& resClass, const std::string& name,
                                     int width, int height, std::chrono::milliseconds limit);

    Point RootPosition(Window window);
    // Waits until the window stands at `where`; its last position when `limit` passes.
    Point WaitPosition(Window window, Point where, std::chrono::milliseconds limit);
    Point Size(Window window);
    bool HasNetState(Window window, const char* state);
    // The client windows bottom to top, as the window manager stacks them.
    std::vector<Window> Stacking();
    // The window's bounding shape as a width x height mask, row-major (1 = inside).
    std::vector<unsigned char> ShapeMask(Window window, int width, int height);
    // One pixel of the window as 0x00BBGGRR.
    unsigned long PixelAt(Window window, int x, int y);

    // An ordinary, managed top-level window, mapped and activated.
    Window OpenOrdinaryWindow(int x, int y, int width, int height);
    void SendCloseCommand(Window window);  // WM_DELETE_WINDOW, as a window manager's close

    // The pointer, through XTest.
    void MovePointer(Point to);
    void Press(unsigned button = 1);
    void Release(unsigned button = 1);
    // Press, move in steps to `to`, release: a drag as a hand makes it.
    void Drag(Point from, Point to);
    // Two clicks as a hand makes them: each press held for a moment.
    void DoubleClick(Point at);

  private:
    Display* display_ = nullptr;
};

void Pause(std::chrono::milliseconds time);

}  // namespace desktop
