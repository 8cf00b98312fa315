// Creating, placing, showing, shaping and drawing the window, and what the window
// manager is told about it. Its pixels are Pixels.cpp's.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/Colour.h"
#include "platform/User32.h"
#include "platform/posix/WaylandSession.h"
#include "platform/x11/X11Platform.h"

namespace x11 {

WindowState& TheWindow() {
    static WindowState state;
    return state;
}

namespace {

void SetProperty32(Window window, Atom property, Atom type, const long* data, int count) {
    XChangeProperty(X().display, window, property, type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data), count);
}

// Frameless, fixed size, no task-bar or pager entry; a close command is asked, not done.
void SetWindowManagerHints(Window window, const native::WindowRequest& request) {
    Connection& x = X();
    XStoreName(x.display, window, request.title.c_str());
    XChangeProperty(x.display, window, x.atoms._NET_WM_NAME, x.atoms.UTF8_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(request.title.data()),
                    static_cast<int>(request.title.size()));
    XClassHint classHint;
    classHint.res_name = const_cast<char*>(request.className.c_str());
    classHint.res_class = const_cast<char*>(request.className.c_str());
    XSetClassHint(x.display, window, &classHint);

    XWMHints* wm = XAllocWMHints();
    wm->flags = InputHint | StateHint;
    // NOTE: under a Wayland session the window asks for no keyboard focus (it takes no
    // keys): Xwayland before 24.1 does not hand our input shape to the compositor, so
    // KWin 5.27 and mutter 43 take a press beside the face as the kitten's, and a window
    // that wants focus would take it from the window the user works in.
    wm->input = waylandsession::Name() ? False : True;
    wm->initial_state = NormalState;
    // NOTE: XSetWMProperties and XSetWMProtocols would intern their atoms again, one
    // round trip each; these calls use the atoms we already hold.
    SetFixedSize(window, request.position, request.width, request.height);
    XSetWMHints(x.display, window, wm);
    XFree(wm);

    // _MOTIF_WM_HINTS: functions move and close only, no decorations.
    // NOTE: no _NET_WM_WINDOW_TYPE: no type takes fvwm's frame off, and DOCK, SPLASH and
    // NOTIFICATION cost the move under metacity, xfwm4 or openbox.
    const long motif[5] = {1 | 2, 4 | 32, 0, 0, 0};
    SetProperty32(window, x.atoms._MOTIF_WM_HINTS, x.atoms._MOTIF_WM_HINTS, motif, 5);
    const long pid = getpid();
    SetProperty32(window, x.atoms._NET_WM_PID, XA_CARDINAL, &pid, 1);
    Atom protocols[] = {x.atoms.WM_DELETE_WINDOW, x.atoms._NET_WM_PING};
    XChangeProperty(x.display, window, x.atoms.WM_PROTOCOLS, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(protocols), 2);
    AddWindowState(x.atoms._NET_WM_STATE_SKIP_TASKBAR);
    AddWindowState(x.atoms._NET_WM_STATE_SKIP_PAGER);

    if (request.icon != nullptr && request.icon->width > 0 && request.icon->height > 0) {
        const native::Image& icon = *request.icon;
        std::vector<long> data{icon.width, icon.height};
        for (std::size_t i = 0; i < icon.pixels.size(); ++i) {
            const bool opaque = icon.opaque.empty() || icon.opaque[i] != 0;
            const unsigned long argb = (opaque ? 0xFF000000ul : 0) | native::ToRgb(icon.pixels[i]);
            data.push_back(static_cast<long>(argb));
        }
        SetProperty32(window, x.atoms._NET_WM_ICON, XA_CARDINAL, data.data(),
                      static_cast<int>(data.size()));
    }
}

}  // namespace

