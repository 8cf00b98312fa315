// The embedded artwork, decoded as the program decodes it, against the properties the
// rest of the program relies on: the picture's size and key colour, a key-colour area
// joined to the edge, eyes clear of it, the hidden label's square inside it, at scale 1
// and in the renderings for the other display scales; the icon's size, transparency and
// two eyes.
#include "window/Artwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "runtime/ImageFile.h"
#include "runtime/Renderings.h"
#include "window/KittenPainting.h"

namespace {

constexpr native::Colour kBlack = 0x000000, kWhite = 0xFFFFFF, kGrey = 0x808080;
constexpr native::Colour kBlue = 0xFF0000, kDarkBlue = 0x800000;  // 0x00BBGGRR
constexpr int kEyeY = 118;
constexpr int kEyeX[] = {68, 140};

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint16_t(b[at] | b[at + 1] << 8);
}
std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

native::Colour At(const native::Image& image, int x, int y) {
    return image.pixels[std::size_t(y) * image.width + x];
}
int Red(native::Colour c) {
    return c & 0xFF;
}
int Green(native::Colour c) {
    return c >> 8 & 0xFF;
}
int Blue(native::Colour c) {
    return c >> 16 & 0xFF;
}

// The picture at each display scale that has a rendering of its own (100: the bitmap).
class KittenPicture : public testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        s = GetParam() / 100.0;
        static std::map<int, native::Image> painted;  // painting takes a while: once a scale
        if (!painted.contains(GetParam())) {
            auto decoded = runtime::PictureAt(artwork::KittenBitmap(), s, Scaled(207), Scaled(220));
            ASSERT_TRUE(decoded.has_value());
            painted[GetParam()] = std::move(*decoded);
        }
        image = painted[GetParam()];
        ASSERT_EQ(image.width, Scaled(207));
        ASSERT_EQ(image.height, Scaled(220));
        key = At(image, 0, 0);
    }
    bool IsKey(int x, int y) const { return At(image, x, y) == key; }
    int Scaled(double programPixels) const { return int(std::lround(programPixels * s)); }

    double s = 1;
    native::Image image;
    native::Colour key = 0;
};

constexpr int kPercents[] = {100, 125, 150, 175, 200, 225, 250, 275, 300};
INSTANTIATE_TEST_SUITE_P(, KittenPicture, testing::ValuesIn(kPercents),
                         [](const auto& info) { return "Scale" + std::to_string(info.param); });

TEST(KittenFile, IsAnUncompressedBottomUp24BitBitmapWithoutPalette) {
    const auto bytes = artwork::KittenBitmap();
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(Le32(bytes, 14), 40u);                // BITMAPINFOHEADER
    EXPECT_EQ(std::int32_t(Le32(bytes, 22)), 220);  // positive: bottom-up
    EXPECT_EQ(Le16(bytes, 28), 24);
    EXPECT_EQ(Le32(bytes, 30), 0u);  // BI_RGB
    EXPECT_EQ(Le32(bytes, 46), 0u);  // no palette
    EXPECT_EQ(Le32(bytes, 10), 54u);
    EXPECT_EQ(bytes.size(), 54u + 624u * 220u);  // rows padded to 624 bytes
}

// Every other usual scale has a rendering of its own, painted at that scale: pixel for
// pixel the generator's, which the tests on a display compare the window with; a scale
// without one is resampled from the next larger and keeps the picture's proportions of
// face and key.
TEST_P(KittenPicture, IsTheGeneratorsRenderingPixelForPixel) {
    if (GetParam() == 100) GTEST_SKIP() << "the embedded bitmap itself";
    const auto file = ReadFile(std::string(VELLORY_SOURCE_DIR) + "/window/kitten-" +
                               std::to_string(GetParam()) + ".rows");
    EXPECT_TRUE(runtime::EncodeFaceRows(artwork::PaintKitten(s), 0) == file);  // painted afresh
    const auto reference = runtime::DecodeFaceRows(file);  // and as the window got it
    ASSERT_TRUE(reference.has_value());
    EXPECT_TRUE(image.pixels == reference->pixels);
}

