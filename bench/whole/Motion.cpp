// Pointer strokes and move-to-pixels latency: see Motion.h.
#include "Motion.h"

#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <algorithm>
#include <cmath>

#include "Processes.h"

namespace whole {

namespace {

// A circle over most of the screen, about 20 pixels a move.
void PlaceOf(int step, int& x, int& y) {
    const double angle = step * 0.05;
    x = 600 + static_cast<int>(400 * std::cos(angle));
    y = 400 + static_cast<int>(300 * std::sin(angle));
}

}  // namespace

void MovePointers(std::vector<Probe>& probes, double seconds, bool measure) {
    struct Watch {
        Damage damage = 0;
        int eventBase = 0;
        std::vector<double> pending;  // moves not yet answered by a drawing
    };
    std::vector<Watch> watches(probes.size());
    for (std::size_t i = 0; i < probes.size() && measure; ++i) {
        Display* display = probes[i].server->X();
        int errorBase = 0;
        if (probes[i].window == None ||
            !XDamageQueryExtension(display, &watches[i].eventBase, &errorBase))
            continue;
        watches[i].damage = XDamageCreate(display, probes[i].window, XDamageReportRawRectangles);
        XSync(display, False);
    }
    const double interval = 1000 / MovesPerSecond;
    const double end = NowMs() + seconds * 1000;
    double next = NowMs();
    for (int step = 0;;) {
        double now = NowMs();
        if (now >= end) break;
        if (now >= next) {
            int x = 0, y = 0;
            PlaceOf(step++, x, y);
            for (std::size_t i = 0; i < probes.size(); ++i) {
                if (watches[i].damage != 0) watches[i].pending.push_back(NowMs());
                probes[i].server->MovePointer(x, y);
            }
            next += interval;
            continue;
        }
        std::vector<pollfd> fds;
        for (const Probe& probe : probes)
            fds.push_back({ConnectionNumber(probe.server->X()), POLLIN, 0});
        poll(fds.data(), fds.size(), static_cast<int>(std::ceil(std::min(next, end) - now)));
        for (std::size_t i = 0; i < probes.size(); ++i) {
            Display* display = probes[i].server->X();
            while (XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
                if (watches[i].damage == 0 || event.type != watches[i].eventBase + XDamageNotify)
                    continue;
                const double drawn = NowMs();
                for (double moved : watches[i].pending) probes[i].latency.push_back(drawn - moved);
                watches[i].pending.clear();
            }
        }
    }
    for (std::size_t i = 0; i < probes.size(); ++i)
        if (watches[i].damage != 0) {
            XDamageDestroy(probes[i].server->X(), watches[i].damage);
            XSync(probes[i].server->X(), True);
        }
}

void MoveOn(Display* display, double seconds) {
    const double end = NowMs() + seconds * 1000;
    for (int step = 0; NowMs() < end; ++step) {
        int x = 0, y = 0;
        PlaceOf(step, x, y);
        XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
        XFlush(display);
        SleepMs(1000 / MovesPerSecond);
    }
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

}  // namespace whole
