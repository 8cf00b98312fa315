// A small PNG encoder for the artwork generator: 8-bit RGBA, non-interlaced, every row
// filtered with Paeth and the whole image deflated by zlib. Enough for the desktop icons.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace png {

using Bytes = std::vector<std::uint8_t>;

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

inline void PutBig32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

// A chunk: length, type, data, and the CRC of type and data.
inline void PutChunk(Bytes& out, std::string_view type, const Bytes& data) {
    PutBig32(out, std::uint32_t(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + typeAt, uInt(out.size() - typeAt));
    PutBig32(out, std::uint32_t(crc));
}

inline std::uint8_t Paeth(int left, int up, int upLeft) {
    const int guess = left + up - upLeft;
    const int toLeft = std::abs(guess - left), toUp = std::abs(guess - up),
              toUpLeft = std::abs(guess - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return std::uint8_t(left);
    return std::uint8_t(toUp <= toUpLeft ? up : upLeft);
}

// `pixels` holds width * height pixels, row by row from the top.
inline Bytes Encode(const std::vector<Rgba>& pixels, int width, int height) {
    const std::size_t stride = std::size_t(width) * 4;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(pixels.data());
    static_assert(sizeof(Rgba) == 4);
    Bytes filtered;
    filtered.reserve((stride + 1) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = raw + stride * std::size_t(y);
        const std::uint8_t* above = y > 0 ? row - stride : nullptr;
        filtered.push_back(4);  // Paeth
        for (std::size_t i = 0; i < stride; ++i) {
            const int left = i >= 4 ? row[i - 4] : 0;
            const int up = above != nullptr ? above[i] : 0;
            const int upLeft = above != nullptr && i >= 4 ? above[i - 4] : 0;
            filtered.push_back(std::uint8_t(row[i] - Paeth(left, up, upLeft)));
        }
    }
    uLongf packedSize = compressBound(uLong(filtered.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, filtered.data(), uLong(filtered.size()), 9) != Z_OK)
        return {};
    packed.resize(packedSize);

    Bytes header;
    PutBig32(header, std::uint32_t(width));
    PutBig32(header, std::uint32_t(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, filters, progressive
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", {});
    return out;
}

}  // namespace png
