// The kitten picture: a ginger-and-white kitten's face from the front, 207 x 220 pixels.
// InsideKitten() is the silhouette (everything else is the black key colour) and
// KittenColour() the face's colour at a point. Points are in pixel units, x right, y down;
// pixel (i, j) covers [i, i + 1) x [j, j + 1), so its centre is (i + 0.5, j + 0.5).
// The face is symmetric about the line between the eyes; only the fur noise and the
// light from the upper left are not.
#pragma once

#include <cmath>

#include "Paint.h"

namespace kitten {

using paint::Rgb;
using paint::V;

constexpr int kWidth = 207, kHeight = 220;
constexpr double kAxis = 104.5;  // the face's line of symmetry
// The eyes' centres: the centres of pixels (68, 118) and (140, 118).
constexpr V kLeftEye{68.5, 118.5}, kRightEye{140.5, 118.5};

// Folds a point onto the left half of the face.
inline V Fold(V p) {
    return {kAxis - std::abs(p.x - kAxis), p.y};
}

// ---- Silhouette -------------------------------------------------------------------

constexpr V kCraniumCentre{kAxis, 112};
constexpr double kCraniumRx = 92, kCraniumRy = 72;
constexpr V kCheekCentre{kAxis, 140};
constexpr double kCheekRx = 104.8, kCheekRy = 52;
constexpr V kChestCentre{kAxis, 236};
constexpr double kChestRx = 66, kChestRy = 50;
// The left ear as a triangle rounded by kEarRound: tip, outer base, inner base.
constexpr V kEarTip{18, 7.6}, kEarOuter{36, 80}, kEarInner{92, 52};
constexpr double kEarRound = 7.5;

// Fluffy tufts along the lower cheeks: how far (pixels) the outline pushes out. Each
// tuft has its own size, different on the two sides.
inline double CheekTuft(V p, V q) {
    const double angle = std::atan2(q.y - kCheekCentre.y, kAxis - q.x);  // 0 = straight out
    if (angle < -0.15 || angle > 1.25) return 0;
    const double phase = (angle + 0.15) * 5.2;
    const double saw = 1 - std::abs(2 * (phase - std::floor(phase)) - 1);  // 0..1..0
    const double size = 0.55 + 0.8 * paint::Lattice(std::int32_t(phase), p.x < kAxis ? 1 : 2);
    const double envelope = std::sin((angle + 0.15) / 1.4 * 3.14159);
    return 8 * size * envelope * std::pow(saw, 1.6);
}

inline double EarDistance(V q) {
    return paint::TriangleDistance(q, kEarTip, kEarOuter, kEarInner) - kEarRound;
}

// Signed distances (approximate, negative inside) to the head alone, to the head with
// its ears (the desktop icon's outline) and to the whole face: head, ears and chest.
inline double HeadDistance(V p) {
    const V q = Fold(p);
    const double cranium = paint::EllipseDistance(q, kCraniumCentre, kCraniumRx, kCraniumRy);
    const double cheeks =
        paint::EllipseDistance(q, kCheekCentre, kCheekRx, kCheekRy) - CheekTuft(p, q);
    return std::min(cranium, cheeks);
}
inline double Fuzz(V p) {
    return paint::Fractal(p.x * 0.12, p.y * 0.12, 2) * 2.5;
}
inline double HeadAndEarsDistance(V p) {
    return std::min(HeadDistance(p), EarDistance(Fold(p))) + Fuzz(p);
}
inline double FaceDistance(V p) {
    const double chest = paint::EllipseDistance(Fold(p), kChestCentre, kChestRx, kChestRy);
    return std::min(HeadAndEarsDistance(p), chest + Fuzz(p));
}

inline bool InsideKitten(V p) {
    return FaceDistance(p) < 0;
}

// ---- Colours ----------------------------------------------------------------------

constexpr Rgb kGinger{236, 142, 60};
constexpr Rgb kGingerLight{252, 196, 128};
constexpr Rgb kStripe{176, 82, 28};
constexpr Rgb kWhite{252, 248, 242};
constexpr Rgb kWhiteShadow{196, 190, 200};
constexpr Rgb kEarPink{244, 168, 170};
constexpr Rgb kEarDeep{214, 118, 128};
constexpr Rgb kNosePink{238, 140, 150};
constexpr Rgb kNoseDark{176, 84, 98};
constexpr Rgb kLine{74, 40, 36};          // mouth and eye outline
constexpr Rgb kIrisCentre{196, 190, 70};  // warm yellow-green, close to the live eye disc
constexpr Rgb kIrisMid{118, 172, 58};
constexpr Rgb kIrisRim{46, 92, 32};
constexpr Rgb kPupil{20, 26, 18};

// Light from the upper left, falling on the face as on a dome.
inline double Light(V p) {
    const double nx = (p.x - kAxis) / 118, ny = (p.y - 128) / 112;
    const double nz = std::sqrt(std::max(0.05, 1 - nx * nx - ny * ny));
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    constexpr double lx = -0.38, ly = -0.52, lz = 0.76;
    return std::max(0.0, (nx * lx + ny * ly + nz * lz) / len);
}

// How white the fur is at a point: blaze between the eyes, muzzle, chin and chest.
inline double Whiteness(V p) {
    const V q = Fold(p);
    const double dx = kAxis - q.x;
    const double edge = paint::Fractal(p.x * 0.35, p.y * 0.35, 3) * 5;  // ragged fur border
    // The blaze: narrow between the eyes, widening towards the nose.
    double blaze = 0;
    if (q.y > 66) {
        const double halfWidth = 2 + (q.y - 66) * 0.26;
        blaze = paint::SmoothStep(halfWidth + 2, halfWidth - 2, dx + edge) *
                paint::SmoothStep(66, 80, q.y);
    }
    const double pad = paint::EllipseDistance(q, {89, 162}, 24, 17);
    const double chin = paint::EllipseDistance(q, {kAxis, 180}, 28, 20);
    const double bibLine = 166 + 0.0075 * dx * dx;  // below this curve the fur is white
    const double bib = q.y + edge - bibLine;
    const double muzzle = std::min({pad, chin, -bib});
    return std::max(blaze, paint::SmoothStep(2.5, -2.5, muzzle + edge));
}

// Tabby stripes: the "M" on the forehead, bands on the crown and on the cheeks.
inline double StripeAmount(V p) {
    static const paint::Stroke kStripes[] = {
        {{kAxis, 44}, {kAxis + 1, 60}, {kAxis, 78}, 6.5, 2.0},  // forehead centre
        {{93, 42}, {94, 60}, {98, 80}, 5.5, 1.5},
        {{80, 46}, {84, 64}, {92, 84}, 5.0, 1.2},
        {{66, 56}, {74, 72}, {84, 92}, 4.5, 1.0},
        {{48, 72}, {60, 82}, {72, 94}, 4.0, 1.0},     // above the eye
        {{18, 104}, {30, 108}, {44, 112}, 5.5, 1.5},  // outer temple
        {{10, 126}, {28, 124}, {46, 128}, 6.0, 1.5},  // from the eye's outer corner
        {{8, 146}, {26, 140}, {48, 142}, 6.0, 1.5},
        {{16, 166}, {30, 156}, {52, 154}, 5.0, 1.2},
        {{30, 84}, {22, 88}, {14, 94}, 4.5, 1.5},  // crown side
    };
    const V q = Fold(p);
    const double jitter = paint::Fractal(p.x * 0.2, p.y * 0.2, 3) * 3.5;
    double amount = 0;
    for (const auto& stripe : kStripes) {
        amount = std::max(amount, paint::Cover(stripe.Distance(q) + jitter, 1.6));
    }
    return amount;
}

// Fur: ginger or white, lit from the upper left, streaked along the hair's direction
// (outwards from the nose). `face` is FaceDistance(p).
inline Rgb Fur(V p, double face) {
    const double light = Light(p);
    const V fromNose = p - V{kAxis, 150};
    const double angle = std::atan2(fromNose.y, fromNose.x), radius = paint::Length(fromNose);
    const double strands = paint::Fractal(angle * 26, radius * 0.09, 2) +
                           0.6 * paint::Fractal(angle * 70, radius * 0.25, 2);
    const double grain = paint::Lattice(std::int32_t(p.x * 2), std::int32_t(p.y * 2)) - 0.5;
    const double blotch = paint::Fractal(p.x * 0.05, p.y * 0.05, 3);

    Rgb ginger =
        paint::Mix(kGinger, kGingerLight, paint::Clamp01(0.35 + blotch * 1.2 + strands * 0.6));
    ginger = paint::Mix(ginger, kStripe, StripeAmount(p) * 0.85);
    ginger = ginger * (0.58 + 0.52 * light + strands * 0.16 + grain * 0.06);

    Rgb white = paint::Mix(kWhiteShadow, kWhite, paint::Clamp01(0.25 + light * 0.95));
    white = white * (0.97 + strands * 0.07 + grain * 0.03);

    Rgb c = paint::Mix(ginger, white, Whiteness(p));
    // The fur turns away from the light towards the outline, so that even the white
    // chest stands out from a white desktop.
    c = c * (1 - 0.13 * paint::SmoothStep(-7, 0, face + strands * 3));
    if (p.y > 150) {  // the chest lies in the chin's shadow
        const double below = HeadDistance(p) + strands * 4;
        c = c * (1 - 0.2 * paint::SmoothStep(-1, 3, below) * paint::SmoothStep(24, 6, below));
    }
    return c;
}

// Ears: the pink inside, shading into the ear's depth at its base and hidden below the
// crown's fur, with pale hairs; a darker rim where the ear folds in.
inline Rgb Ear(V p, Rgb fur) {
    const V q = Fold(p);
    if (EarDistance(q) > 0) return fur;
    const double inner = paint::TriangleDistance(q, {24, 21}, {37, 84}, {84, 57}) - 3 +
                         paint::Fractal(p.x * 0.5, p.y * 0.5, 2) * 3;
    const double crown = paint::EllipseRadius(q, kCraniumCentre, kCraniumRx, kCraniumRy) +
                         paint::Fractal(p.x * 0.7, p.y * 0.18, 2) * 0.09;
    const double hidden = paint::SmoothStep(1.0, 0.95, crown);
    const Rgb rim = fur * 0.82;
    Rgb c = paint::Mix(fur, rim, paint::Cover(inner - 2.5, 1.5) * (1 - hidden));
    const double visible = paint::Cover(inner, 1.2) * (1 - hidden);
    if (visible <= 0) return c;
    const double depth = paint::Clamp01(-inner / 12) * paint::SmoothStep(20, 75, q.y);
    Rgb pink = paint::Mix(kEarPink, kEarDeep, depth) * (0.82 + 0.28 * Light(p));
    const double hair = paint::Fractal(q.x * 0.7 + q.y * 0.3, q.y * 0.06, 3);
    pink = paint::Mix(pink, kWhite, paint::Clamp01((hair + 0.05) * 2.5) * (1 - depth) * 0.55);
    return paint::Mix(c, pink, visible);
}

// One eye, drawn in the eye's own frame: u outwards (away from the nose), v down.
inline Rgb Eye(V p, V centre, double outwards, Rgb fur) {
    const double u = (p.x - centre.x) * outwards, v = p.y - centre.y;
    // The opening: an ellipse tilted so that the outer corner sits a little higher.
    constexpr double tilt = 0.14;
    const double eu = u * std::cos(tilt) - v * std::sin(tilt);
    const double ev = u * std::sin(tilt) + v * std::cos(tilt);
    const double opening = paint::EllipseDistance({eu, ev}, {0.5, 0}, 17, 14.5);
    // A pale ring of fur around the eye, then the dark rim.
    if (opening > 6) return fur;
    Rgb c = paint::Mix(fur, fur * 1.12 + Rgb{6, 6, 6}, paint::Cover(opening - 4.5, 1.5) * 0.6);
    c = paint::Mix(c, kLine, paint::Cover(opening - 1.6, 0.8));
    if (opening > 0.8) return c;

    const double r = std::sqrt(u * u + v * v);
    Rgb iris = r < 6 ? paint::Mix(kIrisCentre, kIrisMid, paint::SmoothStep(2, 6, r))
                     : paint::Mix(kIrisMid, kIrisRim, paint::SmoothStep(8, 13, r));
    const double fibres = paint::Fractal(std::atan2(v, u) * 9, r * 0.3, 2);
    iris = iris * (0.95 + fibres * 0.35);
    iris = iris * (1 - 0.35 * paint::SmoothStep(-4, -14, v));  // the upper lid's shadow
    iris = paint::Mix(iris, kIrisRim * 0.7, paint::Cover(13 - r, 0.8));
    const double pupil = paint::EllipseDistance({u, v}, {0, 0}, 5.6, 9.2);
    iris = paint::Mix(iris, kPupil, paint::Cover(pupil, 0.7));
    // Highlights: a big one to the upper left of the pupil, a small one lower right.
    const double glint = std::min(paint::Length(V{p.x - centre.x + 4.5, v + 5}) - 3.2,
                                  paint::Length(V{p.x - centre.x - 4, v - 4.5}) - 1.4);
    iris = paint::Mix(iris, Rgb{255, 255, 250}, paint::Cover(glint, 0.7));
    return paint::Mix(c, iris, paint::Cover(opening + 0.8, 0.7));
}

// Nose, mouth, whisker spots and whiskers.
inline Rgb Muzzle(V p, Rgb c) {
    const V q = Fold(p);
    // Nose: a rounded triangle, light on top, darker towards the point.
    const double nose = paint::TriangleDistance(q, {93, 145}, {kAxis, 145}, {kAxis, 157}) - 3.2;
    if (nose < 2) {
        Rgb pink =
            paint::Mix(kNosePink + Rgb{10, 14, 14}, kNoseDark, paint::SmoothStep(145, 160, p.y));
        const double nostril =
            paint::Stroke({97, 153.5}, {100, 156}, {103, 156.5}, 1.6, 1.0).Distance(q);
        pink = paint::Mix(pink, kNoseDark * 0.8, paint::Cover(nostril, 0.6));
        const double shine = paint::EllipseDistance(p, {101, 146.5}, 4, 1.8);
        pink = paint::Mix(pink, Rgb{255, 215, 220}, paint::Cover(shine, 1.0) * 0.8);
        c = paint::Mix(c, kNoseDark, paint::Cover(nose - 0.3, 0.7));
        c = paint::Mix(c, pink, paint::Cover(nose + 0.9, 0.7));
    }
    // Mouth: down from the nose, then curving out and up on each side.
    static const paint::Stroke kMouth[] = {
        {{kAxis, 159}, {kAxis, 163}, {kAxis, 166}, 1.5, 1.5},
        {{kAxis, 166}, {97, 172}, {88, 166}, 1.5, 1.1},
    };
    for (const auto& line : kMouth) c = paint::Mix(c, kLine, paint::Cover(line.Distance(q), 0.6));
    // Whisker spots on the pads.
    static const V kSpots[] = {{92, 160}, {85, 163}, {91, 167}, {83, 169}, {78, 163}};
    for (const V& s : kSpots) {
        c = paint::Mix(c, Rgb{190, 150, 130}, paint::Cover(paint::Length(q - s) - 1.0, 0.6) * 0.7);
    }
    // Whiskers: fine pale lines from the pads, ending inside the face's outline.
    static const paint::Stroke kWhiskers[] = {
        {{82, 160}, {48, 148}, {14, 150}, 1.3, 0.6},
        {{80, 165}, {46, 160}, {12, 168}, 1.3, 0.6},
        {{80, 170}, {50, 170}, {22, 182}, 1.3, 0.6},
    };
    for (const auto& w : kWhiskers) {
        const double d = w.Distance(q);
        if (d < 2) {
            c = paint::Mix(c, c * 0.7, paint::Cover(w.Distance(q - V{0, 1.2}), 0.6) * 0.35);
            c = paint::Mix(c, Rgb{255, 253, 246}, paint::Cover(d, 0.5) * 0.9);
        }
    }
    return c;
}

// The face's colour at a point (inside or just outside the silhouette), whose
// FaceDistance() is `face`: a painter that asked for it already need not again.
inline Rgb KittenColour(V p, double face) {
    Rgb c = Ear(p, Fur(p, face));
    c = Eye(p, kLeftEye, -1, c);
    c = Eye(p, kRightEye, +1, c);
    return Muzzle(p, c);
}

inline Rgb KittenColour(V p) {
    return KittenColour(p, FaceDistance(p));
}

}  // namespace kitten
