// The bitmap, icon and face-rows decoders: they read the layouts that the artwork generator writes
// (and the BMP decoder its few plain variants), refuse every other layout, and are safe
// on hostile input: every truncation fails, and any damaged header byte gives nothing or
// a consistent image (run under the sanitizers to catch stray reads).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "runtime/ImageFile.h"
#include "tests/unit/TestPictures.h"
#include "window/Artwork.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A colour for every position, different in each channel: 0x00BBGGRR.
native::Colour Pattern(int x, int y) {
    return native::Colour(10 + 40 * x) | native::Colour(20 + 30 * y) << 8 |
           native::Colour(3 + 7 * (x + y)) << 16;
}
int IndexAt(int x, int y) {
    return (x + 2 * y) % 16;
}
bool TransparentAt(int x, int y) {
    return (x + y) % 3 == 0;
}
Bytes Icon(int width, int height, IcoLayout layout = {}) {
    return MakeIco(width, height, IndexAt, TransparentAt, layout);
}

// A face-rows file as the generator and the rendering cache write it (runtime/ImageFile.h): rows
// without face, with one run and with several, steps small enough for two bytes and larger ones.
native::Colour RowsPattern(int x, int y) {
    if (y == 1 || (x + y) % 5 == 0) return 0;  // the key colour
    if (y % 2 == 0) return native::Colour(0x010101 * (x % 3 + 1));
    return native::Colour((10 + 40 * x) & 0xFF) | native::Colour((20 + 30 * y) & 0xFF) << 8 |
           native::Colour((3 + 7 * (x + y)) & 0xFF) << 16;
}
Bytes Rows(int width, int height) {
    native::Image image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.pixels.push_back(RowsPattern(x, y));
    return runtime::EncodeFaceRows(image, 0);
}

TEST(DecodeFaceRows, ReadsWhatTheGeneratorWritesAndEveryTruncationFails) {
    const Bytes file = Rows(70, 9);
    const auto image = runtime::DecodeFaceRows(file);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->width, 70);
    ASSERT_EQ(image->height, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 70; ++x)
            ASSERT_EQ(image->pixels[std::size_t(y) * 70 + x], RowsPattern(x, y)) << x << "," << y;
    for (std::size_t n = 0; n < file.size(); ++n)
        EXPECT_FALSE(runtime::DecodeFaceRows({file.data(), n}).has_value()) << n;
    Bytes wide = file;
    wide[5] = 0x20;  // 8192 pixels wide
    EXPECT_FALSE(runtime::DecodeFaceRows(wide).has_value());
}

