// Where the pointer is anywhere on the desktop: one cursor session of
// ext-image-copy-capture per output for the seat's pointer. A session reports the
// pointer's hotspot while it is on that output, in the output's device pixels from its
// corner (logical pixels on Hyprland), at most once an output frame, and nothing at rest.
#include <cmath>

#include "ext-image-capture-source-v1-client-protocol.h"
#include "ext-image-copy-capture-v1-client-protocol.h"
#include "platform/wayland/WaylandPlatform.h"

namespace wayland {
namespace {

// The pointer's place from what the output's session told last.
void Tell(const Output& output) {
    if (!output.described || !output.cursorInside || !output.cursorLast || PlaceFromSurface())
        return;
    const LayoutPlace place = CursorToLayout(output.geometry, output.cursorLast->x,
                                             output.cursorLast->y, W().logicalCursor);
    OnSessionPlace({static_cast<std::int32_t>(std::lround(place.x)),
                    static_cast<std::int32_t>(std::lround(place.y))});
}

// NOTE: wlroots sends a new session the last position its output saw, even when the
// pointer has left that output since (no enter comes with it): only a session that the
// pointer entered tells where it is. And it tells a position only when it differs from the
// last one it sent: a pointer that comes back to the spot where it left the output brings
// an enter and no position, so the enter tells the position kept from before.
void OnCursorPosition(void* data, ext_image_copy_capture_cursor_session_v1*, std::int32_t x,
                      std::int32_t y) {
    Output& output = *static_cast<Output*>(data);
    output.cursorLast = native::Point{x, y};
    Tell(output);
}

// NOTE: leave keeps the last place, where the eyes stay.
const ext_image_copy_capture_cursor_session_v1_listener CursorListener = {
    .enter =
        [](void* data, ext_image_copy_capture_cursor_session_v1*) {
            Output& output = *static_cast<Output*>(data);
            output.cursorInside = true;
            Tell(output);
        },
    .leave =
        [](void* data, ext_image_copy_capture_cursor_session_v1*) {
            static_cast<Output*>(data)->cursorInside = false;
        },
    .position = OnCursorPosition,
    .hotspot = [](void*, ext_image_copy_capture_cursor_session_v1*, std::int32_t, std::int32_t) {},
};

}  // namespace

bool CursorSessionsOffered() {
    return W().outputSources != nullptr && W().copyCapture != nullptr;
}

void StartCursorSessions() {
    Connection& w = W();
    wl_pointer* pointer = ThePointer();
    if (!CursorSessionsOffered() || pointer == nullptr) return;
    for (auto& output : w.outputs) {
        if (output->cursor != nullptr) continue;
        output->source = ext_output_image_capture_source_manager_v1_create_source(w.outputSources,
                                                                                  output->output);
        output->cursor = ext_image_copy_capture_manager_v1_create_pointer_cursor_session(
            w.copyCapture, output->source, pointer);
        ext_image_copy_capture_cursor_session_v1_add_listener(output->cursor, &CursorListener,
                                                              output.get());
    }
}

void StopCursorSession(Output& output) {
    if (output.cursor != nullptr) ext_image_copy_capture_cursor_session_v1_destroy(output.cursor);
    if (output.source != nullptr) ext_image_capture_source_v1_destroy(output.source);
    output.cursor = nullptr;
    output.source = nullptr;
    output.cursorInside = false;
    output.cursorLast.reset();
}

void StopCursorSessions() {
    for (auto& output : W().outputs) StopCursorSession(*output);
}

}  // namespace wayland