TEST(KittenFile, TheUsualScalesHaveRenderingsOfTheirOwn) {
    std::vector<int> percents;
    for (const runtime::Rendering& r : runtime::RenderingsOf(artwork::KittenBitmap()))
        percents.push_back(r.percent);
    EXPECT_EQ(percents, std::vector<int>(std::begin(kPercents) + 1, std::end(kPercents)));
    const auto faceShare = [](const native::Image& image) {
        const auto key = std::count(image.pixels.begin(), image.pixels.end(), image.pixels[0]);
        return 1 - double(key) / double(image.pixels.size());
    };
    const auto two = runtime::PictureAt(artwork::KittenBitmap(), 2, 414, 440);
    for (const double scale : {1.1, 2.1, 3.5}) {
        const int w = int(std::lround(207 * scale)), h = int(std::lround(220 * scale));
        const auto image = runtime::PictureAt(artwork::KittenBitmap(), scale, w, h);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->width, w);
        EXPECT_EQ(image->height, h);
        EXPECT_EQ(image->pixels[0], kBlack);
        EXPECT_NEAR(faceShare(*image), faceShare(*two), 0.01) << scale;
    }
}

TEST_P(KittenPicture, KeyColourIsBlackAndTheFaceFillsMostOfThePicture) {
    EXPECT_EQ(key, kBlack);
    int keyPixels = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) keyPixels += IsKey(x, y) ? 1 : 0;
    }
    EXPECT_GT(keyPixels, image.width * image.height / 8);
    EXPECT_LT(keyPixels, image.width * image.height * 2 / 5);
}

TEST_P(KittenPicture, EveryKeyColourPixelIsJoinedToTheEdge) {
    const int w = image.width, h = image.height;
    std::vector<bool> reached(std::size_t(w) * h, false);
    std::deque<std::pair<int, int>> queue;
    const auto visit = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= w || y >= h || reached[std::size_t(y) * w + x]) return;
        if (!IsKey(x, y)) return;
        reached[std::size_t(y) * w + x] = true;
        queue.emplace_back(x, y);
    };
    for (int x = 0; x < w; ++x) visit(x, 0), visit(x, h - 1);
    for (int y = 0; y < h; ++y) visit(0, y), visit(w - 1, y);
    while (!queue.empty()) {
        const auto [x, y] = queue.front();
        queue.pop_front();
        visit(x + 1, y), visit(x - 1, y), visit(x, y + 1), visit(x, y - 1);
    }
    int holes = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) holes += IsKey(x, y) && !reached[std::size_t(y) * w + x];
    }
    EXPECT_EQ(holes, 0);
}

TEST_P(KittenPicture, FaceTouchesAllFourEdgesWithoutOnePixelSlivers) {
    const int w = image.width, h = image.height;
    bool top = false, bottom = false, left = false, right = false;
    for (int x = 0; x < w; ++x) top = top || !IsKey(x, 0), bottom = bottom || !IsKey(x, h - 1);
    for (int y = 0; y < h; ++y) left = left || !IsKey(0, y), right = right || !IsKey(w - 1, y);
    EXPECT_TRUE(top && bottom && left && right);
    // A face pixel with key colour on both sides (a whisker or hair poking into the black)
    // would make a one-pixel spike in the window's outline.
    int slivers = 0;
    for (int y = 1; y + 1 < h; ++y) {
        for (int x = 1; x + 1 < w; ++x) {
            if (IsKey(x, y)) continue;
            slivers += (IsKey(x - 1, y) && IsKey(x + 1, y)) || (IsKey(x, y - 1) && IsKey(x, y + 1));
        }
    }
    EXPECT_EQ(slivers, 0);
}

