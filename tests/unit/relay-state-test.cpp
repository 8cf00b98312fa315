// The pointer relay's beliefs, without a bus: places scaled from the compositor's logical
// coordinates to the root window's, and who may call and when the places count.
#include <gtest/gtest.h>

#include "platform/relay/RelayState.h"

using native::Point;
using relay::Compositor;
using relay::LogicalToRoot;
using relay::RelayState;
using relay::Size;
using Verdict = RelayState::Verdict;

namespace {

struct Mapping {
    const char* what;
    Point logical;
    Size logicalSize, root;
    std::optional<Point> expected;
};

const Mapping Mappings[] = {
    {"same size", {640, 400}, {1280, 800}, {1280, 800}, Point{640, 400}},
    {"X11 apps scale themselves", {640, 401}, {1280, 800}, {2560, 1600}, Point{1280, 802}},
    {"scale 1.25 rounds to nearest", {3, 3}, {1536, 864}, {1920, 1080}, Point{4, 4}},
    {"two monitors side by side", {2500, 700}, {3200, 1080}, {3200, 1080}, Point{2500, 700}},
    {"top-left corner", {0, 0}, {1280, 800}, {2560, 1600}, Point{0, 0}},
    {"bottom-right edge", {1280, 800}, {1280, 800}, {2560, 1600}, Point{2560, 1600}},
    {"left of the desktop", {-1, 10}, {1280, 800}, {1280, 800}, std::nullopt},
    {"below the desktop", {10, 801}, {1280, 800}, {1280, 800}, std::nullopt},
    {"far outside", {2147483647, -2147483647 - 1}, {1280, 800}, {1280, 800}, std::nullopt},
    {"no logical size", {0, 0}, {0, 0}, {1280, 800}, std::nullopt},
    {"no root size", {0, 0}, {1280, 800}, {0, 0}, std::nullopt},
    {"largest sizes do not overflow",
     {32767, 32767},
     {32767, 32767},
     {32767, 32767},
     Point{32767, 32767}},
};

TEST(RelayMapping, ScalesByRootOverLogicalSizeAndRefusesPlacesOutside) {
    for (const Mapping& m : Mappings) {
        const std::optional<Point> root = LogicalToRoot(m.logical, m.logicalSize, m.root);
        ASSERT_EQ(root.has_value(), m.expected.has_value()) << m.what;
        if (root) {
            EXPECT_EQ(*root, *m.expected) << m.what;
        }
    }
}

constexpr char KWin[] = ":1.7", Stranger[] = ":1.9";

// A relay whose X server's root is 2560x1600 and whose KWin is :1.7.
RelayState WithKWin() {
    RelayState state;
    state.SetRootSize({2560, 1600});
    state.SetOwner(Compositor::KWin, KWin);
    return state;
}

}  // namespace

TEST(RelayState, TakesCallsOnlyFromTheCompositorsOwnConnection) {
    RelayState state = WithKWin();
    EXPECT_EQ(state.Screen(Stranger, 1280, 800), Verdict::Denied);
    EXPECT_EQ(state.Screen("", 1280, 800), Verdict::Denied);
    EXPECT_FALSE(state.Delivering());
    ASSERT_EQ(state.Screen(KWin, 1280, 800), Verdict::Taken);
    EXPECT_EQ(state.Pointer(Stranger, 10, 10), Verdict::Denied);
    EXPECT_EQ(state.Screen(Stranger, 0, 0), Verdict::Denied);
    EXPECT_TRUE(state.Delivering());
    EXPECT_EQ(state.RootPointer(), std::nullopt);  // nothing delivered yet
    EXPECT_EQ(state.Pointer(KWin, 100, 50), Verdict::Taken);
    EXPECT_EQ(state.RootPointer(), (Point{200, 100}));
}

