// Triangles from clip space to the picture against a ray caster, which knows
// nothing of clipping, guard bands, fixed point or fans: a pixel shows a
// triangle when the ray from the eye through its sample point meets it at a
// view depth of 1 or more and the triangle faces the eye. Triangles cut by
// the near plane are drawn in part, those wholly before it not at all.
// (Perspective in the texture coordinates is the rasteriser's oracle's.)
#include "render/clip_triangle.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>

namespace {

using Point = std::array<double, 3>; // view space: x right, y up, z ahead

Point Minus(Point a, Point b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Point Cross(Point a, Point b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(Point a, Point b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// As the preview's projection puts a point of view space in clip space.
ClipVertex FromView(Point p) {
    return ClipVertex{p[0], p[1], p[2] - 1, p[2], 0, 0};
}

// The view depth at which the ray through screen point (sx, sy) meets the
// triangle; NaN when it misses, meets it before the near plane, or the
// triangle turns its back (its corners run counter-clockwise as seen).
double RayDepth(const std::array<Point, 3>& t, double sx, double sy, int width, int height) {
    const Point ray{sx / (0.5 * width) - 1, 1 - sy / (0.5 * height), 1};
    const Point normal = Cross(Minus(t[1], t[0]), Minus(t[2], t[0]));
    const double depth = Dot(normal, t[0]) / Dot(normal, ray);
    if (Dot(normal, t[0]) >= 0 || !(depth >= 1)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    for (int i = 0; i < 3; ++i) {
        const Point hit{ray[0] * depth, ray[1] * depth, depth};
        if (Dot(Cross(Minus(t[(i + 1) % 3], t[i]), Minus(hit, t[i])), normal) < 0) {
            return std::numeric_limits<double>::quiet_NaN();
        }
    }
    return depth;
}

TEST(ClipTriangle, DrawsWhatARayCasterSeesAcrossTheNearPlaneAndPastThePicture) {
    constexpr int kWidth = 48, kHeight = 36;
    std::mt19937 random(31);
    std::uniform_real_distribution<double> across(-7, 7), ahead(-3, 9);
    int compared = 0, cut = 0;
    for (int round = 0; round < 600; ++round) {
        std::array<Point, 3> t;
        for (Point& p : t) {
            p = {across(random), across(random), ahead(random)};
        }
        if (round % 4 == 0) { // a corner far to a side, cut at the guard band
            t[0][round % 8 / 4] *= 1e5;
        }
        const bool crossesNearPlane =
            std::min({t[0][2], t[1][2], t[2][2]}) < 1 && std::max({t[0][2], t[1][2], t[2][2]}) > 1;
        RenderTarget target = MakeRenderTarget(kWidth, kHeight, 0);
        DrawClipTriangle(target, FromView(t[0]), FromView(t[1]), FromView(t[2]), nullptr);
        for (int py = 0; py < kHeight; ++py) {
            for (int px = 0; px < kWidth; ++px) {
                // Rays a hundredth of a pixel away that disagree mark a pixel
                // on an edge, where rounding may go either way; the depths
                // they meet bound the depth drawn.
                const double depth = RayDepth(t, px, py, kWidth, kHeight);
                double nearest = depth, farthest = depth;
                bool onEdge = false;
                for (const auto& [dx, dy] : {std::pair{0.01, 0.0}, std::pair{-0.01, 0.0},
                                             std::pair{0.0, 0.01}, std::pair{0.0, -0.01}}) {
                    const double near = RayDepth(t, px + dx, py + dy, kWidth, kHeight);
                    onEdge = onEdge || std::isnan(depth) != std::isnan(near);
                    nearest = std::fmin(nearest, near);
                    farthest = std::fmax(farthest, near);
                }
                const float drawn = target.depth[static_cast<std::size_t>(py * kWidth + px)];
                if (onEdge) {
                    continue;
                }
                ++compared;
                ASSERT_EQ(drawn != 1.0f, !std::isnan(depth)) << round << ": " << px << "," << py;
                if (drawn != 1.0f) {
                    cut += crossesNearPlane;
                    // Depth 1 - 1/z, as the projection and viewport make it.
                    ASSERT_GE(drawn, 1 - 1 / nearest - 1e-6) << round;
                    ASSERT_LE(drawn, 1 - 1 / farthest + 1e-6) << round;
                }
            }
        }
    }
    EXPECT_GT(cut, 5000) << "triangles cut by the near plane are drawn in part";
    EXPECT_GT(compared, 600 * kWidth * kHeight * 9 / 10);
}

} // namespace
