// The rasteriser against a literal oracle on random triangles (each pixel's
// sample point tested against each edge by the fill rule, depth and texture
// coordinates by their barycentric formula), and tables of what the oracle
// takes for granted: the fill rule's pixels, the depth test, the texels.
#include "render/rasteriser.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <tuple>

namespace {

// A vertex at a screen position in pixels (pixel (x, y) is sampled at (x, y)).
ScreenVertex At(double x, double y, double z = 0.5, double u = 0, double v = 0, double w = 1) {
    return ScreenVertex{
        std::llround(x * kSubpixelScale), std::llround(y * kSubpixelScale), z, 1 / w, u / w, v / w};
}

// A texture whose texels tell where they are: red 16 i + 7, green 16 j + 3.
RgbPicture Numbered(int width, int height) {
    RgbPicture texture{width, height, std::vector<std::uint8_t>(3 * width * height)};
    for (std::size_t k = 0; k < texture.rgb.size(); k += 3) {
        texture.rgb[k] = static_cast<std::uint8_t>(16 * (k / 3 % width) + 7);
        texture.rgb[k + 1] = static_cast<std::uint8_t>(16 * (k / 3 / width) + 3);
    }
    return texture;
}

struct Fragment {
    bool covered = false;
    double depth = 0, u = 0, v = 0;
};

Fragment Oracle(const ScreenVertex (&t)[3], int px, int py) {
    const std::int64_t x = px * kSubpixelScale + kSampleOffset;
    const std::int64_t y = py * kSubpixelScale + kSampleOffset;
    double weight[3], area = 0;
    for (int i = 0; i < 3; ++i) {
        const ScreenVertex &from = t[(i + 1) % 3], &to = t[(i + 2) % 3];
        const std::int64_t dx = to.x - from.x, dy = to.y - from.y;
        const std::int64_t e = dx * (y - from.y) - dy * (x - from.x);
        if (e < 0 || (e == 0 && !(dy < 0 || (dy == 0 && dx > 0)))) {
            return {}; // outside, or on an edge that is neither top nor left
        }
        weight[i] = static_cast<double>(e);
        area += weight[i];
    }
    if ((t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x) <= 0) {
        return {}; // counter-clockwise on the screen: culled
    }
    Fragment f{true};
    double invW = 0, uw = 0, vw = 0;
    for (int i = 0; i < 3; ++i) {
        f.depth += weight[i] / area * t[i].z;
        invW += weight[i] / area * t[i].invW;
        uw += weight[i] / area * t[i].uOverW;
        vw += weight[i] / area * t[i].vOverW;
    }
    f.u = uw / invW;
    f.v = vw / invW;
    return f;
}

// The texel seen is the one at coordinate f (scaled to the side), or f lies
// so close to a texel border that rounding may take either side.
bool TexelFits(int seen, double f, int size) {
    auto wrap = [size](double n) { return static_cast<int>(n - std::floor(n / size) * size); };
    const double border = std::round(f);
    return seen == wrap(std::floor(f)) ||
           (std::fabs(f - border) < 1e-6 && (seen == wrap(border) || seen == wrap(border - 1)));
}

TEST(Rasteriser, DrawsWhatTheLiteralOracleDrawsOnRandomTriangles) {
    constexpr int kWidth = 37, kHeight = 29;
    const RgbPicture texture = Numbered(8, 4);
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> unit(0, 1);
    int drawn = 0;
    for (int round = 0; round < 3000; ++round) {
        // Either winding; corners from half a picture before it to half
        // after it, every other triangle's on pixel centres so that sample
        // points fall on edges and corners; every third one small.
        const double spread = round % 3 == 0 ? 4 : 1;
        auto corner = [&]() {
            double x = (-18 + unit(random) * 74) / spread, y = (-14 + unit(random) * 58) / spread;
            if (round % 2 == 0) {
                x = std::round(x);
                y = std::round(y);
            }
            return At(x, y, unit(random), unit(random) * 6 - 3, unit(random) * 6 - 3,
                      0.5 + unit(random) * 20);
        };
        const ScreenVertex t[3] = {corner(), corner(), corner()};
        RenderTarget target = MakeRenderTarget(kWidth, kHeight, 0);
        RasteriseTriangle(target, t[0], t[1], t[2], &texture);
        for (int py = 0; py < kHeight; ++py) {
            for (int px = 0; px < kWidth; ++px) {
                const std::size_t at = static_cast<std::size_t>(py * kWidth + px);
                const Fragment expected = Oracle(t, px, py);
                ASSERT_EQ(target.depth[at] != 1.0f, expected.covered)
                    << "round " << round << " pixel " << px << "," << py;
                if (expected.covered) {
                    ++drawn;
                    ASSERT_NEAR(target.depth[at], expected.depth, 1e-6) << "round " << round;
                    const int i = (target.rgb[3 * at] - 7) / 16,
                              j = (target.rgb[3 * at + 1] - 3) / 16;
                    ASSERT_TRUE(TexelFits(i, expected.u * 8, 8) && TexelFits(j, expected.v * 4, 4))
                        << "round " << round << ": texel " << i << "," << j << " for " << expected.u
                        << "," << expected.v;
                }
            }
        }
    }
    EXPECT_GT(drawn, 100000) << "the triangles reach the picture";
}

TEST(Rasteriser, FillRuleDrawsSharedEdgesOnceTopAndLeftEdgesOnly) {
    // Corners on pixel centres, so that rows and columns of sample points
    // lie on the edges: a rectangle split either way, and eight triangles
    // fanned round a pixel centre. Each covers the pixels x0..x1, y0..y1 once.
    std::vector<std::array<ScreenVertex, 3>> fan;
    const double ring[9][2] = {{5, 5},  {9, 5},  {13, 5}, {13, 9}, {13, 13},
                               {9, 13}, {5, 13}, {5, 9},  {5, 5}};
    for (int k = 0; k < 8; ++k) {
        fan.push_back({At(9, 9), At(ring[k][0], ring[k][1]), At(ring[k + 1][0], ring[k + 1][1])});
    }
    const struct {
        std::vector<std::array<ScreenVertex, 3>> triangles;
        int x0, x1, y0, y1;
    } cases[] = {
        {{{At(2, 2), At(6, 2), At(6, 5)}, {At(2, 2), At(6, 5), At(2, 5)}}, 2, 5, 2, 4},
        {{{At(2, 2), At(6, 2), At(2, 5)}, {At(6, 2), At(6, 5), At(2, 5)}}, 2, 5, 2, 4},
        {fan, 5, 12, 5, 12},
        {{{At(2, 2), At(6, 5), At(6, 2)}}, 1, 0, 1, 0},   // counter-clockwise: culled
        {{{At(2, 2), At(3e5, 2), At(2, 5)}}, 1, 0, 1, 0}, // past the fixed-point range
    };
    constexpr int kSide = 16;
    for (std::size_t c = 0; c < std::size(cases); ++c) {
        std::vector<int> count(kSide * kSide, 0);
        for (const auto& t : cases[c].triangles) {
            RenderTarget target = MakeRenderTarget(kSide, kSide, 0);
            RasteriseTriangle(target, t[0], t[1], t[2], nullptr);
            for (std::size_t i = 0; i < count.size(); ++i) {
                count[i] += target.depth[i] != 1.0f;
            }
        }
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const bool in =
                    x >= cases[c].x0 && x <= cases[c].x1 && y >= cases[c].y0 && y <= cases[c].y1;
                EXPECT_EQ(count[static_cast<std::size_t>(y * kSide + x)], in ? 1 : 0)
                    << "case " << c << " pixel " << x << "," << y;
            }
        }
    }
}

