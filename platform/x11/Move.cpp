// The interactive move on X11, what ReleaseCapture and SendMessageA(WM_NCLBUTTONDOWN) are
// built on. A press takes the pointer; the first motion with the button down then hands
// the move to a window manager that lists _NET_WM_MOVERESIZE, or we follow the pointer
// ourselves. A click thus never reaches the manager, which would wait for the next click
// if its grab came after the release. Press, release and our requests may meet in any
// order (a fast click, a touchpad's tap, a remote display): every path below ends with
// the pointer free and the next click ours. Whoever runs the move, the point of the face
// that was pressed stays under the pointer.
#include <X11/Xlib.h>

#include <optional>

#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

constexpr long MoveResizeMove = 8;     // _NET_WM_MOVERESIZE_MOVE
constexpr long MoveResizeCancel = 11;  // _NET_WM_MOVERESIZE_CANCEL
// _NET_MOVERESIZE_WINDOW's flags: static gravity (the client area's corner), x and y
// given, from a normal application.
constexpr long ClientCornerXY = StaticGravity | 1L << 8 | 1L << 9 | 1L << 12;

enum class MoveState {
    Idle,
    Holding,     // we hold the pointer: the first motion moves the window
    HandedOver,  // the window manager was asked to run the move
    Finishing,   // the drag was over before we held it: its release, queued, ends it
};

struct Move {
    MoveState state = MoveState::Idle;
    bool managerMoves = false;   // hand over on the first motion
    bool managerPlaces = false;  // the manager lists _NET_MOVERESIZE_WINDOW
    native::Point startPointer, startWindow;
    native::Point placed;                // where the window was last put (at first: start)
    std::optional<native::Point> press;  // the last left press, root coordinates
};

Move& TheMove() {
    static Move move;
    return move;
}

// Whether the left button is down now, and where the pointer is (root coordinates).
bool LeftButtonDown(native::Point& pointer) {
    Window rootReturn, child;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int buttons = 0;
    if (!XQueryPointer(X().display, X().root, &rootReturn, &child, &rootX, &rootY, &winX, &winY,
                       &buttons))
        return false;  // the pointer is on another screen
    pointer = {rootX, rootY};
    return (buttons & Button1Mask) != 0;
}

