// The one narrow interface between the portable form runtime and a native backend: what
// runtime/ calls, nothing more. Backends: platform/x11 (Xlib), platform/win32 (user32/
// gdi32), platform/null (no display: it keeps the effect of each call and plays back what
// a test sets up). Exactly one of them is linked into a program. The program's own Win32 calls go
// through platform/WinApi.h. Coordinates are device pixels, the display's own; screen pixels have
// their origin at the primary monitor's top-left corner and are negative left of or above it. The
// program's pixels are device pixels divided by the display scale (platform/Scaling.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace native {

using WindowId = std::uintptr_t;  // 0 = no window
using Colour = std::uint32_t;     // 0x00BBGGRR

struct Point {
    std::int32_t x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {  // left and top inclusive, right and bottom exclusive
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Span {  // the pixels [x0, x1) of row y
    std::int32_t y = 0, x0 = 0, x1 = 0;
    friend bool operator==(const Span&, const Span&) = default;
};

// A part of the screen with one display scale: device pixels per program pixel. Places
// on it map between the two around `anchor`, the one point where they agree.
struct ScaledArea {
    Rect device;  // screen pixels
    Point anchor;
    double scale = 1;
};

struct Image {  // row-major, top row first
    std::int32_t width = 0, height = 0;
    std::vector<Colour> pixels;        // 0x00BBGGRR
    std::vector<std::uint8_t> opaque;  // empty, or one per pixel: 0 = transparent
};

struct WindowRequest {
    Point position;  // outer top-left, screen pixels
    std::int32_t width = 0, height = 0;
    std::string title;         // the window's text
    std::string className;     // WM_CLASS on X11, the window class on Windows
    Image* content = nullptr;  // the client area as the system repaints it; the backend keeps
                               // a copy of its own and may use these pixels as scratch
    const Image* icon = nullptr;
};

// Repaint: the system repainted (part of) the client area from the window's content.
// ScaleChanged: the window's display scale is another now (WindowScale); x and y give
// the outer top-left corner that the system suggests for it, screen pixels.
enum class EventKind { MouseDown, DblClick, Tick, Repaint, Closed, ScaleChanged };

struct Event {
    EventKind kind = EventKind::Tick;
    std::int16_t button = 0;    // 1 left, 2 right, 4 middle
    std::int16_t shift = 0;     // 1 shift, 2 ctrl, 4 alt
    std::int32_t x = 0, y = 0;  // client pixels
};

// Connects to the display. False, with a one-line reason, when there is none.
bool Open(std::string& whyNot);
// Takes the single-instance lock for this user and session; true when another copy has it.
bool AnotherCopyRuns();
// The real executable's path in the program's notation ("\" separates folders). X11
// without /proc: found from the name it was started by; failing that, its bare name in
// the root folder.
std::string ExecutablePath();
// The user's locale's decimal separator. A host service rather than a backend one:
// platform/posix/Locale.cpp, platform/win32/services/Locale.cpp.
std::string DecimalSeparator();
Point PrimaryScreenSize();
// The screen as areas of one display scale each: X11 one for the whole screen, around
// the primary monitor's corner; Windows one per monitor, around its own corner.
std::vector<ScaledArea> ScreenAreas();
double WindowScale(WindowId window);  // the display scale the window is drawn at

WindowId CreateHiddenWindow(const WindowRequest& request);
bool MoveWindow(WindowId window, Point topLeft);  // false: the system cannot place it there
bool GetWindowRect(WindowId window, Rect& rect);
// Reads the screens' layout anew, where the system may change it without telling us.
void RefreshScreens();
void ShowWindow(WindowId window);
void DestroyWindow(WindowId window);
// Gives the window a new outer rectangle and content, for another display scale.
bool SetContent(WindowId window, Rect outer, Image& content);
void FillSpans(WindowId window, Colour colour, const Span* spans, std::size_t count);
void Flush();

void StartTimer(WindowId window, std::uint32_t intervalMs);
Event WaitEvent();  // blocks; a lost display ends the process
// Where events go while the system runs a message loop of its own instead of ours
// (Windows' interactive move), so that the timer still ticks meanwhile.
using EventHandler = void (*)(const Event& event);
void SetModalEventHandler(EventHandler handler);
void Close();  // releases the display before the process ends

}  // namespace native
