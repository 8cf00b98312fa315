// Quiet at rest: the eyes tick only while the pointer or the window moves, yet the window
// shows what a tick every 70 ms shows; at rest the program asks the server for one thing
// a second at most and sleeps; a warp, which no input device reports, reaches the eyes
// through the slow look, a window move at once; an uncovered window shows its eyes again.
#include <fstream>

#include "Vellory.h"
#include "XTrace.h"
#include "tests/support/Drawing.h"
#include "tests/support/EyeCheck.h"

using namespace xtest;

namespace {

using Quiet = OnDesktop;

long VoluntarySwitches(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stol(line.substr(24));
    return -1;
}

int DifferentPixels(const Shot& a, const Shot& b) {
    if (a.pixels.size() != b.pixels.size()) return static_cast<int>(a.pixels.size());
    int different = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) different += a.pixels[i] != b.pixels[i];
    return different;
}

// The pupils turned towards `pointer`, within the deadline; the time they took.
std::optional<milliseconds> TimeToTurn(const Desktop& desktop, Window window, Point pointer,
                                       milliseconds deadline) {
    const auto start = Clock::now();
    if (!PupilsLookAt(desktop, window, pointer, deadline)) return std::nullopt;
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

}  // namespace

TEST_P(Quiet, ShowsWhatATickEveryIntervalShowsAlongOneTrack) {
    Desktop everyDesktop{GetParam()};
    Vellory every{everyDesktop};
    Environment always = everyDesktop.ClientEnvironment();
    always.Set("VELLORY_ALWAYS_TICK", "1");
    struct Side {
        Desktop& desktop;
        Vellory& vellory;
        Window window = None;
    } sides[] = {{desktop, vellory}, {everyDesktop, every}};
    for (Side& side : sides) {
        side.desktop.SetBackground(Background);
        side.desktop.MovePointer({300, 200});
        side.vellory.WriteSettings(SavedPlace(Middle));
    }
    sides[0].window = vellory.StartAndWait().second;
    sides[1].window = every.StartAndWait(always).second;
    const auto both = [&](auto step) {
        for (Side& side : sides) step(side);
    };
    // Read back once both have settled: a tick every 70 ms needs one interval, a warp
    // waits for the slow look.
    const auto compare = [&](const std::string& moment, milliseconds settle) {
        Pause(settle);
        const Shot quiet = vellory.Look(sides[0].window), ticking = every.Look(sides[1].window);
        EXPECT_EQ(DifferentPixels(quiet, ticking), 0) << moment;
        EXPECT_TRUE(PupilsLookAt(desktop, sides[0].window, desktop.Pointer(), milliseconds(0)))
            << moment;
    };
    constexpr milliseconds Settled(300), AfterSlowLook(1500);

    for (const Point to : {Point{20, 300}, Point{1200, 500}, Point{600, 40}, Middle + Eye1}) {
        both([&](Side& side) { side.desktop.MovePointer(to); });
        compare("moved to (" + std::to_string(to.x) + ", " + std::to_string(to.y) + ")", Settled);
    }
    for (int step = 0; step < 30; ++step) {  // a quick stroke, 60 moves a second
        both([&](Side& side) { side.desktop.MovePointer({100 + 30 * step, 900 - 20 * step}); });
        Pause(milliseconds(16));
    }
    compare("after a stroke", Settled);
    compare("after a still spell", milliseconds(2500));
    both([&](Side& side) { side.desktop.WarpPointer({1000, 800}); });
    compare("after a warp", AfterSlowLook);
    both([&](Side& side) {
        XMoveWindow(side.desktop.X(), side.window, 200, 500);
        XSync(side.desktop.X(), False);
    });
    for (Side& side : sides)
        ASSERT_TRUE(WaitUntil(
            [&] {
                return side.vellory.Position(side.window) == Point{200, 500};
            },
            milliseconds(3000)));
    compare("after a window move", Settled);
    both([&](Side& side) { EXPECT_TRUE(side.vellory.DragBy(side.window, {150, -120})); });
    compare("after a drag", Settled);
}

