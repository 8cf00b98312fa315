// Reading the kitten's picture files and measuring the painted eyes: see KittenPicture.h.
#include "tests/support/KittenPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>

namespace support {
namespace {

std::uint32_t Le(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

// An uncompressed 24-bit bitmap, bottom-up or top-down.
Picture DecodeBmp24(const std::string& bytes) {
    Picture picture;
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return picture;
    const std::uint32_t offset = Le(bytes, 10, 4);
    const auto width = static_cast<std::int32_t>(Le(bytes, 18, 4));
    const auto height = static_cast<std::int32_t>(Le(bytes, 22, 4));
    if (Le(bytes, 28, 2) != 24 || Le(bytes, 30, 4) != 0 || width <= 0 || height == 0)
        return picture;
    const int rows = std::abs(height);
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (offset + stride * static_cast<std::size_t>(rows) > bytes.size()) return picture;
    picture.width = width;
    picture.height = rows;
    picture.pixels.resize(static_cast<std::size_t>(width) * rows);
    for (int y = 0; y < rows; ++y) {
        const int stored = height > 0 ? rows - 1 - y : y;
        const std::size_t row = offset + stride * static_cast<std::size_t>(stored);
        for (int x = 0; x < width; ++x) {
            const std::size_t at = row + static_cast<std::size_t>(x) * 3;
            picture.pixels[static_cast<std::size_t>(y) * width + x] =
                Le(bytes, at + 2, 1) << 16 | Le(bytes, at + 1, 1) << 8 | Le(bytes, at, 1);
        }
    }
    return picture;
}

// A picture in face rows (runtime/ImageFile.h gives the layout).
Picture DecodeFaceRows(const std::string& bytes) {
    if (bytes.size() < 11 || bytes.compare(0, 4, "VFR1") != 0) return {};
    std::size_t at = 4;
    const auto byte = [&]() -> unsigned {  // past the end: 0, and the picture is not read
        const std::size_t i = at++;
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
    };
    const auto u16 = [&] { return byte() | byte() << 8; };
    const int width = static_cast<int>(u16()), height = static_cast<int>(u16());
    const std::uint32_t key = byte() << 16 | byte() << 8 | byte();
    Picture picture{width, height, std::vector<std::uint32_t>(std::size_t(width) * height, key)};
    for (int y = 0; y < height; ++y) {
        std::vector<std::pair<unsigned, unsigned>> runs(byte());
        for (auto& run : runs) run = {u16(), u16()};
        std::vector<std::pair<unsigned, unsigned>> codes;  // (x, code)
        for (const auto& [x0, x1] : runs)
            for (unsigned x = x0; x < x1 && x < unsigned(width); ++x) codes.emplace_back(x, u16());
        const auto put = [&](unsigned x, int r, int g, int b) {
            if (x < unsigned(width))
                picture.pixels[std::size_t(y) * width + x] =
                    std::uint32_t((r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF));
        };
        for (const auto& [x, code] : codes) {
            const std::uint32_t above = y > 0 ? picture.At(int(x), y - 1) : key;
            const int dg = int(code >> 10) - 32;
            put(x, int(above >> 16) + dg + int(code >> 5 & 31) - 16, int(above >> 8 & 0xFF) + dg,
                int(above & 0xFF) + dg + int(code & 31) - 16);
        }
        for (unsigned own = u16(); own > 0; --own) {
            const unsigned x = u16();
            const int r = int(byte()), g = int(byte()), b = int(byte());
            put(x, r, g, b);
        }
    }
    if (at > bytes.size()) return {};
    return picture;
}

}  // namespace

int Scaled(double programPixels, double scale) {
    return static_cast<int>(std::lround(programPixels * scale));
}

const Picture& Kitten(double scale) {
    static std::map<int, Picture> pictures;
    const int percent = Scaled(100, scale);
    auto found = pictures.find(percent);
    if (found != pictures.end()) return found->second;
    const auto folder = std::filesystem::path(VELLORY_SOURCE_DIR) / "window";
    return pictures[percent] = percent == 100
                                   ? DecodeBmp24(ReadFile(folder / "kitten.bmp"))
                                   : DecodeFaceRows(ReadFile(
                                         folder / ("kitten-" + std::to_string(percent) + ".rows")));
}

bool InEye(int x, int y, Point eye, double scale) {
    const double dx = x + 0.5 - eye.x * scale, dy = y + 0.5 - eye.y * scale;
    return dx * dx + dy * dy <= EyeRadius * EyeRadius * scale * scale;
}

PupilReading ReadPupil(const Shot& window, Point eye, double scale) {
    PupilReading reading;
    double sumX = 0, sumY = 0;
    const Point centre = Scaled(eye, scale);
    const int reach = Scaled(EyeRadius, scale) + 1;
    for (int y = centre.y - reach; y <= centre.y + reach; ++y)
        for (int x = centre.x - reach; x <= centre.x + reach; ++x) {
            if (!InEye(x, y, eye, scale) || x < 0 || y < 0 || x >= window.width ||
                y >= window.height)
                continue;
            const std::uint32_t colour = window.At(x, y);
            if (colour == Olive) ++reading.olivePixels;
            if (colour != Black) continue;
            ++reading.blackPixels;
            sumX += x + 0.5;
            sumY += y + 0.5;
        }
    if (reading.blackPixels > 0) {
        reading.x = sumX / reading.blackPixels;
        reading.y = sumY / reading.blackPixels;
    }
    return reading;
}

Centre ExpectedPupil(Point eye, Point eyeOnScreen, Point pointer, double scale) {
    const double dx = pointer.x - eyeOnScreen.x, dy = pointer.y - eyeOnScreen.y;
    const double distance = std::hypot(dx, dy);
    const Centre centre{eye.x * scale, eye.y * scale};
    if (distance == 0) return centre;
    return {centre.x + PupilOffset * scale * dx / distance,
            centre.y + PupilOffset * scale * dy / distance};
}

namespace {

// A picture that could not be read passes for nothing: every pixel counts as wrong.
bool Unread(const Picture& picture, double scale, std::string* first) {
    if (picture.width == Scaled(KittenWidth, scale) &&
        picture.height == Scaled(KittenHeight, scale))
        return false;
    if (first != nullptr)
        *first = "the kitten's picture at scale " + std::to_string(scale) + " could not be read";
    return true;
}

// The face's outermost pixel: a key pixel or the picture's border next to it.
bool OnEdge(const Picture& picture, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= picture.width || ny >= picture.height ||
                picture.IsKey(nx, ny))
                return true;
        }
    return false;
}

// Each channel of `seen` between the face's and the one below (a rounding either side).
bool Between(std::uint32_t seen, std::uint32_t face, std::uint32_t below) {
    constexpr int Rounding = 2;
    for (const int shift : {16, 8, 0}) {
        const int s = int(seen >> shift & 0xFF), f = int(face >> shift & 0xFF),
                  b = int(below >> shift & 0xFF);
        if (s < std::min(f, b) - Rounding || s > std::max(f, b) + Rounding) return false;
    }
    return true;
}

}  // namespace

