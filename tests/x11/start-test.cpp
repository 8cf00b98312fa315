// Starting: the kitten appears at once, frameless, 207x220, above ordinary windows,
// without a task-bar or pager entry, with its class, title, pid, fixed size and icon,
// the first time at the top edge of the primary monitor, centred by the integer rule.
#include <algorithm>

#include "Vellory.h"

using namespace xtest;

using Start = OnDesktop;

TEST_P(Start, ShowsTheFramelessKittenAtTheTopCentreAndDeclaresIt) {
    desktop.SetBackground(Background);
    auto [run, window] = vellory.StartAndWait();

    EXPECT_EQ(desktop.Size(window), (Point{KittenWidth, KittenHeight}));
    EXPECT_EQ(vellory.Position(window), DefaultPlace);
    // No frame: a window manager's frame, if any, is exactly the window.
    const Window frame = desktop.TopLevelOf(window);
    EXPECT_EQ(desktop.Size(frame), (Point{KittenWidth, KittenHeight}));
    EXPECT_EQ(desktop.RootPosition(frame), vellory.Position(window));
    // What the screen shows there: the picture, cut to its outline, with painted eyes.
    std::string first;
    EXPECT_EQ(CountWrongPixels(vellory.Look(window), Background, &first), 0) << first;
    EXPECT_TRUE(run->process.Running());
    EXPECT_EQ(vellory.Windows().size(), 1u);

    // What it declares to the window manager.
    for (const char* state :
         {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"})
        EXPECT_TRUE(desktop.HasAtom(window, "_NET_WM_STATE", state)) << state;

    EXPECT_EQ(desktop.ClassOf(window), "vellory");
    EXPECT_EQ(desktop.Title(window), "Form1");
    EXPECT_EQ(desktop.Property32(window, "_NET_WM_PID"), std::vector<long>{run->process.Pid()});
    EXPECT_TRUE(desktop.HasAtom(window, "WM_PROTOCOLS", "WM_DELETE_WINDOW"));

    XSizeHints hints{};
    long supplied = 0;
    ASSERT_NE(XGetWMNormalHints(desktop.X(), window, &hints, &supplied), 0);
    ASSERT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize));
    EXPECT_EQ(hints.min_width, KittenWidth);
    EXPECT_EQ(hints.max_width, KittenWidth);
    EXPECT_EQ(hints.min_height, KittenHeight);
    EXPECT_EQ(hints.max_height, KittenHeight);

    // The eyes icon: 32x32 ARGB, 832 of its 1024 pixels transparent.
    const auto icon = desktop.Property32(window, "_NET_WM_ICON");
    ASSERT_EQ(icon.size(), 2u + 32 * 32);
    EXPECT_EQ(icon[0], 32);
    EXPECT_EQ(icon[1], 32);
    const auto transparent = std::count_if(icon.begin() + 2, icon.end(), [](long argb) {
        return (static_cast<unsigned long>(argb) >> 24 & 0xFF) == 0;
    });
    EXPECT_EQ(transparent, 832);
    // Blue irises (0x0000FF) and dark-blue pupils (0x000080), opaque.
    const auto has = [&](unsigned long argb) {
        return std::any_of(icon.begin() + 2, icon.end(), [&](long value) {
            return (static_cast<unsigned long>(value) & 0xFFFFFFFFul) == argb;
        });
    };
    EXPECT_TRUE(has(0xFF0000FFul));
    EXPECT_TRUE(has(0xFF000080ul));

    if (GetParam() == Wm::Openbox) {
        // Fixed size: the manager offers neither maximise nor resize.
        for (const char* action : {"_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT",
                                   "_NET_WM_ACTION_RESIZE"})
            EXPECT_FALSE(desktop.HasAtom(window, "_NET_WM_ALLOWED_ACTIONS", action)) << action;
        EXPECT_TRUE(desktop.HasAtom(window, "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_MOVE"));
    }
}

TEST_P(Start, StaysAboveAnOrdinaryWindowThatIsActivated) {
    desktop.SetBackground(Background);
    auto [run, shown] = vellory.StartAndWait();
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    const Point at = vellory.Position(window);

    // A window of ours over the whole kitten, activated and raised as a user would.
    constexpr std::uint32_t Cover = 0xE0D0A0;
    const Window cover =
        desktop.MakeWindow(at.x - 40, std::max(0, at.y - 20), 320, 300, Cover, false);
    desktop.Activate(cover);
    const Window kittenTop = desktop.TopLevelOf(window);
    bool above = false;
    std::string first;
    int wrong = -1;
    // The kitten shows in full over our window (and its frame, if managed), and the
    // server's stacking order says the same.
    const std::optional<std::uint32_t> below =
        GetParam() == Wm::Bare ? std::optional<std::uint32_t>(Cover) : std::nullopt;
    const auto kittenShowsAbove = [&] {
        above = StacksAbove(desktop.TopLevelStack(), kittenTop, desktop.TopLevelOf(cover));
        wrong = CountWrongPixels(vellory.Look(window), below, &first);
        return above && wrong == 0;
    };
    EXPECT_TRUE(WaitUntil(kittenShowsAbove, milliseconds(3000)))
        << "kitten above: " << above << ", wrong pixels: " << wrong << " " << first;
    if (GetParam() == Wm::Openbox) {
        EXPECT_TRUE(StacksAbove(desktop.ClientList(), window, cover));
    }
    // Raised again later, our window still stays below.
    desktop.Activate(cover);
    XRaiseWindow(desktop.X(), desktop.TopLevelOf(cover));
    XSync(desktop.X(), False);
    Pause(milliseconds(300));
    EXPECT_TRUE(WaitUntil(kittenShowsAbove, milliseconds(3000)))
        << "kitten above: " << above << ", wrong pixels: " << wrong << " " << first;
}

INSTANTIATE_TEST_SUITE_P(, Start, BothDesktops, DesktopName);
