// The artwork generator: draws the kitten picture and the eyes icon and writes them as
// window/kitten.bmp (24-bit BMP) and window/eyes.ico (16-colour icon with mask), and the
// kitten drawn afresh at each usual display scale s as window/kitten-<100 s>.rows; given an
// icon folder too, it draws the kitten's face as the desktop icons vellory-<N>.png.
// Usage: draw_artwork <output folder> [<icon folder>], from the source root:
//   draw_artwork window packaging/icons
// The output is deterministic and committed; the program embeds kitten.bmp and eyes.ico
// at build time, the tests compare the windows they see with the .rows files (in face
// rows, runtime/ImageFile.h), the install copies the icons.
// The kitten is painted by the program's own painter (window/KittenPainting.cpp, drawing
// window/artwork/Kitten.h), so the .rows files are the renderings the program paints when
// a window needs them; the icon's drawing and the PNG encoder live in tools/artwork/.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "artwork/EyesIcon.h"
#include "artwork/Png.h"
#include "runtime/ImageFile.h"
#include "window/KittenPainting.h"
#include "window/artwork/Kitten.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::uint32_t value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}
void Put32(Bytes& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// BITMAPINFOHEADER, uncompressed (BI_RGB).
void PutInfoHeader(Bytes& out, std::int32_t width, std::int32_t height, int bitsPerPixel,
                   std::uint32_t imageSize, std::uint32_t coloursUsed) {
    Put32(out, 40);
    Put32(out, std::uint32_t(width));
    Put32(out, std::uint32_t(height));
    Put16(out, 1);  // planes
    Put16(out, std::uint32_t(bitsPerPixel));
    Put32(out, 0);  // BI_RGB
    Put32(out, imageSize);
    Put32(out, 2835);  // 72 dots per inch
    Put32(out, 2835);
    Put32(out, coloursUsed);
    Put32(out, 0);
}

struct Pixel {
    std::uint8_t r = 0, g = 0, b = 0;
};

std::vector<Pixel> PixelsOf(const native::Image& image) {
    std::vector<Pixel> pixels;
    pixels.reserve(image.pixels.size());
    for (const native::Colour c : image.pixels)
        pixels.push_back({std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
    return pixels;
}

// A bottom-up 24-bit BMP.
Bytes EncodeBmp(const std::vector<Pixel>& pixels, int width, int height) {
    const std::uint32_t stride = (std::uint32_t(width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = stride * std::uint32_t(height);
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 14 + 40 + imageSize);
    Put32(out, 0);
    Put32(out, 14 + 40);
    PutInfoHeader(out, width, height, 24, imageSize, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Pixel& p = pixels[std::size_t(y) * width + x];
            out.insert(out.end(), {p.b, p.g, p.r});
        }
        out.resize(out.size() + (stride - std::uint32_t(width) * 3), 0);
    }
    return out;
}

// An icon file with one 4-bit image: ICONDIR, one ICONDIRENTRY, then the image as a
// BITMAPINFOHEADER (height doubled for the mask), the palette, the colour rows and the
// AND-mask rows, both bottom-up.
Bytes EncodeIco(const eyes::Icon& icon) {
    constexpr std::uint32_t kColourStride = eyes::kSize / 2;  // 4 bits a pixel
    constexpr std::uint32_t kMaskStride = (eyes::kSize + 31) / 32 * 4;
    constexpr std::uint32_t kImageSize = (kColourStride + kMaskStride) * eyes::kSize;
    constexpr std::uint32_t kResourceSize = 40 + 16 * 4 + kImageSize;
    Bytes out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // an icon
    Put16(out, 1);  // one image
    out.insert(out.end(), {std::uint8_t(eyes::kSize), std::uint8_t(eyes::kSize), 16, 0});
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits per pixel
    Put32(out, kResourceSize);
    Put32(out, 6 + 16);
    PutInfoHeader(out, eyes::kSize, eyes::kSize * 2, 4, kImageSize, 16);
    for (const auto& c : eyes::kPalette) out.insert(out.end(), {c.b, c.g, c.r, 0});
    for (int y = eyes::kSize - 1; y >= 0; --y) {
        for (int x = 0; x < eyes::kSize; x += 2) {
            out.push_back(std::uint8_t(icon.index[y][x] << 4 | icon.index[y][x + 1]));
        }
    }
    for (int y = eyes::kSize - 1; y >= 0; --y) {
        std::array<std::uint8_t, kMaskStride> row{};
        for (int x = 0; x < eyes::kSize; ++x) {
            if (icon.transparent[y][x]) row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// The desktop icon: the kitten's head and ears, without the chest, centred in a square
// and transparent around them. A pixel's opacity is the share of its sub-samples inside
// the outline, its colour the face's average over those; sub-samples lie at most half a
// picture pixel apart, so that small icons average the features rather than pick them.
constexpr paint::V kIconCentre{kitten::kAxis + 1.5, 97.5};
constexpr double kIconSide = 224;  // picture pixels: the head and ears with a small margin
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

std::vector<png::Rgba> DrawIcon(int size) {
    const double scale = kIconSide / size;
    const int grid = std::max(4, int(std::ceil(2 * scale)));
    const paint::V corner = kIconCentre - paint::V{kIconSide / 2, kIconSide / 2};
    std::vector<png::Rgba> pixels(std::size_t(size) * size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int inside = 0;
            paint::Rgb sum;
            for (int sy = 0; sy < grid; ++sy) {
                for (int sx = 0; sx < grid; ++sx) {
                    const paint::V p =
                        corner + paint::V{x + (sx + 0.5) / grid, y + (sy + 0.5) / grid} * scale;
                    if (kitten::HeadAndEarsDistance(p) >= 0) continue;
                    ++inside;
                    sum = sum + kitten::KittenColour(p);
                }
            }
            if (inside == 0) continue;
            const paint::Rgb c = sum * (1.0 / inside);
            const auto channel = [](double v) {
                return std::uint8_t(std::clamp(v + 0.5, 0.0, 255.0));
            };
            pixels[std::size_t(y) * size + x] = {channel(c.r), channel(c.g), channel(c.b),
                                                 channel(255.0 * inside / (grid * grid))};
        }
    }
    return pixels;
}

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) std::fprintf(stderr, "draw_artwork: cannot write %s\n", path.string().c_str());
    return bool(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: draw_artwork <output folder> [<icon folder>]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    bool written = WriteFile(folder / "kitten.bmp", EncodeBmp(PixelsOf(artwork::PaintKitten(1)),
                                                              kitten::kWidth, kitten::kHeight));
    written = WriteFile(folder / "eyes.ico", EncodeIco(eyes::DrawIcon())) && written;
    for (const int percent : artwork::kPaintedPercents) {
        const auto path = folder / ("kitten-" + std::to_string(percent) + ".rows");
        written =
            WriteFile(path, runtime::EncodeFaceRows(artwork::PaintKitten(percent / 100.0), 0)) &&
            written;
    }
    if (argc == 3) {
        for (const int side : kIconSizes) {
            const png::Bytes icon = png::Encode(DrawIcon(side), side, side);
            const auto path =
                std::filesystem::path(argv[2]) / ("vellory-" + std::to_string(side) + ".png");
            written = !icon.empty() && WriteFile(path, icon) && written;
        }
    }
    return written ? 0 : 1;
}
