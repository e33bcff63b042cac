// The rasteriser against a literal oracle (every pixel's sample point tested
// against every edge by the fill rule, depth and texture coordinates
// interpolated by their barycentric formula), and tables of the rules that
// the oracle shares with it: fill rule, culling, depth test, texels.
#include "render/rasteriser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

constexpr std::uint32_t kBlack = 0x000000;

// A vertex at a screen position given in pixels (pixel (x, y) is sampled at
// (x, y)), with depth, texture coordinates and w.
ScreenVertex At(double x, double y, double z = 0.5, double u = 0, double v = 0, double w = 1) {
    ScreenVertex s;
    s.x = static_cast<std::int64_t>(std::llround(x * kSubpixelScale));
    s.y = static_cast<std::int64_t>(std::llround(y * kSubpixelScale));
    s.z = z;
    s.invW = 1 / w;
    s.uOverW = u / w;
    s.vOverW = v / w;
    return s;
}

struct Triangle {
    ScreenVertex a, b, c;
};

// How many of the triangles draw each pixel, each on a target of its own.
std::vector<int> CoverageCount(const std::vector<Triangle>& triangles, int width, int height) {
    std::vector<int> count(static_cast<std::size_t>(width * height), 0);
    for (const Triangle& t : triangles) {
        RenderTarget target = MakeRenderTarget(width, height, kBlack);
        RasteriseTriangle(target, t.a, t.b, t.c, nullptr);
        for (std::size_t i = 0; i < count.size(); ++i) {
            count[i] += target.depth[i] != 1.0f;
        }
    }
    return count;
}

// --- The oracle -------------------------------------------------------------

struct OracleFragment {
    bool covered = false;
    double depth = 0;
    double u = 0, v = 0;
};

std::int64_t EdgeAt(const ScreenVertex& from, const ScreenVertex& to, std::int64_t x,
                    std::int64_t y) {
    return (to.x - from.x) * (y - from.y) - (to.y - from.y) * (x - from.x);
}

OracleFragment Oracle(const Triangle& t, int px, int py) {
    const std::int64_t x = px * kSubpixelScale + kSampleOffset;
    const std::int64_t y = py * kSubpixelScale + kSampleOffset;
    const ScreenVertex* v[3] = {&t.a, &t.b, &t.c};
    std::int64_t weight[3];
    for (int i = 0; i < 3; ++i) {
        const ScreenVertex& from = *v[(i + 1) % 3];
        const ScreenVertex& to = *v[(i + 2) % 3];
        const std::int64_t e = EdgeAt(from, to, x, y);
        const std::int64_t dx = to.x - from.x, dy = to.y - from.y;
        const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
        if (e < 0 || (e == 0 && !topLeft)) {
            return {};
        }
        weight[i] = e;
    }
    const double area = static_cast<double>(weight[0] + weight[1] + weight[2]);
    if (EdgeAt(t.a, t.b, t.c.x, t.c.y) <= 0) {
        return {};
    }
    OracleFragment f;
    f.covered = true;
    double invW = 0, uw = 0, vw = 0;
    for (int i = 0; i < 3; ++i) {
        const double l = static_cast<double>(weight[i]) / area;
        f.depth += l * v[i]->z;
        invW += l * v[i]->invW;
        uw += l * v[i]->uOverW;
        vw += l * v[i]->vOverW;
    }
    f.u = uw / invW;
    f.v = vw / invW;
    return f;
}

// A texture whose every texel has a colour of its own: red 16 i + 7, green
// 16 j + 3.
RenderTexture Numbered(int width, int height) {
    RenderTexture texture{width, height, {}};
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) {
            texture.rgb.insert(texture.rgb.end(), {static_cast<std::uint8_t>(16 * i + 7),
                                                   static_cast<std::uint8_t>(16 * j + 3), 0x55});
        }
    }
    return texture;
}

// True when the texel seen is the one at coordinate f (scaled to the side),
// or f lies so close to a texel's border that rounding may take either.
bool TexelFits(int seen, double f, int size) {
    const double floored = std::floor(f);
    auto wrap = [size](double n) { return static_cast<int>(n - std::floor(n / size) * size); };
    if (seen == wrap(floored)) {
        return true;
    }
    const double border = std::round(f);
    return std::fabs(f - border) < 1e-6 && (seen == wrap(border) || seen == wrap(border - 1));
}

