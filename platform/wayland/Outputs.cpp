// The outputs: each wl_output with its xdg-output, which gives its place and size in the
// layout (wl_output's own geometry puts every output at 0,0 on wlroots), and what the
// runtime reads of them: monitors, scaled areas and the primary output's size.
#include <algorithm>

#include "ext-image-capture-source-v1-client-protocol.h"
#include "platform/wayland/WaylandPlatform.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace wayland {
namespace {

// An output's description is complete: take it, and tell the window if it changed.
void Complete(Output& output) {
    if (!output.described) return;
    const bool changed = !(output.pending.logical == output.geometry.logical) ||
                         output.pending.modeWidth != output.geometry.modeWidth ||
                         output.pending.modeHeight != output.geometry.modeHeight ||
                         output.pending.transform != output.geometry.transform ||
                         output.pending.integerScale != output.geometry.integerScale;
    output.geometry = output.pending;
    if (changed) OnOutputsChanged();
}

const wl_output_listener OutputListener = {
    .geometry =
        [](void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
           std::int32_t, const char*, const char*,
           std::int32_t transform) { static_cast<Output*>(data)->pending.transform = transform; },
    .mode =
        [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
           std::int32_t) {
            if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
            auto* output = static_cast<Output*>(data);
            output->pending.modeWidth = width;
            output->pending.modeHeight = height;
        },
    .done = [](void* data, wl_output*) { Complete(*static_cast<Output*>(data)); },
    .scale =
        [](void* data, wl_output*, std::int32_t factor) {
            static_cast<Output*>(data)->pending.integerScale = std::max(factor, 1);
        },
    .name = [](void*, wl_output*, const char*) {},
    .description = [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener XdgOutputListener = {
    .logical_position =
        [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
            auto& logical = static_cast<Output*>(data)->pending.logical;
            logical = {x, y, x + (logical.right - logical.left),
                       y + (logical.bottom - logical.top)};
        },
    .logical_size =
        [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
            auto* output = static_cast<Output*>(data);
            auto& logical = output->pending.logical;
            logical = {logical.left, logical.top, logical.left + width, logical.top + height};
            output->described = width > 0 && height > 0;
        },
    // NOTE: from version 3 on, wl_output's done ends the description instead.
    .done = [](void* data, zxdg_output_v1*) { Complete(*static_cast<Output*>(data)); },
    .name = [](void*, zxdg_output_v1*, const char*) {},
    .description = [](void*, zxdg_output_v1*, const char*) {},
};

}  // namespace

void AddOutput(std::uint32_t name, std::uint32_t version) {
    Connection& w = W();
    auto output = std::make_unique<Output>();
    output->name = name;
    output->output = static_cast<wl_output*>(
        wl_registry_bind(w.registry, name, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(output->output, &OutputListener, output.get());
    DescribeOutput(*output);
    w.outputs.push_back(std::move(output));
    StartCursorSessions();
}

void DescribeOutput(Output& output) {
    if (W().xdgOutputs == nullptr || output.xdgOutput != nullptr) return;
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(W().xdgOutputs, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &XdgOutputListener, &output);
}

bool RemoveOutput(std::uint32_t name) {
    auto& outputs = W().outputs;
    const auto found = std::find_if(outputs.begin(), outputs.end(),
                                    [name](const auto& output) { return output->name == name; });
    if (found == outputs.end()) return false;
    Output& output = **found;
    OnOutputGone(output);
    StopCursorSession(output);
    if (output.xdgOutput != nullptr) zxdg_output_v1_destroy(output.xdgOutput);
    if (wl_output_get_version(output.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(output.output);
    else
        wl_output_destroy(output.output);
    outputs.erase(found);
    OnOutputsChanged();
    return true;
}

std::vector<OutputGeometry> OutputGeometries() {
    std::vector<OutputGeometry> geometries;
    for (const auto& output : W().outputs)
        if (output->described) geometries.push_back(output->geometry);
    return geometries;
}

Output* OutputOf(wl_output* output) {
    for (const auto& candidate : W().outputs)
        if (candidate->output == output) return candidate.get();
    return nullptr;
}

native::Point Origin() {
    const auto geometries = OutputGeometries();
    const auto primary = PrimaryOutput(geometries);
    if (!primary) return {0, 0};
    return {geometries[*primary].logical.left, geometries[*primary].logical.top};
}

}  // namespace wayland

namespace wayland::api {

namespace {

Rect FromOrigin(Rect r, Point origin) {
    return {r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y};
}

}  // namespace

// NOTE: outputs tell their changes as events, which the loop reads as they come.
void RefreshScreens() {
    if (W().display != nullptr && wl_display_dispatch_pending(W().display) < 0)
        Fail("lost the connection to the Wayland compositor");
}

Point PrimaryScreenSize() {
    const auto geometries = OutputGeometries();
    const auto primary = PrimaryOutput(geometries);
    if (!primary) return {0, 0};
    const Rect& r = geometries[*primary].logical;
    return {r.right - r.left, r.bottom - r.top};
}

// The primary output first, then the others in the order the compositor gave them.
std::vector<Rect> Monitors() {
    const auto geometries = OutputGeometries();
    const auto primary = PrimaryOutput(geometries);
    const Point origin = Origin();
    std::vector<Rect> monitors;
    if (primary) monitors.push_back(FromOrigin(geometries[*primary].logical, origin));
    for (std::size_t i = 0; i < geometries.size(); ++i)
        if (i != primary) monitors.push_back(FromOrigin(geometries[i].logical, origin));
    return monitors;
}

// NOTE: scale 1 everywhere: places are logical pixels on every output (see
// WaylandPlatform.h); the window's own scale is WindowScale's.
std::vector<ScaledArea> ScreenAreas() {
    std::vector<ScaledArea> areas;
    for (const Rect& monitor : Monitors())
        areas.push_back({monitor, {monitor.left, monitor.top}, 1});
    return areas;
}

}  // namespace wayland::api