TEST_P(KittenPicture, EyesAreGreenAndClearOfTheKeyColour) {
    for (const int eyeX : kEyeX) {
        SCOPED_TRACE(eyeX);
        long red = 0, green = 0, blue = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const double d = std::hypot(x - eyeX * s, y - kEyeY * s) / s;
                if (d <= 10) {
                    EXPECT_FALSE(IsKey(x, y)) << x << "," << y;
                }
                if (d > 10 && d <= 12) {  // the iris's ring that the live eye disc leaves
                    const native::Colour c = At(image, x, y);
                    red += Red(c), green += Green(c), blue += Blue(c);
                }
            }
        }
        EXPECT_GT(green, red);
        EXPECT_GT(green, blue);
        const native::Colour centre = At(image, Scaled(eyeX), Scaled(kEyeY));
        EXPECT_GE(Green(centre), Red(centre));
        EXPECT_GE(Green(centre), Blue(centre));
    }
}

TEST_P(KittenPicture, HiddenLabelSquareIsAllKeyColour) {
    for (int y = Scaled(190); y < Scaled(215); ++y) {
        for (int x = Scaled(172); x < Scaled(197); ++x) EXPECT_TRUE(IsKey(x, y)) << x << "," << y;
    }
}

TEST(EyesIcon, IsOne32By32SixteenColourImageWithMask) {
    const auto bytes = artwork::EyesIcon();
    ASSERT_GE(bytes.size(), 22u + 40u);
    EXPECT_EQ(Le16(bytes, 2), 1);  // an icon
    EXPECT_EQ(Le16(bytes, 4), 1);  // one image
    EXPECT_EQ(bytes[6], 32);
    EXPECT_EQ(bytes[7], 32);
    EXPECT_EQ(bytes[8], 16);
    EXPECT_EQ(Le16(bytes, 12), 4);
    const std::uint32_t size = Le32(bytes, 14), offset = Le32(bytes, 18);
    ASSERT_EQ(std::size_t(offset) + size, bytes.size());
    EXPECT_EQ(std::int32_t(Le32(bytes, offset + 8)), 64);  // colour rows and mask rows
    EXPECT_EQ(Le16(bytes, offset + 14), 4);

    const auto icon = runtime::DecodeIco(bytes);
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->width, 32);
    EXPECT_EQ(icon->height, 32);
}

TEST(EyesIcon, ShowsTwoOutlinedEyesInRows10To19) {
    const auto icon = runtime::DecodeIco(artwork::EyesIcon());
    ASSERT_TRUE(icon.has_value());
    ASSERT_EQ(icon->opaque.size(), 32u * 32u);
    const auto shows = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < 32 && y < 32 && icon->opaque[std::size_t(y) * 32 + x] != 0;
    };
    int transparent = 0, blue = 0, white = 0;
    std::vector<std::pair<int, int>> pupilCentres;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (!shows(x, y)) {
                ++transparent;
                continue;
            }
            SCOPED_TRACE(testing::Message() << x << "," << y);
            EXPECT_TRUE(y >= 10 && y <= 19);
            const native::Colour c = At(*icon, x, y);
            EXPECT_TRUE(c == kBlack || c == kGrey || c == kWhite || c == kBlue || c == kDarkBlue);
            const bool edge =
                !shows(x - 1, y) || !shows(x + 1, y) || !shows(x, y - 1) || !shows(x, y + 1);
            if (edge) {
                EXPECT_TRUE(c == kBlack || c == kGrey);  // the outline
            }
            blue += c == kBlue;
            white += c == kWhite;
            if (c == kBlack && !edge && At(*icon, x - 1, y) == kDarkBlue &&
                At(*icon, x + 1, y) == kDarkBlue && At(*icon, x, y - 1) == kDarkBlue &&
                At(*icon, x, y + 1) == kDarkBlue) {
                pupilCentres.emplace_back(x, y);
            }
        }
    }
    EXPECT_EQ(transparent, 832);
    ASSERT_EQ(pupilCentres.size(), 2u);  // side by side, one in each half
    EXPECT_EQ(pupilCentres[0].second, pupilCentres[1].second);
    EXPECT_LT(pupilCentres[0].first, 16);
    EXPECT_GE(pupilCentres[1].first, 16);
    EXPECT_GT(blue, 8);
    EXPECT_GT(white, blue);
}

}  // namespace
