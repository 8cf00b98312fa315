// The kitten picture as the tests know it, read straight from window/kitten.bmp and, for
// a display scale s other than 1, window/kitten-<100 s>.rows (decoders of our own, so that
// a fault in the program's decoders cannot hide itself), the geometry of the eyes that
// the program paints over it, how the window's shape and the screen over it must look,
// and where the program puts the window. At scale s every size and client place is the
// program's times s, rounded (device pixels); `scale` arguments default to 1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/XClient.h"

namespace support {

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB, top row first
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t Key() const { return At(0, 0); }
    bool IsKey(int x, int y) const { return At(x, y) == Key(); }
};

// Decoded once a scale; an empty picture when the file cannot be read.
const Picture& Kitten(double scale = 1);

constexpr int KittenWidth = 207, KittenHeight = 220;
// Program pixels as device pixels at a display scale.
int Scaled(double programPixels, double scale);
inline Point Scaled(Point program, double scale) {
    return {Scaled(program.x, scale), Scaled(program.y, scale)};
}
constexpr Point Eye1{68, 118}, Eye2{140, 118};  // client pixels
constexpr double EyeRadius = 10, PupilRadius = 5, PupilOffset = 5;
constexpr std::uint32_t Olive = 0x808000, Black = 0x000000;

// Inside the eye disc that the program paints: the pixel's centre within the radius.
bool InEye(int x, int y, Point eye, double scale = 1);

struct PupilReading {
    int blackPixels = 0;  // black pixels within the eye disc
    int olivePixels = 0;
    double x = 0, y = 0;  // their centroid (pixel centres), client pixels
};
PupilReading ReadPupil(const Shot& window, Point eye, double scale = 1);  // `window`: LookAt's

struct Centre {
    double x = 0, y = 0;
};
// Where the pupil belongs, client pixels: 5 s from the eye's centre towards the pointer,
// both in root pixels; `eyeOnScreen` is the eye's centre there.
Centre ExpectedPupil(Point eye, Point eyeOnScreen, Point pointer, double scale = 1);

// How the face's outermost pixels (those with a key-coloured pixel or the picture's
// border among their 8 neighbours) may show: exactly as the picture has them (X11's
// shape), or any blend of the picture's colour and what lies below (an ARGB window whose
// edge is partly transparent).
enum class Edge { Exact, Blended };
// How the screen over the window must look: the picture's own pixels, the painted eyes
// (olive and black) inside the eye discs, and `below` (what lies under the window, when
// it is one colour) wherever the picture has its key colour; the edge as `edge` says.
// Counts the pixels that differ and describes the first of them.
int CountWrongPixels(const Shot& window, std::optional<std::uint32_t> below,
                     std::string* first = nullptr, double scale = 1, Edge edge = Edge::Exact);
// How the screen over a window whose outline's edge a compositor blends must look: as
// CountWrongPixels says, except that a face pixel beside a key pixel (or the picture's
// border) may show its colour mixed with `below`, each channel between the two.
struct BlendReading {
    int wrong = 0;    // pixels that are neither
    int edge = 0;     // face pixels beside a key pixel, away from the eyes
    int blended = 0;  // of them, those mixed with `below`
    std::string first;
};
BlendReading ReadBlend(const Shot& window, std::uint32_t below, double scale = 1);
// The pixels where the window's shape mask (XClient::ShapeMask over the picture's size)
// differs from the picture's non-key pixels; describes the first of them.
int CountWrongShapePixels(const std::vector<bool>& mask, std::string* first = nullptr,
                          double scale = 1);

// A pixel well inside the face, away from the eyes: a safe place to press.
constexpr Point FacePoint{104, 170};

// The green label square in the picture's key colour, which only the shape hides.
constexpr Point LabelFirst{172, 190}, LabelLast{196, 214};  // inclusive
constexpr std::uint32_t LabelGreen = 0x00C000;
constexpr bool InLabel(int x, int y) {
    return x >= LabelFirst.x && x <= LabelLast.x && y >= LabelFirst.y && y <= LabelLast.y;
}

// Where the first start puts the window on the 1280-pixel screens of both harnesses:
// 19200 twips wide, (19200 \ 2 - 3105 \ 2) = 8048 twips from the left, nearest pixel 537.
constexpr Point DefaultPlace{537, 0};
// A settings file that puts the window at `place` (15 twips a pixel), as it is written.
std::string SavedPlace(Point place, const std::string& lineEnd = "\n");

// The screen over the window's client area (the picture's size); pixels off the screen
// read OffScreen. Throws std::runtime_error when the window is gone.
Shot LookAt(const XClient& x, Window window, double scale = 1);

// Screen shots taken by other means than X (a Wayland compositor's, through grim).
// A binary PPM (P6, 8 bits a channel) placed with its top-left at `at`; an empty shot
// when the bytes hold no such picture.
Shot DecodePpm(const std::string& bytes, Point at = {});
// The part of a shot over an area in its own coordinates; pixels outside it read OffScreen.
Shot Crop(const Shot& shot, int left, int top, int width, int height);
// Where the picture for the scale shows in a shot, whole: the top-left corner (in the
// shot's coordinates) of the first place where every pixel of the face that lies away
// from its outline and its eyes shows exactly; nullopt when there is none.
std::optional<Point> FindKitten(const Shot& screen, double scale = 1);

}  // namespace support
