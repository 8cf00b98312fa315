// Bitmap, icon and face-rows decoding (see ImageFile.h). Every offset and size read from the file
// is checked against the bytes at hand before use; arithmetic on them is done in 64 bits.
#include "runtime/ImageFile.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>
#include <vector>

namespace runtime {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::uint32_t kBiRgb = 0;
constexpr std::size_t kFileHeaderSize = 14;  // BITMAPFILEHEADER
constexpr std::size_t kIconDirSize = 6, kIconEntrySize = 16;
constexpr std::uint32_t kIconBits = 4;  // 16 colours
constexpr std::size_t kIconColours = 16;

bool Fits(Bytes bytes, std::uint64_t offset, std::uint64_t length) {
    return offset <= bytes.size() && length <= bytes.size() - offset;
}
std::uint16_t U16(Bytes b, std::size_t at) {
    return std::uint16_t(b[at] | b[at + 1] << 8);
}
std::uint32_t U32(Bytes b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}
std::int32_t I32(Bytes b, std::size_t at) {
    return std::int32_t(U32(b, at));
}

native::Colour Bgr(Bytes b, std::size_t at) {
    return native::Colour(b[at + 2]) | native::Colour(b[at + 1]) << 8 | native::Colour(b[at]) << 16;
}

// Bytes in one stored row: rows are padded to a multiple of four bytes.
std::uint64_t Stride(std::int32_t width, std::uint32_t bitsPerPixel) {
    return (std::uint64_t(width) * bitsPerPixel + 31) / 32 * 4;
}

// The fields of a BITMAPINFOHEADER that the decoders use.
struct InfoHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0, height = 0;
    std::uint32_t bitsPerPixel = 0, compression = 0, coloursUsed = 0;
};

std::optional<InfoHeader> ReadInfoHeader(Bytes b) {
    if (b.size() < kInfoHeaderSize) return std::nullopt;
    InfoHeader h;
    h.size = U32(b, 0);
    if (h.size < kInfoHeaderSize || h.size > b.size() || U16(b, 12) != 1) return std::nullopt;
    h.width = I32(b, 4);
    h.height = I32(b, 8);
    h.bitsPerPixel = U16(b, 14);
    h.compression = U32(b, 16);
    h.coloursUsed = U32(b, 32);
    if (h.compression != kBiRgb || h.width <= 0 || h.width > kMaxImageSide) return std::nullopt;
    return h;
}

native::Image Blank(std::int32_t width, std::int32_t height) {
    native::Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(std::size_t(width) * std::size_t(height), 0);
    return image;
}

// Reads one row of 24- or 32-bit pixels; a fourth byte is not used.
void ReadDirectRow(Bytes row, std::uint32_t bitsPerPixel, native::Colour* out, std::int32_t width) {
    // The caller has checked that the row holds width pixels; a plain pointer walks it.
    const std::size_t step = bitsPerPixel / 8;
    const std::uint8_t* in = row.data();
    for (std::int32_t x = 0; x < width; ++x, in += step) {
        out[x] = native::Colour{in[2]} | native::Colour{in[1]} << 8 | native::Colour{in[0]} << 16;
    }
}

}  // namespace

std::optional<native::Image> DecodeBmp(Bytes bytes) {
    if (bytes.size() < kFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
    const std::uint32_t dataOffset = U32(bytes, 10);
    const auto header = ReadInfoHeader(bytes.subspan(kFileHeaderSize));
    if (!header || (header->bitsPerPixel != 24 && header->bitsPerPixel != 32)) return std::nullopt;
    const bool topDown = header->height < 0;
    const std::int64_t height = topDown ? -std::int64_t(header->height) : header->height;
    if (height == 0 || height > kMaxImageSide) return std::nullopt;
    if (dataOffset < kFileHeaderSize + header->size) return std::nullopt;

    const std::uint64_t stride = Stride(header->width, header->bitsPerPixel);
    const std::uint64_t lastRow = std::uint64_t(header->width) * (header->bitsPerPixel / 8);
    // The last row's padding may be missing; its pixels may not.
    if (!Fits(bytes, dataOffset, stride * std::uint64_t(height - 1) + lastRow)) return std::nullopt;

    native::Image image = Blank(header->width, std::int32_t(height));
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::int64_t stored = topDown ? y : height - 1 - y;
        const Bytes row = bytes.subspan(dataOffset + std::size_t(stored) * stride, lastRow);
        ReadDirectRow(row, header->bitsPerPixel, &image.pixels[std::size_t(y) * image.width],
                      image.width);
    }
    return image;
}

