// The bitmap and icon decoders: pixel order and colours for each supported layout, and
// safety on hostile input: every truncation fails, and any damaged header byte gives
// nothing or a consistent image (run under the sanitizers to catch stray reads).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "runtime/ImageFile.h"
#include "window/Artwork.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
    b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutInfoHeader(Bytes& b, std::int32_t w, std::int32_t h, int bits, std::uint32_t colours) {
    Put32(b, 40);
    Put32(b, std::uint32_t(w));
    Put32(b, std::uint32_t(h));
    Put16(b, 1);
    Put16(b, std::uint32_t(bits));
    for (int i = 0; i < 4; ++i) Put32(b, 0);  // compression, size, resolution
    Put32(b, colours);
    Put32(b, 0);
}
std::size_t Stride(int width, int bits) {
    return (std::size_t(width) * bits + 31) / 32 * 4;
}

// A colour for every position, different in each channel: 0x00BBGGRR.
native::Colour Pattern(int x, int y) {
    return native::Colour(10 + 40 * x) | native::Colour(20 + 30 * y) << 8 |
           native::Colour(3 + 7 * (x + y)) << 16;
}

// A BMP of Pattern(); a negative height stores the rows top-down.
Bytes MakeBmp(std::int32_t width, std::int32_t height, int bits) {
    const int rows = height < 0 ? -height : height;
    Bytes b{'B', 'M'};
    Put32(b, std::uint32_t(54 + Stride(width, bits) * rows));
    Put32(b, 0);
    Put32(b, 54);
    PutInfoHeader(b, width, height, bits, 0);
    for (int stored = 0; stored < rows; ++stored) {
        const int y = height < 0 ? stored : rows - 1 - stored;
        for (int x = 0; x < width; ++x) {
            const native::Colour c = Pattern(x, y);
            b.insert(b.end(), {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
            if (bits == 32) b.push_back(0x7F);
        }
        b.resize(b.size() + Stride(width, bits) - std::size_t(width) * bits / 8, 0);
    }
    return b;
}

void ExpectPattern(const native::Image& image, int width, int height) {
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    ASSERT_EQ(image.pixels.size(), std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            EXPECT_EQ(image.pixels[std::size_t(y) * width + x], Pattern(x, y)) << x << "," << y;
        }
    }
}

TEST(DecodeBmp, ReadsRowsInPictureOrderForEachLayout) {
    struct Case {
        std::int32_t width, height;
        int bits;
    };
    for (const Case c : {Case{3, 2, 24}, Case{4, 3, 24}, Case{3, -2, 24}, Case{2, 3, 32},
                         Case{5, -4, 32}, Case{1, 1, 24}}) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits);
        const auto image = runtime::DecodeBmp(MakeBmp(c.width, c.height, c.bits));
        ASSERT_TRUE(image.has_value());
        ExpectPattern(*image, c.width, c.height < 0 ? -c.height : c.height);
        EXPECT_TRUE(image->opaque.empty());
    }
}

TEST(DecodeBmp, EveryTruncationFailsButAMissingLastPadding) {
    const Bytes whole = MakeBmp(4, 3, 24);  // rows of 12 bytes, no padding
    for (std::size_t n = 0; n < whole.size(); ++n) {
        EXPECT_FALSE(runtime::DecodeBmp({whole.data(), n}).has_value()) << n;
    }
    const Bytes padded = MakeBmp(3, 2, 24);  // rows of 9 bytes padded to 12
    EXPECT_TRUE(runtime::DecodeBmp({padded.data(), padded.size() - 3}).has_value());
    EXPECT_FALSE(runtime::DecodeBmp({padded.data(), padded.size() - 4}).has_value());
}

TEST(DecodeBmp, SidesUpTo4096AreAccepted) {
    const auto wide = runtime::DecodeBmp(MakeBmp(4096, 1, 24));
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ(wide->pixels.size(), 4096u);
    EXPECT_TRUE(runtime::DecodeBmp(MakeBmp(1, -4096, 24)).has_value());
}

