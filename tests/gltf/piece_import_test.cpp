// Importing glTF models as pieces: the triangles the viewer then draws (read
// back from the written model by the viewer's own walk), the textures, the
// names, the refusals of careless and hostile files, and the writing.
#include "gltf/piece_import.h"

#include "builders/gltf_builder.h"
#include "catalogue/piece_profile.h"
#include "gltf/node_transform.h"
#include "gltf/picture_fit.h"
#include "preview/msm_layout.h"
#include "support/scratch.h"
#include "texture/txr_format.h"
#include "tool/png_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace {

using Json = nlohmann::json;
using Point = std::array<double, 3>;
// A triangle as the viewer draws it: three corners in drawing order, the
// first the smallest, coordinates rounded to 1/10000.
using Triangle = std::array<std::array<long, 3>, 3>;

std::array<long, 3> Key(const Point& p) {
    return {std::lround(p[0] * 1e4), std::lround(p[1] * 1e4), std::lround(p[2] * 1e4)};
}

Triangle Turned(const Point& a, const Point& b, const Point& c) {
    Triangle t = {Key(a), Key(b), Key(c)};
    std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
    return t;
}

// The triangles of a written model, in the viewer's space and winding, with
// the texture slot of each.
std::multimap<Triangle, int> DrawnTriangles(const std::vector<std::uint8_t>& model) {
    std::multimap<Triangle, int> drawn;
    const std::optional<MsmLayout> layout = WalkMsmLayout(model);
    EXPECT_TRUE(layout);
    if (!layout) {
        return drawn;
    }
    const auto point = [&](std::uint16_t v) {
        float xyz[3];
        std::memcpy(xyz, model.data() + layout->verticesOffset + 32 * std::size_t{v}, 12);
        return Point{xyz[0], xyz[1], xyz[2]};
    };
    std::size_t at = layout->groupsOffset;
    for (unsigned g = 0; g < layout->groupCount; ++g) {
        const MsmGroup group = *ReadMsmGroup(model, at);
        at = group.next;
        for (int k = 1; k + 1 < group.indexCount; ++k) {
            drawn.emplace(Turned(point(MsmGroupIndex(model, group, 0)),
                                 point(MsmGroupIndex(model, group, k)),
                                 point(MsmGroupIndex(model, group, k + 1))),
                          group.textureIndex);
        }
    }
    return drawn;
}

// What the viewer must draw for a triangle (a, b, c) of glTF's space, front
// counter-clockwise: Z mirrored, so the winding runs the other way round.
Triangle Expected(const Point& a, const Point& b, const Point& c) {
    const auto m = [](const Point& p) { return Point{p[0], p[1], -p[2]}; };
    return Turned(m(a), m(c), m(b));
}

ImportedPiece Import(const Bytes& file, ImportOptions options = {}) {
    Result<ImportedPiece> piece = ImportGltfBytes(file, "", "piece", options);
    EXPECT_TRUE(piece) << piece.refusal().code << ": " << piece.refusal().message;
    return piece ? *piece : ImportedPiece{};
}

// One triangle (0,0,0) (1,0,0) (0,1,0), front towards +z.
const std::vector<float> kTriangle = {0, 0, 0, 1, 0, 0, 0, 1, 0};