TEST(Rasteriser, NearerOrEqualDepthWins) {
    const RgbPicture first{1, 1, {0xFF, 0, 0}}, second{1, 1, {0, 0xFF, 0}};
    // The depths of a first and a second triangle; whether the second shows.
    // At equal depths the later one wins, even at the far end (depth 1).
    const std::tuple<float, float, bool> cases[] = {
        {0.5f, 0.25f, true}, {0.25f, 0.5f, false}, {0.5f, 0.5f, true}, {1.0f, 1.0f, true}};
    for (const auto& [firstDepth, secondDepth, secondShows] : cases) {
        RenderTarget target = MakeRenderTarget(4, 4, 0);
        RasteriseTriangle(target, At(0, 0, firstDepth), At(4, 0, firstDepth), At(0, 4, firstDepth),
                          &first);
        RasteriseTriangle(target, At(0, 0, secondDepth), At(4, 0, secondDepth),
                          At(0, 4, secondDepth), &second);
        EXPECT_EQ(target.rgb[1] == 0xFF, secondShows) << firstDepth << " then " << secondDepth;
        EXPECT_EQ(target.depth[0], std::min(firstDepth, secondDepth));
    }
}

TEST(Rasteriser, NearestTexelOfAWrappingTexture) {
    // Texel i covers u in [i/4, (i+1)/4), row j covers v in [j/2, (j+1)/2);
    // coordinates wrap by whole textures either way.
    const RgbPicture texture = Numbered(4, 2);
    const struct {
        double u, v;
        int i, j;
    } cases[] = {
        {0, 0, 0, 0},         {0.2499, 0.49, 0, 0}, {0.25, 0.5, 1, 1},        {0.999, 0.999, 3, 1},
        {1.0, 1.0, 0, 0},     {1.3, 1.6, 1, 1},     {-0.01, -0.01, 3, 1},     {-0.25, -0.5, 3, 1},
        {-1.0, -2.0, 0, 0},   {-1.26, -1.4, 2, 1},  {0x1p40 + 0.75, 0, 3, 0}, // still exact
        {1e30, -1e300, 0, 0}, // past telling texels apart: texel 0
    };
    for (const auto& c : cases) {
        RenderTarget target = MakeRenderTarget(2, 2, 0);
        RasteriseTriangle(target, At(0, 0, 0, c.u, c.v), At(4, 0, 0, c.u, c.v),
                          At(0, 4, 0, c.u, c.v), &texture);
        EXPECT_EQ(std::pair(target.rgb[0] - 7, target.rgb[1] - 3), std::pair(16 * c.i, 16 * c.j))
            << c.u << "," << c.v;
    }
    // A texture without a consistent picture draws white, as an empty slot.
    const RgbPicture inconsistent{2, 2, {1, 2, 3}};
    RenderTarget target = MakeRenderTarget(2, 2, 0);
    RasteriseTriangle(target, At(0, 0), At(4, 0), At(0, 4), &inconsistent);
    EXPECT_EQ(target.rgb[0] + target.rgb[1] + target.rgb[2], 3 * 255);
}

} // namespace
