// Small drawing kit for the kitten picture (Kitten.h): points, colours, signed distances to
// simple shapes, strokes along curves and deterministic value noise. Everything is plain
// value code on doubles; a picture is painted by asking for a colour at a point.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace paint {

struct V {
    double x = 0, y = 0;
};
inline V operator+(V a, V b) {
    return {a.x + b.x, a.y + b.y};
}
inline V operator-(V a, V b) {
    return {a.x - b.x, a.y - b.y};
}
inline V operator*(V a, double s) {
    return {a.x * s, a.y * s};
}
inline double Dot(V a, V b) {
    return a.x * b.x + a.y * b.y;
}
inline double Length(V a) {
    return std::sqrt(Dot(a, a));
}
inline double Cross(V a, V b) {
    return a.x * b.y - a.y * b.x;
}

struct Rgb {
    double r = 0, g = 0, b = 0;
};
inline Rgb operator*(Rgb c, double s) {
    return {c.r * s, c.g * s, c.b * s};
}
inline Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb Mix(Rgb a, Rgb b, double t) {
    return a * (1 - t) + b * t;
}

inline double Clamp01(double t) {
    return std::clamp(t, 0.0, 1.0);
}
// 0 at edge0, 1 at edge1, smooth in between; edge0 > edge1 runs the other way.
inline double SmoothStep(double edge0, double edge1, double x) {
    const double t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}
// The size of one output pixel in picture pixels: 1 for the picture itself, 1 / s for
// its rendering at display scale s. Soft edges are soft by so many output pixels, so
// that a rendering at a larger scale is as crisp as the picture, not a blurred copy.
inline double& OutputPixel() {
    static double size = 1;
    return size;
}

// Coverage of a pixel-wide soft edge: 1 well inside (distance < 0), 0 well outside.
inline double Cover(double signedDistance, double softness = 0.7) {
    return Clamp01(0.5 - signedDistance / (2 * softness * OutputPixel()));
}

// Normalised radius of an axis-aligned ellipse: below 1 inside, 1 on the outline.
inline double EllipseRadius(V p, V centre, double rx, double ry) {
    const double dx = (p.x - centre.x) / rx, dy = (p.y - centre.y) / ry;
    return std::sqrt(dx * dx + dy * dy);
}
// Approximate signed distance to an ellipse, good near its outline.
inline double EllipseDistance(V p, V centre, double rx, double ry) {
    return (EllipseRadius(p, centre, rx, ry) - 1) * std::min(rx, ry);
}

inline double SegmentDistance(V p, V a, V b) {
    const V ab = b - a;
    const double t = Clamp01(Dot(p - a, ab) / Dot(ab, ab));
    return Length(p - (a + ab * t));
}

// Signed distance to a triangle (negative inside), after Inigo Quilez.
inline double TriangleDistance(V p, V a, V b, V c) {
    const V e0 = b - a, e1 = c - b, e2 = a - c;
    const V v0 = p - a, v1 = p - b, v2 = p - c;
    const V q0 = v0 - e0 * Clamp01(Dot(v0, e0) / Dot(e0, e0));
    const V q1 = v1 - e1 * Clamp01(Dot(v1, e1) / Dot(e1, e1));
    const V q2 = v2 - e2 * Clamp01(Dot(v2, e2) / Dot(e2, e2));
    const double s = Cross(e0, e2) < 0 ? -1.0 : 1.0;
    const double d = std::min({Dot(q0, q0), Dot(q1, q1), Dot(q2, q2)});
    const double inside = std::min({s * Cross(v0, e0), s * Cross(v1, e1), s * Cross(v2, e2)});
    return std::sqrt(d) * (inside > 0 ? -1.0 : 1.0);
}

// A tapering stroke along a quadratic Bezier curve, kept as a polyline.
class Stroke {
  public:
    Stroke(V from, V control, V to, double widthFrom, double widthTo)
        : w0_(widthFrom), w1_(widthTo) {
        for (int i = 0; i <= kSteps; ++i) {
            const double t = double(i) / kSteps;
            points_[i] = from * ((1 - t) * (1 - t)) + control * (2 * t * (1 - t)) + to * (t * t);
        }
        lo_ = hi_ = from;
        for (const V& q : points_) {
            lo_ = {std::min(lo_.x, q.x), std::min(lo_.y, q.y)};
            hi_ = {std::max(hi_.x, q.x), std::max(hi_.y, q.y)};
        }
    }
    // Signed distance to the stroke's edge (negative inside).
    double Distance(V p) const {
        const double reach = std::max(w0_, w1_) + 4;
        if (p.x < lo_.x - reach || p.x > hi_.x + reach || p.y < lo_.y - reach ||
            p.y > hi_.y + reach) {
            return reach;
        }
        double best = 1e9;
        for (int i = 0; i < kSteps; ++i) {
            const V a = points_[i], b = points_[i + 1], ab = b - a;
            const double t = Clamp01(Dot(p - a, ab) / Dot(ab, ab));
            const double along = (i + t) / kSteps;
            const double halfWidth = 0.5 * (w0_ + (w1_ - w0_) * along);
            best = std::min(best, Length(p - (a + ab * t)) - halfWidth);
        }
        return best;
    }

  private:
    static constexpr int kSteps = 16;
    std::array<V, kSteps + 1> points_{};
    double w0_, w1_;
    V lo_, hi_;
};

// Deterministic value noise: a hash of the lattice point with a fixed seed.
constexpr std::uint32_t kSeed = 0x5EEDCA75u;
inline double Lattice(std::int32_t x, std::int32_t y) {
    std::uint32_t h = kSeed ^ (std::uint32_t(x) * 0x27D4EB2Du) ^ (std::uint32_t(y) * 0x165667B1u);
    h ^= h >> 15;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h / 4294967295.0;
}
// Smooth noise in [0, 1] with one lattice cell per unit.
inline double Noise(double x, double y) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = std::int32_t(fx), iy = std::int32_t(fy);
    const double tx = SmoothStep(0, 1, x - fx), ty = SmoothStep(0, 1, y - fy);
    const double top = Lattice(ix, iy) + (Lattice(ix + 1, iy) - Lattice(ix, iy)) * tx;
    const double bottom =
        Lattice(ix, iy + 1) + (Lattice(ix + 1, iy + 1) - Lattice(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}
// Noise of several octaves, centred on 0, roughly in [-0.5, 0.5].
inline double Fractal(double x, double y, int octaves) {
    double sum = 0, amplitude = 0.5, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += (Noise(x, y) - 0.5) * amplitude;
        total += amplitude;
        x = x * 2.03 + 17.1;
        y = y * 2.03 + 5.7;
        amplitude *= 0.5;
    }
    return sum / total;
}

}  // namespace paint
