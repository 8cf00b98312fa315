// Under a Wayland session (WAYLAND_DISPLAY set and not empty) the kitten runs through
// XWayland, where the eyes follow the pointer only over X11 windows: it says so once on
// stderr and runs all the same. Otherwise it says nothing.
// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on

#include <optional>
#include <string>

#include "Desktop.h"
#include "Vellory.h"

using namespace xtest;

namespace {

constexpr char WaylandNote[] =
    "vellory: under Wayland the eyes follow the pointer only over X11 windows\n";

struct Session {
    const char* name;
    std::optional<std::string> waylandDisplay;  // nullopt: not set
    std::string expectedErrors;
    friend void PrintTo(const Session& session, std::ostream* out) { *out << session.name; }
};

class Wayland : public testing::TestWithParam<Session> {};

}  // namespace

TEST_P(Wayland, SaysOnceThatTheEyesFollowOnlyOverX11Windows) {
    Desktop desktop(Wm::Bare);
    Vellory vellory(desktop);
    Environment environment = desktop.ClientEnvironment();
    if (GetParam().waylandDisplay) environment.Set("WAYLAND_DISPLAY", *GetParam().waylandDisplay);
    Vellory::Run& run = vellory.Start(environment);
    vellory.WaitForEyes(vellory.WaitForWindow(run));
    Pause(milliseconds(500));  // a few ticks more: the note is not repeated

    EXPECT_TRUE(run.process.Running());
    EXPECT_EQ(run.Errors(), GetParam().expectedErrors);
}

INSTANTIATE_TEST_SUITE_P(, Wayland,
                         testing::Values(Session{"WaylandDisplaySet", "wayland-0", WaylandNote},
                                         Session{"WaylandDisplayEmpty", "", ""},
                                         Session{"WaylandDisplayUnset", std::nullopt, ""}),
                         [](const auto& info) { return std::string(info.param.name); });
