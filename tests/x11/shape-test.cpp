// The window is exactly the kitten: the server's bounding and input shapes hold the
// picture's non-key pixels and nothing else, the green label square is never seen, also
// after a repaint, and a click on a cut-away pixel reaches the window beneath. Under a
// compositor the edge is blended (a 32-bit window with alpha), the shapes as before.
#include <algorithm>
#include <cstdio>

#include "Vellory.h"

using namespace xtest;

using Shape = OnDesktop;

namespace {

// Waits for a button press on `window`; its position in the window, if one came.
std::optional<Point> PressOn(Display* x, Window window, milliseconds deadline) {
    XEvent event;
    std::optional<Point> at;
    WaitUntil(
        [&] {
            XSync(x, False);
            while (XCheckTypedWindowEvent(x, window, ButtonPress, &event))
                at = Point{event.xbutton.x, event.xbutton.y};
            return at.has_value();
        },
        deadline);
    return at;
}

}  // namespace

TEST_P(Shape, HoldsExactlyTheNonKeyPixelsAndTheLabelIsNeverSeen) {
    const Picture& picture = Kitten();
    ASSERT_EQ(picture.width, KittenWidth);
    ASSERT_EQ(picture.height, KittenHeight);
    desktop.SetBackground(Background);
    auto [run, shown] = vellory.StartAndWait();
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    const Point at = vellory.Position(window);

    for (int kind : {ShapeBounding, ShapeInput}) {
        std::string first;
        const auto mask = desktop.ShapeMask(window, kind, KittenWidth, KittenHeight);
        EXPECT_EQ(CountWrongShapePixels(mask, &first), 0)
            << (kind == ShapeBounding ? "bounding" : "input") << " shape: " << first;
    }
    // Both kinds of pixel are plentiful, so the comparison means something.
    const auto keyPixels = std::count(picture.pixels.begin(), picture.pixels.end(), picture.Key());
    EXPECT_GT(keyPixels, 5000);
    EXPECT_GT(KittenWidth * KittenHeight - keyPixels, 20000);

    // The label's square shows what lies beneath, and its green shows nowhere.
    const auto labelShows = [&](std::string& what) {
        const Shot shot = vellory.Look(window);
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x)
                if (shot.At(x, y) == LabelGreen || (InLabel(x, y) && shot.At(x, y) != Background)) {
                    char text[80];
                    std::snprintf(text, sizeof text, "(%d, %d) shows %06X", x, y, shot.At(x, y));
                    what = text;
                    return true;
                }
        return false;
    };
    std::string what;
    EXPECT_FALSE(labelShows(what)) << what;

    // Covered by an override-redirect window (above even the topmost band), then
    // uncovered: the server repaints the kitten from its background.
    Display* x = desktop.X();
    const Window cover = desktop.MakeWindow(at.x, at.y, KittenWidth, KittenHeight, 0xFFFFFF, true);
    XRaiseWindow(x, cover);
    XSync(x, False);
    Pause(milliseconds(100));
    XDestroyWindow(x, cover);
    XSync(x, False);
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(labelShows(what)) << what;
        Pause(milliseconds(20));
    }
    std::string first;
    EXPECT_TRUE(
        WaitUntil([&] { return CountWrongPixels(vellory.Look(window), Background, &first) == 0; },
                  milliseconds(2000)))
        << first;
}

TEST_P(Shape, AClickOnACutAwayPixelReachesTheWindowBeneath) {
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);
    Display* x = desktop.X();

    // Our own window under the whole kitten, below everything else.
    const Window beneath = desktop.MakeWindow(at.x - 20, at.y, KittenWidth + 40, KittenHeight + 20,
                                              0x40A040, true, ButtonPressMask);
    XLowerWindow(x, beneath);
    XSync(x, False);
    const Point beneathAt = *desktop.RootPosition(beneath);

    // The middle of the label square is cut away: the press falls through to us.
    constexpr Point CutAway{184, 202};
    ASSERT_TRUE(Kitten().IsKey(CutAway.x, CutAway.y));
    desktop.Click(Button1, at + CutAway);
    const auto press = PressOn(x, beneath, milliseconds(3000));
    ASSERT_TRUE(press.has_value()) << "the press did not reach the window beneath";
    EXPECT_EQ(*press, (Point{at.x + CutAway.x - beneathAt.x, at.y + CutAway.y - beneathAt.y}));

    // A press on the face is the kitten's: none reaches us.
    ASSERT_FALSE(Kitten().IsKey(FacePoint.x, FacePoint.y));
    desktop.Click(Button3, at + FacePoint);
    EXPECT_FALSE(PressOn(x, beneath, milliseconds(400)).has_value());
    // And the first press went nowhere else: the kitten stands where it stood.
    EXPECT_EQ(vellory.Position(window), at);
    EXPECT_TRUE(run->process.Running());
}

// Where a compositing manager draws the windows, the outline's edge is blended with what
// lies beneath; once it stops, the edge is cut as before, with the picture's own colours.
TEST_P(Shape, TheEdgeIsBlendedWhileACompositorDrawsAndCutOnceItStops) {
    // A window of a known colour beneath the kitten (the compositor paints its own root).
    const Window beneath = desktop.MakeWindow(DefaultPlace.x - 10, 0, KittenWidth + 20,
                                              KittenHeight + 10, Background, true);
    XLowerWindow(desktop.X(), beneath);
    Child compositor = desktop.StartCompositor();
    auto [run, shown] = vellory.StartAndWait();
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    ASSERT_EQ(vellory.Position(window), DefaultPlace);

    BlendReading reading;
    EXPECT_TRUE(WaitUntil(
        [&] {
            reading = ReadBlend(vellory.Look(window), Background);
            return reading.wrong == 0 && reading.blended > 0;
        },
        milliseconds(3000)))
        << reading.wrong << " wrong, first " << reading.first << "; " << reading.blended;
    // Most of the edge is blended: it fades over the cut all round.
    EXPECT_GT(reading.blended, reading.edge / 2) << reading.blended << " of " << reading.edge;

    compositor.Kill();
    std::string first;
    EXPECT_TRUE(
        WaitUntil([&] { return CountWrongPixels(vellory.Look(window), Background, &first) == 0; },
                  milliseconds(3000)))
        << first;
    EXPECT_TRUE(run->process.Running());
}

INSTANTIATE_TEST_SUITE_P(, Shape, BothDesktops, DesktopName);
