// Which backend the Linux program runs: X11, or the native Wayland one where the
// compositor offers the layer shell and is neither GNOME Shell nor KWin (those two keep the
// X11 window with its pointer relay). VELLORY_BACKEND forces either.
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
};

// forced: VELLORY_BACKEND's value, if set and not empty; offer: the Wayland compositor's,
// if a Wayland session answers.
Choice Choose(const std::optional<std::string>& forced, const std::optional<WaylandOffer>& offer);

}  // namespace backends
