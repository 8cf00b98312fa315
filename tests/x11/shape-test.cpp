// The window is exactly the kitten: the server's bounding and input shapes hold the
// picture's non-key pixels and nothing else, a click on a cut-away pixel reaches the
// window beneath, and the green label square is never seen, also after a repaint.
// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on

#include <X11/extensions/shape.h>

#include <cstdio>

#include "Desktop.h"
#include "KittenPicture.h"
#include "Vellory.h"

using namespace xtest;

namespace {

class Shape : public testing::TestWithParam<Wm> {};

constexpr std::uint32_t Background = 0x2A5DB0;
constexpr Point LabelFirst{172, 190}, LabelLast{196, 214};  // inclusive
constexpr std::uint32_t LabelGreen = 0x00C000;

// The pixels of a window's shape of one kind, as a 207x220 mask.
std::vector<bool> ShapeMask(Display* x, Window window, int kind) {
    std::vector<bool> mask(static_cast<std::size_t>(KittenWidth) * KittenHeight, false);
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(x, window, kind, &count, &ordering);
    for (int i = 0; i < count; ++i)
        for (int y = rects[i].y; y < rects[i].y + rects[i].height; ++y)
            for (int x0 = rects[i].x; x0 < rects[i].x + rects[i].width; ++x0)
                if (x0 >= 0 && y >= 0 && x0 < KittenWidth && y < KittenHeight)
                    mask[static_cast<std::size_t>(y) * KittenWidth + x0] = true;
    if (rects != nullptr) XFree(rects);
    return mask;
}

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

TEST_P(Shape, BoundingAndInputShapesHoldExactlyTheNonKeyPixels) {
    const Picture& picture = Kitten();
    ASSERT_EQ(picture.width, KittenWidth);
    ASSERT_EQ(picture.height, KittenHeight);
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
    auto [run, window] = vellory.StartAndWait();

    int keyPixels = 0;
    for (int kind : {ShapeBounding, ShapeInput}) {
        const std::vector<bool> mask = ShapeMask(desktop.X(), window, kind);
        int wrong = 0;
        std::string first;
        keyPixels = 0;
        for (int y = 0; y < KittenHeight; ++y)
            for (int x = 0; x < KittenWidth; ++x) {
                const bool key = picture.IsKey(x, y);
                keyPixels += key;
                if (mask[static_cast<std::size_t>(y) * KittenWidth + x] == !key) continue;
                if (wrong++ == 0)
                    first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")" +
                            (key ? " is key but inside" : " is not key but outside");
            }
        EXPECT_EQ(wrong, 0) << (kind == ShapeBounding ? "bounding" : "input")
                            << " shape: " << first;
    }
    // Both kinds of pixel are plentiful, so the comparison means something.
    EXPECT_GT(keyPixels, 5000);
    EXPECT_GT(KittenWidth * KittenHeight - keyPixels, 20000);
}

TEST_P(Shape, AClickOnACutAwayPixelReachesTheWindowBeneath) {
    Desktop desktop(GetParam());
    Vellory vellory(desktop);
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
    desktop.Click(Button1, {at.x + CutAway.x, at.y + CutAway.y});
    const auto press = PressOn(x, beneath, milliseconds(3000));
    ASSERT_TRUE(press.has_value()) << "the press did not reach the window beneath";
    EXPECT_EQ(*press, (Point{at.x + CutAway.x - beneathAt.x, at.y + CutAway.y - beneathAt.y}));

    // A press on the face is the kitten's: none reaches us.
    ASSERT_FALSE(Kitten().IsKey(FacePoint.x, FacePoint.y));
    desktop.Click(Button3, {at.x + FacePoint.x, at.y + FacePoint.y});
    EXPECT_FALSE(PressOn(x, beneath, milliseconds(400)).has_value());
    // And the first press went nowhere else: the kitten stands where it stood.
    EXPECT_EQ(vellory.Position(window), at);
    EXPECT_TRUE(run->process.Running());
}

TEST_P(Shape, TheGreenLabelIsNeverSeenAlsoAfterARepaint) {
    Desktop desktop(GetParam());
    desktop.SetBackground(Background);
    Vellory vellory(desktop);
    auto [run, window] = vellory.StartAndWait();
    const Point at = vellory.Position(window);

    const auto labelShows = [&](std::string& what) {
        const Shot shot = vellory.Look(window);
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x)
                if (shot.At(x, y) == LabelGreen) {
                    what = "green at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
                    return true;
                }
        for (int y = LabelFirst.y; y <= LabelLast.y; ++y)
            for (int x = LabelFirst.x; x <= LabelLast.x; ++x)
                if (shot.At(x, y) != Background) {
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

INSTANTIATE_TEST_SUITE_P(, Shape, testing::Values(Wm::Bare, Wm::Openbox),
                         [](const auto& info) { return WmName(info.param); });
