// The X11 backend's waiting and ticking: WaitEvent sleeps on the connection until an
// event or the timer's next look is due (platform/TickPacer.h decides when). A look asks
// for the pointer and the window's place; the tick is delivered only when one of them
// changed, and the tick's own GetCursorPos then answers from that look. XInput 2 raw
// motion and raw touches on the root window wake an idle loop; an Expose repaints the
// last tick's eyes. VELLORY_ALWAYS_TICK=1 ticks every interval instead, as a plain timer
// does. Under Wayland the pointer relay (platform/relay/Relay.h) may deliver the pointer's place
// instead of the X server: its bus is polled beside the X connection, its places wake the
// loop as raw motion does, and while it delivers there is no slow look (it would only read
// Xwayland's stale place).
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "platform/TickPacer.h"
#include "platform/User32.h"
#include "platform/posix/Clock.h"
#include "platform/relay/Relay.h"
#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

constexpr native::TickPacer::Ns Millisecond = 1000000;
constexpr native::TickPacer::Ns SlowLook = 1000 * Millisecond;  // catches warps while idle
constexpr native::TickPacer::Ns NoSlowLook = std::numeric_limits<native::TickPacer::Ns>::max() / 4;

using posixclock::NowNs;

// What a tick's result depends on.
struct Look {
    std::optional<native::Point> pointer;  // none: the pointer is on another screen
    std::optional<native::Rect> window;
    friend bool operator==(const Look& a, const Look& b) {
        const auto same = [](const auto& p, const auto& q) {
            return p.has_value() == q.has_value() && (!p || (p->x == q->x && p->y == q->y));
        };
        return same(a.pointer, b.pointer) && a.window == b.window;
    }
};

struct TickingState {
    native::TickPacer::Setup setup;  // from StartTimer
    native::TickPacer::Ns startedNs = 0;
    native::TickPacer pacer;       // started by the loop
    std::optional<Look> painted;   // what the last delivered tick saw
    std::optional<Look> thisTick;  // while a tick runs: the look that delivered it
    int inputOpcode = -1;          // XInput's major opcode, once version 2.1 is there
    bool motionSelected = false;
    bool rawTouch = false;  // XInput 2.2: touches are selected with the motion
};

TickingState& Ticking() {
    static TickingState state;
    return state;
}

std::optional<native::Point> QueryPointer() {
    if (relay::Delivering()) {
        if (const std::optional<native::Point> place = relay::RootPointer())
            return native::Point{place->x - X().primary.left, place->y - X().primary.top};
    }
    Window rootReturn, child;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(X().display, X().root, &rootReturn, &child, &rootX, &rootY, &winX, &winY,
                       &mask))
        return std::nullopt;
    return native::Point{rootX - X().primary.left, rootY - X().primary.top};
}

Look TakeLook() {
    Look look;
    look.pointer = QueryPointer();
    native::Rect rect;
    if (native::GetWindowRect(TheWindow().window, rect)) look.window = rect;
    return look;
}

// NOTE: raw events reach every client that selects them on the root, whoever grabs the
// pointer, from XInput 2.1 on; 2.0 clients lose them during a grab (a window manager's
// move). A finger on a touch screen raises raw touch events (2.2), not raw motion.
int FindRawMotion(bool& touch) {
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(X().display, "XInputExtension", &opcode, &event, &error)) return -1;
    int major = 2, minor = 2;
    if (XIQueryVersion(X().display, &major, &minor) != Success) return -1;
    if (major < 2 || (major == 2 && minor < 1)) return -1;
    touch = major > 2 || minor >= 2;
    return opcode;
}

// Raw motion and touches of every master pointer, wanted only while the loop is idle.
void SelectRawMotion(bool on) {
    TickingState& loop = Ticking();
    if (loop.inputOpcode < 0 || loop.motionSelected == on) return;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) XISetMask(bits, XI_RawMotion);
    if (on && loop.rawTouch)
        for (const int touch : {XI_RawTouchBegin, XI_RawTouchUpdate, XI_RawTouchEnd})
            XISetMask(bits, touch);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(X().display, X().root, &mask, 1);
    loop.motionSelected = on;
}

// What the loop itself does with an event; the rest goes to TranslateEvent.
std::optional<native::Event> Inspect(XEvent& event) {
    TickingState& loop = Ticking();
    if (event.type == GenericEvent && event.xcookie.extension == loop.inputOpcode) {
        loop.pacer.Moved(NowNs());
        return std::nullopt;
    }
    if (event.type == ConfigureNotify) loop.pacer.Moved(NowNs());
    // NOTE: the server has painted the background (the bare picture) over what was
    // uncovered; the runtime paints the last tick's eyes over it again.
    if (event.type == Expose && event.xexpose.count == 0 && loop.pacer.Quiet())
        return native::Event{native::EventKind::Repaint};
    return TranslateEvent(event);
}

// What the relay's input changed: a new place is motion; delivering starting or stopping
// changes where the pointer comes from, so the next look comes at once.
void OnRelayInput() {
    const relay::News news = relay::Handle();
    TickingState& loop = Ticking();
    if (news.deliveringChanged) loop.pacer.SetSlowLook(relay::Delivering() ? NoSlowLook : SlowLook);
    if (news.moved || news.deliveringChanged) loop.pacer.Moved(NowNs());
    if (news.screenChanged) FollowScale(false);
}

