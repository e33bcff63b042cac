#include "gltf/import_cases.h"

#include "preview/msm_layout.h"
#include "support/png_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Vertex v of a written model: position, normal, texture coordinates.
std::array<float, 8> VertexAt(const std::vector<std::uint8_t>& model, const MsmLayout& layout,
                              std::uint16_t v) {
    std::array<float, 8> f;
    std::memcpy(f.data(), model.data() + layout.verticesOffset + 32 * std::size_t{v}, 32);
    return f;
}

} // namespace

Corner Key(const Point& p, float u, float v) {
    return {std::lround(p[0] * 1e4), std::lround(p[1] * 1e4), std::lround(p[2] * 1e4),
            std::lround(u * 1e4), std::lround(v * 1e4)};
}

Triangle Turned(const Corner& a, const Corner& b, const Corner& c) {
    Triangle t = {a, b, c};
    std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
    return t;
}

std::multimap<Triangle, int> DrawnTriangles(const std::vector<std::uint8_t>& model) {
    std::multimap<Triangle, int> drawn;
    const std::optional<MsmLayout> layout = WalkMsmLayout(model);
    EXPECT_TRUE(layout);
    if (!layout) {
        return drawn;
    }
    const auto corner = [&](std::uint16_t v) {
        const std::array<float, 8> f = VertexAt(model, *layout, v);
        return Key({f[0], f[1], f[2]}, f[6], f[7]);
    };
    std::size_t at = layout->groupsOffset;
    for (unsigned g = 0; g < layout->groupCount; ++g) {
        const MsmGroup group = *ReadMsmGroup(model, at);
        at = group.next;
        for (int k = 1; k + 1 < group.indexCount; ++k) {
            drawn.emplace(Turned(corner(MsmGroupIndex(model, group, 0)),
                                 corner(MsmGroupIndex(model, group, k)),
                                 corner(MsmGroupIndex(model, group, k + 1))),
                          group.textureIndex);
        }
    }
    return drawn;
}

std::map<Corner, Point> DrawnNormals(const std::vector<std::uint8_t>& model) {
    std::map<Corner, Point> normals;
    const std::optional<MsmLayout> layout = WalkMsmLayout(model);
    for (unsigned v = 0; layout && v < layout->vertexCount; ++v) {
        const std::array<float, 8> f = VertexAt(model, *layout, static_cast<std::uint16_t>(v));
        normals[Key({f[0], f[1], f[2]})] = {f[3], f[4], f[5]};
    }
    return normals;
}

Triangle Expected(const Point& a, const Point& b, const Point& c) {
    const auto m = [](const Point& p) { return Point{p[0], p[1], -p[2]}; };
    return Turned(Key(m(a)), Key(m(c)), Key(m(b)));
}

ImportedPiece Import(const Bytes& file, ImportOptions options) {
    Result<ImportedPiece> piece = ImportGltfBytes(file, "", "piece", options);
    EXPECT_TRUE(piece) << piece.refusal().code << ": " << piece.refusal().message;
    return piece ? *piece : ImportedPiece{};
}

std::uint32_t Pattern(int x, int y) {
    return static_cast<std::uint32_t>(0x102030 * (1 + x + 4 * y));
}

Bytes PatternPng(int width, int height, bool alpha) {
    return BuildPng(TestPng(width, height, alpha ? 6 : 2, 8, [](int x, int y, int c) {
        return c == 3 ? 0 : static_cast<int>(Pattern(x % 4, y % 2) >> (16 - 8 * c)) & 0xFF;
    }));
}

GltfBuilder Square() {
    GltfBuilder gltf;
    const int material = gltf.PictureMaterial(PatternPng(4, 2));
    gltf.Node(
        {{"mesh", gltf.Mesh({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {0, 1, 2, 0, 2, 3}, material,
                            {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 1, 1, 1, 0, 0, 0})},
         {"name", "Square"}});
    return gltf;
}

Bytes Changed(const std::function<void(GltfBuilder&)>& change) {
    GltfBuilder gltf = Square();
    change(gltf);
    return gltf.Glb();
}

nlohmann::json& Primitive(GltfBuilder& gltf) {
    return gltf.document["meshes"][0]["primitives"][0];
}