// ---- Icons --------------------------------------------------------------------------

struct IconImage {
    int width = 0, height = 0, bits = 0;
    std::vector<native::Colour> palette;  // empty for 24 and 32 bits
    std::vector<std::uint32_t> values;    // top row first: palette index or 0x00BBGGRR
    std::vector<bool> transparent;        // the AND mask, top row first
    std::vector<std::uint8_t> alpha;      // 32 bits only
};

Bytes MakeIco(const std::vector<IconImage>& images) {
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);
    Put16(b, std::uint32_t(images.size()));
    std::vector<Bytes> resources;
    for (const IconImage& im : images) {
        Bytes r;
        PutInfoHeader(r, im.width, im.height * 2, im.bits, std::uint32_t(im.palette.size()));
        for (const native::Colour c : im.palette)
            Put32(r, (c & 0xFF) << 16 | (c & 0xFF00) | c >> 16);
        const std::size_t start = r.size();
        for (int y = im.height - 1; y >= 0; --y) {
            Bytes row(Stride(im.width, im.bits), 0);
            for (int x = 0; x < im.width; ++x) {
                const std::size_t i = std::size_t(y) * im.width + x;
                const std::uint32_t v = im.values[i];
                if (im.bits <= 8) {
                    const int bit = x * im.bits;
                    row[bit / 8] |= std::uint8_t(v << (8 - im.bits - bit % 8));
                } else {
                    const std::size_t at = std::size_t(x) * im.bits / 8;
                    row[at] = std::uint8_t(v >> 16), row[at + 1] = std::uint8_t(v >> 8);
                    row[at + 2] = std::uint8_t(v);
                    if (im.bits == 32) row[at + 3] = im.alpha[i];
                }
            }
            r.insert(r.end(), row.begin(), row.end());
        }
        EXPECT_EQ(r.size() - start, Stride(im.width, im.bits) * im.height);
        for (int y = im.height - 1; y >= 0; --y) {
            Bytes row(Stride(im.width, 1), 0);
            for (int x = 0; x < im.width; ++x) {
                if (im.transparent[std::size_t(y) * im.width + x]) row[x / 8] |= 0x80 >> (x % 8);
            }
            r.insert(r.end(), row.begin(), row.end());
        }
        resources.push_back(std::move(r));
    }
    std::uint32_t offset = 6 + 16 * std::uint32_t(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        b.insert(b.end(), {std::uint8_t(images[i].width), std::uint8_t(images[i].height),
                           std::uint8_t(images[i].palette.size()), 0});
        Put16(b, 1);
        Put16(b, std::uint32_t(images[i].bits));
        Put32(b, std::uint32_t(resources[i].size()));
        Put32(b, offset);
        offset += std::uint32_t(resources[i].size());
    }
    for (const Bytes& r : resources) b.insert(b.end(), r.begin(), r.end());
    return b;
}

// A paletted image: index (x + 2y) mod colours, transparent where (x + y) % 3 == 0.
IconImage Paletted(int width, int height, int bits, int colours) {
    IconImage im{width, height, bits, {}, {}, {}, {}};
    for (int i = 0; i < colours; ++i) im.palette.push_back(Pattern(i % 7, i / 7));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            im.values.push_back(std::uint32_t((x + 2 * y) % colours));
            im.transparent.push_back((x + y) % 3 == 0);
        }
    }
    return im;
}

void ExpectIcon(const std::optional<native::Image>& image, const IconImage& im) {
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->width, im.width);
    ASSERT_EQ(image->height, im.height);
    ASSERT_EQ(image->opaque.size(), std::size_t(im.width) * im.height);
    for (std::size_t i = 0; i < im.values.size(); ++i) {
        const native::Colour want = im.bits <= 8 ? im.palette[im.values[i]] : im.values[i];
        EXPECT_EQ(image->pixels[i], want) << i;
        EXPECT_EQ(image->opaque[i], im.transparent[i] ? 0 : 255) << i;
    }
}