std::optional<native::Image> DecodeIco(Bytes bytes) {
    // The directory: an icon (type 1) of exactly one image, and where that image lies.
    if (bytes.size() < kIconDirSize + kIconEntrySize || U16(bytes, 0) != 0 || U16(bytes, 2) != 1 ||
        U16(bytes, 4) != 1) {
        return std::nullopt;
    }
    const std::uint32_t resourceSize = U32(bytes, kIconDirSize + 8);
    const std::uint32_t resourceOffset = U32(bytes, kIconDirSize + 12);
    if (!Fits(bytes, resourceOffset, resourceSize)) return std::nullopt;
    const Bytes resource = bytes.subspan(resourceOffset, resourceSize);

    // The image's own header rules; its height counts the colour rows and the mask rows.
    // A PNG image has no such header and ends here.
    const auto header = ReadInfoHeader(resource);
    if (!header || header->bitsPerPixel != kIconBits || header->height <= 0 ||
        header->height % 2 != 0 ||
        (header->coloursUsed != 0 && header->coloursUsed != kIconColours)) {
        return std::nullopt;
    }
    const std::int32_t width = header->width, height = header->height / 2;
    if (height > kMaxImageSide) return std::nullopt;
    const std::uint64_t paletteAt = header->size;
    const std::uint64_t colourAt = paletteAt + kIconColours * 4;
    const std::uint64_t colourStride = Stride(width, kIconBits), maskStride = Stride(width, 1);
    const std::uint64_t maskAt = colourAt + colourStride * std::uint64_t(height);
    if (!Fits(resource, colourAt, (colourStride + maskStride) * std::uint64_t(height))) {
        return std::nullopt;
    }

    native::Colour palette[kIconColours];
    for (std::size_t i = 0; i < kIconColours; ++i) palette[i] = Bgr(resource, paletteAt + i * 4);
    native::Image image = Blank(width, height);
    image.opaque.assign(image.pixels.size(), 255);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::size_t stored = std::size_t(height - 1 - y);  // bottom-up
        const std::uint8_t* row = &resource[colourAt + stored * colourStride];
        const std::uint8_t* maskRow = &resource[maskAt + stored * maskStride];
        const std::size_t first = std::size_t(y) * std::size_t(width);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t pair = row[x / 2];  // the left pixel in the high half
            image.pixels[first + x] = palette[x % 2 == 0 ? pair >> 4 : pair & 0x0F];
            const bool transparent = (maskRow[x / 8] >> (7 - x % 8) & 1) != 0;
            image.opaque[first + x] = transparent ? 0 : 255;
        }
    }
    return image;
}

namespace {

// Adds three bytes to three bytes, each modulo 256.
constexpr std::uint32_t AddBytes(std::uint32_t a, std::uint32_t b) {
    return ((a & 0x7F7F7F7Fu) + (b & 0x7F7F7F7Fu)) ^ ((a ^ b) & 0x80808080u);
}
constexpr std::uint32_t Packed(int r, int g, int b) {
    return std::uint32_t(r & 0xFF) | std::uint32_t(g & 0xFF) << 8 | std::uint32_t(b & 0xFF) << 16;
}
// The pixels of one run from the pixels above them and their codes (ImageFile.h gives the
// bits); a code 0 gives nothing that counts, its pixel is set afterwards.
// NOTE: plain arithmetic on each pixel and no pointer that may meet another (the row above
// is another row), so that the compiler works on several pixels at once.
void AddDifferences(const std::uint8_t* __restrict codes, const native::Colour* __restrict above,
                    native::Colour* __restrict out, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint32_t code = codes[2 * i] | std::uint32_t(codes[2 * i + 1]) << 8;
        const std::uint32_t green = (code >> 10) - 32;
        const std::uint32_t red = green + ((code >> 5) & 31) - 16;
        const std::uint32_t blue = green + (code & 31) - 16;
        out[i] = AddBytes(above[i], (red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
    }
}

// One row's face pixels into `out` at its runs, each from the pixel above it in `above`,
// then those with colours of their own; false when its bytes are not there or name a pixel
// off the row.
template <typename Runs>
bool DecodeRow(Bytes bytes, std::size_t& at, const Runs& runs, const native::Colour* above,
               native::Colour* out, std::int32_t width) {
    std::size_t pixels = 0;
    for (const auto& run : runs) pixels += std::size_t(run.x1 - run.x0);
    if (!Fits(bytes, at, 2 * pixels + 2)) return false;
    const std::uint8_t* code = bytes.data() + at;
    for (const auto& run : runs) {
        AddDifferences(code, above + run.x0, out + run.x0, run.x1 - run.x0);
        code += 2 * (run.x1 - run.x0);
    }
    at += 2 * pixels;
    const std::size_t own = U16(bytes, at);
    at += 2;
    if (!Fits(bytes, at, 5 * own)) return false;
    for (std::size_t i = 0; i < own; ++i, at += 5) {
        const std::int32_t x = U16(bytes, at);
        const bool inRun = std::any_of(runs.begin(), runs.end(),
                                       [&](const auto& run) { return run.x0 <= x && x < run.x1; });
        if (x >= width || !inRun) return false;
        out[x] = Packed(bytes[at + 2], bytes[at + 3], bytes[at + 4]);
    }
    return true;
}

}  // namespace

std::optional<native::Image> DecodeFaceRows(Bytes bytes, scaling::FaceMask* face) {
    constexpr std::size_t kHeaderSize = 11;
    if (bytes.size() < kHeaderSize || bytes[0] != 'V' || bytes[1] != 'F' || bytes[2] != 'R' ||
        bytes[3] != '1')
        return std::nullopt;
    const std::int32_t width = U16(bytes, 4), height = U16(bytes, 6);
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide)
        return std::nullopt;
    native::Image image;
    image.width = width;
    image.height = height;
    const native::Colour key = Packed(bytes[8], bytes[9], bytes[10]);
    image.pixels.assign(std::size_t(width) * std::size_t(height), key);
    const std::vector<native::Colour> keyRow(std::size_t(width), key);  // above the first row
    std::size_t at = kHeaderSize;
    struct Run {
        std::int32_t x0, x1;
    };
    std::vector<Run> runs;
    scaling::FaceMask mask{width, height, {}, {}};
    for (std::int32_t y = 0; y < height; ++y) {
        mask.rowStart.push_back(static_cast<std::uint32_t>(mask.runs.size()));
        if (at >= bytes.size()) return std::nullopt;
        const std::size_t count = bytes[at++];
        if (!Fits(bytes, at, 4 * count)) return std::nullopt;
        runs.clear();
        for (std::size_t i = 0; i < count; ++i, at += 4) {
            const Run run{U16(bytes, at), U16(bytes, at + 2)};
            if (run.x0 >= run.x1 || run.x1 > width || (!runs.empty() && run.x0 < runs.back().x1))
                return std::nullopt;
            runs.push_back(run);
            mask.runs.push_back({run.x0, run.x1});
        }
        native::Colour* row = &image.pixels[std::size_t(y) * std::size_t(width)];
        if (!DecodeRow(bytes, at, runs, y > 0 ? row - width : keyRow.data(), row, width))
            return std::nullopt;
    }
    mask.rowStart.push_back(static_cast<std::uint32_t>(mask.runs.size()));
    if (face != nullptr) *face = std::move(mask);
    return image;
}

