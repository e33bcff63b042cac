// The importer's geometry against slow literal versions (welding against a
// search of every earlier vertex, the fan builder against the greedy rule
// written out step by step, on generated meshes), node transforms against
// numbers worked out by hand, and the fitting of pictures to texture sides.
#include "gltf/fan_builder.h"
#include "gltf/node_transform.h"
#include "gltf/picture_fit.h"
#include "gltf/vertex_weld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>

namespace {

using Triangles = std::vector<std::uint32_t>;
using Fans = std::vector<std::vector<std::uint32_t>>;

// The greedy rule literally: count every vertex's triangles afresh, take the
// first vertex with the most, chain its triangles by searching the list.
Fans ReferenceFans(const Triangles& triangles, std::size_t maxIndices) {
    std::vector<std::array<std::uint32_t, 3>> left;
    for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
        const std::uint32_t a = triangles[t], b = triangles[t + 1], c = triangles[t + 2];
        if (a != b && b != c && a != c) {
            left.push_back({a, b, c});
        }
    }
    Fans fans;
    while (!left.empty()) {
        std::map<std::uint32_t, int> count;
        for (const auto& t : left) {
            for (const std::uint32_t v : t) {
                ++count[v];
            }
        }
        std::uint32_t centre = 0;
        int most = 0;
        for (const auto& [v, n] : count) {
            if (n > most) {
                centre = v, most = n;
            }
        }
        std::vector<std::array<std::uint32_t, 2>> pairs; // the other corners, in winding order
        std::vector<std::array<std::uint32_t, 3>> rest;
        for (const auto& t : left) {
            const auto k = std::find(t.begin(), t.end(), centre) - t.begin();
            if (k == 3) {
                rest.push_back(t);
            } else {
                pairs.push_back({t[(k + 1) % 3], t[(k + 2) % 3]});
            }
        }
        left = rest;
        std::vector<bool> used(pairs.size(), false);
        const auto unused = [&](auto fits) {
            for (std::size_t i = 0; i < pairs.size(); ++i) {
                if (!used[i] && fits(i)) {
                    return i;
                }
            }
            return pairs.size();
        };
        while (unused([](std::size_t) { return true; }) < pairs.size()) {
            std::size_t start = unused([&](std::size_t i) {
                return unused([&](std::size_t j) { return pairs[j][1] == pairs[i][0]; }) ==
                       pairs.size();
            });
            if (start == pairs.size()) {
                start = unused([](std::size_t) { return true; });
            }
            std::vector<std::uint32_t> fan = {centre, pairs[start][0], pairs[start][1]};
            used[start] = true;
            while (fan.size() < maxIndices) {
                const std::size_t next =
                    unused([&](std::size_t j) { return pairs[j][0] == fan.back(); });
                if (next == pairs.size()) {
                    break;
                }
                fan.push_back(pairs[next][1]);
                used[next] = true;
            }
            fans.push_back(fan);
        }
    }
    return fans;
}

// A triangle as its corners turned so that the smallest comes first: the
// same triangle with the same winding gives the same key.
std::array<std::uint32_t, 3> Turned(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    if (b < a && b < c) {
        return {b, c, a};
    }
    if (c < a && c < b) {
        return {c, a, b};
    }
    return {a, b, c};
}

// The multiset of drawn triangles with their winding.
std::map<std::array<std::uint32_t, 3>, int> Drawn(const Triangles& triangles) {
    std::map<std::array<std::uint32_t, 3>, int> drawn;
    for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
        const std::uint32_t a = triangles[t], b = triangles[t + 1], c = triangles[t + 2];
        if (a != b && b != c && a != c) {
            ++drawn[Turned(a, b, c)];
        }
    }
    return drawn;
}

std::map<std::array<std::uint32_t, 3>, int> Drawn(const Fans& fans) {
    std::map<std::array<std::uint32_t, 3>, int> drawn;
    for (const auto& fan : fans) {
        for (std::size_t k = 1; k + 1 < fan.size(); ++k) {
            ++drawn[Turned(fan[0], fan[k], fan[k + 1])];
        }
    }
    return drawn;
}

