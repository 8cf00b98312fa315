// Reading window/kitten.bmp and measuring the painted eyes: see KittenPicture.h.
#include "tests/support/KittenPicture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
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

}  // namespace

const Picture& Kitten() {
    static const Picture picture =
        DecodeBmp24(ReadFile(std::filesystem::path(VELLORY_SOURCE_DIR) / "window" / "kitten.bmp"));
    return picture;
}

bool InEye(int x, int y, Point eye) {
    const double dx = x + 0.5 - eye.x, dy = y + 0.5 - eye.y;
    return dx * dx + dy * dy <= EyeRadius * EyeRadius;
}

PupilReading ReadPupil(const Shot& window, Point eye) {
    PupilReading reading;
    double sumX = 0, sumY = 0;
    for (int y = eye.y - 11; y <= eye.y + 11; ++y)
        for (int x = eye.x - 11; x <= eye.x + 11; ++x) {
            if (!InEye(x, y, eye) || x < 0 || y < 0 || x >= window.width || y >= window.height)
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

Centre ExpectedPupil(Point eye, Point eyeOnScreen, Point pointer) {
    const double dx = pointer.x - eyeOnScreen.x, dy = pointer.y - eyeOnScreen.y;
    const double distance = std::hypot(dx, dy);
    if (distance == 0) return {static_cast<double>(eye.x), static_cast<double>(eye.y)};
    return {eye.x + PupilOffset * dx / distance, eye.y + PupilOffset * dy / distance};
}

namespace {

// A picture that could not be read passes for nothing: every pixel counts as wrong.
bool Unread(const Picture& picture, std::string* first) {
    if (picture.width == KittenWidth && picture.height == KittenHeight) return false;
    if (first != nullptr) *first = "window/kitten.bmp could not be read as 207x220";
    return true;
}

}  // namespace

int CountWrongPixels(const Shot& window, std::optional<std::uint32_t> below, std::string* first) {
    const Picture& picture = Kitten();
    if (Unread(picture, first)) return KittenWidth * KittenHeight;
    int wrong = 0;
    char text[160];
    for (int y = 0; y < window.height && y < picture.height; ++y)
        for (int x = 0; x < window.width && x < picture.width; ++x) {
            const std::uint32_t seen = window.At(x, y);
            bool right = false;
            if (picture.IsKey(x, y))
                right = !below || seen == *below;
            else if (InEye(x, y, Eye1) || InEye(x, y, Eye2))
                right = seen == Olive || seen == Black;
            else
                right = seen == picture.At(x, y);
            if (right) continue;
            if (wrong++ == 0 && first != nullptr) {
                std::snprintf(text, sizeof text, "pixel (%d, %d) shows %06X, picture %06X%s", x, y,
                              seen, picture.At(x, y), picture.IsKey(x, y) ? " (key colour)" : "");
                *first = text;
            }
        }
    return wrong;
}

int CountWrongShapePixels(const std::vector<bool>& mask, std::string* first) {
    const Picture& picture = Kitten();
    if (Unread(picture, first)) return KittenWidth * KittenHeight;
    int wrong = 0;
    for (int y = 0; y < KittenHeight; ++y)
        for (int x = 0; x < KittenWidth; ++x) {
            const bool key = picture.IsKey(x, y);
            if (mask[static_cast<std::size_t>(y) * KittenWidth + x] == !key) continue;
            if (wrong++ == 0 && first != nullptr)
                *first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")" +
                         (key ? " is key but inside" : " is not key but outside");
        }
    return wrong;
}

std::string SavedPlace(Point place, const std::string& lineEnd) {
    return "[Varnhold Quimbrel]" + lineEnd + "Top=" + std::to_string(place.y * 15) + lineEnd +
           "Left=" + std::to_string(place.x * 15) + lineEnd;
}

Shot LookAt(const XClient& x, Window window) {
    const auto at = x.RootPosition(window);
    if (!at) throw std::runtime_error("the window is gone");
    const Shot visible = x.Grab(at->x, at->y, KittenWidth, KittenHeight);
    Shot shot{at->x, at->y, KittenWidth, KittenHeight, {}};
    shot.pixels.assign(static_cast<std::size_t>(KittenWidth) * KittenHeight, OffScreen);
    for (int y = 0; y < visible.height; ++y)
        for (int x0 = 0; x0 < visible.width; ++x0)
            shot.pixels[static_cast<std::size_t>(visible.top - at->y + y) * KittenWidth +
                        (visible.left - at->x + x0)] = visible.At(x0, y);
    return shot;
}

}  // namespace support