TEST(DecodeIco, ReadsPalettedImagesWithTheirMask) {
    for (const IconImage& im : {Paletted(5, 3, 4, 16), Paletted(9, 2, 1, 2), Paletted(3, 4, 8, 20),
                                Paletted(32, 32, 4, 16), Paletted(33, 2, 8, 256)}) {
        SCOPED_TRACE(testing::Message() << im.width << "x" << im.height << "x" << im.bits);
        ExpectIcon(runtime::DecodeIco(MakeIco({im})), im);
    }
}

TEST(DecodeIco, IndexPastThePaletteShowsBlack) {
    IconImage im = Paletted(4, 2, 4, 3);
    im.values[5] = 9;  // the palette has 3 entries
    const auto image = runtime::DecodeIco(MakeIco({im}));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->pixels[5], 0u);
    EXPECT_EQ(image->pixels[4], im.palette[im.values[4]]);
}

TEST(DecodeIco, ThirtyTwoBitsTakeTransparencyFromAlphaWhenThereIsAny) {
    IconImage im{3, 2, 32, {}, {}, {}, {}};
    for (int i = 0; i < 6; ++i) {
        im.values.push_back(Pattern(i % 3, i / 3));
        im.transparent.push_back(i % 2 == 0);
        im.alpha.push_back(std::uint8_t(i * 50));  // 0, 50, 100, 150, 200, 250
    }
    const auto byAlpha = runtime::DecodeIco(MakeIco({im}));
    ASSERT_TRUE(byAlpha.has_value());
    EXPECT_EQ(byAlpha->opaque, (std::vector<std::uint8_t>{0, 0, 0, 255, 255, 255}));

    std::fill(im.alpha.begin(), im.alpha.end(), 0);  // no alpha: the mask rules
    ExpectIcon(runtime::DecodeIco(MakeIco({im})), im);
}

TEST(DecodeIco, TakesTheLargestImageAndTheFirstOfEqualOnes) {
    const IconImage small = Paletted(2, 2, 4, 16), large = Paletted(6, 5, 8, 30);
    ExpectIcon(runtime::DecodeIco(MakeIco({small, large, small})), large);
    const IconImage other = Paletted(6, 5, 4, 5);
    ExpectIcon(runtime::DecodeIco(MakeIco({small, other, large})), other);
}

TEST(DecodeIco, EveryTruncationFails) {
    const Bytes whole = MakeIco({Paletted(5, 3, 4, 16)});
    for (std::size_t n = 0; n < whole.size(); ++n) {
        EXPECT_FALSE(runtime::DecodeIco({whole.data(), n}).has_value()) << n;
    }
}

// Overwrites each header byte of real files with awkward values: whatever decodes must
// be a consistent image within the size limit (run under the sanitizers to see reads).
TEST(ImageFile, DamagedHeadersGiveNothingOrAConsistentImage) {
    const auto consistent = [](const std::optional<native::Image>& image) {
        if (!image) return true;
        const std::size_t n = std::size_t(image->width) * std::size_t(image->height);
        return image->width > 0 && image->height > 0 && image->width <= runtime::kMaxImageSide &&
               image->height <= runtime::kMaxImageSide && image->pixels.size() == n &&
               (image->opaque.empty() || image->opaque.size() == n);
    };
    const auto icon = artwork::EyesIcon();
    const Bytes files[] = {MakeBmp(7, 5, 24), MakeBmp(3, -4, 32), Bytes(icon.begin(), icon.end()),
                           MakeIco({Paletted(6, 5, 8, 30), Paletted(3, 3, 1, 2)})};
    for (const Bytes& file : files) {
        for (std::size_t at = 0; at < 130 && at < file.size(); ++at) {
            for (const std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF}) {
                Bytes damaged = file;
                damaged[at] = value;
                EXPECT_TRUE(consistent(runtime::DecodeBmp(damaged))) << at << "=" << int(value);
                EXPECT_TRUE(consistent(runtime::DecodeIco(damaged))) << at << "=" << int(value);
            }
        }
    }
}

}  // namespace
