// The null backend: no display. It records what the runtime (platform/Native.h) and the
// user32 layer (platform/User32.h) ask of it and plays back what a test sets up, so that
// the runtime and the program run in unit tests.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Native.h"

namespace nullbackend {

struct Call {  // one recorded request, e.g. {"MoveWindow", "93,148"}
    std::string name;
    std::string args;
};

struct State {
    // What the "system" reports.
    bool displayAvailable = true;
    bool anotherCopyRuns = false;
    std::string executablePath = "\\opt\\vellory\\vellory";
    native::Point screenSize{1920, 1080};
    native::Point pointer{0, 0};
    bool refuseMoves = false;        // MoveWindow answers false
    bool recordFills = true;         // off for benchmarks: recording allocates
    bool printCallsOnClose = false;  // for tests of a process that ends: the calls on stderr
    // What the runtime made.
    std::vector<Call> calls;
    native::WindowId window = 0;
    native::Rect windowRect;
    bool shown = false;
    bool topmost = false;
    std::optional<std::vector<native::Rect>> shape;
    std::vector<std::pair<native::Colour, std::vector<native::Span>>> fills;
    std::uint32_t timerInterval = 0;
    int moves = 0;                             // BeginMove calls
    std::vector<native::Event> pendingEvents;  // WaitEvent hands these out in order
};

State& Get();
void Reset();  // a fresh system, nothing recorded
// The names of the recorded calls, in order, joined by " ".
std::string CallNames();

}  // namespace nullbackend
