// The kitten on scaled Wayland desktops, in sessions started with --scale (one for each
// monitor): X11 programs get the scale the desktop gives them (the X root's size and
// Xft.dpi), the kitten is the whole picture drawn at that scale, and its pupils are exact
// with the pointer at three places on each monitor, over a native window and the empty
// desktop. Each desktop maps its layout to X root pixels its own way; the table says how.
// The pointer's place is the compositor's own report where it gives one (GNOME Shell:
// a relative move covers a different number of pixels on each monitor), else the place
// KWin's fake input was told (absolute, in the layout's pixels).
#include <sys/wait.h>

#include <cmath>

#include "WaylandSession.h"
#include "tests/support/EyeCheck.h"

using namespace wltest;

namespace {

constexpr milliseconds TurnDeadline(300);
constexpr milliseconds ScaleChangeDeadline(10000);  // a new scale may be painted first

struct Area {
    int left, top, width, height;
};

// One desktop's arrangement of the scales a session was given.
struct Layout {
    const char* name;
    const char* desktop;  // VELLORY_TEST_DESKTOP
    int gnomeFrom = 0;    // GNOME Shell majors that lay monitors out this way
    int gnomeTo = 0;
    const char* scales;          // VELLORY_TEST_SCALES
    double x11Scale;             // Xft.dpi / 96: the scale X11 programs draw at
    Point root;                  // the X root's size
    double rootPerLayout;        // X root pixels per pixel of the compositor's layout
    std::vector<Area> monitors;  // in the layout's pixels, the primary first
};
void PrintTo(const Layout& layout, std::ostream* out) {
    *out << layout.name;
}

// Every monitor is 1280 S x 800 S device pixels at its scale S (the session scripts).
const Layout Layouts[] = {
    // KWin 6: X11 programs scale themselves by the largest output scale (fractional too)
    // over a layout in logical pixels. Its virtual outputs all have the first one's size.
    {"KWinAt2", "kwin", 0, 0, "2", 2, {2560, 1600}, 2, {{0, 0, 1280, 800}}},
    {"KWinAt1_5", "kwin", 0, 0, "1.5", 1.5, {1920, 1200}, 1.5, {{0, 0, 1280, 800}}},
    {"KWinAt2And1",
     "kwin",
     0,
     0,
     "2 1",
     2,
     {7680, 3200},
     2,
     {{0, 0, 1280, 800}, {1280, 0, 2560, 1600}}},
    // GNOME 48: the physical layout, X root = device pixels, Xft.dpi from the primary.
    {"Gnome48At2", "gnome", 45, 49, "2", 2, {2560, 1600}, 1, {{0, 0, 2560, 1600}}},
    {"Gnome48At2And1",
     "gnome",
     45,
     49,
     "2 1",
     2,
     {3840, 1600},
     1,
     {{0, 0, 2560, 1600}, {2560, 0, 1280, 800}}},
    // GNOME 50 and later: Xwayland's native scaling, X11 scale = the largest scale rounded
    // up, over a layout in logical pixels.
    {"Gnome50At2", "gnome", 50, 99, "2", 2, {2560, 1600}, 2, {{0, 0, 1280, 800}}},
    {"Gnome50At1_5", "gnome", 50, 99, "1.5", 2, {2560, 1600}, 2, {{0, 0, 1280, 800}}},
    {"Gnome50At2And1",
     "gnome",
     50,
     99,
     "2 1",
     2,
     {5120, 1600},
     2,
     {{0, 0, 1280, 800}, {1280, 0, 1280, 800}}},
};

bool IsRunning(const Layout& layout) {
    if (Desktop() != layout.desktop || SessionScales() != layout.scales) return false;
    if (layout.gnomeFrom == 0) return true;
    const int major = GnomeShellMajor();
    return major >= layout.gnomeFrom && major <= layout.gnomeTo;
}

// NOTE: even, so that a layout pixel of 1.5 root pixels gives whole root pixels.
int Even(double value) {
    return static_cast<int>(value) / 2 * 2;
}

class ScaledDesktop : public testing::TestWithParam<Layout> {
  protected:
    void SetUp() override {
        if (!IsRunning(layout))
            GTEST_SKIP() << "the session is not " << layout.name << " (" << Desktop().value_or("")
                         << ", scales '" << SessionScales() << "')";
        mover = std::make_unique<Mover>(*Desktop());
    }
    // Moves the pointer to a place in the layout; where it is in X root pixels.
    Point PointTo(Point place, const Area& monitor) {
        mover->MoveTo(place);
        const Point reported = ReportedPointer().value_or(place);
        EXPECT_TRUE(reported.x >= monitor.left && reported.x < monitor.left + monitor.width &&
                    reported.y >= monitor.top && reported.y < monitor.top + monitor.height)
            << "the pointer went to (" << reported.x << ", " << reported.y << ") for (" << place.x
            << ", " << place.y << ")";
        return {static_cast<int>(std::lround(reported.x * rootPerLayout)),
                static_cast<int>(std::lround(reported.y * rootPerLayout))};
    }
    // Three places on a monitor: around the kitten where it is (close, where a small
    // fault in the mapping turns the pupils most), else spread over the monitor.
    std::vector<Point> PlacesOn(const Area& monitor, double scale) const {
        const Point at = kitten.Position();
        const double left = at.x / rootPerLayout, top = at.y / rootPerLayout;
        const double width = Scaled(KittenWidth, scale) / rootPerLayout;
        const double height = Scaled(KittenHeight, scale) / rootPerLayout;
        const double eyes = top + Scaled(Eye1.y, scale) / rootPerLayout;
        if (left >= monitor.left && left < monitor.left + monitor.width)
            return {{Even(left - 40), Even(eyes + 10)},
                    {Even(left + width + 30), Even(eyes - 20)},
                    {Even(left + width / 3), Even(top + height + 50)}};
        std::vector<Point> places;
        for (const auto& [across, down] : {std::pair{0.12, 0.7}, {0.5, 0.9}, {0.86, 0.55}})
            places.push_back({monitor.left + Even(monitor.width * across),
                              monitor.top + Even(monitor.height * down)});
        return places;
    }
    // The window is the picture for `scale`, whole, and its pupils follow the pointer on
    // every monitor of `monitors`.
    void ExpectKittenAt(double scale, const std::vector<Area>& monitors) {
        const Point size{Scaled(KittenWidth, scale), Scaled(KittenHeight, scale)};
        EXPECT_TRUE(WaitUntil([&] { return x.Size(window) == size; }, ScaleChangeDeadline))
            << "size " << testing::PrintToString(x.Size(window).value_or(Point{})) << ", expected "
            << testing::PrintToString(size);
        // NOTE: Xwayland composites, so the window is 32-bit: its own pixels along the
        // outline are premultiplied by their coverage, the face's colour blended with black.
        std::string first;
        EXPECT_TRUE(WaitUntil(
            [&] {
                const BlendReading reading = ReadBlend(LookAt(x, window, scale), 0x000000, scale);
                first = reading.first;
                return reading.wrong == 0;
            },
            ScaleChangeDeadline))
            << first;
        for (std::size_t m = 0; m < monitors.size(); ++m)
            for (const Point place : PlacesOn(monitors[m], scale))
                EXPECT_TRUE(
                    PupilsLookAt(x, window, PointTo(place, monitors[m]), TurnDeadline, scale))
                    << "monitor " << m;
    }