int MsUntil(native::TickPacer::Ns due, native::TickPacer::Ns now) {
    const native::TickPacer::Ns ms = (due - now + Millisecond - 1) / Millisecond;
    return static_cast<int>(std::min<native::TickPacer::Ns>(ms, std::numeric_limits<int>::max()));
}

// The look that was due. True when a tick is to be delivered.
bool LookNow(native::TickPacer::Ns now) {
    TickingState& loop = Ticking();
    if (!loop.pacer.Quiet()) return loop.pacer.Look(now, true);  // the tick looks itself
    const Look look = TakeLook();
    const bool tick = loop.pacer.Look(now, !loop.painted || !(look == *loop.painted));
    // Reports restarted before the next look: no motion can fall between the two.
    SelectRawMotion(loop.pacer.WantsMotion());
    if (!tick) return false;
    loop.painted = look;
    loop.thisTick = look;
    return true;
}

}  // namespace
}  // namespace x11

namespace x11::api {

using x11::Ticking;
using x11::X;

void StartTimer(WindowId, std::uint32_t intervalMs) {
    x11::TickingState& loop = Ticking();
    TickPacer::Setup& setup = loop.setup;
    setup.interval = intervalMs * x11::Millisecond;
    const char* always = std::getenv("VELLORY_ALWAYS_TICK");
    setup.mode = always != nullptr && std::strcmp(always, "1") == 0 ? TickPacer::Mode::EveryInterval
                                                                    : TickPacer::Mode::Quiet;
    setup.slowLook = x11::SlowLook;
    loop.startedNs = x11::NowNs();
}

Event WaitEvent() {
    Display* display = X().display;
    x11::TickingState& loop = Ticking();
    loop.thisTick.reset();  // the last tick is over
    // NOTE: XInput is asked for once the loop runs, after the window is shown: its four
    // round trips would delay the first picture, and the first tick comes later anyway.
    if (loop.setup.interval > 0 && !loop.pacer.Started()) {
        if (loop.setup.mode == TickPacer::Mode::Quiet)
            loop.inputOpcode = x11::FindRawMotion(loop.rawTouch);
        // NOTE: without XInput 2 the looks back off while nothing changes, as xeyes polls.
        loop.setup.motionReported = loop.inputOpcode >= 0;
        loop.pacer.Start(loop.setup, loop.startedNs);
        relay::Start(x11::RelayHost());
    }
    // NOTE: a poll that timed out has seen nothing arrive, and the queue was empty
    // before it: asking again would cost two reads of the socket on every slow look.
    bool quietSincePoll = false;
    for (;;) {
        x11::LookIfDue();  // before the queue is drained: its round trips may bring events
        if (relay::HasQueued()) x11::OnRelayInput();               // read during a blocking call
        if (auto change = x11::TakeScaleChange()) return *change;  // the relay's, say
        while (!quietSincePoll && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (auto translated = x11::Inspect(event)) return *translated;
        }
        quietSincePoll = false;
        const TickPacer::Ns now = x11::NowNs();
        x11::CheckMapped(now);
        if (loop.pacer.Started() && now >= loop.pacer.Due()) {
            if (x11::LookNow(now)) return Event{EventKind::Tick};
            continue;  // reports may have come in meanwhile
        }
        int timeoutMs = -1;
        if (loop.pacer.Started()) timeoutMs = x11::MsUntil(loop.pacer.Due(), now);
        // Keeping on top and asking again for a map have their own times to look.
        if (const int lookMs = x11::MsUntilNextLook();
            lookMs >= 0 && (timeoutMs < 0 || lookMs < timeoutMs))
            timeoutMs = lookMs;
        if (const auto mapCheck = x11::NextMapCheckNs()) {
            const int untilCheckMs = x11::MsUntil(*mapCheck, now);
            if (timeoutMs < 0 || untilCheckMs < timeoutMs) timeoutMs = untilCheckMs;
        }
        // NOTE: no flush here: the XPending that found the queue empty has just flushed,
        // and a flush costs two reads of the socket besides the write.
        const int relayFd = relay::Fd();
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {relayFd, POLLIN, 0}};
        const int ready = poll(fds, relayFd >= 0 ? 2 : 1, timeoutMs);
        if (ready == 0) quietSincePoll = true;
        // A hang-up wakes the poll; the next XPending then meets the lost connection.
        if (ready > 0 && (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            XNoOp(display);
            XSync(display, False);
        }
        if (relayFd >= 0 && fds[1].revents != 0) {
            x11::OnRelayInput();  // a hung-up bus ends the relay, and its descriptor
            // NOTE: only the bus woke the poll: the X queue is still empty.
            quietSincePoll = ready == 1 && fds[0].revents == 0;
        }
    }
}

// GetCursorPos: inside a tick, the pointer of the look that delivered it (asked for a
// moment before); else asked now.
bool GetPointer(Point& position) {
    const x11::TickingState& loop = Ticking();
    const std::optional<Point> pointer =
        loop.thisTick ? loop.thisTick->pointer : x11::QueryPointer();
    if (!pointer) return false;  // the pointer is on another screen
    position = *pointer;
    return true;
}

}  // namespace x11::api
