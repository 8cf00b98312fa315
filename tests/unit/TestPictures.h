// Small image files for tests, laid out as the artwork generator (tools/DrawArtwork.cpp)
// writes them: a bottom-up 24-bit BMP, and an icon of one 16-colour image with its mask.
// Each is drawn from a function of (x, y); a layout argument gives the other layouts
// that a decoder must read (BMP: 32 bits, top-down) or refuse.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace picture_file {

using Bytes = std::vector<std::uint8_t>;

// NOTE: byte by byte: MinGW's GCC 12 saw an out-of-bounds copy in a two-byte insert.
inline void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
// A colour as a BMP stores it: blue, green, red.
inline void PutBgr(std::uint8_t* at, std::uint32_t colour) {
    at[0] = std::uint8_t(colour >> 16);
    at[1] = std::uint8_t(colour >> 8);
    at[2] = std::uint8_t(colour);
}
// Bytes in one stored row: rows are padded to a multiple of four bytes.
inline std::size_t Stride(int width, int bits) {
    return (std::size_t(width) * bits + 31) / 32 * 4;
}
// BITMAPINFOHEADER, uncompressed (BI_RGB).
inline void PutInfoHeader(Bytes& b, int width, int height, int bits, std::size_t imageSize,
                          int colours) {
    Put32(b, 40);
    Put32(b, std::uint32_t(width));
    Put32(b, std::uint32_t(height));
    Put16(b, 1);  // planes
    Put16(b, std::uint32_t(bits));
    Put32(b, 0);  // BI_RGB
    Put32(b, std::uint32_t(imageSize));
    Put32(b, 0);  // resolution
    Put32(b, 0);
    Put32(b, std::uint32_t(colours));
    Put32(b, 0);
}

}  // namespace picture_file

struct BmpLayout {
    int bits = 24;         // 24 or 32 (the fourth byte unused)
    bool topDown = false;  // rows stored top first, as a negative height says
};

// A BMP of colourAt(x, y), each 0x00BBGGRR.
inline std::vector<std::uint8_t> MakeBmp(int width, int height,
                                         const std::function<std::uint32_t(int, int)>& colourAt,
                                         BmpLayout layout = {}) {
    using namespace picture_file;
    const std::size_t stride = Stride(width, layout.bits);
    Bytes b{'B', 'M'};
    Put32(b, std::uint32_t(54 + stride * height));
    Put32(b, 0);
    Put32(b, 54);  // the pixels follow the headers
    PutInfoHeader(b, width, layout.topDown ? -height : height, layout.bits, stride * height, 0);
    for (int stored = 0; stored < height; ++stored) {
        const int y = layout.topDown ? stored : height - 1 - stored;
        Bytes row(stride, 0);
        for (int x = 0; x < width; ++x)
            PutBgr(&row[std::size_t(x) * layout.bits / 8], colourAt(x, y));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// The icons' palette: 16 colours, each different from the others in every channel.
inline std::uint32_t IconColour(int index) {
    return std::uint32_t(17 * index) | std::uint32_t(250 - 13 * index) << 8 |
           std::uint32_t(40 + 9 * index) << 16;
}

struct IcoLayout {
    int bits = 4;    // 1, 4 or 8 with a palette (at most 16 colours); 24 or 32 without
    int images = 1;  // the same image this many times
};

// An icon file whose image shows IconColour(indexAt(x, y)) (index 0 to 15), and is
// transparent where transparentAt(x, y).
inline std::vector<std::uint8_t> MakeIco(int width, int height,
                                         const std::function<int(int, int)>& indexAt,
                                         const std::function<bool(int, int)>& transparentAt,
                                         IcoLayout layout = {}) {
    using namespace picture_file;
    const int bits = layout.bits;
    const int colours = bits <= 8 ? std::min(1 << bits, 16) : 0;
    const std::size_t colourStride = Stride(width, bits), maskStride = Stride(width, 1);
    Bytes image;  // the header says twice the height: colour rows, then mask rows
    PutInfoHeader(image, width, 2 * height, bits, (colourStride + maskStride) * height, colours);
    for (int i = 0; i < colours; ++i) {
        image.resize(image.size() + 4, 0);
        PutBgr(&image[image.size() - 4], IconColour(i));
    }
    for (int y = height - 1; y >= 0; --y) {  // bottom-up
        Bytes row(colourStride, 0);
        for (int x = 0; x < width; ++x) {
            const int index = indexAt(x, y) % (colours > 0 ? colours : 16);
            if (bits <= 8) {
                row[std::size_t(x) * bits / 8] |= std::uint8_t(index << (8 - bits - x * bits % 8));
            } else {
                PutBgr(&row[std::size_t(x) * bits / 8], IconColour(index));
                if (bits == 32) row[std::size_t(x) * 4 + 3] = 255;  // alpha: shows
            }
        }
        image.insert(image.end(), row.begin(), row.end());
    }
    for (int y = height - 1; y >= 0; --y) {
        Bytes row(maskStride, 0);
        for (int x = 0; x < width; ++x)
            if (transparentAt(x, y)) row[std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
        image.insert(image.end(), row.begin(), row.end());
    }
    Bytes b;
    Put16(b, 0);  // reserved
    Put16(b, 1);  // an icon
    Put16(b, std::uint32_t(layout.images));
    for (int i = 0; i < layout.images; ++i) {
        b.insert(b.end(), {std::uint8_t(width), std::uint8_t(height), std::uint8_t(colours), 0});
        Put16(b, 1);  // planes
        Put16(b, std::uint32_t(bits));
        Put32(b, std::uint32_t(image.size()));
        Put32(b, std::uint32_t(6 + 16 * layout.images + i * image.size()));
    }
    for (int i = 0; i < layout.images; ++i) b.insert(b.end(), image.begin(), image.end());
    return b;
}
