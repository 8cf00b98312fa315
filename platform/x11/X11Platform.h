// The X11 backend's internal header: the display connection and what the backend knows of
// the server and the window manager, its one top-level window, and the functions that the
// backend's files share. Included by platform/x11 only (it brings in Xlib).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/Native.h"
#include "platform/relay/Relay.h"

namespace x11 {

struct Atoms {
    Atom WM_PROTOCOLS, WM_DELETE_WINDOW, _NET_WM_PING, _NET_WM_STATE, _NET_WM_STATE_ABOVE,
        _NET_WM_STATE_SKIP_TASKBAR, _NET_WM_STATE_SKIP_PAGER, _NET_WM_NAME, UTF8_STRING,
        _NET_WM_PID, _NET_WM_ICON, _MOTIF_WM_HINTS, _NET_WM_MOVERESIZE, _NET_SUPPORTED,
        _NET_SUPPORTING_WM_CHECK, _NET_FRAME_EXTENTS, WM_STATE,
        WM_Sn,          // the manager selection of our own screen: WM_S<screen number>
        _NET_WM_CM_Sn;  // the compositing manager's selection: _NET_WM_CM_S<screen number>
};

struct PixelFormat {
    bool trueColour24 = false;  // 8 bits a channel: shifts place them
    int redShift = 0, greenShift = 0, blueShift = 0;
};

struct Connection {
    Display* display = nullptr;
    int screen = 0;
    Window root = 0;
    Atoms atoms{};
    bool hasShape = false;
    bool hasRandr = false;
    int randrEventBase = 0;
    native::Rect primary;  // the primary monitor, in root coordinates
    PixelFormat pixelFormat;
    double scale = 1;  // the display scale, one for the whole screen (Scale.cpp)
    // The window's visual: the screen's own, or 32-bit ARGB where a compositing manager
    // draws the windows (Compositor.cpp).
    Visual* visual = nullptr;
    int depth = 0;
    Colormap colormap = 0;  // ours for the ARGB visual, else 0 (the parent's)
    bool argb = false;
    bool blended = false;   // the ARGB window's edge is blended: a compositor draws it now
    Window compositor = 0;  // the selection owner's window, watched for its end
};

// What a window manager's frame adds on each side (_NET_FRAME_EXTENTS).
struct FrameExtents {
    std::int32_t left = 0, right = 0, top = 0, bottom = 0;
};

struct WindowState {
    Window window = 0;
    Pixmap content = 0;  // the window's background: the server repaints from it
    GC gc = nullptr;
    std::int32_t width = 0, height = 0;  // our size: that of the content
    double drawnScale = 1;               // the display scale the content is drawn for
    // The size the server last reported, and how often in a row we asked for ours back.
    std::int32_t serverWidth = 0, serverHeight = 0;
    int sizeAsks = 0;
    // An ARGB window's content waits here for its shape, which gives the edge's blend
    // (Content.cpp); the blended edge pixels' own colours, for a compositor that stops.
    native::Image pending;
    std::vector<std::pair<std::uint32_t, native::Colour>> blendedEdge;
    // The input shape last set, in window pixels: the relay hands it to a compositor that
    // cannot see it through Xwayland (relay/Outline.cpp).
    std::vector<native::Rect> inputShape;
    // The outer top-left corner in root coordinates, from our requests and the
    // server's configure events; unknown after a reparenting window manager moved it.
    native::Point rootPosition;
    bool positionKnown = true;
    bool parentIsRoot = true;  // false while a window manager's frame holds the window
    bool mapped = false;       // asked to be mapped: from then on a manager keeps its state
    bool topmost = false;
    FrameExtents frame;  // a frame that a window manager adds despite our hints
    // Until the server first maps the window: where we asked its outer corner to be, and
    // when to ask for the mapping again (Placement.cpp).
    bool shown = false;
    std::optional<native::Point> wantedOuter;
    long long showNs = 0;
    std::optional<long long> nextMapCheckNs;
    int mapAsks = 0;
};

Connection& X();           // Connection.cpp
WindowState& TheWindow();  // Window.cpp

// NOTE: X11 window coordinates are 16-bit; a place beyond them is refused.
inline bool FitsX11(long value) {
    return value >= -32768 && value <= 32767;
}

// Whether a window id from a caller names our window: requests for any other do nothing.
inline bool IsOurs(native::WindowId window) {
    return window != 0 && window == TheWindow().window;
}

// Connection.cpp
// Reads the primary monitor again (RandR monitors, else the root window's geometry).
void UpdatePrimaryMonitor();
// True when a window manager runs and lists `feature` in _NET_SUPPORTED.
bool WindowManagerSupports(Atom feature);
bool WindowManagerRuns();

// ServerReached.cpp
// The X server the connection reached, named the same however DISPLAY spells it: "local:0"
// for ":0", ":0.0", "unix:0", "localhost:0" or this host's own name; "<address>:N" else.
std::string ServerReached();

// XwaylandInput.cpp: whether the Xwayland that DISPLAY names passes the input shape on
// (a short connection of its own, before the backend is chosen); false without one.
bool XwaylandPassesInputShape();

// RelayHost.cpp: the root's size and the window's outline, for the pointer relay.
relay::Host RelayHost();

// Scale.cpp
// The display scale the desktop asks for at start: VELLORY_SCALE, else Xft.dpi / 96, else 1.
double ReadDisplayScale(Display* display);
// Takes the scale the desktop asks for now (reading RESOURCE_MANAGER again when
// `resourcesChanged`): under KWin also the relay's root size over the logical one.
void FollowScale(bool resourcesChanged);
// The ScaleChanged that a change of scale raises, once, with the outer corner that keeps
// the window's place in program pixels.
std::optional<native::Event> TakeScaleChange();

// Compositor.cpp
// Whether a compositing manager draws the windows; chooses the window's visual.
void FindCompositor();
// A DestroyNotify: the compositor whose selection window ends has stopped.
void OnDestroyed(Window window);

// Content.cpp
// Fixed-size hints for the window manager (WM_NORMAL_HINTS) at `position`, outer corner.
void SetFixedSize(Window window, native::Point position, std::int32_t width, std::int32_t height);
// Uploads the window's content as its background; on an ARGB window with the edge blended
// by `shape`'s coverage (none: opaque all over). The image's pixels serve as scratch.
bool UploadContent(native::Image& image, const std::vector<native::Rect>* shape);
// A ConfigureNotify of our window with a size other than ours.
std::optional<native::Event> OnForeignSize();

// Pixels.cpp
PixelFormat ReadPixelFormat(const Visual* visual);
unsigned long PixelOf(native::Colour colour);  // 0x00BBGGRR to the visual's pixel value
// The content uploaded once into a pixmap; the image's pixels may serve as scratch. On an
// ARGB visual `alpha` (one byte a pixel; empty: opaque) premultiplies each pixel.
Pixmap MakeContentPixmap(Window window, native::Image& image,
                         const std::vector<std::uint8_t>& alpha = {});

// Events.cpp
// The native event that an X event raises, if any; keeps the backend's own state.
std::optional<native::Event> TranslateEvent(XEvent& event);

// Window.cpp
void AddWindowState(Atom state);  // _NET_WM_STATE, before or after mapping

// KeepOnTop.cpp: above ordinary windows where no window manager keeps us there.
void KeepOnTopWithoutWindowManager();
void OnVisibility(int state);  // a VisibilityNotify's state
// A look at what covers us that the rate limit put off: the event loop sleeps no longer
// than MsUntilNextLook (-1: none due) and then calls LookIfDue.
int MsUntilNextLook();
void LookIfDue();

// Move.cpp: the interactive move (native::ReleaseCapture, native::BeginMove).
void OnLeftPress(const XButtonEvent& press);
void OnLeftRelease(const XButtonEvent& release);
void OnMoveMotion(const XMotionEvent& first);
void OnMovedWhileHandedOver();  // a ConfigureNotify of ours

// DoubleClick.cpp: true when this left press is a double-click's second.
bool EndsDoubleClick(const XButtonEvent& press);

// Window.cpp: the client area's top-left corner in root coordinates; false when the
// window is gone.
bool ClientRootPosition(native::Point& position);

// Placement.cpp: what a window manager does with the window once we show it.
// Called from ShowWindow: the window manager should map the window soon.
void ExpectMapping();
// MapNotify and PropertyNotify of our window.
void OnManagerEvent(const XEvent& event);
// A manager that is not ready yet, or that still holds an ended window with our window's
// id, drops our map request: it is asked again until the window shows. The next time to
// look (CLOCK_MONOTONIC nanoseconds), if any, and the look itself, for the event loop.
std::optional<long long> NextMapCheckNs();
void CheckMapped(long long nowNs);

}  // namespace x11

// The backend's functions of platform/Native.h and platform/User32.h and its table.
namespace x11::api {

constexpr const char* BackendName = "x11";
#include "platform/BackendApi.inc"

}  // namespace x11::api
