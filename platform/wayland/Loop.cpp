// The Wayland backend's waiting and ticking: WaitEvent reads the compositor's socket
// (prepare_read, flush, poll, read, dispatch) until an event is posted or the timer's
// next look is due; platform/TickPacer.h decides when. A look compares the pointer's
// place and the window's rectangle with the last tick's: the compositor reports every
// change of either, so at rest nothing wakes the loop and nothing is asked.
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>

#include "platform/TickPacer.h"
#include "platform/posix/Clock.h"
#include "platform/wayland/WaylandPlatform.h"

namespace wayland {
namespace {

constexpr native::TickPacer::Ns Millisecond = 1000000;
// NOTE: every change is reported: the idle look that catches X11's warps is not needed.
constexpr native::TickPacer::Ns NoSlowLook = std::numeric_limits<native::TickPacer::Ns>::max() / 4;

using posixclock::NowNs;

struct Look {
    std::optional<native::Point> pointer;
    native::Rect window;
    friend bool operator==(const Look&, const Look&) = default;
};

struct LoopState {
    std::deque<native::Event> queue;
    native::TickPacer::Setup setup;
    native::TickPacer::Ns startedNs = 0;
    native::TickPacer pacer;
    std::optional<Look> painted;
};

LoopState& L() {
    static LoopState state;
    return state;
}

bool LookNow(native::TickPacer::Ns now) {
    LoopState& loop = L();
    if (!loop.pacer.Quiet()) return loop.pacer.Look(now, true);
    const Look look{PointerPlace(), LayoutRect()};
    const bool tick = loop.pacer.Look(now, !loop.painted || !(look == *loop.painted));
    if (tick) loop.painted = look;
    return tick;
}

int MsUntil(native::TickPacer::Ns due, native::TickPacer::Ns now) {
    const native::TickPacer::Ns ms = (due - now + Millisecond - 1) / Millisecond;
    return static_cast<int>(
        std::clamp<native::TickPacer::Ns>(ms, 0, std::numeric_limits<int>::max()));
}

void DispatchPending() {
    if (wl_display_dispatch_pending(W().display) < 0)
        Fail("lost the connection to the Wayland compositor");
}

// Sleeps until the compositor sends something or `timeoutMs` passes, and reads it.
void ReadSocket(int timeoutMs) {
    wl_display* display = W().display;
    while (wl_display_prepare_read(display) != 0) DispatchPending();
    if (!L().queue.empty()) {  // the dispatch posted an event
        wl_display_cancel_read(display);
        return;
    }
    short wanted = POLLIN;
    // NOTE: a full socket takes the rest of the requests once the compositor reads.
    if (wl_display_flush(display) < 0) {
        if (errno != EAGAIN) {
            wl_display_cancel_read(display);
            Fail("lost the connection to the Wayland compositor");
        }
        wanted |= POLLOUT;
    }
    const int relayFd = RelayFd();
    pollfd fds[2] = {{wl_display_get_fd(display), wanted, 0}, {relayFd, POLLIN, 0}};
    pollfd& fd = fds[0];
    const int ready = poll(fds, relayFd >= 0 ? 2 : 1, timeoutMs);
    if (ready < 0) {
        wl_display_cancel_read(display);
        if (errno != EINTR) Fail("cannot wait for the Wayland compositor");
        return;
    }
    if ((fd.revents & POLLIN) != 0) {
        if (wl_display_read_events(display) < 0)
            Fail("lost the connection to the Wayland compositor");
    } else {
        wl_display_cancel_read(display);
    }
    // NOTE: a hang-up with nothing more to read would wake every poll from now on.
    if ((fd.revents & (POLLHUP | POLLERR)) != 0) {
        wl_display_dispatch_pending(display);
        Fail("the Wayland compositor went away");
    }
    DispatchPending();
    if (relayFd >= 0 && fds[1].revents != 0) OnRelayInput();  // a hung-up bus ends the relay
}

}  // namespace

void Post(const native::Event& event) {
    L().queue.push_back(event);
}

bool Posted(native::EventKind kind) {
    const auto& queue = L().queue;
    return std::any_of(queue.begin(), queue.end(),
                       [kind](const native::Event& event) { return event.kind == kind; });
}

void Moved() {
    LoopState& loop = L();
    if (loop.pacer.Started()) loop.pacer.Moved(NowNs());
}

void PaintAgain() {
    L().painted.reset();
    Moved();
}

}  // namespace wayland

namespace wayland::api {

using wayland::L;

void StartTimer(WindowId, std::uint32_t intervalMs) {
    wayland::LoopState& loop = L();
    TickPacer::Setup& setup = loop.setup;
    setup.interval = intervalMs * wayland::Millisecond;
    const char* always = std::getenv("VELLORY_ALWAYS_TICK");
    setup.mode = always != nullptr && std::strcmp(always, "1") == 0 ? TickPacer::Mode::EveryInterval
                                                                    : TickPacer::Mode::Quiet;
    setup.motionReported = true;
    setup.slowLook = wayland::NoSlowLook;
    loop.startedNs = wayland::NowNs();
}

Event WaitEvent() {
    wayland::LoopState& loop = L();
    // NOTE: the relay starts with the loop, after the window is shown: loading the KWin
    // script takes round trips that would delay the first picture.
    if (loop.setup.interval > 0 && !loop.pacer.Started()) {
        loop.pacer.Start(loop.setup, loop.startedNs);
        wayland::StartRelay();
    }
    for (;;) {
        if (!loop.queue.empty()) {
            const Event event = loop.queue.front();
            loop.queue.pop_front();
            return event;
        }
        wayland::DispatchPending();
        if (wayland::RelayHasQueued()) wayland::OnRelayInput();  // read during a blocking call
        if (!loop.queue.empty()) continue;
        const TickPacer::Ns now = wayland::NowNs();
        if (loop.pacer.Started() && now >= loop.pacer.Due()) {
            if (wayland::LookNow(now)) return Event{EventKind::Tick};
            continue;
        }
        wayland::ReadSocket(loop.pacer.Started() ? wayland::MsUntil(loop.pacer.Due(), now) : -1);
    }
}

// NOTE: the backend runs no loop of its own: a drag goes on while WaitEvent delivers.
void SetModalEventHandler(EventHandler) {}

}  // namespace wayland::api