void AddWindowState(Atom state) {
    Connection& x = X();
    WindowState& w = TheWindow();
    // Before mapping, and while no manager runs, the property is ours: a manager reads it
    // when it takes the window, also one that starts after us.
    if (!w.mapped || !WindowManagerRuns()) {
        XChangeProperty(x.display, w.window, x.atoms._NET_WM_STATE, XA_ATOM, 32, PropModeAppend,
                        reinterpret_cast<const unsigned char*>(&state), 1);
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w.window;
    event.xclient.message_type = x.atoms._NET_WM_STATE;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
    event.xclient.data.l[1] = static_cast<long>(state);
    event.xclient.data.l[3] = 1;  // a normal application
    XSendEvent(x.display, x.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

bool ClientRootPosition(native::Point& position) {
    WindowState& w = TheWindow();
    if (!w.positionKnown) {  // one round trip, only after a reparenting manager moved us
        int rootX = 0, rootY = 0;
        Window child;
        if (!XTranslateCoordinates(X().display, w.window, X().root, 0, 0, &rootX, &rootY, &child))
            return false;
        w.rootPosition = {rootX, rootY};
        w.positionKnown = true;
    }
    position = w.rootPosition;
    return true;
}

}  // namespace x11

namespace x11::api {

using x11::IsOurs;
using x11::TheWindow;
using x11::X;

WindowId CreateHiddenWindow(const WindowRequest& request) {
    x11::Connection& x = X();
    x11::WindowState& w = TheWindow();
    if (w.window != 0 || request.width <= 0 || request.height <= 0) return 0;
    const long rootX = static_cast<long>(request.position.x) + x.primary.left;
    const long rootY = static_cast<long>(request.position.y) + x.primary.top;
    if (!x11::FitsX11(rootX) || !x11::FitsX11(rootY)) return 0;
    XSetWindowAttributes attributes{};
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | Button1MotionMask |
                            StructureNotifyMask | VisibilityChangeMask | PropertyChangeMask |
                            ExposureMask;
    // NOTE: until its content comes, an ARGB window shows nothing (alpha 0), not black.
    attributes.background_pixel = x.argb ? 0 : x11::PixelOf(0);
    unsigned long mask = CWEventMask | CWBackPixel;
    if (x.argb) {  // a visual other than the root's needs a colormap and border of its own
        attributes.colormap = x.colormap;
        attributes.border_pixel = 0;
        mask |= CWColormap | CWBorderPixel;
    }
    w.window = XCreateWindow(x.display, x.root, static_cast<int>(rootX), static_cast<int>(rootY),
                             request.width, request.height, 0, x.depth, InputOutput, x.visual, mask,
                             &attributes);
    if (w.window == 0) return 0;
    w.width = w.serverWidth = request.width;
    w.height = w.serverHeight = request.height;
    w.drawnScale = x.scale;
    w.rootPosition = {static_cast<std::int32_t>(rootX), static_cast<std::int32_t>(rootY)};
    w.wantedOuter = w.rootPosition;
    w.gc = XCreateGC(x.display, w.window, 0, nullptr);
    if (request.content != nullptr && request.content->width > 0) {
        // An ARGB window's edge is blended by its shape, which the program sets next.
        if (x.argb)
            w.pending = std::move(*request.content);
        else
            x11::UploadContent(*request.content, nullptr);
    }
    x11::SetWindowManagerHints(w.window, request);
    return w.window;
}

// The outer corner, frame and all, goes to `topLeft`, as on Windows. Our size hints keep
// the default north-west gravity, by which a manager puts its frame's corner where the
// window asks to be (ICCCM); the client area then lies inside by the frame's extents.
bool MoveWindow(WindowId window, Point topLeft) {
    if (!IsOurs(window)) return false;
    x11::WindowState& w = TheWindow();
    const long rootX = static_cast<long>(topLeft.x) + X().primary.left;
    const long rootY = static_cast<long>(topLeft.y) + X().primary.top;
    // NOTE: X11 window coordinates are 16-bit; a place beyond them is refused.
    if (!x11::FitsX11(rootX) || !x11::FitsX11(rootY)) return false;
    XMoveWindow(X().display, w.window, static_cast<int>(rootX), static_cast<int>(rootY));
    const native::Point outer{static_cast<std::int32_t>(rootX), static_cast<std::int32_t>(rootY)};
    w.rootPosition = {outer.x + w.frame.left, outer.y + w.frame.top};
    w.positionKnown = true;
    if (!w.shown) w.wantedOuter = outer;
    return true;
}

// The outer rectangle: the client area with the frame that a window manager put round it.
bool GetWindowRect(WindowId window, Rect& rect) {
    if (!IsOurs(window)) return false;
    const x11::WindowState& w = TheWindow();
    Point client;
    if (!x11::ClientRootPosition(client)) return false;
    const std::int32_t left = client.x - w.frame.left - X().primary.left;
    const std::int32_t top = client.y - w.frame.top - X().primary.top;
    rect = {left, top, left + w.frame.left + w.width + w.frame.right,
            top + w.frame.top + w.height + w.frame.bottom};
    return true;
}

bool GetClientOrigin(WindowId window, Point& origin) {
    if (!IsOurs(window)) return false;
    Point client;
    if (!x11::ClientRootPosition(client)) return false;
    origin = {client.x - X().primary.left, client.y - X().primary.top};
    return true;
}

void ShowWindow(WindowId window) {
    if (!IsOurs(window)) return;
    x11::WindowState& w = TheWindow();
    if (!w.pending.pixels.empty()) {  // shown with no shape set: opaque all over
        x11::UploadContent(w.pending, nullptr);
        w.pending = {};
    }
    XMapRaised(X().display, w.window);
    w.mapped = true;
    x11::ExpectMapping();
    XFlush(X().display);
}

void DestroyWindow(WindowId window) {
    if (!IsOurs(window)) return;
    x11::WindowState& w = TheWindow();
    XDestroyWindow(X().display, w.window);
    if (w.content != 0) XFreePixmap(X().display, w.content);
    if (w.gc != nullptr) XFreeGC(X().display, w.gc);
    w = x11::WindowState{};
    XFlush(X().display);
}

void FillSpans(WindowId window, Colour colour, const Span* spans, std::size_t count) {
    if (!IsOurs(window) || count == 0) return;
    x11::WindowState& w = TheWindow();
    constexpr std::size_t Batch = 256;
    XRectangle rects[Batch];
    XSetForeground(X().display, w.gc, x11::PixelOf(colour));
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(Batch, count - done);
        for (std::size_t i = 0; i < n; ++i) {
            const Span& s = spans[done + i];
            rects[i] = {static_cast<short>(s.x0), static_cast<short>(s.y),
                        static_cast<unsigned short>(s.x1 - s.x0), 1};
        }
        XFillRectangles(X().display, w.window, w.gc, rects, static_cast<int>(n));
        done += n;
    }
}

void Flush() {
    XFlush(X().display);
}

// What platform/User32.cpp builds SetWindowPos and SetWindowRgn on (GetCursorPos: Loop.cpp).

bool SetTopmost(WindowId window) {
    if (!IsOurs(window)) return false;
    x11::WindowState& w = TheWindow();
    w.topmost = true;
    x11::AddWindowState(X().atoms._NET_WM_STATE_ABOVE);
    x11::KeepOnTopWithoutWindowManager();
    return true;
}

bool SetShape(WindowId window, const std::vector<Rect>& rects) {
    if (!IsOurs(window) || !X().hasShape) return false;
    x11::WindowState& w = TheWindow();
    std::vector<XRectangle> xrects;
    xrects.reserve(rects.size());
    w.inputShape.clear();
    for (const Rect& r : rects) {
        const int left = std::max(r.left, 0), top = std::max(r.top, 0);
        const int right = std::min(r.right, SHRT_MAX), bottom = std::min(r.bottom, SHRT_MAX);
        if (left >= right || top >= bottom) continue;
        xrects.push_back({static_cast<short>(left), static_cast<short>(top),
                          static_cast<unsigned short>(right - left),
                          static_cast<unsigned short>(bottom - top)});
        w.inputShape.push_back({left, top, right, bottom});
    }
    for (int kind : {ShapeBounding, ShapeInput})
        XShapeCombineRectangles(X().display, w.window, kind, 0, 0, xrects.data(),
                                static_cast<int>(xrects.size()), ShapeSet, Unsorted);
    if (!w.pending.pixels.empty()) {  // the content that waited for its shape
        x11::UploadContent(w.pending, &rects);
        w.pending = {};
    }
    return true;
}

}  // namespace x11::api
