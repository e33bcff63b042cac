// Triangles from clip space to the picture, against a ray caster: a pixel
// shows a triangle when the ray from the eye through its sample point meets
// the triangle at a view depth of 1 or more (in front of the near plane) and
// the triangle faces the eye. The caster knows nothing of clipping, guard
// bands, fixed point or fans.
#include "render/clip_triangle.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <random>

namespace {

struct Point3 {
    double x, y, z;
};

Point3 Minus(Point3 a, Point3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Point3 Cross(Point3 a, Point3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(Point3 a, Point3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// A point of view space (x right, y up, z the depth ahead of the eye) as
// the preview's projection puts it in clip space.
ClipVertex FromView(Point3 p) {
    return ClipVertex{p.x, p.y, p.z - 1, p.z, 0, 0};
}

// The view depth at which the ray through screen point (sx, sy) meets the
// triangle, or NaN when it misses it, meets it behind the near plane, or the
// triangle turns its back to the eye (clockwise on the screen faces it).
double RayDepth(const std::array<Point3, 3>& t, double sx, double sy, int width, int height) {
    const Point3 ray{sx / (0.5 * width) - 1, 1 - sy / (0.5 * height), 1};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Point3 normal = Cross(Minus(t[1], t[0]), Minus(t[2], t[0]));
    // Seen from the eye at the origin, the corners run clockwise when the
    // normal of (b - a) x (c - a) points away from the eye in left-handed
    // view space.
    if (Dot(normal, t[0]) >= 0) {
        return nan;
    }
    const double depth = Dot(normal, t[0]) / Dot(normal, ray);
    if (!(depth >= 1)) {
        return nan;
    }
    const Point3 hit{ray.x * depth, ray.y * depth, depth};
    for (int i = 0; i < 3; ++i) {
        const Point3 side = Cross(Minus(t[(i + 1) % 3], t[i]), Minus(hit, t[i]));
        if (Dot(side, normal) < 0) {
            return nan;
        }
    }
    return depth;
}

TEST(ClipTriangle, DrawsWhatARayCasterSeesAcrossTheNearPlaneAndPastThePicture) {
    constexpr int kWidth = 48, kHeight = 36;
    std::mt19937 random(31);
    std::uniform_real_distribution<double> across(-7, 7), ahead(-3, 9);
    int compared = 0, shown = 0, crossing = 0;
    for (int round = 0; round < 600; ++round) {
        std::array<Point3, 3> t;
        for (Point3& p : t) {
            p = {across(random), across(random), ahead(random)};
        }
        RenderTarget target = MakeRenderTarget(kWidth, kHeight, 0);
        DrawClipTriangle(target, FromView(t[0]), FromView(t[1]), FromView(t[2]), nullptr);
        const bool crosses =
            (t[0].z < 1 || t[1].z < 1 || t[2].z < 1) && (t[0].z > 1 || t[1].z > 1 || t[2].z > 1);
        for (int py = 0; py < kHeight; ++py) {
            for (int px = 0; px < kWidth; ++px) {
                // Rays a hundredth of a pixel apart that disagree mark a
                // pixel on an edge, where rounding may go either way; the
                // depths they meet bound the depth drawn.
                const double depth = RayDepth(t, px, py, kWidth, kHeight);
                double nearest = depth, farthest = depth;
                bool clear = true;
                for (const auto& [dx, dy] : {std::pair{0.01, 0.0}, std::pair{-0.01, 0.0},
                                             std::pair{0.0, 0.01}, std::pair{0.0, -0.01}}) {
                    const double near = RayDepth(t, px + dx, py + dy, kWidth, kHeight);
                    clear = clear && std::isnan(depth) == std::isnan(near);
                    nearest = std::fmin(nearest, near);
                    farthest = std::fmax(farthest, near);
                }
                if (!clear) {
                    continue;
                }
                ++compared;
                const std::size_t at = static_cast<std::size_t>(py * kWidth + px);
                const bool drawn = target.depth[at] != 1.0f;
                ASSERT_EQ(drawn, !std::isnan(depth))
                    << "round " << round << " pixel " << px << "," << py;
                if (drawn) {
                    ++shown;
                    crossing += crosses;
                    // Depth 1 - 1/z, as the projection and viewport make it.
                    EXPECT_GE(target.depth[at], 1 - 1 / nearest - 1e-6) << "round " << round;
                    EXPECT_LE(target.depth[at], 1 - 1 / farthest + 1e-6) << "round " << round;
                }
            }
        }
    }
    EXPECT_GT(shown, 20000);
    EXPECT_GT(crossing, 5000) << "triangles cut by the near plane are drawn in part";
    EXPECT_GT(compared, 600 * kWidth * kHeight * 9 / 10);
}

TEST(ClipTriangle, TexturesFollowThePerspectiveAndNothingBehindTheEyeIsDrawn) {
    // A floor running away from the eye, textured with stripes: one texel
    // row per unit of depth. A row of the picture shows the stripe of its
    // depth, as a linear (affine) interpolation on the screen would not.
    RenderTexture stripes{1, 8, {}};
    for (int j = 0; j < 8; ++j) {
        stripes.rgb.insert(stripes.rgb.end(), {static_cast<std::uint8_t>(j), 0, 0});
    }
    constexpr int kSide = 64;
    auto floor = [](Point3 p) {
        ClipVertex v = FromView(p);
        v.v = (p.z - 1) / 8; // the texture's v: depth 1 to 9 over one texture
        return v;
    };
    RenderTarget target = MakeRenderTarget(kSide, kSide, 0x0000FF);
    // Near edge at depth 1, far at 9; the near corners lie on the near plane.
    DrawClipTriangle(target, floor({-20, -1, 1}), floor({-20, -1, 9}), floor({20, -1, 9}),
                     &stripes);
    DrawClipTriangle(target, floor({-20, -1, 1}), floor({20, -1, 9}), floor({20, -1, 1}), &stripes);
    const int column = kSide / 2;
    int rowsChecked = 0;
    for (int py = kSide / 2 + 1; py < kSide; ++py) {
        // The ray through the row meets the floor (y = -1) at depth 1/ny.
        const double ny = 1 - py / (0.5 * kSide);
        const double depth = -1 / ny;
        const std::uint8_t* pixel = &target.rgb[3 * static_cast<std::size_t>(py * kSide + column)];
        if (depth > 9 || std::fabs(depth - std::round(depth)) < 0.01) {
            continue;
        }
        EXPECT_EQ(pixel[0], static_cast<int>(depth - 1)) << "row " << py << " at depth " << depth;
        ++rowsChecked;
    }
    EXPECT_GT(rowsChecked, 20);

    // Before the near plane or behind the eye: nothing.
    const struct {
        Point3 a, b, c;
    } hidden[] = {
        {{-1, -1, 0.5}, {-1, 1, 0.5}, {1, 1, 0.99}},
        {{-1, -1, -2}, {-1, 1, -2}, {1, 1, -2}},
        {{-1, -1, 0.999}, {-1, 1, 0.999}, {1, 1, 0.999}},
    };
    for (const auto& h : hidden) {
        RenderTarget empty = MakeRenderTarget(8, 8, 0);
        DrawClipTriangle(empty, FromView(h.a), FromView(h.b), FromView(h.c), nullptr);
        EXPECT_EQ(std::count(empty.depth.begin(), empty.depth.end(), 1.0f), 64) << h.a.z;
    }
}

TEST(ClipTriangle, NumbersThatCannotBeDrawnAreSkipped) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ClipVertex a = FromView({-1, -1, 2}), b = FromView({-1, 1, 2}), c = FromView({1, 1, 2});
    const struct {
        ClipVertex bad;
        bool drawn;
    } cases[] = {
        {{nan, 1, 1, 2, 0, 0}, false},
        {{1, inf, 1, 2, 0, 0}, false},
        {{1, 1, 1, -inf, 0, 0}, false},
        {{1, 1, 1, 2, nan, 0}, false},
        // Finite but huge: cut to the guard band and drawn.
        {{1e38, 1e38, 1, 2, 1e38, -1e38}, true},
        {{1e300, -1e300, 1e300, 1e300, 0, 0}, true},
        {{0, 0, 1e-300, 1e-300, 0, 0}, true}, // at the eye, on the near plane
    };
    const RenderTexture texture{2, 2, std::vector<std::uint8_t>(12, 0x40)};
    for (const auto& c2 : cases) {
        RenderTarget target = MakeRenderTarget(16, 16, 0);
        DrawClipTriangle(target, a, b, c2.bad, &texture);
        DrawClipTriangle(target, c2.bad, c, a, &texture);
        const auto untouched = std::count(target.depth.begin(), target.depth.end(), 1.0f);
        EXPECT_EQ(untouched < 256, c2.drawn) << c2.bad.x << " " << c2.bad.w;
        for (const float d : target.depth) {
            EXPECT_TRUE(d >= 0 && d <= 1) << d;
        }
    }
}

} // namespace
