// The choice between the Linux backends: see Choice.h.
#include "platform/linux/Choice.h"

#include <utility>

namespace backends {
namespace {

Choice Runs(Kind kind, std::string fallback = {}) {
    return {kind, {}, std::move(fallback)};
}

Choice Refused(std::string whyNot) {
    return {std::nullopt, std::move(whyNot), {}};
}

}  // namespace

Choice Choose(const std::optional<std::string>& forced, const std::optional<WaylandOffer>& offer,
              const std::string& noLibrary) {
    if (forced && *forced != "x11" && *forced != "wayland")
        return Refused("VELLORY_BACKEND is \"" + *forced + "\": it must be x11 or wayland");
    if (forced == "x11") return Runs(Kind::X11);
    const std::string cannotLoad = "cannot load libwayland-client (" + noLibrary + ")";
    if (forced == "wayland") {
        if (!noLibrary.empty()) return Refused("VELLORY_BACKEND=wayland, but " + cannotLoad);
        if (!offer)
            return Refused(
                "VELLORY_BACKEND=wayland, but no Wayland compositor answers (WAYLAND_DISPLAY)");
        if (!offer->layerShell)
            return Refused(
                "VELLORY_BACKEND=wayland, but the compositor offers no layer shell "
                "(zwlr_layer_shell_v1)");
        return Runs(Kind::Wayland);
    }
    if (!noLibrary.empty()) return Runs(Kind::X11, cannotLoad);
    if (offer && offer->layerShell && !offer->gnome && !(offer->kwin && offer->xwaylandInputShape))
        return Runs(Kind::Wayland);
    return Runs(Kind::X11);
}

}  // namespace backends
