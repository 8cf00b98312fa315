// Staying above ordinary windows where nobody keeps us in a band: with no window manager,
// or one that does not list _NET_WM_STATE_ABOVE. Covered by an ordinary top-level window
// (one that is not override-redirect: an application's, or a manager's frame), the window
// goes back above it; never above an override-redirect one (a screen locker, a menu, a
// tooltip), and never more than a few times a second, so that two programs that both
// raise themselves do not spin.
#include <X11/Xlib.h>

#include <chrono>
#include <optional>

#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

using Clock = std::chrono::steady_clock;
constexpr Clock::duration RaiseInterval = std::chrono::milliseconds(250);
// NOTE: under an override-redirect window no visibility change tells us of an ordinary
// window mapped over us as well: while covered, look again now and then.
constexpr Clock::duration CoveredLookInterval = std::chrono::seconds(1);

struct Raising {
    bool covered = false;                       // the server's last word on our visibility
    std::optional<Clock::time_point> lastLook;  // our last look at what covers us
    std::optional<Clock::time_point> nextLook;  // one put off by the rate limit, or a recheck
};

Raising& TheRaising() {
    static Raising raising;
    return raising;
}

bool Overlap(const XWindowAttributes& a, const XWindowAttributes& b) {
    const int aRight = a.x + a.width + 2 * a.border_width;
    const int aBottom = a.y + a.height + 2 * a.border_width;
    const int bRight = b.x + b.width + 2 * b.border_width;
    const int bBottom = b.y + b.height + 2 * b.border_width;
    return a.x < bRight && b.x < aRight && a.y < bBottom && b.y < aBottom;
}

// The child of the root that holds our window: the window itself, or a manager's frame.
Window OurTopLevel() {
    Window window = TheWindow().window;
    for (;;) {
        Window rootReturn, parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(X().display, window, &rootReturn, &parent, &children, &count)) return None;
        if (children != nullptr) XFree(children);
        if (parent == X().root || parent == None) return window;
        window = parent;
    }
}

// The highest ordinary top-level window that stands above ours and overlaps it; None
// when only override-redirect windows (or none) do. NOTE: i3 makes its frames
// override-redirect and takes a raise request for a plea for the focus: under it we
// never ask.
Window HighestOrdinaryCover(Window ours) {
    Display* display = X().display;
    Window rootReturn, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, X().root, &rootReturn, &parent, &children, &count)) return None;
    Window cover = None;
    XWindowAttributes our{};
    bool above = false;  // children come bottom first
    for (unsigned int i = 0; i < count; ++i) {
        if (children[i] == ours) {
            above = XGetWindowAttributes(display, ours, &our) != 0;
            continue;
        }
        if (!above) continue;
        XWindowAttributes other{};
        if (XGetWindowAttributes(display, children[i], &other) && other.map_state == IsViewable &&
            other.c_class == InputOutput && !other.override_redirect && Overlap(our, other))
            cover = children[i];
    }
    if (children != nullptr) XFree(children);
    return cover;
}

void RaiseAboveOrdinaryWindows() {
    Connection& x = X();
    const Window ours = OurTopLevel();
    if (ours == None) return;
    const Window cover = HighestOrdinaryCover(ours);
    if (cover == None) return;
    // Right above that window, still under any override-redirect one. NOTE: inside a
    // manager's frame the window is no sibling of the cover; Xlib then hands the request
    // to the manager (ICCCM 4.1.5), which stacks its frames as it sees fit.
    XWindowChanges changes{};
    changes.sibling = cover;
    changes.stack_mode = Above;
    XReconfigureWMWindow(x.display, TheWindow().window, x.screen, CWSibling | CWStackMode,
                         &changes);
    XFlush(x.display);
}

bool SomeoneKeepsUsOnTop() {
    return WindowManagerSupports(X().atoms._NET_WM_STATE_ABOVE);
}

void Look() {
    Raising& raising = TheRaising();
    const Clock::time_point now = Clock::now();
    raising.lastLook = now;
    raising.nextLook.reset();
    const WindowState& w = TheWindow();
    if (!w.topmost || !w.mapped || SomeoneKeepsUsOnTop()) return;
    RaiseAboveOrdinaryWindows();
    if (raising.covered) raising.nextLook = now + CoveredLookInterval;
}

}  // namespace

void KeepOnTopWithoutWindowManager() {
    Raising& raising = TheRaising();
    if (raising.lastLook && Clock::now() - *raising.lastLook < RaiseInterval) {
        raising.nextLook = *raising.lastLook + RaiseInterval;
        return;
    }
    Look();
}

void OnVisibility(int state) {
    Raising& raising = TheRaising();
    raising.covered = state != VisibilityUnobscured;
    if (raising.covered)
        KeepOnTopWithoutWindowManager();
    else
        raising.nextLook.reset();  // nothing covers us: nothing to look at
}

int MsUntilNextLook() {
    const auto& next = TheRaising().nextLook;
    if (!next) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void LookIfDue() {
    const auto& next = TheRaising().nextLook;
    if (next && Clock::now() >= *next) Look();
}

}  // namespace x11