TEST(RelayState, IgnoresPlacesAndSizesThatCannotBeAndKeepsTheLastGoodPlace) {
    RelayState state = WithKWin();
    EXPECT_EQ(state.Pointer(KWin, 2000, 10), Verdict::Ignored);  // not delivering yet
    const Size badSizes[] = {{-1, 800}, {1280, 0}, {0, 800}, {40000, 800}, {1280, -5}};
    for (const Size size : badSizes)
        EXPECT_EQ(state.Screen(KWin, size.width, size.height), Verdict::Ignored);
    EXPECT_FALSE(state.Delivering());
    ASSERT_EQ(state.Screen(KWin, 1280, 800), Verdict::Taken);
    ASSERT_EQ(state.Pointer(KWin, 1280, 800), Verdict::Taken);
    const Point outside[] = {{1281, 0}, {0, 801}, {-1, 0}, {0, -1}, {1 << 30, 1 << 30}};
    for (const Point p : outside) EXPECT_EQ(state.Pointer(KWin, p.x, p.y), Verdict::Ignored);
    EXPECT_EQ(state.RootPointer(), (Point{2560, 1600}));
}

TEST(RelayState, StopsDeliveringWhenToldWhenTheCompositorGoesAndWhenTheBusGoes) {
    struct Ending {
        const char* what;
        void (*end)(RelayState&);
    };
    const Ending endings[] = {
        {"Screen(0, 0)", [](RelayState& s) { EXPECT_EQ(s.Screen(KWin, 0, 0), Verdict::Taken); }},
        {"KWin left the bus", [](RelayState& s) { s.SetOwner(Compositor::KWin, ""); }},
        {"KWin restarted", [](RelayState& s) { s.SetOwner(Compositor::KWin, ":1.12"); }},
        {"bus hung up", [](RelayState& s) { s.HungUp(); }},
    };
    for (const Ending& ending : endings) {
        RelayState state = WithKWin();
        state.Screen(KWin, 1280, 800);
        state.Pointer(KWin, 5, 5);
        ending.end(state);
        EXPECT_FALSE(state.Delivering()) << ending.what;
        EXPECT_EQ(state.RootPointer(), std::nullopt) << ending.what;
    }
    // Another name changing hands does not end KWin's delivering.
    RelayState state = WithKWin();
    state.Screen(KWin, 1280, 800);
    state.SetOwner(Compositor::GnomeShell, ":1.30");
    state.SetOwner(Compositor::GnomeShell, "");
    EXPECT_TRUE(state.Delivering());
    // After a restart, only the new connection may call, and it starts afresh.
    state.SetOwner(Compositor::KWin, ":1.12");
    EXPECT_EQ(state.Screen(KWin, 1280, 800), Verdict::Denied);
    EXPECT_EQ(state.Screen(":1.12", 1280, 800), Verdict::Taken);
    EXPECT_TRUE(state.Delivering());
}

// KWin's logical size against the root gives Xwayland's scale, as it changes; GNOME's does
// not (its logical size is the root's in some layouts whatever the scale), nor a stop.
TEST(RelayState, GivesRootPixelsPerLogicalPixelWhileKWinDelivers) {
    RelayState state = WithKWin();
    EXPECT_EQ(state.RootPerLogical(), std::nullopt);  // nothing sent yet
    const struct {
        Size logical, root;
        double scale;
    } changes[] = {{{1280, 800}, {2560, 1600}, 2},
                   {{1280, 800}, {1920, 1200}, 1.5},  // the root first, then the size
                   {{1920, 1200}, {1920, 1200}, 1}};
    for (const auto& change : changes) {
        state.SetRootSize(change.root);
        ASSERT_EQ(state.Screen(KWin, change.logical.width, change.logical.height), Verdict::Taken);
        EXPECT_EQ(state.RootPerLogical(), change.scale);
    }
    ASSERT_EQ(state.Screen(KWin, 0, 0), Verdict::Taken);
    EXPECT_EQ(state.RootPerLogical(), std::nullopt);

    constexpr char Shell[] = ":1.8";
    RelayState gnome;
    gnome.SetRootSize({2560, 1600});
    gnome.SetOwner(Compositor::GnomeShell, Shell);
    ASSERT_EQ(gnome.Screen(Shell, 1280, 800), Verdict::Taken);
    EXPECT_EQ(gnome.RootPerLogical(), std::nullopt);
}