    const Layout& layout = GetParam();
    double rootPerLayout = layout.rootPerLayout;
    XClient x{""};
    std::unique_ptr<Mover> mover;
    KittenProcess kitten{x, layout.x11Scale};
    Window window = None;
};

}  // namespace

TEST_P(ScaledDesktop, TheKittenIsDrawnAtTheX11ScaleAndItsPupilsAreExactOnEveryMonitor) {
    ASSERT_EQ(RootSize(x), layout.root);
    ASSERT_EQ(XftDpi(x), 96 * layout.x11Scale);
    const NativeWindow native;  // over the primary monitor
    window = kitten.Start();
    ExpectKittenAt(layout.x11Scale, layout.monitors);
    EXPECT_TRUE(kitten.Process().Running());
}

// KWin shrinks the window to 207 x 220 at once: the kitten must redraw itself for the
// new scale in it, and map the pointer with the new layout. Runs in scripts/test.sh's
// KWin 6.3 session at "2 1".
TEST_P(ScaledDesktop, OnAScaleChangeWhileRunningTheKittenRedrawsAndStaysExact) {
    if (*Desktop() != "kwin" || layout.monitors.size() < 2)
        GTEST_SKIP() << "changed through KWin's output management, on two outputs";
    window = kitten.Start();
    ASSERT_EQ(x.Size(window), (Point{Scaled(KittenWidth, 2), Scaled(KittenHeight, 2)}));

    // The first output to scale 1, as the display settings do it, and Xft.dpi with it,
    // as Plasma does: X11 programs now scale by 1 over a layout whose first output is
    // 2560 x 1600 logical pixels, the second beside it.
    const auto [said, status] =
        wltest::Run(std::string(VELLORY_MOVERS_DIR) + "/kwin_output_scale Virtual-0 1 2>&1");
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << said;
    ASSERT_EQ(status, 0) << said;
    SetXftDpi(96);
    const std::vector<Area> monitors{{0, 0, 2560, 1600}, {2560, 0, 2560, 1600}};
    EXPECT_TRUE(WaitUntil(
        [&] {
            return RootSize(x) == Point{5120, 1600};
        },
        ScaleChangeDeadline))
        << testing::PrintToString(RootSize(x)) << "; KWin's outputs: "
        << wltest::Run(std::string(VELLORY_MOVERS_DIR) + "/kwin_output_scale").first;
    rootPerLayout = 1;
    ExpectKittenAt(1, monitors);
    EXPECT_TRUE(kitten.Process().Running());
}

INSTANTIATE_TEST_SUITE_P(, ScaledDesktop, testing::ValuesIn(Layouts),
                         [](const auto& info) { return std::string(info.param.name); });
