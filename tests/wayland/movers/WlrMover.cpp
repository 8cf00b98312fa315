// Moves the pointer of a wlroots compositor (sway, labwc) for the tests, as a real mouse
// would: a virtual pointer device (zwlr_virtual_pointer_v1). Reads lines on stdin:
//   x y        move to (x, y), the layout's logical coordinates
//   press      press the left button      release   release it
// and prints "ok" after each once the compositor has taken it ("no" for a place off the
// layout). Stays connected until stdin
// ends: a headless seat has a pointer only while a virtual pointer is there.
#include <wayland-client.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace {

constexpr std::uint32_t LeftButton = 0x110;  // BTN_LEFT

struct Output {
    wl_output* output = nullptr;
    zxdg_output_v1* logical = nullptr;
    int x = 0, y = 0, width = 0, height = 0;  // in the layout, logical pixels
};

struct State {
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
    zxdg_output_manager_v1* outputs = nullptr;
    std::map<std::uint32_t, Output> byName;  // registry name -> output
} state;

void OnPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
    auto* output = static_cast<Output*>(data);
    output->x = x;
    output->y = y;
}

void OnSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
    auto* output = static_cast<Output*>(data);
    output->width = width;
    output->height = height;
}

void OnDone(void*, zxdg_output_v1*) {}

const zxdg_output_v1_listener LogicalListener = {OnPosition, OnSize, OnDone};

// Outputs that came before the xdg-output manager was bound, or after it.
void Describe(Output& output) {
    if (output.logical != nullptr || state.outputs == nullptr) return;
    output.logical = zxdg_output_manager_v1_get_xdg_output(state.outputs, output.output);
    zxdg_output_v1_add_listener(output.logical, &LogicalListener, &output);
}

void OnGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        state.manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        state.outputs = static_cast<zxdg_output_manager_v1*>(
            wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, 1));
        for (auto& [_, output] : state.byName) Describe(output);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        Output& output = state.byName[name];
        output.output =
            static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
        Describe(output);
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t name) {
    const auto found = state.byName.find(name);
    if (found == state.byName.end()) return;
    if (found->second.logical != nullptr) zxdg_output_v1_destroy(found->second.logical);
    wl_output_destroy(found->second.output);
    state.byName.erase(found);
}

const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

struct Box {
    int x = 0, y = 0, width = 0, height = 0;
};

// The layout's bounding box: wlroots maps absolute motion of a device that is tied to no
// output onto it.
Box Layout() {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const auto& [_, output] : state.byName) {
        if (output.width <= 0 || output.height <= 0) continue;
        left = std::min(left, output.x);
        top = std::min(top, output.y);
        right = std::max(right, output.x + output.width);
        bottom = std::max(bottom, output.y + output.height);
    }
    if (left > right) return {};
    return {left, top, right - left, bottom - top};
}

std::uint32_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "wlr_mover: %s\n", text.c_str());
    return 1;
}

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return Fail("cannot connect to the Wayland display");
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (state.manager == nullptr) return Fail("the compositor offers no virtual pointers");
    if (state.outputs == nullptr) return Fail("the compositor offers no xdg-output");
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(state.manager, nullptr);
    wl_display_roundtrip(display);
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        int x = 0, y = 0;
        if (line == "press" || line == "release") {
            zwlr_virtual_pointer_v1_button(pointer, NowMs(), LeftButton, line == "press" ? 1 : 0);
        } else if (words >> x >> y) {
            // NOTE: outputs come and go during a test (a second one is added): the layout
            // is read afresh, one round trip for new outputs, one for their places.
            wl_display_roundtrip(display);
            wl_display_roundtrip(display);
            const Box layout = Layout();
            if (layout.width <= 0) return Fail("no output has a logical size");
            const int inX = x - layout.x, inY = y - layout.y;
            if (inX < 0 || inY < 0 || inX >= layout.width || inY >= layout.height) {
                std::cout << "no" << std::endl;  // off the layout: no device gets there
                continue;
            }
            zwlr_virtual_pointer_v1_motion_absolute(
                pointer, NowMs(), static_cast<std::uint32_t>(inX), static_cast<std::uint32_t>(inY),
                static_cast<std::uint32_t>(layout.width),
                static_cast<std::uint32_t>(layout.height));
        } else {
            return Fail("not understood: " + line);
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) return Fail("lost the Wayland display");
        std::cout << "ok" << std::endl;
    }
    wl_display_disconnect(display);
    return 0;
}