TEST(DecodeBmp, ReadsRowsInPictureOrderForEachLayout) {
    struct Case {
        int width, height;
        BmpLayout layout;
    };
    for (const Case c : {Case{3, 2, {}}, Case{4, 3, {}}, Case{1, 1, {}}, Case{3, 2, {24, true}},
                         Case{2, 3, {32, false}}, Case{5, 4, {32, true}}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.layout.bits
                                        << (c.layout.topDown ? " top-down" : ""));
        const auto image = runtime::DecodeBmp(MakeBmp(c.width, c.height, Pattern, c.layout));
        ASSERT_TRUE(image.has_value());
        ASSERT_EQ(image->width, c.width);
        ASSERT_EQ(image->height, c.height);
        ASSERT_EQ(image->pixels.size(), std::size_t(c.width) * c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(image->pixels[std::size_t(y) * c.width + x], Pattern(x, y))
                    << x << "," << y;
        EXPECT_TRUE(image->opaque.empty());
    }
}

TEST(DecodeBmp, EveryTruncationFailsButAMissingLastPadding) {
    const Bytes whole = MakeBmp(4, 3, Pattern);  // rows of 12 bytes, no padding
    for (std::size_t n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(runtime::DecodeBmp({whole.data(), n}).has_value()) << n;
    const Bytes padded = MakeBmp(3, 2, Pattern);  // rows of 9 bytes padded to 12
    EXPECT_TRUE(runtime::DecodeBmp({padded.data(), padded.size() - 3}).has_value());
    EXPECT_FALSE(runtime::DecodeBmp({padded.data(), padded.size() - 4}).has_value());
}

TEST(DecodeBmp, SidesUpTo4096AreAccepted) {
    const auto wide = runtime::DecodeBmp(MakeBmp(4096, 1, Pattern));
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(wide->pixels.size(), 4096u);
    EXPECT_TRUE(runtime::DecodeBmp(MakeBmp(1, 4096, Pattern, {24, true})).has_value());
    EXPECT_FALSE(runtime::DecodeBmp(MakeBmp(4097, 1, Pattern)).has_value());
}

TEST(DecodeIco, ReadsOneSixteenColourImageWithItsMask) {
    for (const auto& [width, height] : {std::pair{5, 3}, {32, 32}, {33, 2}, {1, 1}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        const auto image = runtime::DecodeIco(Icon(width, height));
        ASSERT_TRUE(image.has_value());
        ASSERT_EQ(image->width, width);
        ASSERT_EQ(image->height, height);
        ASSERT_EQ(image->pixels.size(), std::size_t(width) * height);
        ASSERT_EQ(image->opaque.size(), image->pixels.size());
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::size_t i = std::size_t(y) * width + x;
                EXPECT_EQ(image->pixels[i], IconColour(IndexAt(x, y))) << x << "," << y;
                EXPECT_EQ(image->opaque[i], TransparentAt(x, y) ? 0 : 255) << x << "," << y;
            }
        }
    }
}

TEST(DecodeIco, EveryTruncationFails) {
    const Bytes whole = Icon(5, 3);
    for (std::size_t n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(runtime::DecodeIco({whole.data(), n}).has_value()) << n;
}

// Well-formed files in layouts that the generator does not write: each decoder refuses
// them, rather than guessing at a layout that no file of ours has.
TEST(ImageFile, OtherLayoutsAreRefused) {
    const auto with = [](Bytes file, std::size_t at, std::uint8_t value) {
        file[at] = value;
        return file;
    };
    constexpr std::size_t IconImageAt = 6 + 16;  // one directory entry
    Bytes png = Icon(5, 3);
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::copy(std::begin(signature), std::end(signature), png.begin() + IconImageAt);
    const struct {
        const char* layout;
        Bytes file;
    } refused[] = {
        {"8-bit BMP", with(MakeBmp(4, 3, Pattern), 28, 8)},
        {"16-bit BMP", with(MakeBmp(4, 3, Pattern), 28, 16)},
        {"run-length BMP", with(MakeBmp(4, 3, Pattern), 30, 1)},
        {"bit-field BMP", with(MakeBmp(4, 3, Pattern), 30, 3)},
        {"BMP with an OS/2 header", with(MakeBmp(4, 3, Pattern), 14, 12)},
        {"2-colour icon", Icon(5, 3, {.bits = 1})},
        {"256-colour icon", Icon(5, 3, {.bits = 8})},
        {"24-bit icon", Icon(5, 3, {.bits = 24})},
        {"32-bit icon", Icon(5, 3, {.bits = 32})},
        {"16-colour icon with a shorter palette", with(Icon(5, 3), IconImageAt + 32, 5)},
        {"icon of two images", Icon(5, 3, {.images = 2})},
        {"icon whose image is a PNG", png},
        {"cursor", with(Icon(5, 3), 2, 2)},
    };
    for (const auto& [layout, file] : refused) {
        EXPECT_FALSE(runtime::DecodeBmp(file).has_value()) << layout;
        EXPECT_FALSE(runtime::DecodeIco(file).has_value()) << layout;
    }
}

// Overwrites each header byte of good files with awkward values: whatever decodes must
// be a consistent image within the size limit (run under the sanitizers to see reads).
TEST(ImageFile, DamagedHeadersGiveNothingOrAConsistentImage) {
    const auto consistent = [](const std::optional<native::Image>& image) {
        if (!image) return true;
        const std::size_t n = std::size_t(image->width) * std::size_t(image->height);
        return image->width > 0 && image->height > 0 && image->width <= runtime::kMaxImageSide &&
               image->height <= runtime::kMaxImageSide && image->pixels.size() == n &&
               (image->opaque.empty() || image->opaque.size() == n);
    };
    const auto eyes = artwork::EyesIcon();
    const Bytes files[] = {MakeBmp(7, 5, Pattern), MakeBmp(3, 4, Pattern, {32, true}),
                           Bytes(eyes.begin(), eyes.end()), Icon(6, 5), Rows(9, 7)};
    for (const Bytes& file : files) {
        for (std::size_t at = 0; at < 130 && at < file.size(); ++at) {
            for (const std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF}) {
                Bytes damaged = file;
                damaged[at] = value;
                EXPECT_TRUE(consistent(runtime::DecodeBmp(damaged))) << at << "=" << int(value);
                EXPECT_TRUE(consistent(runtime::DecodeIco(damaged))) << at << "=" << int(value);
                EXPECT_TRUE(consistent(runtime::DecodeFaceRows(damaged)))
                    << at << "=" << int(value);
            }
        }
    }
}

}  // namespace