namespace {

// The code of `pixel` over `above` (ImageFile.h); 0 when the differences do not fit.
std::uint16_t Code(native::Colour pixel, native::Colour above) {
    const auto difference = [&](int shift) {
        return int(std::int8_t(std::uint8_t((pixel >> shift) - (above >> shift))));
    };
    const int dg = difference(8), drg = difference(0) - dg, dbg = difference(16) - dg;
    if (dg < -32 || dg > 31 || drg < -16 || drg > 15 || dbg < -16 || dbg > 15) return 0;
    return std::uint16_t((dg + 32) << 10 | (drg + 16) << 5 | (dbg + 16));
}

}  // namespace

std::vector<std::uint8_t> EncodeFaceRows(const native::Image& image, native::Colour key) {
    const std::int32_t width = image.width, height = image.height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
        image.pixels.size() != std::size_t(width) * std::size_t(height))
        return {};
    std::vector<std::uint8_t> out = {'V', 'F', 'R', '1'};
    const auto put16 = [&](std::int32_t value) {
        out.push_back(std::uint8_t(value));
        out.push_back(std::uint8_t(value >> 8));
    };
    const auto putColour = [&](native::Colour c) {
        out.insert(out.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
    };
    put16(width);
    put16(height);
    putColour(key);
    std::vector<std::pair<std::int32_t, std::int32_t>> runs;
    std::vector<std::int32_t> own;
    for (std::int32_t y = 0; y < height; ++y) {
        const native::Colour* row = &image.pixels[std::size_t(y) * std::size_t(width)];
        runs.clear();
        for (std::int32_t x = 0; x < width;) {
            while (x < width && row[x] == key) ++x;
            const std::int32_t start = x;
            while (x < width && row[x] != key) ++x;
            if (start < x) runs.emplace_back(start, x);
        }
        if (runs.size() > 255) return {};
        out.push_back(std::uint8_t(runs.size()));
        for (const auto& [x0, x1] : runs) put16(x0), put16(x1);
        own.clear();
        for (const auto& [x0, x1] : runs) {
            for (std::int32_t x = x0; x < x1; ++x) {
                const std::uint16_t code = Code(row[x], y > 0 ? row[x - width] : key);
                put16(code);
                if (code == 0) own.push_back(x);
            }
        }
        put16(std::int32_t(own.size()));
        for (const std::int32_t x : own) put16(x), putColour(row[x]);
    }
    return out;
}

}  // namespace runtime