// A grid of w x h vertices, each cell split along one diagonal (or the
// diagonals alternating), wound counter-clockwise.
Triangles Grid(std::uint32_t w, std::uint32_t h, bool alternate) {
    Triangles t;
    for (std::uint32_t y = 0; y + 1 < h; ++y) {
        for (std::uint32_t x = 0; x + 1 < w; ++x) {
            const std::uint32_t a = y * w + x, b = a + 1, c = a + w, d = c + 1;
            if (alternate && (x + y) % 2 == 1) {
                t.insert(t.end(), {a, b, c, b, d, c});
            } else {
                t.insert(t.end(), {a, b, d, a, d, c});
            }
        }
    }
    return t;
}

// A closed sphere of `rings` bands and `segments` around, poles included:
// the poles are centres of `segments` triangles each.
Triangles Sphere(std::uint32_t rings, std::uint32_t segments) {
    Triangles t;
    const std::uint32_t top = 0, bottom = 1;
    const auto at = [&](std::uint32_t ring, std::uint32_t s) {
        return 2 + ring * segments + s % segments;
    };
    for (std::uint32_t s = 0; s < segments; ++s) {
        t.insert(t.end(), {top, at(0, s + 1), at(0, s)});
        t.insert(t.end(), {bottom, at(rings - 1, s), at(rings - 1, s + 1)});
        for (std::uint32_t r = 0; r + 1 < rings; ++r) {
            t.insert(t.end(), {at(r, s), at(r, s + 1), at(r + 1, s + 1)});
            t.insert(t.end(), {at(r, s), at(r + 1, s + 1), at(r + 1, s)});
        }
    }
    return t;
}

// Triangles over few vertices: shared edges in both windings, duplicates,
// corners repeated.
Triangles Soup(std::mt19937& random, std::uint32_t vertices, std::size_t count) {
    Triangles t;
    std::uniform_int_distribution<std::uint32_t> pick(0, vertices - 1);
    for (std::size_t i = 0; i < 3 * count; ++i) {
        t.push_back(pick(random));
    }
    return t;
}

// The plain pass is the reference greedy rule exactly; the builder keeps the
// better of it and the pass that grows fans near the last one, which on
// regular meshes takes far fewer fans. Either way every triangle is drawn
// once, wound as it was.
TEST(FanBuilder, MakesTheReferenceGreedyFansOrFewerAndDrawsEveryTriangleOnceAsWound) {
    std::mt19937 random(7);
    Triangles disc; // one centre, 300 triangles in a ring: split by the index limit
    for (std::uint32_t s = 0; s < 300; ++s) {
        disc.insert(disc.end(), {0, 1 + s, 1 + (s + 1) % 300});
    }
    const struct {
        const char* what;
        Triangles triangles;
        std::uint32_t vertexCount;
        std::size_t maxIndices;
        bool fewer; // the builder must make fewer fans than the reference
    } cases[] = {
        {"grid", Grid(30, 20, false), 600, 127, true},
        {"grid, alternating diagonals", Grid(25, 25, true), 625, 127, false},
        {"grid, fans of at most 2 triangles", Grid(12, 9, false), 108, 4, false},
        {"sphere, poles of 200 triangles", Sphere(12, 200), 2 + 12 * 200, 127, true},
        {"sphere, fans of at most 3 triangles", Sphere(5, 16), 2 + 5 * 16, 5, false},
        {"disc of 300 triangles", disc, 301, 127, false},
        {"soup over 12 vertices", Soup(random, 12, 400), 12, 127, false},
        {"soup over 300 vertices", Soup(random, 300, 2000), 300, 9, false},
        {"one degenerate triangle", {4, 4, 2}, 5, 127, false},
        {"nothing", {}, 0, 127, false},
    };
    for (const auto& c : cases) {
        const Fans reference = ReferenceFans(c.triangles, c.maxIndices);
        const Fans plain =
            BuildGreedyFans(c.triangles, c.vertexCount, c.maxIndices, FanTies::lowestNumber);
        EXPECT_TRUE(plain == reference)
            << c.what << ": " << plain.size() << " fans, the reference " << reference.size();
        const Fans near =
            BuildGreedyFans(c.triangles, c.vertexCount, c.maxIndices, FanTies::nearestToLastFan);
        const Fans fans = BuildFans(c.triangles, c.vertexCount, c.maxIndices);
        EXPECT_EQ(fans.size(), std::min(near.size(), plain.size())) << c.what;
        if (c.fewer) {
            EXPECT_LT(fans.size(), reference.size()) << c.what;
        }
        for (const Fans* made : {&near, &fans}) {
            EXPECT_EQ(Drawn(*made), Drawn(c.triangles)) << c.what;
            for (const auto& fan : *made) {
                ASSERT_GE(fan.size(), 3u) << c.what;
                ASSERT_LE(fan.size(), c.maxIndices) << c.what;
            }
        }
    }
    for (const FanTies ties : {FanTies::lowestNumber, FanTies::nearestToLastFan}) {
        EXPECT_TRUE(BuildGreedyFans(Triangles{0, 1, 2, 0, 2, 5}, 5, 127, ties).empty())
            << "a corner past the vertices: refused";
    }
}