int CountWrongPixels(const Shot& window, std::optional<std::uint32_t> below, std::string* first,
                     double scale, Edge edge) {
    const Picture& picture = Kitten(scale);
    if (Unread(picture, scale, first)) return KittenWidth * KittenHeight;
    int wrong = 0;
    char text[160];
    for (int y = 0; y < window.height && y < picture.height; ++y)
        for (int x = 0; x < window.width && x < picture.width; ++x) {
            const std::uint32_t seen = window.At(x, y);
            bool right = false;
            bool blended = false;
            if (picture.IsKey(x, y)) {
                right = !below || seen == *below;
            } else if (InEye(x, y, Eye1, scale) || InEye(x, y, Eye2, scale)) {
                right = seen == Olive || seen == Black;
            } else if (edge == Edge::Blended && OnEdge(picture, x, y)) {
                blended = true;
                right = !below || Between(seen, picture.At(x, y), *below);
            } else {
                right = seen == picture.At(x, y);
            }
            if (right) continue;
            if (wrong++ == 0 && first != nullptr) {
                std::snprintf(text, sizeof text, "pixel (%d, %d) shows %06X, picture %06X%s", x, y,
                              seen, picture.At(x, y),
                              picture.IsKey(x, y) ? " (key colour)"
                              : blended           ? " (edge: a blend with what is below)"
                                                  : "");
                *first = text;
            }
        }
    return wrong;
}

// The pixels that CountWrongPixels finds wrong with a blended edge, and how many edge
// pixels show a blend rather than the face's own colour.
BlendReading ReadBlend(const Shot& window, std::uint32_t below, double scale) {
    BlendReading reading;
    reading.wrong = CountWrongPixels(window, below, &reading.first, scale, Edge::Blended);
    const Picture& picture = Kitten(scale);
    if (Unread(picture, scale, nullptr)) return reading;
    for (int y = 0; y < window.height && y < picture.height; ++y)
        for (int x = 0; x < window.width && x < picture.width; ++x) {
            if (picture.IsKey(x, y) || InEye(x, y, Eye1, scale) || InEye(x, y, Eye2, scale) ||
                !OnEdge(picture, x, y))
                continue;
            ++reading.edge;
            const std::uint32_t seen = window.At(x, y), own = picture.At(x, y);
            if (seen != own && Between(seen, own, below)) ++reading.blended;
        }
    return reading;
}