TEST_P(Quiet, AtRestAsksTheServerOnceASecondAndSleeps) {
    XTrace trace(desktop);
    auto [run, window] = vellory.StartAndWait(trace.ClientEnvironment());
    desktop.MovePointer({300, 200});
    ASSERT_TRUE(PupilsLookAt(desktop, window, {300, 200}));
    Pause(milliseconds(1000));
    const int requests = trace.Requests();
    const long switches = VoluntarySwitches(run->process.Pid());
    DrawingWatch drawing(desktop, window);
    constexpr int Seconds = 10;
    Pause(milliseconds(Seconds * 1000));
    // The slow look: one request a second, and a wake-up for it and one for its reply.
    EXPECT_LE(trace.Requests() - requests, Seconds + 1);
    EXPECT_LE(VoluntarySwitches(run->process.Pid()) - switches, 2 * Seconds + 2);
    EXPECT_EQ(drawing.Drawings(), 0);
    desktop.MovePointer({900, 700});  // the watch sees a tick's drawing
    EXPECT_TRUE(WaitUntil([&] { return drawing.Drawings() > 0; }, milliseconds(2000)));
}

TEST_P(Quiet, AWarpReachesTheEyesWithinASecondAndAWindowMoveAtOnce) {
    vellory.WriteSettings(SavedPlace(Middle));
    auto [run, shown] = vellory.StartAndWait();
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    desktop.MovePointer({300, 200});
    ASSERT_TRUE(PupilsLookAt(desktop, window, {300, 200}));
    for (const Point to : {Point{1000, 800}, Point{20, 20}}) {
        Pause(milliseconds(500));  // at rest again
        desktop.WarpPointer(to);
        const auto took = TimeToTurn(desktop, window, to, milliseconds(1600));
        EXPECT_TRUE(took) << "after a warp to (" << to.x << ", " << to.y << ")";
    }
    // The window moved under a still pointer: three tries, so that a move that happens to
    // fall just before a slow look cannot pass for one that woke the loop.
    for (const Point to : {Point{900, 100}, Point{300, 600}, Point{620, 240}}) {
        Pause(milliseconds(500));
        XMoveWindow(desktop.X(), window, to.x, to.y);
        XSync(desktop.X(), False);
        ASSERT_TRUE(WaitUntil([&] { return vellory.Position(window) == to; }, milliseconds(3000),
                              milliseconds(1)));
        const auto took = TimeToTurn(desktop, window, desktop.Pointer(), milliseconds(1500));
        ASSERT_TRUE(took) << "after a move to (" << to.x << ", " << to.y << ")";
        EXPECT_LE(took->count(), 400) << "after a move to (" << to.x << ", " << to.y << ")";
    }
}

TEST_P(Quiet, AnUncoveredWindowShowsItsEyesAgainThoughNothingMoved) {
    vellory.WriteSettings(SavedPlace(Middle));
    auto [run, window] = vellory.StartAndWait();
    desktop.MovePointer({300, 200});
    ASSERT_TRUE(PupilsLookAt(desktop, window, {300, 200}));
    Pause(milliseconds(500));
    // Over the kitten even without a window manager, which would raise it above an
    // ordinary window.
    const Window cover = desktop.MakeWindow(Middle.x - 10, Middle.y - 10, 240, 250, 0xFF0000, true);
    Pause(milliseconds(200));
    XDestroyWindow(desktop.X(), cover);
    XSync(desktop.X(), False);
    // No tick comes: pointer and window stand where the last tick saw them.
    EXPECT_TRUE(PupilsLookAt(desktop, window, {300, 200}, milliseconds(1500)));
}

INSTANTIATE_TEST_SUITE_P(, Quiet, BothDesktops, DesktopName);
