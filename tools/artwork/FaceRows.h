// The "face rows" format of the kitten's renderings at display scales other than 1, and
// its encoder for the artwork generator. A rendering is unpacked while the window starts,
// so the format is made to decode fast: each row lists its runs of face pixels
// (everything else is the key colour), and every face pixel is two bytes, its difference
// to the pixel above it (the key colour above the first row). A pixel never waits for its
// neighbour in the row, and the next pixel's bytes are always two further on.
//
//   "VFR1"                     magic
//   u16 width, u16 height      little-endian
//   r, g, b                    the key colour
//   per row: u8 n, then n runs (u16 x0, u16 x1): the face pixels [x0, x1), left to right;
//            then a u16 code for each face pixel of the row, in order:
//              bits 10..15  green's difference to the pixel above, plus 32
//              bits 5..9    red's difference minus green's, plus 16
//              bits 0..4    blue's difference minus green's, plus 16
//            code 0: the differences are too large, and the pixel is among the row's
//            own colours, which follow: u16 m, then m times (u16 x, r, g, b).
#pragma once

#include <cstdint>
#include <vector>

namespace face_rows {

using Bytes = std::vector<std::uint8_t>;

struct Rgb8 {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

// The code of `p` over `above`; 0 when the differences do not fit.
inline int Code(Rgb8 p, Rgb8 above) {
    const int dg = std::int8_t(p.g - above.g);
    const int drg = std::int8_t(p.r - above.r) - dg;
    const int dbg = std::int8_t(p.b - above.b) - dg;
    if (dg < -32 || dg > 31 || drg < -16 || drg > 15 || dbg < -16 || dbg > 15) return 0;
    return (dg + 32) << 10 | (drg + 16) << 5 | (dbg + 16);
}

// `pixels` row by row from the top; `key` is the colour that is not the face.
inline Bytes Encode(const std::vector<Rgb8>& pixels, int width, int height, Rgb8 key) {
    Bytes out = {'V', 'F', 'R', '1'};
    const auto put16 = [&](int value) {
        out.push_back(std::uint8_t(value));
        out.push_back(std::uint8_t(value >> 8));
    };
    put16(width);
    put16(height);
    out.insert(out.end(), {key.r, key.g, key.b});
    for (int y = 0; y < height; ++y) {
        const Rgb8* row = &pixels[std::size_t(y) * width];
        std::vector<std::pair<int, int>> runs;
        for (int x = 0; x < width;) {
            while (x < width && row[x] == key) ++x;
            const int start = x;
            while (x < width && !(row[x] == key)) ++x;
            if (start < x) runs.emplace_back(start, x);
        }
        out.push_back(std::uint8_t(runs.size()));  // the generator's rows have a few
        for (const auto& [x0, x1] : runs) put16(x0), put16(x1);
        std::vector<int> own;
        for (const auto& [x0, x1] : runs) {
            for (int x = x0; x < x1; ++x) {
                const int code = Code(row[x], y > 0 ? row[x - width] : key);
                put16(code);
                if (code == 0) own.push_back(x);
            }
        }
        put16(int(own.size()));
        for (const int x : own) {
            put16(x);
            out.insert(out.end(), {row[x].r, row[x].g, row[x].b});
        }
    }
    return out;
}

}  // namespace face_rows
