// The trimmer against pictures made for each case and against the kitten itself; the
// shape is read back from the null backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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
    TestForm(std::vector<std::uint8_t> picture, int clientWidth, int clientHeight,
             std::uint32_t backColor)
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

// The window's shape as "left,top,right,bottom" per rectangle; "none" when never set.
std::string ShapeText() {
    const auto& shape = nullbackend::Get().shape;
    if (!shape) return "none";
    std::string text;
    for (const native::Rect& r : *shape) {
        text += text.empty() ? "" : " ";
        text += std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                std::to_string(r.right) + "," + std::to_string(r.bottom);
    }
    return text;
}

// A picture drawn as rows of letters split by "/": k the key colour, B one unit off it,
// any other letter fur.
std::vector<std::uint8_t> Drawn(std::string rows) {
    if (rows.empty()) return {};
    const int width = static_cast<int>(std::min(rows.find('/'), rows.size()));
    std::erase(rows, '/');
    return MakeBmp(width, static_cast<int>(rows.size()) / width, [&](int x, int y) {
        const char letter = rows[static_cast<std::size_t>(y * width + x)];
        return letter == 'k' ? Key : letter == 'B' ? 0x000001u : Fur;
    });
}

class TrimmerTest : public ::testing::Test {
  protected:
    void SetUp() override { nullbackend::Reset(); }
};

// The key colour is the top-left pixel's. The back colour shows beyond the picture and
// belongs to the shape unless it is the key colour; only the client area is scanned.
TEST_F(TrimmerTest, RunsFollowTheKeyColourRowByRowInTheClientArea) {
    constexpr std::uint32_t White = 0xFFFFFF;
    struct Case {
        const char* picture;
        int clientWidth, clientHeight;
        std::uint32_t backColor;
        const char* shape;
    } cases[] = {
        {"", 10, 10, White, "none"},  // no picture: the window keeps its shape
        // All key; no key; ending on fur; one pixel between key pixels, one a unit off the key.
        {"kkkkk/AAAAA/kAkAA/kAkkB", 5, 4, White, "0,1,5,2 1,2,2,3 3,2,5,3 1,3,2,4 4,3,5,4"},
        {"AAAA/AAAA/AAAA", 4, 3, Fur, ""},    // one colour
        {"AAAA/AAAA/AAAA", 4, 0, White, ""},  // no client area
        {"kA/Ak", 4, 3, White, "1,0,4,1 0,1,1,2 2,1,4,2 0,2,4,3"},
        {"kA/Ak", 4, 3, Key, "1,0,2,1 0,1,1,2"},
        {"kkkAAA/kkkAAA/kkkAAA/kkkAAA", 4, 2, White, "3,0,4,1 3,1,4,2"},  // larger than the area
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        nullbackend::Reset();
        TestForm test(Drawn(c.picture), c.clientWidth, c.clientHeight, c.backColor);
        cTrimmer().TrimForm(test.form);
        EXPECT_EQ(ShapeText(), c.shape);
        // The settings are back as they were, and no region is left behind.
        EXPECT_EQ(test.form.ScaleMode(), runtime::ScaleTwips);
        EXPECT_FALSE(test.form.AutoRedraw());
        EXPECT_EQ(winapi::LiveRegions(), 0u);
    }
}

// Every non-key pixel of the kitten is covered by exactly one run, and no key pixel is.
TEST_F(TrimmerTest, TheKittensShapeIsExactlyItsNonKeyPixels) {
    const auto picture = runtime::DecodeBmp(artwork::KittenBitmap());
    ASSERT_TRUE(picture.has_value());
    fVellory form;
    cTrimmer().TrimForm(form);
    const int width = picture->width;
    std::vector<int> cover(picture->pixels.size());
    int closedAtRowEnd = 0;
    for (const native::Rect& run : nullbackend::Get().shape.value()) {
        ASSERT_EQ(run.bottom, run.top + 1);
        ASSERT_TRUE(0 <= run.left && run.left < run.right && run.right <= width && 0 <= run.top &&
                    run.top < picture->height);
        closedAtRowEnd += run.right == width;
        for (int x = run.left; x < run.right; ++x) ++cover[run.top * width + x];
    }
    const std::uint32_t key = picture->pixels[0];
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < cover.size(); ++i)
        wrong += cover[i] != (picture->pixels[i] != key ? 1 : 0);
    EXPECT_EQ(wrong, 0u) << "pixels covered twice, or key pixels covered, or fur left out";
    EXPECT_GT(closedAtRowEnd, 0);  // runs that reach the right edge were tried
    EXPECT_EQ(winapi::LiveRegions(), 0u);
}

// A press gives the window the pointer; a move can begin only once it is let go.
TEST_F(TrimmerTest, OnlyTheLeftButtonStartsAMove) {
    fVellory form;
    form.Show();
    for (std::int16_t button : {2, 4, 1}) {
        nullbackend::Get().pointerCaptured = true;
        form.Dispatch({native::EventKind::MouseDown, button, 0, 5, 5});
        EXPECT_EQ(nullbackend::Get().moves, button == 1 ? 1 : 0) << button;
    }
    EXPECT_FALSE(nullbackend::Get().pointerCaptured);
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
    EXPECT_EQ(winapi::SetWindowRgn(winapi::AsHWND(form.hWnd()), shape, 1), 1);
    EXPECT_EQ(ShapeText(), "2,1,5,2");
    EXPECT_EQ(winapi::SetWindowRgn(winapi::AsHWND(form.hWnd()), shape, 1), 0);
    EXPECT_FALSE(winapi::DeleteObject(shape));
    EXPECT_EQ(winapi::LiveRegions(), 0u);
}

}  // namespace