// Welding against a search of every vertex found so far.
TEST(VertexWeld, EqualCornersShareOneVertexInTheOrderOfTheirFirstCorner) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> small(0, 3);
    std::vector<MsmVertex> corners;
    for (int i = 0; i < 3000; ++i) {
        // Few distinct values per field, so that many corners are equal and
        // most differ in one number only; 0 and -0 alike.
        const auto value = [&] { return std::array{0.0f, -0.0f, 0.5f, 1.0f}[small(random)]; };
        corners.push_back({value(), value(), 1, value(), 0, value(), value(), 0.25f});
    }
    const WeldedVertices welded = WeldVertices(corners);
    std::vector<MsmVertex> unique;
    std::vector<std::uint32_t> indexOf;
    const auto same = [](const MsmVertex& a, const MsmVertex& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z && a.nx == b.nx && a.ny == b.ny &&
               a.nz == b.nz && a.tu == b.tu && a.tv == b.tv;
    };
    for (const MsmVertex& corner : corners) {
        const auto found = std::find_if(unique.begin(), unique.end(),
                                        [&](const MsmVertex& v) { return same(v, corner); });
        indexOf.push_back(static_cast<std::uint32_t>(found - unique.begin()));
        if (found == unique.end()) {
            unique.push_back(corner);
        }
    }
    EXPECT_EQ(welded.indexOf, indexOf);
    ASSERT_EQ(welded.vertices.size(), unique.size());
    for (std::size_t v = 0; v < unique.size(); ++v) {
        EXPECT_TRUE(same(welded.vertices[v], unique[v]));
    }
}

TEST(NodeTransform, ComposesTurnsScalesAndNormalsAsWorkedOutByHand) {
    const double h = std::sqrt(0.5);
    const struct {
        const char* what;
        Matrix4 matrix;
        Vector3 point, movedPoint, normal, movedNormal;
        bool mirrors;
    } cases[] = {
        {"a quarter turn about y takes x to -z",
         ComposeTrs({0, 0, 0}, {0, h, 0, h}, {1, 1, 1}),
         {1, 0, 0},
         {0, 0, -1},
         {0, 0, 1},
         {1, 0, 0},
         false},
        {"a quarter turn about x takes y to z",
         ComposeTrs({0, 0, 0}, {h, 0, 0, h}, {1, 1, 1}),
         {0, 1, 0},
         {0, 0, 1},
         {0, 1, 0},
         {0, 0, 1},
         false},
        {"scale before turn before move",
         ComposeTrs({1, 2, 3}, {0, 0, h, h}, {2, 1, 1}),
         {1, 0, 0},
         {1, 4, 3},
         {1, 0, 0},
         {0, 1, 0},
         false},
        {"a stretch keeps normals perpendicular",
         ComposeTrs({0, 0, 0}, {0, 0, 0, 1}, {2, 1, 1}),
         {1, 1, 0},
         {2, 1, 0},
         {h, h, 0},
         {1 / std::sqrt(5.0), 2 / std::sqrt(5.0), 0},
         false},
        {"a quaternion not of unit length is made so",
         ComposeTrs({0, 0, 0}, {0, 2, 0, 2}, {1, 1, 1}),
         {1, 0, 0},
         {0, 0, -1},
         {0, 1, 0},
         {0, 1, 0},
         false},
        {"the parent's matrix applies after the child's",
         MultiplyMatrices(ComposeTrs({1, 0, 0}, {0, 0, 0, 1}, {1, 1, 1}),
                          ComposeTrs({0, 0, 0}, {0, 0, 0, 1}, {2, 2, 2})),
         {1, 0, 0},
         {3, 0, 0},
         {0, 0, 1},
         {0, 0, 1},
         false},
        {"a mirror turns normals with it",
         ComposeTrs({0, 0, 0}, {0, 0, 0, 1}, {-1, 1, 1}),
         {1, 2, 3},
         {-1, 2, 3},
         {1, 0, 0},
         {-1, 0, 0},
         true},
        {"a flattened axis leaves normals along it",
         ComposeTrs({0, 0, 0}, {0, 0, 0, 1}, {1, 0, 1}),
         {1, 2, 3},
         {1, 0, 3},
         {1, 0, 0},
         {0, 0, 0},
         false},
    };
    for (const auto& c : cases) {
        const Vector3 point = TransformPoint(c.matrix, c.point);
        const Vector3 normal = TransformNormal(c.matrix, c.normal);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(point[k], c.movedPoint[k], 1e-12) << c.what;
            EXPECT_NEAR(normal[k], c.movedNormal[k], 1e-12) << c.what;
        }
        EXPECT_EQ(LinearDeterminant(c.matrix) < 0, c.mirrors) << c.what;
    }
}

