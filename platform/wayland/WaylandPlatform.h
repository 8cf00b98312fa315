// The Wayland backend's internal header: the compositor connection and the globals bound
// from it, the outputs, the one layer surface that shows the kitten, and the functions
// that the backend's files share. Included by platform/wayland only (it brings in
// libwayland-client, as loaded at run time, and the generated protocol headers). Start
// reading at Connection.cpp.
//
// Places are layout coordinates in logical pixels, counted from the primary output's
// corner (Layout.h): one scaled area of scale 1 per output. The window's size, content,
// shape and spans are its buffer's pixels, at WindowScale (the output's scale), which the
// runtime takes from ScaleChanged; so a place never changes meaning across outputs of
// different scales.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/Native.h"
#include "platform/wayland/Layout.h"
#include "platform/wayland/WaylandBackend.h"
#include "platform/wayland/loaded/wayland-client.h"

struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct ext_output_image_capture_source_manager_v1;
struct ext_image_capture_source_v1;
struct ext_image_copy_capture_manager_v1;
struct ext_image_copy_capture_cursor_session_v1;
struct zwp_relative_pointer_manager_v1;

namespace wayland {

struct Output {
    std::uint32_t name = 0;  // the registry's name of the global
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    OutputGeometry geometry;  // as the last done event completed it
    OutputGeometry pending;
    bool described = false;  // a logical place and size arrived
    // The pointer's cursor session on this output (CursorSessions.cpp).
    ext_image_capture_source_v1* source = nullptr;
    ext_image_copy_capture_cursor_session_v1* cursor = nullptr;
    bool cursorInside = false;  // between the session's enter and leave
    // The last position it told, while the pointer was inside or not: wlroots tells a
    // position only when it differs from the last one, also after a leave and an enter.
    std::optional<native::Point> cursorLast;
};

struct Connection {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    std::uint32_t seatVersion = 0;
    zwlr_layer_shell_v1* layerShell = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale = nullptr;
    zxdg_output_manager_v1* xdgOutputs = nullptr;
    ext_output_image_capture_source_manager_v1* outputSources = nullptr;
    ext_image_copy_capture_manager_v1* copyCapture = nullptr;
    zwp_relative_pointer_manager_v1* relativePointers = nullptr;
    bool gnome = false;          // gtk_shell1
    bool kwin = false;           // an org_kde_plasma_ or kde_output_device global
    bool logicalCursor = false;  // Hyprland: cursor sessions report logical pixels
    std::vector<std::unique_ptr<Output>> outputs;
};

Connection& W();  // Connection.cpp

// Connection.cpp (and Probe, Drop: WaylandBackend.h)
// Ends the program with one line on stderr and status 1: the compositor went away or
// raised a protocol error (what the display says of it), or `what` failed.
[[noreturn]] void Fail(const char* what);
// Checks the connection after a call that may have met an error.
void CheckConnection();

// Outputs.cpp
void AddOutput(std::uint32_t name, std::uint32_t version);
bool RemoveOutput(std::uint32_t name);  // true when it was an output
void DescribeOutput(Output& output);    // binds its xdg-output, once both globals are there
std::vector<OutputGeometry> OutputGeometries();  // the described ones, in registry order
Output* OutputOf(wl_output* output);
// The layout's origin: the corner of the output at (0,0), else of the first output.
native::Point Origin();

// A wl_shm buffer of the window's pixels (Buffers.cpp).
struct Buffer {
    wl_buffer* buffer = nullptr;
    std::uint32_t* pixels = nullptr;  // premultiplied ARGB8888, mapped
    std::size_t bytes = 0;
    bool busy = false;    // attached and not yet released by the compositor
    bool compose = true;  // to be drawn afresh from the content
    native::Rect stale;   // else: what other buffers showed since it was shown last
};

// The one window: a top-layer surface anchored top-left on the output that holds its
// place, moved by its margins; re-created on another output when it moves there.
struct WindowState {
    bool exists = false;
    native::Point place;  // the corner, layout pixels (not from the origin)
    std::int32_t logicalWidth = 0, logicalHeight = 0;
    native::Image content;  // buffer pixels, at contentScale
    double contentScale = 1;
    bool shaped = false;
    std::vector<native::Rect> shape;       // buffer pixels
    std::vector<native::Rect> inputRects;  // the shape in surface (logical) pixels
    std::vector<std::uint8_t> coverage;    // each buffer pixel's opacity
    bool shown = false;                    // ShowWindow was called

    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractional = nullptr;
    Output* output = nullptr;   // the layer surface's
    bool configured = false;    // the first configure was acknowledged
    bool mapped = false;        // a buffer was committed
    double preferredScale = 0;  // the compositor's fractional scale; 0: not told yet

