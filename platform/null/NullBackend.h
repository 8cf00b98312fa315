// The null backend: no display. It keeps the effect of what the runtime (platform/Native.h)
// and the user32 layer (platform/User32.h) ask of it, and plays back what a test sets up,
// so that the runtime and the program run in unit tests.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Native.h"

namespace nullbackend {

// The window as a user could see it at one moment.
struct WindowSnapshot {
    native::Rect rect;
    bool shown = false;
    bool topmost = false;
    bool shaped = false;
};

struct State {
    // What the "system" reports.
    bool displayAvailable = true;
    bool anotherCopyRuns = false;
    std::string executablePath = "\\opt\\vellory\\vellory";
    native::Point screenSize{1920, 1080};
    // The monitors, the primary first; none: the scaled areas', else the primary alone,
    // of screenSize.
    std::vector<native::Rect> monitors;
    // The screen's scaled areas; none: one scale of 1 everywhere. A window's scale is
    // that of the area its top-left corner lies on.
    std::vector<native::ScaledArea> areas;
    native::Point pointer{0, 0};
    bool refuseMoves = false;        // MoveWindow answers false
    native::Point frameInset{0, 0};  // the client area's corner inside the outer rectangle
    bool recordFills = true;         // off for benchmarks: recording allocates
    bool pointerCaptured = false;    // a press gives the window the pointer until released
    // What the runtime made.
    native::WindowId window = 0;
    native::Rect windowRect;
    bool shown = false;
    bool topmost = false;
    std::optional<std::vector<native::Rect>> shape;
    std::vector<std::pair<native::Colour, std::vector<native::Span>>> fills;
    std::uint32_t timerInterval = 0;
    // NOTE: as on X11, where the window manager cannot grab a pointer that we hold, no
    // interactive move begins while the pointer is captured.
    int moves = 0;  // interactive moves begun
    std::optional<WindowSnapshot> whenMadeTopmost, whenFirstShown;
    bool closed = false;                       // Close released the display
    std::vector<native::Event> pendingEvents;  // WaitEvent hands these out in order
};

State& Get();
void Reset();  // a fresh system, nothing recorded

}  // namespace nullbackend
