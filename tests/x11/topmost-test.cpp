// Staying on top: above ordinary windows, under override-redirect ones (a screen locker,
// a menu), and quiet beside another program that raises itself whenever it is covered.
#include "Vellory.h"

using namespace xtest;

using Topmost = OnDesktop;

namespace {

constexpr std::uint32_t Grey = 0x808080;

}  // namespace

TEST_P(Topmost, StaysUnderOverrideRedirectWindowsAndAboveOrdinaryOnes) {
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    const Window kitten = desktop.TopLevelOf(window);
    const auto above = [&](Window upper, Window lower) {
        return StacksAbove(desktop.TopLevelStack(), upper, lower);
    };
    // A locker's window over the whole kitten: it stays covered.
    const Window locker =
        desktop.MakeWindow(at.x - 20, at.y - 20, KittenWidth + 40, KittenHeight + 40, Grey, true);
    for (int i = 0; i < 10; ++i) {
        Pause(milliseconds(100));
        ASSERT_TRUE(above(locker, kitten)) << "raised over the locker after " << i * 100 << " ms";
    }
    // An ordinary window mapped under the locker and over the kitten: the kitten goes
    // back above it, and still under the locker.
    const Window ordinary = desktop.MakeWindow(at.x, at.y, 200, 200, Grey, false);
    XRaiseWindow(desktop.X(), desktop.TopLevelOf(ordinary));
    XRaiseWindow(desktop.X(), locker);
    XSync(desktop.X(), False);
    EXPECT_TRUE(WaitUntil(
        [&] { return above(kitten, desktop.TopLevelOf(ordinary)) && above(locker, kitten); },
        milliseconds(3000)));
}

TEST_P(Topmost, ASecondProgramThatRaisesItselfCostsLittle) {
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    const Window kitten = desktop.TopLevelOf(window);
    const Window rival = desktop.MakeWindow(at.x, at.y, 200, 200, Grey, false);
    const auto before = CpuTimeOf(run->process.Pid());
    const int raises = desktop.KeepRaising(rival, milliseconds(10000));
    const auto after = CpuTimeOf(run->process.Pid());
    ASSERT_TRUE(before && after);
    EXPECT_LT(*after - *before, milliseconds(500))
        << "the rival raised itself " << raises << " times";
    // The rival gives up: the kitten ends above it, and above a plain window mapped later.
    const Window plain = desktop.MakeWindow(at.x + 10, at.y + 10, 200, 200, Grey, false);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto stack = desktop.TopLevelStack();
            return StacksAbove(stack, kitten, desktop.TopLevelOf(rival)) &&
                   StacksAbove(stack, kitten, desktop.TopLevelOf(plain));
        },
        milliseconds(3000)));
}

INSTANTIATE_TEST_SUITE_P(, Topmost, BothDesktops, DesktopName);