TEST(PieceImport, EveryNodeTransformIsAppliedAndFacesStayOutward) {
    const Point corner[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const double h = std::sqrt(0.5); // quaternion of a quarter turn
    const struct {
        const char* what;
        Json parent; // null: the mesh node is a root
        Json node;
        Matrix4 matrix; // where the mesh's triangle goes
    } cases[] = {
        {"no transform", nullptr, Json::object(), kIdentityMatrix},
        {"translation",
         nullptr,
         {{"translation", {1, 2, 3}}},
         ComposeTrs({1, 2, 3}, {0, 0, 0, 1}, {1, 1, 1})},
        {"a quarter turn about y",
         nullptr,
         {{"rotation", {0, h, 0, h}}},
         ComposeTrs({0, 0, 0}, {0, h, 0, h}, {1, 1, 1})},
        {"scale, rotation and translation together",
         nullptr,
         {{"translation", {0, 5, 0}}, {"rotation", {h, 0, 0, h}}, {"scale", {2, 3, 4}}},
         ComposeTrs({0, 5, 0}, {h, 0, 0, h}, {2, 3, 4})},
        {"a matrix",
         nullptr,
         {{"matrix", {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 7, 0, 0, 1}}},
         {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 7, 0, 0, 1}},
        {"under a turned and moved parent",
         {{"translation", {0, 0, -2}}, {"rotation", {0, 0, h, h}}},
         {{"translation", {1, 0, 0}}},
         MultiplyMatrices(ComposeTrs({0, 0, -2}, {0, 0, h, h}, {1, 1, 1}),
                          ComposeTrs({1, 0, 0}, {0, 0, 0, 1}, {1, 1, 1}))},
        {"mirrored by a negative scale",
         nullptr,
         {{"scale", {-1, 1, 1}}},
         ComposeTrs({0, 0, 0}, {0, 0, 0, 1}, {-1, 1, 1})},
        {"mirrored by its parent",
         {{"scale", {1, 1, -3}}},
         Json::object(),
         ComposeTrs({0, 0, 0}, {0, 0, 0, 1}, {1, 1, -3})},
    };
    for (const auto& c : cases) {
        GltfBuilder gltf;
        Json node = c.node;
        node["mesh"] = gltf.Mesh(kTriangle, {0, 1, 2});
        if (c.parent.is_null()) {
            gltf.Node(node);
        } else {
            const int child = gltf.Node(node, false);
            Json parent = c.parent;
            parent["children"] = {child};
            gltf.Node(parent);
        }
        const ImportedPiece piece = Import(gltf.Glb());
        Point p[3] = {TransformPoint(c.matrix, corner[0]), TransformPoint(c.matrix, corner[1]),
                      TransformPoint(c.matrix, corner[2])};
        if (LinearDeterminant(c.matrix) < 0) {
            std::swap(p[1], p[2]); // the front is now the other side
        }
        const std::multimap<Triangle, int> drawn = DrawnTriangles(piece.model.bytes);
        ASSERT_EQ(drawn.size(), 1u) << c.what;
        EXPECT_EQ(drawn.begin()->first, Expected(p[0], p[1], p[2])) << c.what;
    }
}

// The same two triangles of a square given as a list, a strip and a fan,
// without indices, with indices of each integer size, and with positions
// replaced by sparse values, quantized or morphed.
TEST(PieceImport, ReadsListsStripsFansAndEveryFormOfAccessor) {
    const Point square[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::multimap<Triangle, int> expected = {{Expected(square[0], square[1], square[2]), 0},
                                                   {Expected(square[0], square[2], square[3]), 0}};
    const struct {
        const char* what;
        std::function<void(GltfBuilder&, Json& primitive)> make;
    } cases[] = {
        {"a list",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] = g.Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, "VEC3");
             p["indices"] = g.Indices({0, 1, 2, 0, 2, 3});
         }},
        {"a list without indices",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] =
                 g.Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0}, "VEC3");
         }},
        {"a strip",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] = g.Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, "VEC3");
             p["indices"] = g.Indices({1, 2, 0, 3});
             p["mode"] = 5;
         }},
        {"a fan",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] = g.Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, "VEC3");
             p["indices"] = g.Indices({0, 1, 2, 3});
             p["mode"] = 6;
         }},
        {"8-bit indices, positions as normalized 16-bit numbers",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] = static_cast<int>(g.document["accessors"].size());
             g.document["accessors"].push_back(Json(
                 {{"bufferView", g.View(Bytes({0, 0, 0, 0, 0,    0,    0,    0,    0xFF, 0x7F, 0,
                                               0, 0, 0, 0, 0,    0xFF, 0x7F, 0xFF, 0x7F, 0,    0,
                                               0, 0, 0, 0, 0xFF, 0x7F, 0,    0,    0,    0}))},
                  {"componentType", 5122},
                  {"normalized", true},
                  {"count", 4},
                  {"type", "VEC3"}}));
             g.document["bufferViews"].back()["byteStride"] = 8;
             p["indices"] = static_cast<int>(g.document["accessors"].size());
             g.document["accessors"].push_back({{"bufferView", g.View(Bytes({0, 1, 2, 0, 2, 3}))},
                                                {"componentType", 5121},
                                                {"count", 6},
                                                {"type", "SCALAR"}});
         }},
        {"sparse positions over zeros",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] = static_cast<int>(g.document["accessors"].size());
             g.document["accessors"].push_back(
                 {{"componentType", 5126},
                  {"count", 4},
                  {"type", "VEC3"},
                  {"sparse",
                   {{"count", 3},
                    {"indices",
                     {{"bufferView", g.View(Bytes({1, 0, 2, 0, 3, 0}))}, {"componentType", 5123}}},
                    {"values",
                     {{"bufferView",
                       g.View(Bytes({0, 0, 0x80, 0x3F, 0, 0, 0,    0,    0, 0, 0, 0,
                                     0, 0, 0x80, 0x3F, 0, 0, 0x80, 0x3F, 0, 0, 0, 0,
                                     0, 0, 0,    0,    0, 0, 0x80, 0x3F, 0, 0, 0, 0}))}}}}}});
             p["indices"] = g.Indices({0, 1, 2, 0, 2, 3});
         }},
        {"a morph target at the node's weight",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] = g.Floats({0, 0, 0, 3, 0, 0, 3, 5, 0, 0, 5, 0}, "VEC3");
             p["targets"] = {
                 {{"POSITION", g.Floats({0, 0, 0, -4, 0, 0, -4, -8, 0, 0, -8, 0}, "VEC3")}}};
             p["indices"] = g.Indices({0, 1, 2, 0, 2, 3});
         }},
    };
    for (const auto& c : cases) {
        GltfBuilder gltf;
        Json primitive = {{"attributes", Json::object()}};
        c.make(gltf, primitive);
        gltf.document["meshes"] = {{{"primitives", {primitive}}, {"weights", {0.25}}}};
        gltf.Node({{"mesh", 0}, {"weights", {0.5}}});
        EXPECT_EQ(DrawnTriangles(Import(gltf.Glb()).model.bytes), expected) << c.what;
    }
}

} // namespace