void SendMoveResize(long action, native::Point pointer) {
    Connection& x = X();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = TheWindow().window;
    event.xclient.message_type = x.atoms._NET_WM_MOVERESIZE;
    event.xclient.format = 32;
    event.xclient.data.l[0] = pointer.x;
    event.xclient.data.l[1] = pointer.y;
    event.xclient.data.l[2] = action;
    event.xclient.data.l[3] = Button1;
    event.xclient.data.l[4] = 1;  // a normal application
    XSendEvent(x.display, x.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(x.display);
}

// NOTE: every ungrab is at CurrentTime: one stamped with the release's time is ignored
// when the release came before the grab, and the grab would stay for good.
void LetGo() {
    TheMove().state = MoveState::Idle;
    XUngrabPointer(X().display, CurrentTime);
    XFlush(X().display);
}

void Hold(native::WindowId window, native::Point pointer) {
    Connection& x = X();
    // NOTE: the drag goes on from where the server has the window now, asked in one round
    // trip: a manager that has just taken the window over may have told us of its frame in
    // an order that leaves our own idea of the place behind for a moment.
    TheWindow().positionKnown = false;
    native::Rect rect;
    if (!native::GetWindowRect(window, rect)) return;
    const bool managerMoves = WindowManagerSupports(x.atoms._NET_WM_MOVERESIZE);
    // NOTE: a move for the manager needs no grab of ours: the press's own (implicit) grab
    // brings us the motion and the release. A grab of ours would also move the server's
    // last grab time past the press, and a manager that grabs with the press's time
    // (xfwm4) would then be refused and never take the move over.
    if (!managerMoves &&
        XGrabPointer(x.display, TheWindow().window, False, Button1MotionMask | ButtonReleaseMask,
                     GrabModeAsync, GrabModeAsync, None, None, CurrentTime) != GrabSuccess)
        return;  // someone else holds the pointer: there is no drag of ours
    Move& move = TheMove();
    move.managerMoves = managerMoves;
    if (managerMoves) {
        static const Atom moveResizeWindow =
            XInternAtom(x.display, "_NET_MOVERESIZE_WINDOW", False);
        move.managerPlaces = WindowManagerSupports(moveResizeWindow);
    }
    // NOTE: from the press, not from where the pointer is now: a quick hand has moved on
    // before the program asks for the move, and that motion counts as well.
    move.startPointer = move.press.value_or(pointer);
    move.startWindow = {rect.left, rect.top};
    move.placed = move.startWindow;
    // The release may have come before the grab: look again now that we hold the pointer.
    // A drag that is over already, a flick, still goes as far as its release.
    native::Point now;
    if (!LeftButtonDown(now)) {
        LetGo();
        move.state = MoveState::Finishing;
        return;
    }
    move.state = MoveState::Holding;
}

// NOTE: managers read XMoveWindow's place of a framed window differently: fvwm as the
// client area's corner, the others as the frame's (ICCCM's north-west gravity), and a
// drag under fvwm would slip by the frame's title at each hand-over. A manager that lists
// _NET_MOVERESIZE_WINDOW is asked instead, with the client area's corner.
void PlaceOuterCorner(native::Point outer) {
    if (!TheMove().managerPlaces) {
        native::MoveWindow(TheWindow().window, outer);
        return;
    }
    Connection& x = X();
    WindowState& w = TheWindow();
    const native::Point client{outer.x + x.primary.left + w.frame.left,
                               outer.y + x.primary.top + w.frame.top};
    static const Atom moveResizeWindow = XInternAtom(x.display, "_NET_MOVERESIZE_WINDOW", False);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w.window;
    event.xclient.message_type = moveResizeWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = ClientCornerXY;
    event.xclient.data.l[1] = client.x;
    event.xclient.data.l[2] = client.y;
    XSendEvent(x.display, x.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    w.rootPosition = client;
    w.positionKnown = true;
}

// The window follows the pointer's travel since the press. A window already there is
// left alone: a click's request to stay put would still reach the manager.
void Follow(native::Point pointer) {
    Move& move = TheMove();
    const native::Point to{move.startWindow.x + pointer.x - move.startPointer.x,
                           move.startWindow.y + pointer.y - move.startPointer.y};
    if (to == move.placed) return;
    PlaceOuterCorner(to);
    move.placed = to;
}

// `motion`: where the latest motion took the pointer.
void HandOver(native::Point motion) {
    LetGo();  // the manager cannot grab a pointer that we hold
    native::Point pointer;
    if (!LeftButtonDown(pointer)) {  // the drag is already over: its release ends it
        Follow(motion);
        TheMove().state = MoveState::Finishing;
        return;
    }
    // NOTE: some managers (kwin_x11, fvwm) start the move from where the pointer is when
    // they take it over, not from the place that the request names, and would leave out
    // the motion so far. The window catches up with the pointer first, and the request
    // names the pointer's place now: both kinds of manager then go on from the same point.
    // The move request reaches the manager after the window's own, as sent.
    Follow(pointer);
    SendMoveResize(MoveResizeMove, pointer);
    TheMove().state = MoveState::HandedOver;
}

}  // namespace

void OnLeftPress(const XButtonEvent& press) {
    Move& move = TheMove();
    move.press = native::Point{press.x_root, press.y_root};
    if (move.state == MoveState::Finishing) move.state = MoveState::Idle;  // its release was lost
}

void OnLeftRelease(const XButtonEvent& release) {
    Move& move = TheMove();
    switch (move.state) {
        case MoveState::Holding:
            LetGo();
            return;
        case MoveState::HandedOver:
            // The release reached us, not the manager: it had not taken the pointer yet,
            // and would hold it in a move until the next click. The window catches up
            // with the motion that came meanwhile.
            Follow({release.x_root, release.y_root});
            SendMoveResize(MoveResizeCancel, {release.x_root, release.y_root});
            move.state = MoveState::Idle;
            return;
        case MoveState::Finishing:
            Follow({release.x_root, release.y_root});
            move.state = MoveState::Idle;
            return;
        case MoveState::Idle:
            return;
    }
}

void OnMoveMotion(const XMotionEvent& first) {
    Move& move = TheMove();
    if (move.state != MoveState::Holding) return;
    XMotionEvent motion = first;
    XEvent later;  // only the latest position matters
    while (XCheckTypedWindowEvent(X().display, TheWindow().window, MotionNotify, &later))
        motion = later.xmotion;
    if ((motion.state & Button1Mask) == 0) {
        LetGo();
        return;
    }
    if (move.managerMoves) {
        HandOver({motion.x_root, motion.y_root});
        return;
    }
    Follow({motion.x_root, motion.y_root});
}

void OnMovedWhileHandedOver() {
    Move& move = TheMove();
    if (move.state != MoveState::HandedOver) return;
    // Our own catching up before the hand-over says nothing of the manager's move.
    native::Rect rect;
    if (!native::GetWindowRect(TheWindow().window, rect) ||
        native::Point{rect.left, rect.top} == move.placed)
        return;
    native::Point pointer;
    if (LeftButtonDown(pointer)) return;  // the manager's move goes on
    move.state = MoveState::Idle;
    // The button is up. A manager that ended its move has let the pointer go; one that
    // still holds it missed the release (it reached another window before the manager's
    // grab) and is moving us with no button down.
    Connection& x = X();
    if (XGrabPointer(x.display, TheWindow().window, False, 0, GrabModeAsync, GrabModeAsync, None,
                     None, CurrentTime) == GrabSuccess) {
        XUngrabPointer(x.display, CurrentTime);
        XFlush(x.display);
        return;
    }
    SendMoveResize(MoveResizeCancel, pointer);
}

}  // namespace x11

namespace x11::api {

void ReleaseCapture() {
    x11::TheMove().state = x11::MoveState::Idle;
    XUngrabPointer(x11::X().display, CurrentTime);
}

void BeginMove(WindowId window) {
    if (!x11::IsOurs(window)) return;
    Point pointer;
    x11::LeftButtonDown(pointer);
    x11::Hold(window, pointer);
}

}  // namespace x11::api
