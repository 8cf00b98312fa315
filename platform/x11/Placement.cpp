// What a window manager does with the window once it is shown: the frame it may add
// despite our hints (_NET_FRAME_EXTENTS), where it first puts the window, and whether it
// maps it at all. Window.cpp asks for the mapping; the event loop reports back here.
#include <X11/Xatom.h>
#include <time.h>

#include <iterator>

#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

// After a show, when to look whether the window is mapped: so long after the show.
constexpr long long MapChecksMs[] = {250, 500, 1000, 2000, 4000, 8000};
constexpr long long NsPerMs = 1000000;
constexpr long NormalState = 1, IconicState = 3;  // WM_STATE's states (ICCCM)

// One 32-bit property of our window, at most `count` values; empty when unset.
template <int Count>
int ReadProperty32(Atom property, Atom type, long (&values)[Count]) {
    Atom actualType;
    int format = 0;
    unsigned long got = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(X().display, TheWindow().window, property, 0, Count, False, type,
                           &actualType, &format, &got, &after, &data) != Success)
        return 0;
    int read = 0;
    if (data != nullptr && format == 32 && actualType == type)
        for (; read < Count && static_cast<unsigned long>(read) < got; ++read)
            values[read] = reinterpret_cast<const long*>(data)[read];
    if (data != nullptr) XFree(data);
    return read;
}

void ReadFrameExtents() {
    long extents[4] = {};  // left, right, top, bottom
    WindowState& w = TheWindow();
    const bool known = ReadProperty32(X().atoms._NET_FRAME_EXTENTS, XA_CARDINAL, extents) == 4;
    w.frame = known ? FrameExtents{static_cast<std::int32_t>(extents[0]),
                                   static_cast<std::int32_t>(extents[1]),
                                   static_cast<std::int32_t>(extents[2]),
                                   static_cast<std::int32_t>(extents[3])}
                    : FrameExtents{};
}

// A manager that has taken the window (ICCCM's WM_STATE) decides when it shows.
bool Managed() {
    long state[1] = {};
    return ReadProperty32(X().atoms.WM_STATE, X().atoms.WM_STATE, state) == 1 &&
           (state[0] == NormalState || state[0] == IconicState);
}

// NOTE: some managers place the window elsewhere than it asked at first (i3 puts the
// client area where its default frame would have been, then drops that frame). Once
// mapped, the window asks once more for the place it asked for at creation, so that a
// restart comes back exactly where the window was.
void CheckFirstPlace() {
    WindowState& w = TheWindow();
    if (!w.wantedOuter) return;
    const native::Point wanted = *w.wantedOuter;
    w.wantedOuter.reset();
    if (w.parentIsRoot && !WindowManagerRuns()) return;  // nobody else places it
    ReadFrameExtents();
    w.positionKnown = false;
    native::Point client;
    if (!ClientRootPosition(client)) return;
    if (client.x - w.frame.left == wanted.x && client.y - w.frame.top == wanted.y) return;
    XMoveWindow(X().display, w.window, wanted.x, wanted.y);
}

}  // namespace

void ExpectMapping() {
    WindowState& w = TheWindow();
    if (w.shown) return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    w.showNs = now.tv_sec * 1000000000LL + now.tv_nsec;
    w.mapAsks = 0;
    w.nextMapCheckNs = w.showNs + MapChecksMs[0] * NsPerMs;
}

void OnManagerEvent(const XEvent& event) {
    WindowState& w = TheWindow();
    if (event.xany.window != w.window) return;
    if (event.type == MapNotify && !w.shown) {
        w.shown = true;
        w.nextMapCheckNs.reset();
        CheckFirstPlace();
    } else if (event.type == PropertyNotify &&
               event.xproperty.atom == X().atoms._NET_FRAME_EXTENTS) {
        ReadFrameExtents();
    }
}

std::optional<long long> NextMapCheckNs() {
    return TheWindow().nextMapCheckNs;
}

void CheckMapped(long long nowNs) {
    WindowState& w = TheWindow();
    if (!w.nextMapCheckNs || nowNs < *w.nextMapCheckNs) return;
    if (w.shown || Managed()) {
        w.nextMapCheckNs.reset();
        return;
    }
    XMapRaised(X().display, w.window);
    XFlush(X().display);
    ++w.mapAsks;
    if (w.mapAsks >= static_cast<int>(std::size(MapChecksMs)))
        w.nextMapCheckNs.reset();
    else
        w.nextMapCheckNs = w.showNs + MapChecksMs[w.mapAsks] * NsPerMs;
}

}  // namespace x11
