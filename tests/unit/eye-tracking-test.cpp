// The tick, on a window whose outer rectangle starts at (100, 50): the eye centres are
// then (168, 168) and (240, 168) on the screen. Pupils are checked by the pixels drawn.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "platform/null/NullBackend.h"
#include "runtime/Circle.h"
#include "window/fVellory.h"

namespace {

std::vector<native::Span> Disc(double cx, double cy, double r) {
    std::vector<native::Span> spans(220);
    spans.resize(runtime::RasteriseDisc(cx, cy, r, 207, 220, spans));
    return spans;
}

class EyeTrackingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        nullbackend::Reset();
        form.Show();
        PlaceWindow(100, 50);
    }
    // Right and bottom do not matter to the tick; they are kept in range near the edges.
    void PlaceWindow(int left, int top) {
        nullbackend::Get().windowRect = {left, top, left > INT_MAX - 207 ? INT_MAX : left + 207,
                                         top > INT_MAX - 220 ? INT_MAX : top + 220};
    }
    void Tick(int pointerX, int pointerY) {
        nullbackend::Get().pointer = {pointerX, pointerY};
        nullbackend::Get().fills.clear();
        form.tmr_Timer();
    }
    // The fills of one tick: both eyes in olive, then both pupils in black.
    void ExpectPupils(double x1, double y1, double x2, double y2) {
        const auto& fills = nullbackend::Get().fills;
        ASSERT_EQ(fills.size(), 4u);
        EXPECT_EQ(fills[0].first, 0x8080u);
        EXPECT_EQ(fills[0].second, Disc(68, 118, 10));
        EXPECT_EQ(fills[1].second, Disc(140, 118, 10));
        EXPECT_EQ(fills[2].first, 0u);
        EXPECT_EQ(fills[2].second, Disc(x1, y1, 5)) << "pupil 1 not at " << x1 << "," << y1;
        EXPECT_EQ(fills[3].second, Disc(x2, y2, 5)) << "pupil 2 not at " << x2 << "," << y2;
    }
    fVellory form;
};

TEST_F(EyeTrackingTest, PointerOnAnEyesCentreLeavesThatPupilCentred) {
    Tick(168, 168);
    EXPECT_EQ(form.Dist1, 1.0);
    EXPECT_EQ(form.Dir1X, 0.0);
    EXPECT_EQ(form.Dir1Y, 0.0);
    EXPECT_EQ(form.Dist2, 72.0);
    EXPECT_EQ(form.Dir2X, 1.0);
    ExpectPupils(68, 118, 135, 118);
}

TEST_F(EyeTrackingTest, PupilsTurnTheFullFivePixelsWhereverThePointerIs) {
    Tick(169, 168);  // inside the eye, one pixel right of its centre
    EXPECT_EQ(form.Dir1X, -1.0);
    ExpectPupils(73, 118, 135, 118);

    Tick(168, -832);  // far above eye 1
    const double d2 = std::hypot(72.0, 1000.0);
    ExpectPupils(68, 113, 140 - 5 * 72 / d2, 118 - 5 * 1000 / d2);

    Tick(0, 0);  // above and left of both eyes
    const double d1 = std::hypot(168.0, 168.0), e2 = std::hypot(240.0, 168.0);
    ExpectPupils(68 - 5 * 168 / d1, 118 - 5 * 168 / d1, 140 - 5 * 240 / e2, 118 - 5 * 168 / e2);
    EXPECT_NEAR(68 - 5 * 168 / d1, 64.46, 0.01);
    EXPECT_NEAR(140 - 5 * 240 / e2, 135.90, 0.01);
}

TEST_F(EyeTrackingTest, NegativeScreenCoordinatesAndAMovedWindow) {
    PlaceWindow(-500, -300);  // on a monitor left of and above the primary one
    Tick(-432, -2000);        // straight above eye 1 (at -432, -182)
    ExpectPupils(68, 113, 140 - 5 * 72 / std::hypot(72.0, 1818.0),
                 118 - 5 * 1818 / std::hypot(72.0, 1818.0));
    // The pointer stands still; the window moves: the pupils turn at the next tick.
    PlaceWindow(-432 + 50 - 68, -2000 + 50 - 118);  // eye 1 now 50 right of, 50 below it
    Tick(-432, -2000);
    EXPECT_NEAR(form.Dir1X, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(form.Dir1Y, std::sqrt(0.5), 1e-12);
}

TEST_F(EyeTrackingTest, AFrameRoundTheWindowMovesTheEyesWithTheClientArea) {
    // A window manager's frame: the client area starts 7 right of and 30 below the outer
    // corner (100, 50), so eye 1 is at (175, 198) on the screen.
    nullbackend::Get().frameInset = {7, 30};
    Tick(175, 198);
    EXPECT_EQ(form.WinRect.Left, 100);
    EXPECT_EQ(form.Eye1.x, 175);
    EXPECT_EQ(form.Eye1.y, 198);
    ExpectPupils(68, 118, 135, 118);
    Tick(175, 0);  // straight above eye 1
    ExpectPupils(68, 113, 140 - 5 * 72 / std::hypot(72.0, 198.0),
                 118 - 5 * 198 / std::hypot(72.0, 198.0));
}

TEST_F(EyeTrackingTest, AnOverflowingStepKeepsItsFieldAndTheTickGoesOn) {
    Tick(500, 500);
    const winapi::POINT eye1 = form.Eye1;
    PlaceWindow(INT_MAX - 100, 60);  // Left + 140 overflows; Left + 68 does not
    Tick(500, 500);
    EXPECT_EQ(form.Eye1.x, INT_MAX - 100 + 68);
    EXPECT_EQ(form.Eye2.x, 240);  // the previous tick's value
    EXPECT_EQ(form.Eye1.y, 178);
    EXPECT_NE(form.Eye1.x, eye1.x);
    // Eye 1's difference to the pointer still fits, so its distance is new; all four
    // circles are drawn.
    EXPECT_EQ(nullbackend::Get().fills.size(), 4u);
    PlaceWindow(100, 50);
    Tick(INT_MIN, 168);  // Eye.x - pointer.x overflows for both eyes: directions kept
    const double dir1x = form.Dir1X;
    Tick(INT_MIN, 168);
    EXPECT_EQ(form.Dir1X, dir1x);
    EXPECT_EQ(nullbackend::Get().fills.size(), 4u);
}

// Ticks come only when something changed, so an uncovered window must not wait for one:
// a repaint paints what the last tick painted, and before the first tick nothing.
TEST_F(EyeTrackingTest, ARepaintPaintsTheLastTicksEyesAgain) {
    auto& null = nullbackend::Get();
    null.fills.clear();
    form.Dispatch(native::Event{native::EventKind::Repaint});
    EXPECT_TRUE(null.fills.empty());
    null.pointer = {169, 168};
    form.Dispatch(native::Event{native::EventKind::Tick});
    null.pointer = {0, 0};  // moved since, no tick yet
    for (int repaint = 0; repaint < 2; ++repaint) {
        null.fills.clear();
        form.Dispatch(native::Event{native::EventKind::Repaint});
        ExpectPupils(73, 118, 135, 118);
    }
}

}  // namespace