TEST(Rasteriser, DrawsWhatTheLiteralOracleDrawsOnRandomTriangles) {
    constexpr int kWidth = 37, kHeight = 29;
    const RenderTexture texture = Numbered(8, 4);
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> unit(0, 1);
    int drawn = 0;
    for (int round = 0; round < 3000; ++round) {
        // Corners anywhere from half a picture before it to half after it;
        // every other triangle has its corners on pixel centres, so that
        // sample points fall exactly on edges and corners.
        auto corner = [&]() {
            double x = -18 + unit(random) * 74, y = -14 + unit(random) * 58;
            if (round % 2 == 0) {
                x = std::round(x);
                y = std::round(y);
            }
            return At(x, y, unit(random), unit(random) * 6 - 3, unit(random) * 6 - 3,
                      0.5 + unit(random) * 20);
        };
        Triangle t{corner(), corner(), corner()};
        if (round % 3 == 0) { // a small one, wholly within a few pixels
            t.b = At(t.a.x / 256.0 + unit(random) * 3, t.a.y / 256.0 + unit(random) * 3, 0.3);
            t.c = At(t.a.x / 256.0 + unit(random) * 3, t.a.y / 256.0 + unit(random) * 3, 0.7);
        }
        RenderTarget target = MakeRenderTarget(kWidth, kHeight, kBlack);
        RasteriseTriangle(target, t.a, t.b, t.c, &texture);
        for (int py = 0; py < kHeight; ++py) {
            for (int px = 0; px < kWidth; ++px) {
                const std::size_t at = static_cast<std::size_t>(py * kWidth + px);
                const OracleFragment expected = Oracle(t, px, py);
                const bool covered = target.depth[at] != 1.0f;
                ASSERT_EQ(covered, expected.covered)
                    << "round " << round << " pixel " << px << "," << py;
                if (!covered) {
                    continue;
                }
                ++drawn;
                ASSERT_NEAR(target.depth[at], expected.depth, 1e-6) << "round " << round;
                const int i = (target.rgb[3 * at] - 7) / 16, j = (target.rgb[3 * at + 1] - 3) / 16;
                ASSERT_TRUE(TexelFits(i, expected.u * 8, 8) && TexelFits(j, expected.v * 4, 4))
                    << "round " << round << " pixel " << px << "," << py << ": texel " << i << ","
                    << j << " for u " << expected.u << " v " << expected.v;
            }
        }
    }
    EXPECT_GT(drawn, 100000) << "the triangles reach the picture";
}

TEST(Rasteriser, FillRuleDrawsSharedEdgesOnceTopAndLeftEdgesOnly) {
    // Corners on pixel centres, so that whole rows and columns of sample
    // points lie on the edges.
    const struct {
        const char* what;
        std::vector<Triangle> triangles;
        int firstX, lastX, firstY, lastY; // the pixels drawn, each once
    } cases[] = {
        {"rectangle split on its diagonal: top and left edges in, right and bottom out",
         {{At(2, 2), At(6, 2), At(6, 5)}, {At(2, 2), At(6, 5), At(2, 5)}},
         2,
         5,
         2,
         4},
        {"the other diagonal",
         {{At(2, 2), At(6, 2), At(2, 5)}, {At(6, 2), At(6, 5), At(2, 5)}},
         2,
         5,
         2,
         4},
        {"eight triangles fanned round a pixel centre",
         {{At(10, 10), At(6, 6), At(10, 6)},
          {At(10, 10), At(10, 6), At(14, 6)},
          {At(10, 10), At(14, 6), At(14, 10)},
          {At(10, 10), At(14, 10), At(14, 14)},
          {At(10, 10), At(14, 14), At(10, 14)},
          {At(10, 10), At(10, 14), At(6, 14)},
          {At(10, 10), At(6, 14), At(6, 10)},
          {At(10, 10), At(6, 10), At(6, 6)}},
         6,
         13,
         6,
         13},
        {"a pixel-wide column",
         {{At(3, 1), At(4, 1), At(4, 9)}, {At(3, 1), At(4, 9), At(3, 9)}},
         3,
         3,
         1,
         8},
    };
    constexpr int kSide = 20;
    for (const auto& c : cases) {
        const std::vector<int> count = CoverageCount(c.triangles, kSide, kSide);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const bool inside = x >= c.firstX && x <= c.lastX && y >= c.firstY && y <= c.lastY;
                EXPECT_EQ(count[static_cast<std::size_t>(y * kSide + x)], inside ? 1 : 0)
                    << c.what << ": pixel " << x << "," << y;
            }
        }
    }
}

TEST(Rasteriser, RandomFansCoverTheirPolygonOnceWithoutGapsOrOverlaps) {
    constexpr int kSide = 24;
    std::mt19937 random(99);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int round = 0; round < 200; ++round) {
        // A convex polygon round a centre, its corners at sub-pixel positions
        // (half of them on pixel centres), fanned from its first corner.
        const double cx = 4 + unit(random) * 16, cy = 4 + unit(random) * 16;
        const int corners = 3 + static_cast<int>(random() % 6);
        std::vector<ScreenVertex> ring;
        for (int k = 0; k < corners; ++k) {
            const double angle = 6.283185307179586 * (k + 0.8 * unit(random)) / corners;
            double x = cx + 9 * std::cos(angle), y = cy + 9 * std::sin(angle);
            if (round % 2 == 0) {
                x = std::round(x);
                y = std::round(y);
            }
            ring.push_back(At(x, y));
        }
        std::vector<Triangle> fan;
        for (int k = 1; k + 1 < corners; ++k) {
            fan.push_back({ring[0], ring[static_cast<std::size_t>(k)],
                           ring[static_cast<std::size_t>(k) + 1]});
        }
        const std::vector<int> count = CoverageCount(fan, kSide, kSide);
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                // Inside the polygon by the fill rule of its outer edges.
                bool inside = true;
                for (int k = 0; k < corners; ++k) {
                    const ScreenVertex& from = ring[static_cast<std::size_t>(k)];
                    const ScreenVertex& to = ring[static_cast<std::size_t>((k + 1) % corners)];
                    const std::int64_t e = EdgeAt(from, to, x * kSubpixelScale + kSampleOffset,
                                                  y * kSubpixelScale + kSampleOffset);
                    const bool topLeft = to.y < from.y || (to.y == from.y && to.x > from.x);
                    inside = inside && (e > 0 || (e == 0 && topLeft));
                }
                ASSERT_EQ(count[static_cast<std::size_t>(y * kSide + x)], inside ? 1 : 0)
                    << "round " << round << " pixel " << x << "," << y;
            }
        }
    }
}

