// Connecting to the Wayland compositor and binding its globals in one registry listener,
// one `if` per interface, versions capped at what the backend speaks; what the
// compositor offers (Choice.h) is read from the same globals. A compositor that goes away
// or raises a protocol error ends the program with one line (Fail).
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ext-image-capture-source-v1-client-protocol.h"
#include "ext-image-copy-capture-v1-client-protocol.h"
#include "fractional-scale-v1-client-protocol.h"
#include "platform/Notice.h"
#include "platform/posix/WaylandSession.h"
#include "platform/wayland/WaylandPlatform.h"
#include "relative-pointer-unstable-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace wayland {

Connection& W() {
    static Connection connection;
    return connection;
}

namespace {

template <typename T>
T* Bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

const wl_seat_listener SeatListener = {
    .capabilities = [](void*, wl_seat*,
                       std::uint32_t capabilities) { OnSeatCapabilities(capabilities); },
    .name = [](void*, wl_seat*, const char*) {},
};

void OnGlobal(void*, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    Connection& w = W();
    if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
        w.compositor = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        w.shm = Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0) {
        if (w.seat != nullptr) return;  // the first seat is the user's
        // NOTE: up to 5: later versions add pointer events (axis_value120) that the
        // backend would have to answer for nothing.
        w.seatVersion = std::min(version, 5u);
        w.seat = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        wl_seat_add_listener(w.seat, &SeatListener, nullptr);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        AddOutput(name, version);
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
        w.layerShell =
            Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 1);
    } else if (std::strcmp(interface, wp_viewporter_interface.name) == 0) {
        w.viewporter = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
    } else if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0) {
        w.fractionalScale = Bind<wp_fractional_scale_manager_v1>(
            registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
        w.xdgOutputs = Bind<zxdg_output_manager_v1>(registry, name,
                                                    &zxdg_output_manager_v1_interface, version, 3);
        for (auto& output : w.outputs) DescribeOutput(*output);
    } else if (std::strcmp(interface, ext_output_image_capture_source_manager_v1_interface.name) ==
               0) {
        w.outputSources = Bind<ext_output_image_capture_source_manager_v1>(
            registry, name, &ext_output_image_capture_source_manager_v1_interface, version, 1);
    } else if (std::strcmp(interface, ext_image_copy_capture_manager_v1_interface.name) == 0) {
        w.copyCapture = Bind<ext_image_copy_capture_manager_v1>(
            registry, name, &ext_image_copy_capture_manager_v1_interface, version, 1);
    } else if (std::strcmp(interface, zwp_relative_pointer_manager_v1_interface.name) == 0) {
        w.relativePointers = Bind<zwp_relative_pointer_manager_v1>(
            registry, name, &zwp_relative_pointer_manager_v1_interface, version, 1);
    } else if (std::strcmp(interface, "gtk_shell1") == 0) {
        w.gnome = true;
    } else if (StartsWith(interface, "org_kde_plasma_") ||
               StartsWith(interface, "kde_output_device")) {
        // NOTE: not every org_kde_ global: wlroots offers org_kde_kwin_server_decoration_manager.
        w.kwin = true;
    } else if (StartsWith(interface, "hyprland_")) {
        // NOTE: Hyprland's cursor sessions report logical pixels, wlroots' device pixels.
        w.logicalCursor = true;
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t name) {
    RemoveOutput(name);
}

const wl_registry_listener RegistryListener = {.global = OnGlobal, .global_remove = OnGlobalRemove};

// GNOME Shell and KWin as the session names them, for compositors that hide their globals.
bool DesktopIs(const char* name) {
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    if (desktops == nullptr) return false;
    const std::string list = std::string(":") + desktops + ":";
    return list.find(std::string(":") + name + ":") != std::string::npos;
}

}  // namespace

std::optional<Offer> Probe() {
    Connection& w = W();
    if (std::string unloaded; !LoadClient(unloaded)) return std::nullopt;
    if (w.display == nullptr) {
        w.display = wl_display_connect(nullptr);
        if (w.display == nullptr) return std::nullopt;
        w.registry = wl_display_get_registry(w.display);
        wl_registry_add_listener(w.registry, &RegistryListener, nullptr);
        // Two round trips: the globals, then what the outputs and the seat say of themselves.
        if (wl_display_roundtrip(w.display) < 0 || wl_display_roundtrip(w.display) < 0) {
            Drop();
            return std::nullopt;
        }
    }
    w.gnome = w.gnome || DesktopIs("GNOME");
    w.kwin = w.kwin || DesktopIs("KDE");
    Offer offer;
    offer.layerShell = w.layerShell != nullptr && w.compositor != nullptr && w.shm != nullptr;
    offer.cursorSessions = CursorSessionsOffered();
    offer.gnome = w.gnome;
    offer.kwin = w.kwin;
    return offer;
}

// NOTE: the process goes on under X11: every proxy goes with the connection's memory.
void Drop() {
    Connection& w = W();
    if (w.display != nullptr) wl_display_disconnect(w.display);
    w = Connection{};
}

void Fail(const char* what) {
    constexpr char Ended[] = "the kitten closed";
    Connection& w = W();
    const int error = w.display != nullptr ? wl_display_get_error(w.display) : 0;
    const wl_interface* interface = nullptr;
    std::uint32_t id = 0;
    const std::uint32_t code =
        error == EPROTO ? wl_display_get_protocol_error(w.display, &interface, &id) : 0;
    if (error == EPROTO)
        notice::Say(Ended, std::string("the Wayland compositor refused a request (interface ") +
                               (interface != nullptr ? interface->name : "unknown") + ", error " +
                               std::to_string(code) + ")");
    else if (error != 0)
        notice::Say(Ended, std::string("lost the connection to the Wayland compositor (") +
                               std::strerror(error) + ")");
    else
        notice::Say(Ended, what);
    _exit(1);
}

void CheckConnection() {
    if (W().display != nullptr && wl_display_get_error(W().display) != 0)
        Fail("lost the connection to the Wayland compositor");
}

}  // namespace wayland

namespace wayland::api {

bool Open(std::string& whyNot) {
    if (!Probe()) {
        whyNot = "no Wayland compositor answers (WAYLAND_DISPLAY)";
        return false;
    }
    const Connection& w = W();
    if (w.outputs.empty()) {
        whyNot = "the Wayland compositor has no output";
        return false;
    }
    if (w.xdgOutputs == nullptr) {
        whyNot = "the Wayland compositor offers no output places (zxdg_output_manager_v1)";
        return false;
    }
    // NOTE: under KWin the pointer relay tells the place, or says why it cannot.
    if (!CursorSessionsOffered() && !w.kwin)
        notice::Say("the eyes follow the pointer only over the kitten here",
                    "this compositor does not tell programs where the pointer is (no cursor "
                    "sessions, ext-image-copy-capture-v1); with wlroots 0.19 and later (sway "
                    "1.11, labwc 0.9) they follow it everywhere");
    return true;
}

std::string SessionName() {
    return waylandsession::Name().value_or("wayland");
}

void Close() {
    StopRelay();  // unloads what it loaded into the compositor
    Drop();
}

}  // namespace wayland::api
