// Program pixels and device pixels: places mapped on one screen-wide scale and on
// monitors of different scales, and the kitten at a display scale through the null
// backend: its size and place, a saved place that comes back to the same device pixel,
// the program's own pixels from the windowing functions, its shape and its eyes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/Scaling.h"
#include "platform/User32.h"
#include "platform/null/NullBackend.h"
#include "runtime/Circle.h"
#include "runtime/Renderings.h"
#include "startup/AppModul.h"
#include "tests/unit/TempFolder.h"
#include "window/Artwork.h"
#include "window/fVellory.h"

namespace {

using scaling::Place;

constexpr double Scales[] = {1, 1.25, 1.5, 1.75, 2, 2.5, 3};

std::vector<native::ScaledArea> OneScale(double scale) {  // as on X11
    return {{{-100, -50, 2460, 1390}, {0, 0}, scale}};
}

TEST(ScreenMapTest, OneScaleMapsAroundTheOriginAndRoundTripsEveryPlace) {
    for (const double s : Scales) {
        SCOPED_TRACE(s);
        const auto areas = OneScale(s);
        for (int y = -37; y < 1000; y += 41)
            for (int x = -60; x < 1300; x += 7) {
                const Place device = scaling::ToDevice({double(x), double(y)}, areas);
                ASSERT_EQ(device.x, x * s);  // also beyond the areas: by the nearest one
                ASSERT_EQ(device.y, y * s);
                const native::Point back = scaling::Nearest(scaling::ToProgram(device, areas));
                ASSERT_EQ(back, (native::Point{x, y}));
                // Any device pixel survives the way through the program's pixels unrounded.
                const Place program = scaling::ToProgram({double(x), double(y)}, areas);
                const Place again = scaling::ToDevice(program, areas);
                ASSERT_NEAR(again.x, x, 1e-9);
                ASSERT_NEAR(again.y, y, 1e-9);
            }
    }
}

TEST(ScreenMapTest, MonitorsOfDifferentScalesMapAroundTheirOwnCorners) {
    const std::vector<native::ScaledArea> areas = {
        {{0, 0, 2880, 1620}, {0, 0}, 1.5},            // the primary monitor, 150 %
        {{2880, 0, 4800, 1080}, {2880, 0}, 1},        // right of it, 100 %
        {{-3840, -200, 0, 1960}, {-3840, -200}, 2}};  // left of it, 200 %
    const struct {
        Place device, program;
    } cases[] = {
        {{1500, 900}, {1000, 600}},    {{2879, 1619}, {1919.3333333333333, 1079.3333333333333}},
        {{3000, 100}, {3000, 100}},    {{4799, 1079}, {4799, 1079}},
        {{-1920, 1000}, {-2880, 400}}, {{-1, -200}, {-1920.5, -200}},
    };
    for (const auto& c : cases) {
        const Place program = scaling::ToProgram(c.device, areas);
        EXPECT_NEAR(program.x, c.program.x, 1e-9) << c.device.x << "," << c.device.y;
        EXPECT_NEAR(program.y, c.program.y, 1e-9) << c.device.x << "," << c.device.y;
        const Place device = scaling::ToDevice(c.program, areas);
        EXPECT_NEAR(device.x, c.device.x, 1e-9);
        EXPECT_NEAR(device.y, c.device.y, 1e-9);
    }
    // A place in no monitor's program pixels (between the primary's 1920 and the right
    // one's 2880) goes by the nearest monitor.
    const Place gap = scaling::ToDevice({2000, 100}, areas);
    EXPECT_EQ(gap.x, 3000);
    EXPECT_EQ(gap.y, 150);
}

// A region that is not the picture's own goes by the program pixel under each device
// pixel (the picture here is one colour, so every pixel is of one kind).
TEST(DeviceShapeTest, AnyOtherRegionCoversTheDevicePixelsOverIt) {
    const auto plain = [](int width, int height) {
        native::Image image;
        image.width = width;
        image.height = height;
        image.pixels.assign(std::size_t(width) * height, 0x123456);
        return scaling::FaceOf(image);
    };
    scaling::ScaledWindow window;
    window.scale = 1.5;
    window.programFace = plain(10, 6);
    window.deviceFace = plain(15, 9);
    const auto shape = [&](std::vector<native::Rect> region) {
        return scaling::DeviceShape(window, region);
    };
    EXPECT_EQ(shape({{0, 0, 10, 6}}), (std::vector<native::Rect>{{0, 0, 15, 9}}));
    EXPECT_EQ(shape({{-5, -5, 50, 50}}), (std::vector<native::Rect>{{0, 0, 15, 9}}));
    EXPECT_TRUE(shape({}).empty());
    // Program columns 0..4 lie under device columns whose centres are below 7.5: 0..6.
    EXPECT_EQ(shape({{0, 0, 5, 6}}), (std::vector<native::Rect>{{0, 0, 7, 9}}));
    // Program rows 2 and 3, columns 3..9: device rows 3..5, columns 4..14.
    EXPECT_EQ(shape({{3, 2, 10, 4}}), (std::vector<native::Rect>{{4, 3, 15, 6}}));
    window.scale = 1;  // at scale 1 the region itself
    EXPECT_EQ(shape({{3, 2, 10, 4}, {0, 0, 1, 1}}),
              (std::vector<native::Rect>{{3, 2, 10, 4}, {0, 0, 1, 1}}));
}

// The program on a null screen of 2560 x 1440 device pixels at one scale.
class ScaledProgramTest : public testing::TestWithParam<double> {
  protected:
    void SetUp() override {
        nullbackend::Reset();
        fVellory::DropInstance();
        scale = GetParam();
        nullbackend::Get().screenSize = {2560, 1440};
        nullbackend::Get().areas = {{{0, 0, 2560, 1440}, {0, 0}, scale}};
    }
    void TearDown() override { fVellory::DropInstance(); }
    std::int32_t Device(double programPixels) const {
        return static_cast<std::int32_t>(std::lround(programPixels * scale));
    }
    double scale = 1;
};

TEST_P(ScaledProgramTest, TheWindowIsThePictureTimesTheScaleCentredAtTheTop) {
    AppModul::Main();
    const native::Rect rect = nullbackend::Get().windowRect;
    EXPECT_EQ(rect.right - rect.left, Device(207));
    EXPECT_EQ(rect.bottom - rect.top, Device(220));
    EXPECT_EQ(rect.top, 0);
    EXPECT_LE(std::abs(2 * rect.left + Device(207) - 2560), 2);
    // The program sees its own pixels: the window 207 x 220, the pointer divided.
    winapi::RECT seen;
    ASSERT_TRUE(winapi::GetWindowRect(winapi::AsHWND(fVellory::Instance().hWnd()), &seen));
    EXPECT_EQ(seen.Right - seen.Left, 207);
    EXPECT_EQ(seen.Bottom - seen.Top, 220);
    EXPECT_EQ(seen.Left, std::lround(rect.left / scale));
    nullbackend::Get().pointer = {1001, 333};
    winapi::POINT pointer;
    ASSERT_TRUE(winapi::GetCursorPos(&pointer));
    EXPECT_EQ(pointer.x, std::lround(1001 / scale));
    EXPECT_EQ(pointer.y, std::lround(333 / scale));
}

TEST_P(ScaledProgramTest, ASavedPlaceComesBackToTheSameDevicePixel) {
    fVellory& form = fVellory::Instance();
    form.Show();
    const native::Rect first = nullbackend::Get().windowRect;
    const std::int32_t width = first.right - first.left, height = first.bottom - first.top;
    for (int y = -23; y < 700; y += 59)
        for (int x = -31; x < 1500; x += 37) {
            nullbackend::Get().windowRect = {x, y, x + width, y + height};
            const float top = form.Top(), left = form.Left();
            EXPECT_EQ(top, std::round(top));  // whole twips, as the settings file keeps them
            EXPECT_NEAR(left / 15 * scale, x, 0.5);
            nullbackend::Get().windowRect = {0, 0, width, height};
            form.SetTop(top);
            form.SetLeft(left);
            ASSERT_EQ(nullbackend::Get().windowRect, (native::Rect{x, y, x + width, y + height}))
                << "Top " << top << ", Left " << left;
        }
}

// Whether a saved place shows enough of the window is judged in the program's pixels on
// both sides: the screen is 2560 / s of them wide.
TEST_P(ScaledProgramTest, ASavedPlaceBeyondTheScaledScreenGivesWayToTheDefault) {
    const std::int32_t screenWidth = std::lround(2560 / scale);
    TempFolder folder;
    PutFile(folder / "vellory", "");
    for (const auto& [left, kept] :
         {std::pair{screenWidth - 100, true}, {screenWidth + 50, false}}) {
        SetUp();
        nullbackend::Get().executablePath = Backslashed(folder / "vellory");
        PutFile(folder / "vellory.ini",
                "[Varnhold Quimbrel]\nTop=1500\nLeft=" + std::to_string(left * 15) + "\n");
        AppModul::Main();
        const native::Rect at = nullbackend::Get().windowRect;
        EXPECT_EQ(at.top, kept ? Device(100) : 0) << "Left " << left;
        if (kept)
            EXPECT_NEAR(at.left, left * scale, 0.5);
        else
            EXPECT_LE(std::abs(2 * at.left + Device(207) - 2560), 2) << "Left " << left;
    }
}

TEST_P(ScaledProgramTest, TheShapeIsExactlyThePicturesNonKeyPixelsAtTheScale) {
    fVellory::Instance().Show();  // loads: the trim sets the region
    const auto picture =
        runtime::PictureAt(artwork::KittenBitmap(), scale, Device(207), Device(220));
    ASSERT_TRUE(picture.has_value());
    const native::Colour key = picture->pixels[0];
    std::vector<int> cover(picture->pixels.size());
    for (const native::Rect& r : nullbackend::Get().shape.value()) {
        ASSERT_TRUE(r.left >= 0 && r.right <= picture->width && r.top >= 0 &&
                    r.bottom <= picture->height);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) ++cover[std::size_t(y) * picture->width + x];
    }
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < cover.size(); ++i)
        wrong += cover[i] != (picture->pixels[i] != key ? 1 : 0);
    EXPECT_EQ(wrong, 0u) << "of " << cover.size() << " pixels";
    EXPECT_EQ(winapi::LiveRegions(), 0u);
}

