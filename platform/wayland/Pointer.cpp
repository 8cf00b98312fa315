// The seat's pointer, followed as devices come and go: presses on the face (a second left
// press within the double-click limits is a double-click), the drag that BeginMove starts
// after a left press, and the pointer's place where no cursor session tells it. The
// press's implicit grab keeps the pointer's events coming while the button is held; the
// surface follows by its margins, the point pressed staying under the pointer.
#include <linux/input-event-codes.h>

#include <cmath>

#include "platform/DoubleClick.h"
#include "platform/wayland/WaylandPlatform.h"

namespace wayland {
namespace {

// NOTE: compositors count positions during a press's implicit grab in two ways: sway from
// where the surface was at the press (its pointer moves the surface-local point on by the
// pointer's travel), labwc and the protocol's letter from where it is now. A drag that took
// one for the other would run away or lag; the first move of a drag tells them apart
// against a cursor session's place, once for the session.
enum class GrabCounting { Unknown, FromPress, FromCurrent };

struct PointerState {
    wl_pointer* pointer = nullptr;
    bool onFace = false;                  // the pointer is on the window's surface
    LayoutPlace local;                    // where on it, surface (logical) pixels
    std::optional<native::Point> place;   // the last known place, layout pixels
    bool leftDown = false;                // a left press on the face, not released yet
    LayoutPlace pressed;                  // the press's point of the surface
    std::optional<native::Point> target;  // where the window goes next, layout pixels
    bool moving = false;                  // BeginMove came after that press
    bool dropped = false;                 // released: one last move to where it was dropped
    native::Point pressPlace;             // where the window was at the press
    bool grabbed = false;                 // the press's implicit grab still holds the surface
    GrabCounting counting = GrabCounting::Unknown;
    native::DoubleClicks clicks;
};

PointerState& P() {
    static PointerState state;
    return state;
}

LayoutPlace FromCorner(native::Point corner) {
    const PointerState& p = P();
    return {corner.x + p.local.x, corner.y + p.local.y};
}

double DistanceSquared(LayoutPlace a, native::Point b) {
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}

// Tells how the compositor counts during a grab, once the two ways differ enough.
void LearnCounting() {
    PointerState& p = P();
    constexpr double Apart = 8, Clearly = 4;  // pixels
    const native::Point applied = TheWindow().appliedPlace;
    if (p.counting != GrabCounting::Unknown || !p.grabbed || !p.place) return;
    const LayoutPlace fromPress = FromCorner(p.pressPlace), fromCurrent = FromCorner(applied);
    if (std::hypot(fromPress.x - fromCurrent.x, fromPress.y - fromCurrent.y) < Apart) return;
    const double press = std::sqrt(DistanceSquared(fromPress, *p.place));
    const double current = std::sqrt(DistanceSquared(fromCurrent, *p.place));
    if (std::abs(press - current) >= Clearly)
        p.counting = press < current ? GrabCounting::FromPress : GrabCounting::FromCurrent;
}

// The pointer's place in the layout, from its place on the surface.
LayoutPlace LayoutOfLocal() {
    const PointerState& p = P();
    if (p.grabbed && p.counting == GrabCounting::FromPress) return FromCorner(p.pressPlace);
    return FromCorner(TheWindow().appliedPlace);
}

native::Point Rounded(LayoutPlace place) {
    return {static_cast<std::int32_t>(std::lround(place.x)),
            static_cast<std::int32_t>(std::lround(place.y))};
}

// Where the window goes: the pressed point under the pointer, reckoned as the position
// comes (it counts from the place the compositor had then).
void Aim() {
    PointerState& p = P();
    if (!p.moving || !p.onFace) return;
    if (CursorSessionsOffered()) LearnCounting();
    const LayoutPlace pointer = LayoutOfLocal();
    p.target = Rounded({pointer.x - p.pressed.x, pointer.y - p.pressed.y});
}

// The window goes to the aim. While the compositor has not yet taken the last move, the
// next one waits for the sync (Window.cpp, OnPlaceApplied) and goes to the latest aim.
void Follow() {
    PointerState& p = P();
    if (!p.moving || TheWindow().moveSync != nullptr) return;
    if (p.target) {
        const native::Point origin = Origin();
        api::MoveWindow(1, {p.target->x - origin.x, p.target->y - origin.y});
        p.target.reset();
    }
    if (p.dropped) p.moving = p.dropped = p.grabbed = false;
}

void OnPosition(wl_fixed_t x, wl_fixed_t y) {
    PointerState& p = P();
    p.local = {wl_fixed_to_double(x), wl_fixed_to_double(y)};
    // NOTE: without cursor sessions the pointer is known only while it is on the face.
    if (!CursorSessionsOffered()) SetPointerPlace(Rounded(LayoutOfLocal()));
    Aim();
    Follow();
}

void OnEnter(void*, wl_pointer*, std::uint32_t, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
    PointerState& p = P();
    p.onFace = surface != nullptr && surface == TheWindow().surface;
    if (p.onFace) OnPosition(x, y);
}

void OnLeave(void*, wl_pointer*, std::uint32_t, wl_surface*) {
    P().onFace = false;
}

void OnMotion(void*, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
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
        Follow();
        p.grabbed = p.moving;  // until the last move
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
        p.pressPlace = w.appliedPlace;
        p.grabbed = true;
        if (p.clicks.Ends({time, Rounded(LayoutOfLocal())}, native::DoubleClickLimits{}))
            event.kind = native::EventKind::DblClick;
    }
    Post(event);
}

const wl_pointer_listener PointerListener = {
    .enter = OnEnter,
    .leave = OnLeave,
    .motion = OnMotion,
    .button = OnButton,
    .axis = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, std::uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    .axis_value120 = [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
};

}  // namespace

// NOTE: asking for the pointer without the capability is a fatal protocol error; a
// headless seat has none until a (virtual) device comes.
void OnSeatCapabilities(std::uint32_t capabilities) {
    PointerState& p = P();
    const bool has = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (has && p.pointer == nullptr) {
        p.pointer = wl_seat_get_pointer(W().seat);
        wl_pointer_add_listener(p.pointer, &PointerListener, nullptr);
        StartCursorSessions();
    } else if (!has && p.pointer != nullptr) {
        StopCursorSessions();
        if (wl_pointer_get_version(p.pointer) >= WL_POINTER_RELEASE_SINCE_VERSION)
            wl_pointer_release(p.pointer);
        else
            wl_pointer_destroy(p.pointer);
        p.pointer = nullptr;
        p.onFace = p.leftDown = p.moving = p.dropped = false;
    }
}

wl_pointer* ThePointer() {
    return P().pointer;
}

std::optional<native::Point> PointerPlace() {
    return P().place;
}

void SetPointerPlace(native::Point layout) {
    if (P().place == layout) return;
    P().place = layout;
    Moved();
}

// NOTE: the grab ends with its surface; a surface made anew counts from where it is.
void OnSurfaceGone(wl_surface*) {
    P().onFace = false;
    P().grabbed = false;
}

void OnPlaceApplied() {
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
