// The seat's pointer, followed as devices come and go: presses on the face (a second left
// press within the double-click limits is a double-click), the drag that BeginMove starts
// after a left press, and the pointer's place on the face (where cursor sessions, which
// report only once the compositor has drawn the cursor, would tell it a frame late) and
// wherever no cursor session tells it. The press's implicit grab keeps the pointer's
// events coming while the button is held; the surface follows by its margins, the point
// pressed staying under the pointer, and stays the grab's surface until the release
// (Window.cpp makes it anew on another output only then).
#include <linux/input-event-codes.h>
#include <time.h>

#include <cmath>

#include "platform/DoubleClick.h"
#include "platform/posix/Clock.h"
#include "platform/wayland/WaylandPlatform.h"
#include "relative-pointer-unstable-v1-client-protocol.h"

namespace wayland {
namespace {

// NOTE: while a press's implicit grab holds the surface, compositors count its
// surface-local positions from different places: sway from where the surface was at the
// press, labwc from where it was at the last frame, wayfire and the protocol's letter from
// where it is now. A drag that took one for another would run away or lag behind. Two
// sources count from no surface: the cursor sessions' places, which lead the drag where
// they come, at one place an output frame; else the pointer's relative motions
// (zwp_relative_pointer_v1), added up from its place at the press and kept on the layout
// as the compositor keeps the pointer. Only without either do the surface-local
// positions lead, counted from the place the compositor has taken (Window.cpp's sync).
// A release after a motion that no cursor place has shown yet waits that long for the place.
constexpr long long DropGraceNs = 50 * 1000000LL;  // a frame or three after the release

struct PointerState {
    wl_pointer* pointer = nullptr;
    zwp_relative_pointer_v1* relative = nullptr;  // its motions, where the compositor offers them
    bool onFace = false;                          // the pointer is on the window's surface
    LayoutPlace local;                            // where on it, surface (logical) pixels
    std::optional<native::Point> place;           // the last known place, layout pixels
    bool leftDown = false;                        // a left press on the face, not released yet
    LayoutPlace pressed;                          // the press's point of the surface
    std::optional<native::Point> target;          // where the window goes next, layout pixels
    bool moving = false;                          // BeginMove came after that press
    bool dropped = false;                         // released: one last move to where it was dropped
    long long dropEndsNs = 0;   // the first cursor place until then is the drop's own
    bool motionUnseen = false;  // a motion that no cursor place has shown yet
    bool localUnread = false;   // `local` came while a move was not yet taken
    bool motionsCame = false;   // a relative motion came since the left press
    LayoutPlace held;           // the pointer while the left press holds, from its motions
    // The relay's last place, and whether it came after the surface's last position while
    // the surface led: it leads again once the pointer is off the face and nothing is held.
    native::Point relayed;
    bool relayedUnread = false;
    native::DoubleClicks clicks;
};

PointerState& P() {
    static PointerState state;
    return state;
}

using posixclock::NowNs;

// The pointer's place in the layout, from its place on the surface.
LayoutPlace LayoutOfLocal() {
    const PointerState& p = P();
    const native::Point& corner = TheWindow().appliedPlace;
    return {corner.x + p.local.x, corner.y + p.local.y};
}

native::Point Rounded(LayoutPlace place) {
    return {static_cast<std::int32_t>(std::lround(place.x)),
            static_cast<std::int32_t>(std::lround(place.y))};
}

// The drag is over: the window, left where it was dropped, goes onto the output that
// holds it now.
void EndDrag() {
    PointerState& p = P();
    p.moving = p.dropped = false;
    p.target.reset();
    OnWindowLetGo();
    TakeRelayedPlace();
}

// The window goes to the aim: the pressed point under the pointer. While the compositor
// has not yet taken the last move, the next one waits for the sync (OnPlaceApplied) and
// goes to the latest aim.
void Follow() {
    PointerState& p = P();
    if (!p.moving || TheWindow().moveSync != nullptr) return;
    if (p.target) {
        const native::Point origin = Origin();
        const native::Point target = *p.target;
        p.target.reset();
        api::MoveWindow(1, {target.x - origin.x, target.y - origin.y});
    }
    // NOTE: with cursor sessions, the release's own place may come a frame later.
    if (p.dropped && (!CursorSessionsOffered() || NowNs() >= p.dropEndsNs)) EndDrag();
}

void Aim(LayoutPlace pointer) {
    PointerState& p = P();
    if (p.dropped && CursorSessionsOffered() && NowNs() >= p.dropEndsNs) {
        // A place after the drop's own: the pointer moved on. The drop's own place, if the
        // compositor has yet to take it, still goes first.
        if (!p.target) EndDrag();
        return;
    }
    if (!p.moving) return;
    p.target = Rounded({pointer.x - p.pressed.x, pointer.y - p.pressed.y});
    // NOTE: the first place after the release is the drop's own; a hand that moves on at
    // once must not take the kitten along.
    if (p.dropped) p.dropEndsNs = 0;
    Follow();
}

// The pointer's place from its place on the face, and the drag's aim.
void ReadLocal() {
    P().relayedUnread = false;
    SetPointerPlace(Rounded(LayoutOfLocal()));
    Aim(LayoutOfLocal());
}

// Without cursor sessions, while a left press on the face holds, the pointer's relative
// motions tell where it is, once the compositor has sent one.
bool HeldByMotions() {
    const PointerState& p = P();
    return p.leftDown && p.motionsCame && !CursorSessionsOffered();
}

void OnPosition(wl_fixed_t x, wl_fixed_t y) {
    PointerState& p = P();
    p.local = {wl_fixed_to_double(x), wl_fixed_to_double(y)};
    // NOTE: without cursor sessions the pointer is known only while it is on the face.
    if (CursorSessionsOffered() && !PlaceFromSurface()) return;
    if (HeldByMotions()) return;
    // NOTE: while the compositor has yet to take a move, a position may count from the old
    // place or from the new one (wayfire tells one from the new place as soon as the
    // surface moves under the pointer); read from the old one, the drag would chase its
    // own moves. It is read once the move is taken, from the new place.
    p.localUnread = TheWindow().moveSync != nullptr;
    if (!p.localUnread) ReadLocal();
}

void OnEnter(void*, wl_pointer*, std::uint32_t, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
    PointerState& p = P();
    p.onFace = surface != nullptr && surface == TheWindow().surface;
    if (p.onFace) OnPosition(x, y);
}

void OnLeave(void*, wl_pointer*, std::uint32_t, wl_surface*) {
    P().onFace = false;
    TakeRelayedPlace();
}

void OnMotion(void*, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
    P().motionUnseen = true;
    if (P().onFace) OnPosition(x, y);
}

void OnButton(void*, wl_pointer*, std::uint32_t, std::uint32_t time, std::uint32_t button,
              std::uint32_t state) {
    PointerState& p = P();
    const WindowState& w = TheWindow();
    const bool pressed = state == WL_POINTER_BUTTON_STATE_PRESSED;
    if (button == BTN_LEFT && !pressed) {
        // The drag ends where the last motion took the pointer.
        p.leftDown = false;
        p.dropped = p.moving;
        // NOTE: when the cursor sessions have shown every motion already, the window is
        // where it was dropped; else the release's own place comes an output frame later.
        p.dropEndsNs = p.motionUnseen ? NowNs() + DropGraceNs : 0;
        Follow();
        return;
    }
    if (!pressed || !p.onFace) return;
    native::Event event{native::EventKind::MouseDown};
    switch (button) {
        case BTN_LEFT:
            event.button = 1;
            break;
        case BTN_RIGHT:
            event.button = 2;
            break;
        case BTN_MIDDLE:
            event.button = 4;
            break;
        default:
            return;  // extra buttons
    }
    // Client pixels are the buffer's.
    event.x = static_cast<std::int32_t>(std::floor(p.local.x * w.contentScale));
    event.y = static_cast<std::int32_t>(std::floor(p.local.y * w.contentScale));
    if (button == BTN_LEFT) {
        // NOTE: a release may have been missed while the surface was made anew.
        p.moving = p.dropped = false;
        p.target.reset();
        p.leftDown = true;
        p.pressed = p.local;
        p.held = LayoutOfLocal();
        p.motionsCame = false;
        if (p.clicks.Ends({time, Rounded(LayoutOfLocal())}, native::DoubleClickLimits{}))
            event.kind = native::EventKind::DblClick;
    }
    Post(event);
}

// NOTE: the motion as the compositor moved the pointer (accelerated), also where the
// layout's edge then stopped it: the sum is kept on the layout as the compositor keeps the
// pointer.
void OnRelativeMotion(void*, zwp_relative_pointer_v1*, std::uint32_t, std::uint32_t, wl_fixed_t dx,
                      wl_fixed_t dy, wl_fixed_t, wl_fixed_t) {
    PointerState& p = P();
    if (!p.leftDown || CursorSessionsOffered()) return;
    p.motionsCame = true;
    p.held = ClosestInLayout({p.held.x + wl_fixed_to_double(dx), p.held.y + wl_fixed_to_double(dy)},
                             OutputGeometries());
    SetPointerPlace(Rounded(p.held));
    Aim(p.held);
}

const zwp_relative_pointer_v1_listener RelativeListener = {.relative_motion = OnRelativeMotion};

// NOTE: the seat is bound at version 5 at most: the later events (axis_relative_direction
// and whatever newer headers add) never come, and their members stay null.
const wl_pointer_listener PointerListener = [] {
    wl_pointer_listener listener{};
    listener.enter = OnEnter;
    listener.leave = OnLeave;
    listener.motion = OnMotion;
    listener.button = OnButton;
    listener.axis = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {};
    listener.frame = [](void*, wl_pointer*) {};
    listener.axis_source = [](void*, wl_pointer*, std::uint32_t) {};
    listener.axis_stop = [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {};
    listener.axis_discrete = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {};
    listener.axis_value120 = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {};
    return listener;
}();

}  // namespace

// NOTE: asking for the pointer without the capability is a fatal protocol error; a
// headless seat has none until a (virtual) device comes.
void OnSeatCapabilities(std::uint32_t capabilities) {
    PointerState& p = P();
    const bool has = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (has && p.pointer == nullptr) {
        p.pointer = wl_seat_get_pointer(W().seat);
        wl_pointer_add_listener(p.pointer, &PointerListener, nullptr);
        if (W().relativePointers != nullptr) {
            p.relative = zwp_relative_pointer_manager_v1_get_relative_pointer(W().relativePointers,
                                                                              p.pointer);
            zwp_relative_pointer_v1_add_listener(p.relative, &RelativeListener, nullptr);
        }
        StartCursorSessions();
    } else if (!has && p.pointer != nullptr) {
        StopCursorSessions();
        if (p.relative != nullptr) zwp_relative_pointer_v1_destroy(p.relative);
        p.relative = nullptr;
        if (wl_pointer_get_version(p.pointer) >= WL_POINTER_RELEASE_SINCE_VERSION)
            wl_pointer_release(p.pointer);
        else
            wl_pointer_destroy(p.pointer);
        p.pointer = nullptr;
        p.onFace = p.leftDown = p.moving = p.dropped = false;
        OnWindowLetGo();
    }
}

wl_pointer* ThePointer() {
    return P().pointer;
}

std::optional<native::Point> PointerPlace() {
    return P().place;
}

void OnSessionPlace(native::Point layout) {
    P().motionUnseen = false;
    SetPointerPlace(layout);
}

void OnRelayPlace(native::Point layout) {
    PointerState& p = P();
    p.relayed = layout;
    p.relayedUnread = true;
    TakeRelayedPlace();
}

void TakeRelayedPlace() {
    PointerState& p = P();
    if (!p.relayedUnread || PlaceFromSurface() || HoldsTheWindow()) return;
    p.relayedUnread = false;
    SetPointerPlace(p.relayed);
}

void SetPointerPlace(native::Point layout) {
    PointerState& p = P();
    if (p.place == layout) return;
    p.place = layout;
    Moved();
    if (CursorSessionsOffered()) Aim({double(layout.x), double(layout.y)});
}

// The surface's positions count from its confirmed place only while nothing moves it: no
// press that may start a drag, no drag or drop still running (Aim ends a drop's grace at
// the next place), no move the compositor has yet to take.
bool PlaceFromSurface() {
    const PointerState& p = P();
    const bool dragging = p.moving && (!p.dropped || NowNs() < p.dropEndsNs);
    return p.onFace && !p.leftDown && !dragging && TheWindow().moveSync == nullptr;
}

// NOTE: a press's implicit grab goes with its surface, and the release with it.
void OnSurfaceGone(wl_surface*) {
    PointerState& p = P();
    p.onFace = p.leftDown = p.moving = p.dropped = false;
    p.target.reset();
}

bool HoldsTheWindow() {
    const PointerState& p = P();
    return p.leftDown || p.moving;
}

void OnPlaceApplied() {
    PointerState& p = P();
    if (p.localUnread && p.onFace) {
        p.localUnread = false;
        ReadLocal();
    }
    Follow();
}

}  // namespace wayland

namespace wayland::api {

// GetCursorPos: the last place known, from the primary output's corner.
bool GetPointer(Point& position) {
    const auto place = wayland::PointerPlace();
    if (!place) return false;
    const Point origin = Origin();
    position = {place->x - origin.x, place->y - origin.y};
    return true;
}

void ReleaseCapture() {
    wayland::P().moving = wayland::P().dropped = false;
}

void BeginMove(WindowId window) {
    wayland::PointerState& p = wayland::P();
    if (window == 0 || !TheWindow().exists || !p.leftDown) return;
    p.moving = true;
}

}  // namespace wayland::api
