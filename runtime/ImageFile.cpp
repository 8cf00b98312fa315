// Bitmap and icon decoding (see ImageFile.h). Every offset and size read from the file is
// checked against the bytes at hand before use; arithmetic on them is done in 64 bits.
#include "runtime/ImageFile.h"

#include <cstddef>

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

}  // namespace runtime
