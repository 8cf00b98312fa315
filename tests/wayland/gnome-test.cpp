// GNOME Shell only: the kitten's extension turned off while the kitten runs (the eyes fall
// back to what X11 tells within a second, and follow everywhere again once it is back
// on), and the kitten started while the user has it off (picked up when it is turned on).
// The start-up step's own lines: gnome-enable-test.sh; the extension alone:
// gnome-extension-check.py.
#include <algorithm>

#include "WaylandSession.h"
#include "tests/support/EyeCheck.h"

using namespace wltest;

namespace {

constexpr milliseconds TurnDeadline(300);
constexpr milliseconds SwitchDeadline(1000);  // for the relay to stop or start delivering

// A command's standard output; "" when it fails.
std::string Output(const std::string& command) {
    const auto [output, status] = Run(command);
    return status == 0 ? output : std::string();
}

std::string ShellCall(const std::string& method, const std::string& arguments) {
    return Output(
        "gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell --method " +
        method + " " + arguments + " 2>/dev/null");
}

// The variant the running shell loads.
std::string OurExtension() {
    return GnomeShellMajor() >= 45 ? "eyes-relay@vellory" : "eyes-relay-legacy@vellory";
}

// The user's own switch (the Extensions app writes the same settings).
void TurnExtension(bool on) {
    const std::string uuid = OurExtension();
    if (on) {
        Output("gsettings set org.gnome.shell disabled-extensions '[]'");
        ShellCall("org.gnome.Shell.Extensions.EnableExtension", uuid);
    } else {
        Output("gsettings set org.gnome.shell disabled-extensions \"['" + uuid + "']\"");
    }
}

bool ExtensionEnabled() {
    return ShellCall("org.gnome.Shell.Extensions.GetExtensionInfo", OurExtension())
               .find("'state': <1.0>") != std::string::npos;
}

class OnGnome : public testing::Test {
  protected:
    void SetUp() override {
        if (Desktop() != "gnome") GTEST_SKIP() << "not inside tests/wayland/gnome-session.sh";
        mover = std::make_unique<Mover>(*Desktop());
        native = std::make_unique<NativeWindow>();
    }
    void TearDown() override {
        if (Desktop() == "gnome") TurnExtension(true);  // as the session started
    }
    // A place over the native window, beside the kitten.
    Point Beside(int side) const {
        const Point at = kitten.Position();
        return side < 0 ? Point{std::max(at.x - 150, 5), at.y + 120}
                        : Point{at.x + KittenWidth + 150, at.y + 120};
    }
    testing::AssertionResult LooksAt(Point place, milliseconds deadline = TurnDeadline) {
        return PupilsLookAt(x, window, place, deadline);
    }
    // The relay does not deliver: the eyes follow the pointer over the kitten's own
    // window (X11 sees it there) and keep looking where X11 last saw it when the pointer
    // goes on over the native window.
    testing::AssertionResult FollowsOnlyOverX11() {
        const Point face = kitten.Position() + FacePoint;
        mover->MoveTo(face);
        if (testing::AssertionResult seen = LooksAt(face, SwitchDeadline); !seen) return seen;
        mover->MoveTo(Beside(+1));
        Pause(TurnDeadline);
        return LooksAt(face, milliseconds(0)) << " (the pointer is over the native window)";
    }

    XClient x{""};
    std::unique_ptr<Mover> mover;
    std::unique_ptr<NativeWindow> native;  // under the kitten and round it
    KittenProcess kitten{x};
    Window window = None;
};

}  // namespace

TEST_F(OnGnome, ExtensionTurnedOffWhileRunningFallsBackToX11AndIsPickedUpWhenOnAgain) {
    window = kitten.Start();
    mover->MoveTo(Beside(-1));
    ASSERT_TRUE(LooksAt(Beside(-1)));

    TurnExtension(false);
    ASSERT_TRUE(WaitUntil([] { return !ExtensionEnabled(); }, SwitchDeadline));
    Pause(SwitchDeadline);
    EXPECT_TRUE(FollowsOnlyOverX11());

    TurnExtension(true);  // the extension sends the place at once, without a move
    EXPECT_TRUE(LooksAt(Beside(+1), SwitchDeadline));
    mover->MoveTo(Beside(-1));
    EXPECT_TRUE(LooksAt(Beside(-1)));
    EXPECT_TRUE(kitten.Process().Running());
}

TEST_F(OnGnome, KittenStartedWhileTheExtensionIsOffIsPickedUpWhenItIsTurnedOn) {
    TurnExtension(false);
    ASSERT_TRUE(WaitUntil([] { return !ExtensionEnabled(); }, SwitchDeadline));
    window = kitten.Start();
    EXPECT_NE(kitten.Errors().find(OurExtension() + " is turned off"), std::string::npos)
        << kitten.Errors();
    EXPECT_FALSE(ExtensionEnabled()) << "the kitten enabled an extension the user turned off";
    EXPECT_TRUE(FollowsOnlyOverX11());

    TurnExtension(true);
    EXPECT_TRUE(LooksAt(Beside(+1), SwitchDeadline));
    mover->MoveTo(Beside(-1));
    EXPECT_TRUE(LooksAt(Beside(-1)));
}
