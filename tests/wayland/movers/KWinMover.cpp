// Moves KWin's own pointer for the tests, as a real mouse would: through the fake-input
// Wayland protocol (allowed to any client with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1), never
// through XTest, which moves only Xwayland's idea of the pointer. Reads lines on stdin:
//   x y        move to (x, y), the compositor's logical coordinates
//   press      press the left button      release   release it
// and prints "ok" after each once KWin has taken it. Stays connected until stdin ends:
// KWin's virtual seat has a pointer only while a fake-input client is there.
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "fake-input-client-protocol.h"

namespace {

constexpr std::uint32_t LeftButton = 0x110;  // BTN_LEFT
constexpr std::uint32_t AbsoluteSince = 3;

org_kde_kwin_fake_input* fakeInput = nullptr;

void OnGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) != 0) return;
    if (version < AbsoluteSince) return;
    fakeInput = static_cast<org_kde_kwin_fake_input*>(
        wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, AbsoluteSince));
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fputs("kwin_mover: cannot connect to the Wayland display\n", stderr);
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, nullptr);
    wl_display_roundtrip(display);
    if (fakeInput == nullptr) {
        std::fputs("kwin_mover: the compositor offers no org_kde_kwin_fake_input 3\n", stderr);
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "vellory tests", "moving the pointer");
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        double x = 0, y = 0;
        if (line == "press" || line == "release") {
            org_kde_kwin_fake_input_button(fakeInput, LeftButton, line == "press" ? 1 : 0);
        } else if (words >> x >> y) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_double(x),
                                                            wl_fixed_from_double(y));
        } else {
            std::fprintf(stderr, "kwin_mover: not understood: %s\n", line.c_str());
            return 2;
        }
        if (wl_display_roundtrip(display) < 0) {
            std::fputs("kwin_mover: lost the Wayland display\n", stderr);
            return 1;
        }
        std::cout << "ok" << std::endl;
    }
    wl_display_disconnect(display);
    return 0;
}
