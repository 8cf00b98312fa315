// Which Linux backend runs: the compositor's offer against what VELLORY_BACKEND forces.
#include <gtest/gtest.h>

#include "platform/linux/Choice.h"

namespace {

using backends::Choose;
using backends::Kind;
using backends::WaylandOffer;

constexpr WaylandOffer Wlroots{.layerShell = true, .cursorSessions = true};
constexpr WaylandOffer GnomeWithALayerShell{.layerShell = true, .gnome = true};
constexpr WaylandOffer KWin{.layerShell = true, .kwin = true, .xwaylandInputShape = true};
constexpr WaylandOffer KWinOldXwayland{.layerShell = true, .kwin = true};
constexpr WaylandOffer NoCursorSessions{.layerShell = true};
constexpr WaylandOffer NoLayerShell{.cursorSessions = true};

struct Case {
    const char* what;
    std::optional<std::string> forced;
    std::optional<WaylandOffer> offer;
    std::optional<Kind> kind;  // nothing: refused with a reason
};

TEST(BackendChoice, FollowsTheOfferUnlessForced) {
    const Case cases[] = {
        {"an X11 session", std::nullopt, std::nullopt, Kind::X11},
        {"sway, labwc", std::nullopt, Wlroots, Kind::Wayland},
        {"GNOME Shell keeps its relay", std::nullopt, GnomeWithALayerShell, Kind::X11},
        {"KWin keeps its relay", std::nullopt, KWin, Kind::X11},
        {"KWin's Xwayland loses the input shape", std::nullopt, KWinOldXwayland, Kind::Wayland},
        {"wlroots 0.18: eyes over the face only", std::nullopt, NoCursorSessions, Kind::Wayland},
        {"no layer shell", std::nullopt, NoLayerShell, Kind::X11},
        {"x11 forced on sway", "x11", Wlroots, Kind::X11},
        {"x11 forced with no Wayland", "x11", std::nullopt, Kind::X11},
        {"wayland forced on KWin", "wayland", KWin, Kind::Wayland},
        {"x11 forced on KWin with an old Xwayland", "x11", KWinOldXwayland, Kind::X11},
        {"wayland forced without cursor sessions", "wayland", NoCursorSessions, Kind::Wayland},
        {"wayland forced without a compositor", "wayland", std::nullopt, std::nullopt},
        {"wayland forced without a layer shell", "wayland", NoLayerShell, std::nullopt},
        {"a misspelt backend", "Wayland", Wlroots, std::nullopt},
    };
    for (const Case& c : cases) {
        const backends::Choice choice = Choose(c.forced, c.offer);
        EXPECT_EQ(choice.kind, c.kind) << c.what;
        // A refusal says why in one line; a choice says nothing.
        EXPECT_EQ(choice.whyNot.empty(), c.kind.has_value()) << c.what;
        EXPECT_EQ(choice.whyNot.find('\n'), std::string::npos) << c.what;
        EXPECT_EQ(choice.fallback, "") << c.what;
    }
}

// Without libwayland-client in a Wayland session, the X11 window stands in with a notice
// that says why, and the native backend, if forced, is refused saying why.
TEST(BackendChoice, WithoutItsLibraryFallsBackToX11SayingWhy) {
    const std::string missing = "libwayland-client.so.0: cannot open shared object file";
    const backends::Choice standIn = Choose(std::nullopt, std::nullopt, missing);
    EXPECT_EQ(standIn.kind, Kind::X11);
    EXPECT_NE(standIn.fallback.find(missing), std::string::npos) << standIn.fallback;
    const backends::Choice refused = Choose("wayland", std::nullopt, missing);
    EXPECT_FALSE(refused.kind);
    EXPECT_NE(refused.whyNot.find(missing), std::string::npos) << refused.whyNot;
    EXPECT_EQ(Choose("x11", std::nullopt, missing).fallback, "");
}

}  // namespace
