// The window as a layer surface: created when it is first shown, on the output that holds
// its place, in the top layer (above ordinary windows, under fullscreen ones), anchored
// top-left and placed by its margins, with no keyboard and no exclusive zone; its input
// region is the face. Moving it onto another output makes it anew there. Its scale is the
// output's (fractional where the compositor offers it): when that is not the scale of
// its content, ScaleChanged asks the runtime for the content at the new one (SetContent).
#include <algorithm>
#include <cmath>
#include <limits>

#include "fractional-scale-v1-client-protocol.h"
#include "platform/Scaling.h"
#include "platform/wayland/Pixels.h"
#include "platform/wayland/WaylandPlatform.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace wayland {

WindowState& TheWindow() {
    static WindowState state;
    return state;
}

namespace {

constexpr native::WindowId TheId = 1;  // the one window's handle
constexpr double FractionalSteps = 120;
// NOTE: margins are 32-bit; far beyond any layout, a compositor's sums could overflow.
constexpr std::int32_t FarthestPlace = 1 << 24;

bool IsOurs(native::WindowId window) {
    return window == TheId && TheWindow().exists;
}

void DestroySurface();
void ShowOn(Output& output);

// The output that should hold the window now; nullptr when there is none.
Output* OutputForPlace() {
    std::vector<Output*> described;
    std::vector<OutputGeometry> geometries;
    for (const auto& output : W().outputs) {
        if (!output->described) continue;
        described.push_back(output.get());
        geometries.push_back(output->geometry);
    }
    const auto index = OutputFor(LayoutRect(), geometries);
    return index ? described[*index] : nullptr;
}

void SetMargins() {
    WindowState& w = TheWindow();
    if (w.layer == nullptr || w.output == nullptr) return;
    const native::Point margin = MarginsFor(w.place, w.output->geometry);
    zwlr_layer_surface_v1_set_margin(w.layer, margin.y, 0, 0, margin.x);
}

void SetInputRegion() {
    WindowState& w = TheWindow();
    if (w.surface == nullptr) return;
    if (!w.shaped) {
        wl_surface_set_input_region(w.surface, nullptr);
        return;
    }
    wl_region* region = wl_compositor_create_region(W().compositor);
    for (const native::Rect& r : w.inputRects)
        wl_region_add(region, r.left, r.top, r.right - r.left, r.bottom - r.top);
    wl_surface_set_input_region(w.surface, region);
    wl_region_destroy(region);
}

// How the buffer maps onto the surface's logical size.
void SetBufferScale() {
    WindowState& w = TheWindow();
    if (w.surface == nullptr) return;
    if (w.viewport != nullptr) {
        wp_viewport_set_destination(w.viewport, w.logicalWidth, w.logicalHeight);
        return;
    }
    const auto scale = static_cast<std::int32_t>(std::lround(w.contentScale));
    const bool whole = scale >= 1 && w.content.width % scale == 0 && w.content.height % scale == 0;
    wl_surface_set_buffer_scale(w.surface, whole ? scale : 1);
}

// Asks the runtime for content at the scale the window should have, once.
void CheckScale() {
    WindowState& w = TheWindow();
    if (!w.exists || !w.shown || DesiredScale() == w.contentScale) return;
    if (Posted(native::EventKind::ScaleChanged)) return;
    const native::Point origin = Origin();
    native::Event event{native::EventKind::ScaleChanged};
    event.x = w.place.x - origin.x;
    event.y = w.place.y - origin.y;
    Post(event);
}

void OnConfigure(void*, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t,
                 std::uint32_t) {
    WindowState& w = TheWindow();
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    const bool first = !w.configured;
    w.configured = true;
    if (first && !Posted(native::EventKind::ScaleChanged)) {
        CopyToAllStale();
        Present(true);
        PaintAgain();
    }
}

// The compositor will show the surface no more (its output went, say): it is made anew
// on an output that is there.
void OnClosed(void*, zwlr_layer_surface_v1*) {
    DestroySurface();
    OnOutputsChanged();
}

const zwlr_layer_surface_v1_listener LayerListener = {.configure = OnConfigure, .closed = OnClosed};

const wp_fractional_scale_v1_listener FractionalListener = {
    .preferred_scale =
        [](void*, wp_fractional_scale_v1*, std::uint32_t scale) {
            TheWindow().preferredScale = scale / FractionalSteps;
            CheckScale();
            Moved();
        },
};

const wl_callback_listener MoveSyncListener = {
    .done =
        [](void*, wl_callback* callback, std::uint32_t) {
            WindowState& w = TheWindow();
            wl_callback_destroy(callback);
            if (w.moveSync != callback) return;
            w.moveSync = nullptr;
            w.appliedPlace = w.syncedPlace;
            OnPlaceApplied();
        },
};

// The place this commit gives the surface counts for pointer positions once the
// compositor has taken the commit (the pointer's events come in order with the sync's).
void SyncPlace() {
    WindowState& w = TheWindow();
    if (w.moveSync != nullptr) wl_callback_destroy(w.moveSync);
    w.moveSync = wl_display_sync(W().display);
    wl_callback_add_listener(w.moveSync, &MoveSyncListener, nullptr);
    w.syncedPlace = w.place;
}

void DestroySurface() {
    WindowState& w = TheWindow();
    if (w.surface != nullptr) OnSurfaceGone(w.surface);
    if (w.fractional != nullptr) wp_fractional_scale_v1_destroy(w.fractional);
    if (w.viewport != nullptr) wp_viewport_destroy(w.viewport);
    if (w.layer != nullptr) zwlr_layer_surface_v1_destroy(w.layer);
    if (w.surface != nullptr) wl_surface_destroy(w.surface);
    w.fractional = nullptr;
    w.viewport = nullptr;
    w.layer = nullptr;
    w.surface = nullptr;
    w.output = nullptr;
    w.configured = false;
    w.mapped = false;
    w.preferredScale = 0;
}

void ShowOn(Output& output) {
    Connection& c = W();
    WindowState& w = TheWindow();
    w.output = &output;
    w.surface = wl_compositor_create_surface(c.compositor);
    // NOTE: a fractional scale needs the viewport to draw the buffer at the logical size.
    if (c.viewporter != nullptr) {
        w.viewport = wp_viewporter_get_viewport(c.viewporter, w.surface);
        if (c.fractionalScale != nullptr) {
            w.fractional =
                wp_fractional_scale_manager_v1_get_fractional_scale(c.fractionalScale, w.surface);
            wp_fractional_scale_v1_add_listener(w.fractional, &FractionalListener, nullptr);
        }
    }
    w.layer = zwlr_layer_shell_v1_get_layer_surface(c.layerShell, w.surface, output.output,
                                                    ZWLR_LAYER_SHELL_V1_LAYER_TOP, "vellory");
    zwlr_layer_surface_v1_add_listener(w.layer, &LayerListener, nullptr);
    zwlr_layer_surface_v1_set_size(w.layer, w.logicalWidth, w.logicalHeight);
    zwlr_layer_surface_v1_set_anchor(
        w.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
    zwlr_layer_surface_v1_set_exclusive_zone(w.layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(w.layer, 0);
    SetMargins();
    SetInputRegion();
    SetBufferScale();
    wl_surface_commit(w.surface);
    SyncPlace();
    CheckScale();
}

// Keeps the window where a user can reach it: a place that lies on no output any more
// (one was unplugged) moves onto the output nearest to it.
void KeepOnOutput(const OutputGeometry& output) {
    WindowState& w = TheWindow();
    const native::Rect r = LayoutRect();
    const native::Rect& o = output.logical;
    if (r.right > o.left && r.left < o.right && r.bottom > o.top && r.top < o.bottom) return;
    w.place.x = std::clamp(w.place.x, o.left, std::max(o.left, o.right - w.logicalWidth));
    w.place.y = std::clamp(w.place.y, o.top, std::max(o.top, o.bottom - w.logicalHeight));
}

// Shows the window on the output that holds its place, made anew there if it is on
// another one; else moves it by its margins.
void Place() {
    WindowState& w = TheWindow();
    if (!w.exists || !w.shown) return;
    Output* output = OutputForPlace();
    if (output == nullptr) return;  // no output to show it on, until one comes
    KeepOnOutput(output->geometry);
    // NOTE: a surface made anew would lose the press's implicit grab, and with it the
    // release, and the kitten would stay glued to the pointer: while the press holds it,
    // the surface stays on its output, placed beyond it by its margins.
    if (output != w.output && (w.surface == nullptr || !HoldsTheWindow())) {
        DestroySurface();
        ShowOn(*output);
        return;
    }
    SetMargins();
    wl_surface_commit(w.surface);
    SyncPlace();
}

}  // namespace

native::Rect LayoutRect() {
    const WindowState& w = TheWindow();
    return {w.place.x, w.place.y, w.place.x + w.logicalWidth, w.place.y + w.logicalHeight};
}

double DesiredScale() {
    const WindowState& w = TheWindow();
    if (w.output == nullptr) return w.contentScale;
    if (w.fractional != nullptr)
        return w.preferredScale > 0 ? w.preferredScale : OutputScale(w.output->geometry);
    return std::max(w.output->geometry.integerScale, 1);
}

void OnOutputsChanged() {
    Moved();
    const WindowState& w = TheWindow();
    if (!w.exists || !w.shown) return;
    Place();
    CheckScale();
}

void OnWindowLetGo() {
    if (TheWindow().output != OutputForPlace()) Place();
}

void OnOutputGone(Output& output) {
    if (TheWindow().output == &output) DestroySurface();
}

}  // namespace wayland

namespace wayland::api {

using wayland::IsOurs;
using wayland::TheWindow;

WindowId CreateHiddenWindow(const WindowRequest& request) {
    WindowState& w = TheWindow();
    if (w.exists || request.width <= 0 || request.height <= 0 || request.content == nullptr ||
        request.content->width != request.width || request.content->height != request.height)
        return 0;
    const Point origin = Origin();
    w.exists = true;
    w.place = {request.position.x + origin.x, request.position.y + origin.y};
    // NOTE: the runtime creates the window at scale 1 (ScreenAreas), its size in logical
    // pixels; the output's scale comes with ScaleChanged once the window is shown.
    w.logicalWidth = request.width;
    w.logicalHeight = request.height;
    w.content = std::move(*request.content);
    w.contentScale = 1;
    w.coverage = Coverage(FaceFromShape({}, false, request.width, request.height), request.width,
                          request.height);
    return wayland::TheId;
}

bool MoveWindow(WindowId window, Point topLeft) {
    if (!IsOurs(window)) return false;
    if (std::abs(topLeft.x) > wayland::FarthestPlace ||
        std::abs(topLeft.y) > wayland::FarthestPlace)
        return false;
    WindowState& w = TheWindow();
    const Point origin = Origin();
    const Point place{topLeft.x + origin.x, topLeft.y + origin.y};
    if (place == w.place) return true;
    w.place = place;
    wayland::Place();
    wayland::Moved();
    return true;
}

// The corner in the layout from the primary output's, the size in buffer pixels.
bool GetWindowRect(WindowId window, Rect& rect) {
    if (!IsOurs(window)) return false;
    const WindowState& w = TheWindow();
    const Point origin = Origin();
    const Point corner{w.place.x - origin.x, w.place.y - origin.y};
    rect = {corner.x, corner.y, corner.x + w.content.width, corner.y + w.content.height};
    return true;
}

bool GetClientOrigin(WindowId window, Point& origin) {
    Rect rect;
    if (!api::GetWindowRect(window, rect)) return false;
    origin = {rect.left, rect.top};
    return true;
}

void ShowWindow(WindowId window) {
    if (!IsOurs(window) || TheWindow().shown) return;
    TheWindow().shown = true;
    wayland::Place();
    wl_display_flush(W().display);
}

void DestroyWindow(WindowId window) {
    if (!IsOurs(window)) return;
    wayland::DestroySurface();
    DropBuffers();
    WindowState& w = TheWindow();
    if (w.moveSync != nullptr) wl_callback_destroy(w.moveSync);
    w = WindowState{};
    wl_display_flush(W().display);
}

double WindowScale(WindowId window) {
    return IsOurs(window) ? DesiredScale() : 1;
}

bool SetContent(WindowId window, Rect, Image& content) {
    if (!IsOurs(window) || content.width <= 0 || content.height <= 0 ||
        content.pixels.size() != std::size_t(content.width) * content.height)
        return false;
    WindowState& w = TheWindow();
    const double scale = DesiredScale();
    DropBuffers();
    w.content = std::move(content);
    w.contentScale = scale;
    // The region the program set stays the window's, as fine as the new scale allows.
    if (const auto* scaled = scaling::WindowOf(window); scaled && scaled->programRegion)
        w.shape = scaling::DeviceShape(*scaled, *scaled->programRegion);
    w.coverage = Coverage(FaceFromShape(w.shape, w.shaped, w.content.width, w.content.height),
                          w.content.width, w.content.height);
    ComposeAgain();
    wayland::SetBufferScale();
    if (w.mapped) Present(true);
    return true;
}

// NOTE: the layer surface is in the top layer from the start.
bool SetTopmost(WindowId window) {
    return IsOurs(window);
}

// The face: what the buffer shows (edge blended), and where the surface takes input.
bool SetShape(WindowId window, const std::vector<Rect>& rects) {
    if (!IsOurs(window)) return false;
    WindowState& w = TheWindow();
    const auto* scaled = scaling::WindowOf(window);
    // No rectangles and no region of the program's: the window's whole rectangle again.
    w.shaped = !rects.empty() || (scaled != nullptr && scaled->programRegion);
    w.shape = rects;
    w.inputRects.clear();
    // The region the program set is in its own pixels, which are the surface's; else the
    // buffer's rectangles at the content's scale.
    if (scaled != nullptr && scaled->programRegion) {
        w.inputRects = *scaled->programRegion;
    } else {
        for (const Rect& r : rects)
            w.inputRects.push_back(
                {static_cast<std::int32_t>(std::lround(r.left / w.contentScale)),
                 static_cast<std::int32_t>(std::lround(r.top / w.contentScale)),
                 static_cast<std::int32_t>(std::lround(r.right / w.contentScale)),
                 static_cast<std::int32_t>(std::lround(r.bottom / w.contentScale))});
    }
    w.coverage = Coverage(FaceFromShape(w.shape, w.shaped, w.content.width, w.content.height),
                          w.content.width, w.content.height);
    ComposeAgain();
    wayland::SetInputRegion();
    if (w.mapped) Present(true);
    return true;
}

}  // namespace wayland::api
