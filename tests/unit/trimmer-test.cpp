// The trimmer against pictures made for each case and against the kitten itself; the
// shape is read back from the null backend.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "platform/User32.h"
#include "platform/null/NullBackend.h"
#include "runtime/ImageFile.h"
#include "shaping/cTrimmer.h"
#include "tests/unit/TestPictures.h"
#include "window/Artwork.h"
#include "window/fVellory.h"

namespace {

constexpr std::uint32_t Key = 0x000000;
constexpr std::uint32_t Fur = 0x3070E0;

struct TestForm {
    explicit TestForm(std::vector<std::uint8_t> picture, int clientWidth, int clientHeight,
                      std::uint32_t backColor = 0xFFFFFF)
        : bytes(std::move(picture)), form(Design(bytes, clientWidth, clientHeight, backColor)) {}
    static runtime::FormDesign Design(const std::vector<std::uint8_t>& bytes, int w, int h,
                                      std::uint32_t backColor) {
        runtime::FormDesign design;
        design.clientWidth = static_cast<float>(w * 15);
        design.clientHeight = static_cast<float>(h * 15);
        design.picture = bytes;
        design.backColor = backColor;
        return design;  // scale mode twips, no persistent image: what a trim must restore
    }
    std::vector<std::uint8_t> bytes;
    runtime::Form form;
};

using Rects = std::vector<std::tuple<int, int, int, int>>;

Rects Shape() {
    Rects rects;
    for (const native::Rect& r : nullbackend::Get().shape.value())
        rects.emplace_back(r.left, r.top, r.right, r.bottom);
    return rects;
}

class TrimmerTest : public ::testing::Test {
  protected:
    void SetUp() override { nullbackend::Reset(); }
};

TEST_F(TrimmerTest, WithoutPictureNothingIsTouched) {
    TestForm test({}, 10, 10);
    cTrimmer().TrimForm(test.form);
    EXPECT_FALSE(nullbackend::Get().shape.has_value());
    EXPECT_EQ(test.form.ScaleMode(), runtime::ScaleTwips);
    EXPECT_FALSE(test.form.AutoRedraw());
}

TEST_F(TrimmerTest, RunsFollowTheKeyColourRowByRow) {
    // Row 0 all key; row 1 no key; row 2 ends on a non-key pixel; row 3 a single pixel
    // between two key pixels and a colour one unit off the key.
    const char* rows[] = {"kkkkk", "AAAAA", "kAkAA", "kAkkB"};
    auto picture = MakeBmp(5, 4, [&](int x, int y) -> std::uint32_t {
        switch (rows[y][x]) {
            case 'k':
                return Key;
            case 'B':
                return 0x000001;
            default:
                return Fur;
        }
    });
    TestForm test(std::move(picture), 5, 4);
    cTrimmer().TrimForm(test.form);
    EXPECT_EQ(Shape(),
              (Rects{{0, 1, 5, 2}, {1, 2, 2, 3}, {3, 2, 5, 3}, {1, 3, 2, 4}, {4, 3, 5, 4}}));
    // The settings are back as they were, and no region is left behind.
    EXPECT_EQ(test.form.ScaleMode(), runtime::ScaleTwips);
    EXPECT_FALSE(test.form.AutoRedraw());
    EXPECT_EQ(winapi::LiveRegions(), 0u);
}

TEST_F(TrimmerTest, OneColourOrNoClientAreaGivesAnEmptyShape) {
    {
        TestForm test(MakeBmp(4, 3, [](int, int) { return Fur; }), 4, 3, Fur);
        cTrimmer().TrimForm(test.form);
        EXPECT_TRUE(Shape().empty());
    }
    nullbackend::Reset();
    {
        TestForm test(MakeBmp(4, 3, [](int, int) { return Fur; }), 4, 0);
        cTrimmer().TrimForm(test.form);
        EXPECT_TRUE(Shape().empty());
    }
}

TEST_F(TrimmerTest, OnlyTheClientAreaIsScanned) {
    // A 2 x 2 picture in a 4 x 3 client area: the rest shows the back colour, which is
    // part of the shape unless it is the key colour.
    auto corner = [](int x, int y) { return (x + y) % 2 == 0 ? Key : Fur; };
    {
        TestForm test(MakeBmp(2, 2, corner), 4, 3, 0xFFFFFF);
        cTrimmer().TrimForm(test.form);
        EXPECT_EQ(Shape(), (Rects{{1, 0, 4, 1}, {0, 1, 1, 2}, {2, 1, 4, 2}, {0, 2, 4, 3}}));
    }
    nullbackend::Reset();
    {
        TestForm test(MakeBmp(2, 2, corner), 4, 3, Key);
        cTrimmer().TrimForm(test.form);
        EXPECT_EQ(Shape(), (Rects{{1, 0, 2, 1}, {0, 1, 1, 2}}));
    }
    nullbackend::Reset();
    {  // a picture larger than the client area: only the client area counts
        TestForm test(MakeBmp(6, 6, [](int x, int) { return x < 3 ? Key : Fur; }), 4, 2);
        cTrimmer().TrimForm(test.form);
        EXPECT_EQ(Shape(), (Rects{{3, 0, 4, 1}, {3, 1, 4, 2}}));
    }
}

TEST_F(TrimmerTest, TheKittensShapeIsExactlyItsNonKeyPixels) {
    const auto picture = runtime::DecodeBmp(artwork::KittenBitmap());
    ASSERT_TRUE(picture.has_value());
    fVellory form;
    cTrimmer().TrimForm(form);
    const Rects shape = Shape();
    const std::uint32_t key = picture->pixels[0];
    std::set<std::pair<int, int>> covered;
    int closedAtRowEnd = 0;
    for (const auto& [left, top, right, bottom] : shape) {
        ASSERT_EQ(bottom, top + 1);
        ASSERT_GE(left, 0);
        ASSERT_LE(right, picture->width);
        ASSERT_LT(top, picture->height);
        closedAtRowEnd += right == picture->width;
        for (int x = left; x < right; ++x) {
            EXPECT_NE(picture->pixels[top * picture->width + x], key) << x << "," << top;
            EXPECT_TRUE(covered.emplace(x, top).second) << "covered twice: " << x << "," << top;
        }
    }
    std::size_t nonKey = 0;
    for (std::uint32_t c : picture->pixels) nonKey += c != key;
    EXPECT_EQ(covered.size(), nonKey);
    // A run that reaches the right edge ends at the client width, not one short of it.
    for (int y = 0; y < picture->height; ++y) {
        if (picture->pixels[y * picture->width + picture->width - 1] != key) {
            EXPECT_TRUE(covered.count({picture->width - 1, y}));
        }
    }
    EXPECT_GT(closedAtRowEnd, 0);
    EXPECT_EQ(winapi::LiveRegions(), 0u);
}

TEST_F(TrimmerTest, OnlyTheLeftButtonStartsAMove) {
    fVellory form;
    form.Show();
    for (std::int16_t button : {2, 4})
        form.Dispatch({native::EventKind::MouseDown, button, 0, 5, 5});
    EXPECT_EQ(nullbackend::Get().moves, 0);
    nullbackend::Get().calls.clear();
    form.Dispatch({native::EventKind::MouseDown, 1, 0, 5, 5});
    EXPECT_EQ(nullbackend::CallNames(), "ReleaseCapture BeginMove");
}

TEST(RegionTest, StaleAndUnknownHandlesAreErrorsNotCrashes) {
    nullbackend::Reset();
    const winapi::HRGN shape = winapi::CreateRectRgn(0, 0, 0, 0);
    const winapi::HRGN run = winapi::CreateRectRgn(2, 1, 5, 2);
    EXPECT_EQ(winapi::CombineRgn(shape, shape, run, winapi::RGN_OR), 2);  // one rectangle
    EXPECT_TRUE(winapi::DeleteObject(run));
    EXPECT_FALSE(winapi::DeleteObject(run));
    EXPECT_EQ(winapi::CombineRgn(shape, shape, run, winapi::RGN_OR), 0);
    EXPECT_EQ(
        winapi::CombineRgn(shape, shape, reinterpret_cast<winapi::HRGN>(9999), winapi::RGN_OR), 0);
    // A window takes the region: afterwards the handle is no longer ours to use.
    runtime::FormDesign design;
    design.clientWidth = design.clientHeight = 150;
    runtime::Form form(design);
    EXPECT_EQ(winapi::SetWindowRgn(form.hWnd(), shape, 1), 1);
    EXPECT_EQ(Shape(), (Rects{{2, 1, 5, 2}}));
    EXPECT_EQ(winapi::SetWindowRgn(form.hWnd(), shape, 1), 0);
    EXPECT_FALSE(winapi::DeleteObject(shape));
    EXPECT_EQ(winapi::LiveRegions(), 0u);
}

}  // namespace
