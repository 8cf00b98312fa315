// The choice between the Linux backends: see Choice.h.
#include "platform/linux/Choice.h"

namespace backends {

Choice Choose(const std::optional<std::string>& forced, const std::optional<WaylandOffer>& offer) {
    if (forced && *forced != "x11" && *forced != "wayland")
        return {std::nullopt, "VELLORY_BACKEND is \"" + *forced + "\": it must be x11 or wayland"};
    if (forced == "x11") return {Kind::X11, {}};
    if (forced == "wayland") {
        if (!offer)
            return {std::nullopt,
                    "VELLORY_BACKEND=wayland, but no Wayland compositor answers (WAYLAND_DISPLAY)"};
        if (!offer->layerShell)
            return {std::nullopt,
                    "VELLORY_BACKEND=wayland, but the compositor offers no layer shell "
                    "(zwlr_layer_shell_v1)"};
        return {Kind::Wayland, {}};
    }
    if (offer && offer->layerShell && !offer->gnomeOrKWin) return {Kind::Wayland, {}};
    return {Kind::X11, {}};
}

}  // namespace backends
