// Lists KWin's outputs or changes one output's scale while the session runs, through
// KWin's own output-management protocol (kde_output_management_v2), as the display
// settings do:
//   kwin_output_scale              prints "NAME X Y SCALE" for each output
//   kwin_output_scale NAME SCALE   sets that output's scale and keeps the outputs side by
//                                  side in their order from the left, as the display
//                                  settings do; exits 0 once KWin applied it
// Any client may do this when KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 (the test sessions).
// Exits 77 where KWin hands its outputs out only through kde_output_device_registry_v2
// (6.7 and later), which the protocol files built against (plasma-wayland-protocols
// before 1.21) do not describe.
#include <wayland-client.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "kde-output-device-v2-client-protocol.h"
#include "kde-output-management-v2-client-protocol.h"

namespace {

constexpr std::uint32_t DeviceVersion = 2;  // the name event
constexpr std::uint32_t ManagementVersion = 1;

struct Size {
    int width = 0, height = 0;
};

struct Output {
    kde_output_device_v2* device = nullptr;
    std::string name;
    int x = 0, y = 0;
    double scale = 1;
    kde_output_device_mode_v2* mode = nullptr;  // the current one
};

std::map<kde_output_device_mode_v2*, Size> modeSizes;

std::vector<Output*> outputs;
kde_output_management_v2* management = nullptr;
bool outputRegistry = false;  // kde_output_device_registry_v2 offered instead

void OnGeometry(void* data, kde_output_device_v2*, int x, int y, int, int, int, const char*,
                const char*, int) {
    static_cast<Output*>(data)->x = x;
    static_cast<Output*>(data)->y = y;
}
void OnScale(void* data, kde_output_device_v2*, wl_fixed_t factor) {
    static_cast<Output*>(data)->scale = wl_fixed_to_double(factor);
}
void OnName(void* data, kde_output_device_v2*, const char* name) {
    static_cast<Output*>(data)->name = name;
}
void OnModeSize(void*, kde_output_device_mode_v2* mode, int width, int height) {
    modeSizes[mode] = {width, height};
}
void OnModeRefresh(void*, kde_output_device_mode_v2*, int) {}
void OnModePreferred(void*, kde_output_device_mode_v2*) {}
void OnModeRemoved(void*, kde_output_device_mode_v2*) {}
const kde_output_device_mode_v2_listener ModeListener = {OnModeSize, OnModeRefresh, OnModePreferred,
                                                         OnModeRemoved};

void OnCurrentMode(void* data, kde_output_device_v2*, kde_output_device_mode_v2* mode) {
    static_cast<Output*>(data)->mode = mode;
}
void OnMode(void*, kde_output_device_v2*, kde_output_device_mode_v2* mode) {
    kde_output_device_mode_v2_add_listener(mode, &ModeListener, nullptr);
}
void OnDone(void*, kde_output_device_v2*) {}
void OnEdid(void*, kde_output_device_v2*, const char*) {}
void OnEnabled(void*, kde_output_device_v2*, int) {}
void OnUuid(void*, kde_output_device_v2*, const char*) {}
void OnText(void*, kde_output_device_v2*, const char*) {}
void OnNumber(void*, kde_output_device_v2*, std::uint32_t) {}

const kde_output_device_v2_listener DeviceListener = {
    OnGeometry, OnCurrentMode, OnMode,   OnDone,   OnScale,  OnEdid,   OnEnabled, OnUuid,
    OnText,     OnText,        OnNumber, OnNumber, OnNumber, OnNumber, OnName};

void OnGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    if (std::strcmp(interface, kde_output_device_v2_interface.name) == 0 &&
        version >= DeviceVersion) {
        auto* output = new Output;
        output->device = static_cast<kde_output_device_v2*>(
            wl_registry_bind(registry, name, &kde_output_device_v2_interface, DeviceVersion));
        kde_output_device_v2_add_listener(output->device, &DeviceListener, output);
        outputs.push_back(output);
    } else if (std::strcmp(interface, "kde_output_device_registry_v2") == 0) {
        outputRegistry = true;
    } else if (std::strcmp(interface, kde_output_management_v2_interface.name) == 0) {
        management = static_cast<kde_output_management_v2*>(wl_registry_bind(
            registry, name, &kde_output_management_v2_interface, ManagementVersion));
    }
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

enum class Outcome { Waiting, Applied, Failed };
void OnApplied(void* data, kde_output_configuration_v2*) {
    *static_cast<Outcome*>(data) = Outcome::Applied;
}
void OnFailed(void* data, kde_output_configuration_v2*) {
    *static_cast<Outcome*>(data) = Outcome::Failed;
}
const kde_output_configuration_v2_listener ConfigurationListener = {OnApplied, OnFailed};

int Fail(const std::string& message) {
    std::fprintf(stderr, "kwin_output_scale: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 1 && argc != 3) return Fail("usage: kwin_output_scale [NAME SCALE]");
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return Fail("cannot connect to the Wayland display");
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, nullptr);
    // The globals, then each device's state.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0)
        return Fail("lost the Wayland display");
    if (outputs.empty() && outputRegistry) {
        Fail("KWin gives its outputs only through kde_output_device_registry_v2, unknown here");
        return 77;
    }
    if (management == nullptr || outputs.empty())
        return Fail("the compositor offers no kde_output_management_v2 and kde_output_device_v2");

    if (argc == 1) {
        for (const Output* output : outputs)
            std::printf("%s %d %d %g\n", output->name.c_str(), output->x, output->y, output->scale);
        return 0;
    }
    char* end = nullptr;
    const double scale = std::strtod(argv[2], &end);
    if (*end != '\0' || !(scale > 0 && scale <= 10))
        return Fail("not a scale: " + std::string(argv[2]));
    Output* target = nullptr;
    for (Output* output : outputs)
        if (output->name == argv[1]) target = output;
    if (target == nullptr) return Fail("no output named " + std::string(argv[1]));
    target->scale = scale;

    Outcome outcome = Outcome::Waiting;
    kde_output_configuration_v2* configuration =
        kde_output_management_v2_create_configuration(management);
    kde_output_configuration_v2_add_listener(configuration, &ConfigurationListener, &outcome);
    kde_output_configuration_v2_scale(configuration, target->device, wl_fixed_from_double(scale));
    // Each output's logical width is its mode's over its scale, rounded up, as KWin has it.
    std::vector<Output*> fromLeft = outputs;
    std::stable_sort(fromLeft.begin(), fromLeft.end(),
                     [](const Output* a, const Output* b) { return a->x < b->x; });
    int x = 0;
    for (const Output* output : fromLeft) {
        kde_output_configuration_v2_position(configuration, output->device, x, output->y);
        x += static_cast<int>(std::ceil(modeSizes[output->mode].width / output->scale));
    }
    kde_output_configuration_v2_apply(configuration);
    while (outcome == Outcome::Waiting)
        if (wl_display_dispatch(display) < 0) return Fail("lost the Wayland display");
    if (outcome == Outcome::Failed) return Fail("KWin refused the scale " + std::string(argv[2]));
    kde_output_configuration_v2_destroy(configuration);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