TEST_P(ScaledProgramTest, EyesAndPupilsAreDrawnAtTheDevicesResolution) {
    fVellory& form = fVellory::Instance();
    form.Show();
    nullbackend::Get().windowRect = {400, 300, 400 + Device(207), 300 + Device(220)};
    const native::Point pointer{2000, 1200};  // device pixels, below right
    nullbackend::Get().pointer = pointer;
    nullbackend::Get().fills.clear();
    form.tmr_Timer();
    const auto& fills = nullbackend::Get().fills;
    ASSERT_EQ(fills.size(), 4u);
    for (int eye = 0; eye < 2; ++eye) {
        const double ex = (eye == 0 ? 68 : 140) * scale, ey = 118 * scale;
        std::vector<native::Span> disc(std::size_t(Device(220)));
        disc.resize(runtime::RasteriseDisc(ex, ey, 10 * scale, Device(207), Device(220), disc));
        EXPECT_EQ(fills[eye].second, disc);
        // The pupil: radius 5 s, its centre 5 s from the eye's towards the pointer.
        double count = 0, sx = 0, sy = 0;
        for (const native::Span& span : fills[2 + eye].second)
            for (int x = span.x0; x < span.x1; ++x) ++count, sx += x + 0.5, sy += span.y + 0.5;
        const double dx = pointer.x - (400 + ex), dy = pointer.y - (300 + ey);
        const double d = std::hypot(dx, dy);
        EXPECT_NEAR(sx / count, ex + 5 * scale * dx / d, 0.75);
        EXPECT_NEAR(sy / count, ey + 5 * scale * dy / d, 0.75);
        EXPECT_NEAR(count, std::numbers::pi * 25 * scale * scale, 6 * scale);
    }
}

