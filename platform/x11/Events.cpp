// The event loop of the X11 backend: the timer, mouse presses, the close command and
// position tracking; double-clicks, the interactive move and keeping on top are in
// DoubleClick.cpp, Move.cpp and KeepOnTop.cpp.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <time.h>

#include <optional>

#include "platform/User32.h"
#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

struct Clock {
    static long long NowNs() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return now.tv_sec * 1000000000LL + now.tv_nsec;
    }
};

struct LoopState {
    std::uint32_t intervalMs = 0;
    long long nextTickNs = 0;
};

LoopState& Loop() {
    static LoopState state;
    return state;
}

std::int16_t ShiftOf(unsigned int state) {
    return static_cast<std::int16_t>(((state & ShiftMask) ? 1 : 0) |
                                     ((state & ControlMask) ? 2 : 0) |
                                     ((state & Mod1Mask) ? 4 : 0));
}

std::optional<native::Event> OnButtonPress(const XButtonEvent& press) {
    native::Event event;
    event.kind = native::EventKind::MouseDown;
    event.shift = ShiftOf(press.state);
    event.x = press.x;
    event.y = press.y;
    switch (press.button) {
        case Button1:
            event.button = 1;
            break;
        case Button3:
            event.button = 2;
            break;
        case Button2:
            event.button = 4;
            break;
        default:
            return std::nullopt;  // wheel and extra buttons
    }
    if (event.button == 1 && EndsDoubleClick(press)) event.kind = native::EventKind::DblClick;
    return event;
}

void OnConfigure(const XConfigureEvent& configure) {
    OnMovedWhileHandedOver();
    WindowState& w = TheWindow();
    // Synthetic events (ICCCM) and events of a child of the root carry root
    // coordinates; a real event from inside a window manager's frame does not.
    if (configure.send_event || w.parentIsRoot) {
        w.rootPosition = {configure.x, configure.y};
        w.positionKnown = true;
        return;
    }
    w.positionKnown = false;  // asked again, once, when someone needs it
}

std::optional<native::Event> Translate(XEvent& event) {
    Connection& x = X();
    WindowState& w = TheWindow();
    // NOTE: monitors plugged, unplugged or rearranged move the primary monitor's origin.
    if (x.hasRandr && (event.type == x.randrEventBase + RRScreenChangeNotify ||
                       event.type == x.randrEventBase + RRNotify)) {
        XRRUpdateConfiguration(&event);
        UpdatePrimaryMonitor();
        return std::nullopt;
    }
    switch (event.type) {
        case ButtonPress:
            return OnButtonPress(event.xbutton);
        case ButtonRelease:
            if (event.xbutton.button == Button1) OnLeftRelease(event.xbutton);
            return std::nullopt;
        case MotionNotify:
            OnMoveMotion(event.xmotion);
            return std::nullopt;
        case ConfigureNotify:
            OnConfigure(event.xconfigure);
            return std::nullopt;
        case MapNotify:
        case PropertyNotify:
            OnManagerEvent(event);
            return std::nullopt;
        case ReparentNotify:
            w.parentIsRoot = event.xreparent.parent == x.root;
            w.positionKnown = false;
            return std::nullopt;
        case VisibilityNotify:
            OnVisibility(event.xvisibility.state);
            return std::nullopt;
        case ClientMessage:
            if (event.xclient.message_type != x.atoms.WM_PROTOCOLS) return std::nullopt;
            if (static_cast<Atom>(event.xclient.data.l[0]) == x.atoms.WM_DELETE_WINDOW)
                return native::Event{native::EventKind::Closed};
            if (static_cast<Atom>(event.xclient.data.l[0]) == x.atoms._NET_WM_PING) {
                event.xclient.window = x.root;  // answer the window manager: we are alive
                XSendEvent(x.display, x.root, False,
                           SubstructureRedirectMask | SubstructureNotifyMask, &event);
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

}  // namespace
}  // namespace x11

namespace native {

using x11::Loop;
using x11::TheWindow;
using x11::X;

void StartTimer(WindowId, std::uint32_t intervalMs) {
    Loop().intervalMs = intervalMs;
    Loop().nextTickNs = x11::Clock::NowNs() + intervalMs * 1000000LL;
}

Event WaitEvent() {
    Display* display = X().display;
    x11::LoopState& loop = Loop();
    for (;;) {
        x11::LookIfDue();  // before the queue is drained: its round trips may bring events
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (auto translated = x11::Translate(event)) return *translated;
        }
        const long long now = x11::Clock::NowNs();
        x11::CheckMapped(now);
        if (loop.intervalMs > 0 && now >= loop.nextTickNs) {
            // The next tick comes a full interval after this one: never sooner.
            loop.nextTickNs = now + loop.intervalMs * 1000000LL;
            return Event{EventKind::Tick};
        }
        int timeoutMs = -1;
        if (loop.intervalMs > 0)
            timeoutMs = static_cast<int>((loop.nextTickNs - now + 999999) / 1000000);
        if (const int lookMs = x11::MsUntilNextLook();
            lookMs >= 0 && (timeoutMs < 0 || lookMs < timeoutMs))
            timeoutMs = lookMs;
        if (const auto mapCheck = x11::NextMapCheckNs()) {
            const int untilCheckMs = static_cast<int>((*mapCheck - now + 999999) / 1000000);
            if (timeoutMs < 0 || untilCheckMs < timeoutMs) timeoutMs = untilCheckMs;
        }
        // NOTE: no flush here: the XPending that found the queue empty has just flushed,
        // and a flush costs two reads of the socket besides the write.
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        // A hang-up wakes the poll; the next XPending then meets the lost connection.
        if (poll(&fd, 1, timeoutMs) > 0 && (fd.revents & (POLLHUP | POLLERR)) != 0) {
            XNoOp(display);
            XSync(display, False);
        }
    }
}

// NOTE: the X11 backend never runs a loop of its own: a move by the window manager or by
// us goes on while WaitEvent keeps delivering.
void SetModalEventHandler(EventHandler) {}

}  // namespace native
