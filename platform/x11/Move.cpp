// The interactive move on X11, what ReleaseCapture and SendMessageA(WM_NCLBUTTONDOWN) are
// built on. A press takes the pointer; the first motion with the button down then hands
// the move to a window manager that lists _NET_WM_MOVERESIZE, or we follow the pointer
// ourselves. A click thus never reaches the manager, which would wait for the next click
// if its grab came after the release. Press, release and our requests may meet in any
// order (a fast click, a touchpad's tap, a remote display): every path below ends with
// the pointer free and the next click ours. Whoever runs the move, the point of the face
// that was pressed stays under the pointer.
#include <X11/Xlib.h>

#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

constexpr long MoveResizeMove = 8;     // _NET_WM_MOVERESIZE_MOVE
constexpr long MoveResizeCancel = 11;  // _NET_WM_MOVERESIZE_CANCEL

enum class MoveState {
    Idle,
    Holding,     // we hold the pointer: the first motion moves the window
    HandedOver,  // the window manager was asked to run the move
};

struct Move {
    MoveState state = MoveState::Idle;
    bool managerMoves = false;  // hand over on the first motion
    native::Point startPointer, startWindow;
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
    // The release may have come between our look at the button and the grab: its event
    // went to the window without ending anything. Look again now that we hold the pointer.
    native::Point now;
    if (!LeftButtonDown(now)) {
        LetGo();
        return;
    }
    Move& move = TheMove();
    move.state = MoveState::Holding;
    move.managerMoves = managerMoves;
    move.startPointer = pointer;
    move.startWindow = {rect.left, rect.top};
}

// The window follows the pointer's travel since the press.
void Follow(native::Point pointer) {
    const Move& move = TheMove();
    native::MoveWindow(TheWindow().window, {move.startWindow.x + pointer.x - move.startPointer.x,
                                            move.startWindow.y + pointer.y - move.startPointer.y});
}

// `motion`: where the latest motion took the pointer.
void HandOver(native::Point motion) {
    LetGo();  // the manager cannot grab a pointer that we hold
    native::Point pointer;
    if (!LeftButtonDown(pointer)) {  // the drag is already over: it went as far as this
        Follow(motion);
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

namespace native {

void ReleaseCapture() {
    x11::TheMove().state = x11::MoveState::Idle;
    XUngrabPointer(x11::X().display, CurrentTime);
}

void BeginMove(WindowId window) {
    if (!x11::IsOurs(window)) return;
    Point pointer;
    // A click that is already over has nothing to drag.
    if (x11::LeftButtonDown(pointer)) x11::Hold(window, pointer);
}

}  // namespace native