    std::vector<Buffer> buffers;
    int front = -1;       // the buffer committed last
    int back = -1;        // the buffer this frame draws into
    native::Rect damage;  // this frame's, buffer pixels
    // The place the compositor has applied: pointer positions on the surface count from
    // it. A commit that moves the surface is applied when its sync callback returns.
    native::Point appliedPlace;
    wl_callback* moveSync = nullptr;
    native::Point syncedPlace;  // the place the pending sync confirms
};

WindowState& TheWindow();  // Window.cpp

// Window.cpp
void OnOutputsChanged();            // an output came, went or changed its place, size or scale
void OnOutputGone(Output& output);  // before it is released
void OnWindowLetGo();               // a drag ended: onto the output that holds the place
double DesiredScale();              // the scale the window should be drawn at now
// The window's rectangle in the layout.
native::Rect LayoutRect();

// Buffers.cpp
// Draws the frame into a free buffer: the content (on the first frame, and after the
// content or the shape changed) and what this frame paints.
std::uint32_t* BackPixels();
// Commits the frame that BackPixels began, if any; `whole`: the whole buffer, drawn
// afresh if need be (a new surface, content or shape).
void Present(bool whole);
void ComposeAgain();    // the content or the shape changed: every buffer is drawn afresh
void DropBuffers();     // for a new size
void CopyToAllStale();  // a new surface: every buffer but the front one copies it

// Pointer.cpp
void OnSeatCapabilities(std::uint32_t capabilities);
wl_pointer* ThePointer();
// The pointer's last known place, layout pixels from the origin.
std::optional<native::Point> PointerPlace();
void SetPointerPlace(native::Point layout);  // from a cursor session or the face
void OnSessionPlace(native::Point layout);   // a cursor session's: it shows every motion so far
// The relay's: it leads off the face with no press, and else once it does again (the
// pointer left the face, a drag ended) unless the surface told a newer place.
void OnRelayPlace(native::Point layout);
void TakeRelayedPlace();
// The pointer is on the face and no drag runs: its own positions there give its place at
// once, and cursor sessions, which tell it only after the compositor drew it, wait.
bool PlaceFromSurface();
void OnSurfaceGone(wl_surface* surface);  // the pointer may have been on it; its press ends
bool HoldsTheWindow();                    // a left press on the face or its drag runs
void OnPlaceApplied();                    // the compositor took the window's last move

// CursorSessions.cpp
void StartCursorSessions();  // for every output without one, once there is a pointer
void StopCursorSessions();   // the pointer went
void StopCursorSession(Output& output);
bool CursorSessionsOffered();

// PointerRelay.cpp: under KWin without cursor sessions, the relay tells the pointer's place.
void StartRelay();
void StopRelay();
int RelayFd();  // -1 without a relay
bool RelayHasQueued();
void OnRelayInput();

// Loop.cpp
void Post(const native::Event& event);  // delivered by the next WaitEvent
void Moved();                           // the pointer or the window moved: look soon
// What the ticks painted is gone (the surface shows its content afresh): a tick soon,
// even where neither the pointer nor the window moved.
void PaintAgain();
bool Posted(native::EventKind kind);  // such an event waits to be delivered

}  // namespace wayland

// The backend's functions of platform/Native.h and platform/User32.h and its table.
namespace wayland::api {

constexpr const char* BackendName = "wayland";
#include "platform/BackendApi.inc"

}  // namespace wayland::api