TEST(Rasteriser, OnlyClockwiseTrianglesAreDrawn) {
    const ScreenVertex p = At(1, 1), q = At(9, 2), r = At(3, 8);
    const struct {
        Triangle t;
        bool drawn;
    } cases[] = {
        {{p, q, r}, true},          {{q, r, p}, true},  {{r, p, q}, true},  // clockwise, y down
        {{p, r, q}, false},         {{r, q, p}, false}, {{q, p, r}, false}, // counter-clockwise
        {{p, q, At(17, 3)}, false},                                         // on one line
    };
    for (const auto& c : cases) {
        const std::vector<int> count = CoverageCount({c.t}, 12, 12);
        EXPECT_EQ(std::count(count.begin(), count.end(), 1) > 0, c.drawn)
            << c.t.a.x << "," << c.t.a.y << " " << c.t.b.x << "," << c.t.b.y;
    }
}

TEST(Rasteriser, NearerOrEqualDepthWins) {
    const RenderTexture first{1, 1, {0xFF, 0, 0}}, second{1, 1, {0, 0xFF, 0}};
    const struct {
        float firstDepth, secondDepth;
        const RenderTexture* shown;
    } cases[] = {
        {0.5f, 0.25f, &second}, // nearer, drawn later
        {0.25f, 0.5f, &first},  // farther, drawn later: hidden
        {0.5f, 0.5f, &second},  // equal: the later one, as less-or-equal takes it
        {0.0f, 0.0f, &second},
        {1.0f, 1.0f, &second}, // the far end of the range draws on a cleared target
    };
    for (const auto& c : cases) {
        RenderTarget target = MakeRenderTarget(8, 8, kBlack);
        for (const auto& [depth, texture] :
             {std::pair{c.firstDepth, &first}, std::pair{c.secondDepth, &second}}) {
            RasteriseTriangle(target, At(0, 0, depth), At(8, 0, depth), At(0, 8, depth), texture);
        }
        const std::size_t at = 3 * (2 * 8 + 2);
        EXPECT_EQ(std::vector<std::uint8_t>(target.rgb.begin() + at, target.rgb.begin() + at + 3),
                  c.shown->rgb)
            << c.firstDepth << " then " << c.secondDepth;
        EXPECT_EQ(target.depth[2 * 8 + 2], std::min(c.firstDepth, c.secondDepth));
    }
}

TEST(Rasteriser, NearestTexelOfAWrappingTexture) {
    // Texel i covers u in [i/4, (i+1)/4), row j covers v in [j/2, (j+1)/2);
    // coordinates wrap by whole textures either way.
    const RenderTexture texture = Numbered(4, 2);
    const struct {
        double u, v;
        int i, j;
    } cases[] = {
        {0, 0, 0, 0},
        {0.2499, 0.49, 0, 0},
        {0.25, 0.5, 1, 1},
        {0.999, 0.999, 3, 1},
        {1.0, 1.0, 0, 0},
        {1.3, 1.6, 1, 1},
        {-0.01, -0.01, 3, 1},
        {-0.25, -0.5, 3, 1},
        {-1.0, -2.0, 0, 0},
        {-1.26, -1.4, 2, 1},
        {1099511627776.75, 0, 3, 0}, // 2^40 + 0.75: still exact
        {1e30, -1e300, 0, 0},        // past any texel: texel 0
    };
    for (const auto& c : cases) {
        RenderTarget target = MakeRenderTarget(4, 4, kBlack);
        RasteriseTriangle(target, At(0, 0, 0.5, c.u, c.v), At(4, 0, 0.5, c.u, c.v),
                          At(0, 4, 0.5, c.u, c.v), &texture);
        EXPECT_EQ(target.rgb[0], 16 * c.i + 7) << "u " << c.u;
        EXPECT_EQ(target.rgb[1], 16 * c.j + 3) << "v " << c.v;
    }
    // An empty or inconsistent texture draws white, as an empty slot does.
    for (const RenderTexture& none :
         {RenderTexture{}, RenderTexture{2, 2, {1, 2, 3}}, RenderTexture{-1, -1, {}}}) {
        RenderTarget target = MakeRenderTarget(4, 4, kBlack);
        RasteriseTriangle(target, At(0, 0), At(4, 0), At(0, 4), &none);
        EXPECT_EQ(target.rgb[0] + target.rgb[1] + target.rgb[2], 3 * 255);
    }
}

} // namespace
