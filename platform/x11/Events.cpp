// The X11 backend's events: mouse presses, the close command and position tracking;
// double-clicks, the interactive move and keeping on top are in DoubleClick.cpp, Move.cpp
// and KeepOnTop.cpp, the waiting and the timer in Loop.cpp.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <optional>

#include "platform/User32.h"
#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

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
    if (event.button == 1) OnLeftPress(press);
    if (event.button == 1 && EndsDoubleClick(press)) event.kind = native::EventKind::DblClick;
    return event;
}

std::optional<native::Event> OnConfigure(const XConfigureEvent& configure) {
    WindowState& w = TheWindow();
    if (configure.window != w.window) return std::nullopt;
    // Synthetic events (ICCCM) and events of a child of the root carry root
    // coordinates; a real event from inside a window manager's frame does not.
    if (configure.send_event || w.parentIsRoot) {
        w.rootPosition = {configure.x, configure.y};
        w.positionKnown = true;
    } else {
        w.positionKnown = false;  // asked again, once, when someone needs it
    }
    OnMovedWhileHandedOver();
    w.serverWidth = configure.width;
    w.serverHeight = configure.height;
    if (configure.width == w.width && configure.height == w.height) {
        w.sizeAsks = 0;
        return std::nullopt;
    }
    return OnForeignSize();
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
        FollowScale(false);  // the root's size over the compositor's logical one
        return TakeScaleChange();
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
            return OnConfigure(event.xconfigure);
        case DestroyNotify:
            OnDestroyed(event.xdestroywindow.window);
            return std::nullopt;
        case PropertyNotify:
            if (event.xproperty.window == x.root) {
                if (event.xproperty.atom != XA_RESOURCE_MANAGER) return std::nullopt;
                FollowScale(true);
                return TakeScaleChange();
            }
            OnManagerEvent(event);
            return std::nullopt;
        case MapNotify:
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

}  // namespace x11

namespace x11::api {

// NOTE: the X11 backend never runs a loop of its own: a move by the window manager or by
// us goes on while WaitEvent keeps delivering.
void SetModalEventHandler(EventHandler) {}

}  // namespace x11::api