TEST(PictureFit, SidesGoToTheNearestPowerOfTwoWithinTheLargest) {
    const struct {
        int side, maxSide, expected;
    } cases[] = {{1, 256, 2},      {2, 256, 2},     {3, 256, 4},     {5, 256, 4},
                 {6, 256, 8},      {181, 256, 128}, {182, 256, 256}, {300, 256, 256},
                 {384, 1024, 512}, {1000, 64, 64},  {64, 100, 64},   {200, 2, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(TextureSide(c.side, c.maxSide), c.expected) << c.side << " within " << c.maxSide;
    }
}

TEST(PictureFit, ResamplesInLinearLight) {
    const auto picture = [](int width, int height, const std::vector<std::uint8_t>& grey) {
        RgbPicture p{width, height, {}};
        for (const std::uint8_t g : grey) {
            p.rgb.insert(p.rgb.end(), {g, g, g});
        }
        return p;
    };
    const auto greys = [](const RgbPicture& p) {
        std::vector<int> g;
        for (std::size_t i = 0; i < p.rgb.size(); i += 3) {
            g.push_back(p.rgb[i]);
        }
        return g;
    };
    std::vector<std::uint8_t> every(256);
    for (int i = 0; i < 256; ++i) {
        every[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    std::vector<int> twice(every.begin(), every.end());
    twice.insert(twice.end(), every.begin(), every.end());
    const struct {
        const char* what;
        RgbPicture in;
        int width, height;
        std::vector<int> out;
    } cases[] = {
        {"black and white halve to half the light, not half the byte",
         picture(4, 1, {0, 255, 0, 255}),
         2,
         1,
         {188, 188}},
        {"an area of 1.5 pixels each: a third of the light",
         picture(3, 1, {0, 255, 255}),
         2,
         1,
         {156, 255}},
        {"growing blends the two nearest", picture(2, 1, {0, 255}), 4, 1, {0, 137, 225, 255}},
        {"a side kept keeps its bytes, the other grown", picture(256, 1, every), 256, 2, twice},
        {"one colour stays at any size", picture(3, 3, std::vector<std::uint8_t>(9, 77)), 7, 2,
         std::vector<int>(14, 77)},
    };
    for (const auto& c : cases) {
        const RgbPicture out = ResizePicture(c.in, c.width, c.height);
        EXPECT_EQ(out.width, c.width);
        EXPECT_EQ(out.height, c.height);
        EXPECT_EQ(greys(out), c.out) << c.what;
    }
    RgbPicture white = picture(1, 1, {255});
    TintPicture(white, {0.5f, 0.2f, 1});
    EXPECT_EQ(white.rgb, (std::vector<std::uint8_t>{188, 124, 255})) << "tinted in linear light";
}

} // namespace
