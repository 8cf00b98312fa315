// Which backend the Linux program runs: X11, or the native Wayland one where the
// compositor offers what a floating kitten needs there and is neither GNOME Shell nor KWin
// (those two keep the X11 window with its pointer relay). VELLORY_BACKEND forces either.
#pragma once

#include <optional>
#include <string>

namespace backends {

// What a Wayland compositor offers the native backend, read from its globals.
struct WaylandOffer {
    bool layerShell = false;      // zwlr_layer_shell_v1: a surface above ordinary windows
    bool cursorSessions = false;  // ext-image-copy-capture cursor sessions: the pointer anywhere
    bool gnomeOrKWin = false;     // GNOME Shell or KWin: their relay serves the X11 window
};

enum class Kind { X11, Wayland };

struct Choice {
    std::optional<Kind> kind;  // nothing: the forced backend cannot run here (whyNot)
    std::string whyNot;
};

// forced: VELLORY_BACKEND's value, if set and not empty; offer: the Wayland compositor's,
// if a Wayland session answers.
Choice Choose(const std::optional<std::string>& forced, const std::optional<WaylandOffer>& offer);

}  // namespace backends