// Two monitors, as on Windows: the primary at 100 %, one at 150 % right of it. The window
// saved on the second takes its scale when Windows says so, keeps its program place, and
// its pupils turn towards a pointer on the first.
TEST(TwoMonitorsTest, TheWindowTakesTheScaleOfItsMonitorAndLooksAcross) {
    nullbackend::Reset();
    fVellory::DropInstance();
    TempFolder folder;
    PutFile(folder / "vellory", "");
    PutFile(folder / "vellory.ini", "[Varnhold Quimbrel]\nTop=1500\nLeft=30000\n");  // 100, 2000
    auto& state = nullbackend::Get();
    state.executablePath = Backslashed(folder / "vellory");
    state.areas = {{{0, 0, 1920, 1080}, {0, 0}, 1}, {{1920, 0, 4800, 1620}, {1920, 0}, 1.5}};
    AppModul::Main();
    fVellory& form = fVellory::Instance();
    // Program place (2000, 100) on the second monitor: 80 pixels into it, 1.5 each.
    EXPECT_EQ(state.windowRect.left, 2040);
    EXPECT_EQ(state.windowRect.top, 150);
    form.Dispatch({native::EventKind::ScaleChanged, 0, 0, 2040, 150});
    EXPECT_EQ(state.windowRect, (native::Rect{2040, 150, 2040 + 311, 150 + 330}));
    const auto picture = runtime::PictureAt(artwork::KittenBitmap(), 1.5, 311, 330);
    ASSERT_TRUE(picture.has_value());
    std::size_t shaped = 0, face = 0;
    for (const native::Rect& r : state.shape.value())
        shaped += std::size_t(r.right - r.left) * (r.bottom - r.top);
    for (const native::Colour c : picture->pixels) face += c != picture->pixels[0];
    EXPECT_EQ(shaped, face);
    EXPECT_EQ(form.Top(), 1500);
    EXPECT_EQ(form.Left(), 30000);
    winapi::RECT seen;
    ASSERT_TRUE(winapi::GetWindowRect(winapi::AsHWND(form.hWnd()), &seen));
    EXPECT_EQ(seen.Left, 2000);
    EXPECT_EQ(seen.Right, 2207);

    state.pointer = {600, 900};  // on the first monitor: program pixels (600, 900)
    state.fills.clear();
    form.tmr_Timer();
    ASSERT_EQ(state.fills.size(), 4u);
    double count = 0, sx = 0, sy = 0;
    for (const native::Span& span : state.fills[2].second)
        for (int x = span.x0; x < span.x1; ++x) ++count, sx += x + 0.5, sy += span.y + 0.5;
    const double dx = 600 - (2000 + 68), dy = 900 - (100 + 118), d = std::hypot(dx, dy);
    EXPECT_NEAR(sx / count, 68 * 1.5 + 7.5 * dx / d, 0.5);
    EXPECT_NEAR(sy / count, 118 * 1.5 + 7.5 * dy / d, 0.5);
    fVellory::DropInstance();
}

INSTANTIATE_TEST_SUITE_P(, ScaledProgramTest, testing::ValuesIn(Scales), [](const auto& info) {
    return "Scale" + std::to_string(std::lround(info.param * 100));
});

}  // namespace
