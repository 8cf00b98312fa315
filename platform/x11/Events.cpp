// The X11 backend's events: mouse presses and double-clicks, the close command, position
// tracking, and the interactive move. The waiting and the timer are Loop.cpp's.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <optional>

#include "platform/User32.h"
#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

constexpr Time DoubleClickMs = 500;  // the second press must come within this
constexpr int DoubleClickSlop = 4;   // and within this many pixels of the first
constexpr long MoveResizeMove = 8;   // _NET_WM_MOVERESIZE_MOVE

struct LoopState {
    // The last left press that could begin a double-click.
    std::optional<XButtonEvent> lastPress;
    // Our own move, when no window manager runs one.
    bool moving = false;
    native::Point moveStartPointer, moveStartWindow;
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
    LoopState& loop = Loop();
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
    if (event.button != 1) return event;
    const auto& last = loop.lastPress;
    if (last && press.time - last->time <= DoubleClickMs &&
        std::abs(press.x_root - last->x_root) <= DoubleClickSlop &&
        std::abs(press.y_root - last->y_root) <= DoubleClickSlop) {
        loop.lastPress.reset();  // a third press begins anew
        event.kind = native::EventKind::DblClick;
        return event;
    }
    loop.lastPress = press;
    return event;
}

void OnMotion(const XMotionEvent& first) {
    LoopState& loop = Loop();
    if (!loop.moving) return;
    XMotionEvent motion = first;
    XEvent later;  // only the latest position matters
    while (XCheckTypedWindowEvent(X().display, TheWindow().window, MotionNotify, &later))
        motion = later.xmotion;
    const native::Point to{loop.moveStartWindow.x + motion.x_root - loop.moveStartPointer.x,
                           loop.moveStartWindow.y + motion.y_root - loop.moveStartPointer.y};
    native::MoveWindow(TheWindow().window, to);
}

void OnConfigure(const XConfigureEvent& configure) {
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

}  // namespace

std::optional<native::Event> TranslateEvent(XEvent& event) {
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
            if (event.xbutton.button == Button1 && Loop().moving) {
                Loop().moving = false;
                XUngrabPointer(x.display, event.xbutton.time);
            }
            return std::nullopt;
        case MotionNotify:
            OnMotion(event.xmotion);
            return std::nullopt;
        case ConfigureNotify:
            OnConfigure(event.xconfigure);
            return std::nullopt;
        case ReparentNotify:
            w.parentIsRoot = event.xreparent.parent == x.root;
            w.positionKnown = false;
            return std::nullopt;
        case VisibilityNotify:
            if (event.xvisibility.state != VisibilityUnobscured) KeepOnTopWithoutWindowManager();
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

}  // namespace x11

namespace native {

using x11::Loop;
using x11::TheWindow;
using x11::X;

// NOTE: the X11 backend never runs a loop of its own: a move by the window manager or by
// us goes on while WaitEvent keeps delivering.
void SetModalEventHandler(EventHandler) {}

// What platform/User32.cpp builds ReleaseCapture and SendMessageA(WM_NCLBUTTONDOWN) on.

void ReleaseCapture() {
    Loop().moving = false;
    XUngrabPointer(X().display, CurrentTime);
}

void BeginMove(WindowId window) {
    if (!x11::IsOurs(window)) return;
    x11::WindowState& w = TheWindow();
    x11::Connection& x = X();
    Window rootReturn, child;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int buttons = 0;
    // NOTE: a click that is already over has nothing to drag; asking a window manager to
    // move then would make it wait for the next click and swallow a double-click's
    // second press.
    if (!XQueryPointer(x.display, x.root, &rootReturn, &child, &rootX, &rootY, &winX, &winY,
                       &buttons) ||
        (buttons & Button1Mask) == 0)
        return;
    if (x11::WindowManagerSupports(x.atoms._NET_WM_MOVERESIZE)) {
        XUngrabPointer(x.display, CurrentTime);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w.window;
        event.xclient.message_type = x.atoms._NET_WM_MOVERESIZE;
        event.xclient.format = 32;
        event.xclient.data.l[0] = rootX;
        event.xclient.data.l[1] = rootY;
        event.xclient.data.l[2] = x11::MoveResizeMove;
        event.xclient.data.l[3] = Button1;
        event.xclient.data.l[4] = 1;  // a normal application
        XSendEvent(x.display, x.root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        XFlush(x.display);
        return;
    }
    // No window manager to do it: follow the pointer ourselves until the release.
    Rect rect;
    if (!GetWindowRect(window, rect)) return;
    XGrabPointer(x.display, w.window, False, Button1MotionMask | ButtonReleaseMask, GrabModeAsync,
                 GrabModeAsync, None, None, CurrentTime);
    Loop().moving = true;
    Loop().moveStartPointer = {rootX, rootY};
    Loop().moveStartWindow = {rect.left, rect.top};
}

}  // namespace native