int CountWrongShapePixels(const std::vector<bool>& mask, std::string* first, double scale) {
    const Picture& picture = Kitten(scale);
    if (Unread(picture, scale, first)) return KittenWidth * KittenHeight;
    if (mask.size() != picture.pixels.size()) {
        if (first != nullptr) *first = "the mask is not the picture's size";
        return static_cast<int>(picture.pixels.size());
    }
    int wrong = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const bool key = picture.IsKey(x, y);
            if (mask[static_cast<std::size_t>(y) * picture.width + x] == !key) continue;
            if (wrong++ == 0 && first != nullptr)
                *first = std::string("(").append(std::to_string(x)).append(", ")
                             .append(std::to_string(y)).append(")")
                             .append(key ? " is key but inside" : " is not key but outside");
        }
    return wrong;
}

std::string SavedPlace(Point place, const std::string& lineEnd) {
    return "[Varnhold Quimbrel]" + lineEnd + "Top=" + std::to_string(place.y * 15) + lineEnd +
           "Left=" + std::to_string(place.x * 15) + lineEnd;
}

Shot LookAt(const XClient& x, Window window, double scale) {
    const auto at = x.RootPosition(window);
    if (!at) throw std::runtime_error("the window is gone");
    const int width = Scaled(KittenWidth, scale), height = Scaled(KittenHeight, scale);
    Shot visible = x.Grab(at->x, at->y, width, height);
    // NOTE: a rootless Xwayland keeps no picture of the root: the window's own pixels.
    if (visible.pixels.empty()) visible = x.GrabWindow(window, *at, width, height);
    Shot shot{at->x, at->y, width, height, {}};
    shot.pixels.assign(static_cast<std::size_t>(width) * height, OffScreen);
    for (int y = 0; y < visible.height; ++y)
        for (int x0 = 0; x0 < visible.width; ++x0)
            shot.pixels[static_cast<std::size_t>(visible.top - at->y + y) * width +
                        (visible.left - at->x + x0)] = visible.At(x0, y);
    return shot;
}

Shot DecodePpm(const std::string& bytes, Point at) {
    std::istringstream header(bytes);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    header >> magic >> width >> height >> maximum;
    if (!header || magic != "P6" || maximum != 255 || width <= 0 || height <= 0) return {};
    const auto start = static_cast<std::size_t>(header.tellg()) + 1;  // one blank after it
    const std::size_t count = static_cast<std::size_t>(width) * height;
    if (bytes.size() < start + count * 3) return {};
    Shot shot{at.x, at.y, width, height, std::vector<std::uint32_t>(count)};
    for (std::size_t i = 0; i < count; ++i) {
        const auto byte = [&](int channel) {
            return static_cast<std::uint32_t>(
                static_cast<unsigned char>(bytes[start + i * 3 + channel]));
        };
        shot.pixels[i] = byte(0) << 16 | byte(1) << 8 | byte(2);
    }
    return shot;
}

Shot Crop(const Shot& shot, int left, int top, int width, int height) {
    Shot part{left, top, width, height,
              std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, OffScreen)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int fromX = left + x - shot.left, fromY = top + y - shot.top;
            if (fromX >= 0 && fromY >= 0 && fromX < shot.width && fromY < shot.height)
                part.pixels[static_cast<std::size_t>(y) * width + x] = shot.At(fromX, fromY);
        }
    return part;
}

std::optional<Point> FindKitten(const Shot& screen, double scale) {
    const Picture& picture = Kitten(scale);
    if (Unread(picture, scale, nullptr)) return std::nullopt;
    // Pixels whose 3x3 neighbourhood is all face, sampled every few pixels: what a
    // blended or shifted outline cannot change.
    std::vector<Point> inner;
    const int every = Scaled(5, scale);
    for (int y = 1; y + 1 < picture.height; y += every)
        for (int x = 1; x + 1 < picture.width; x += every) {
            const auto nearEye = [&](Point eye) {  // the disc and a margin round it
                return std::hypot(x + 0.5 - eye.x * scale, y + 0.5 - eye.y * scale) <=
                       (EyeRadius + 2) * scale;
            };
            bool face = !nearEye(Eye1) && !nearEye(Eye2);
            for (int dy = -1; dy <= 1 && face; ++dy)
                for (int dx = -1; dx <= 1 && face; ++dx) face = !picture.IsKey(x + dx, y + dy);
            if (face) inner.push_back({x, y});
        }
    if (inner.empty()) return std::nullopt;
    for (int top = 0; top + picture.height <= screen.height; ++top)
        for (int left = 0; left + picture.width <= screen.width; ++left) {
            const bool all = std::all_of(inner.begin(), inner.end(), [&](Point p) {
                return screen.At(left + p.x, top + p.y) == picture.At(p.x, p.y);
            });
            if (all) return Point{screen.left + left, screen.top + top};
        }
    return std::nullopt;
}

}  // namespace support
