// Which backend the Linux program runs: X11, or the native Wayland one where the
// compositor offers the layer shell and is not GNOME Shell (which keeps the X11 window with
// its pointer relay). KWin keeps the X11 window too where its Xwayland passes the window's
// input shape on; with an older Xwayland a press beside the face would stay with the
// kitten, so the native surface runs there, its pointer told by the same relay.
// VELLORY_BACKEND forces either.
#pragma once

#include <optional>
#include <string>

#include "platform/wayland/Offer.h"

namespace backends {

using WaylandOffer = wayland::Offer;

enum class Kind { X11, Wayland };

struct Choice {
    std::optional<Kind> kind;  // nothing: the forced backend cannot run here (whyNot)
    std::string whyNot;
    // Why the X11 window runs where the native backend would have been tried, for a
    // notice; empty when that is the desktop's own way.
    std::string fallback;
};

// forced: VELLORY_BACKEND's value, if set and not empty; offer: the Wayland compositor's,
// if a Wayland session answers; noLibrary: why libwayland-client could not be loaded in a
// Wayland session, empty when it was (or was not needed).
Choice Choose(const std::optional<std::string>& forced, const std::optional<WaylandOffer>& offer,
              const std::string& noLibrary = {});

}  // namespace backends
