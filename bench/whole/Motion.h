// The pointer moved by XTest at 60 moves a second on several servers at once and, when
// asked, the latency from each move to the next drawing into a program's window there,
// as the DAMAGE extension reports it: the time until the pupils' new pixels are on the
// server.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "Servers.h"

namespace whole {

constexpr double MovesPerSecond = 60;

struct Probe {
    const Server* server = nullptr;
    Window window = None;         // None: move only
    std::vector<double> latency;  // ms, one per move that a drawing answered
};

// Moves on every probe's server for `seconds`; with `measure`, fills the latencies.
void MovePointers(std::vector<Probe>& probes, double seconds, bool measure);

// Moves on one connection's server for `seconds`.
void MoveOn(Display* display, double seconds);

double Percentile(std::vector<double> values, double fraction);  // 0 when empty

}  // namespace whole
