// What the import makes of the models map makers meet: extensions read,
// ignored with a note or refused; invalid parts a piece has no use for;
// skinned meshes placed by their skins, against a hand computation; and the
// glTF library's own way of decoding URIs.
#include "gltf/gltf_container.h"
#include "gltf/import_cases.h"
#include "support/png_builder.h"
#include "texture/texture_pictures.h"
#include "texture/txr_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using Json = nlohmann::json;

void Uses(GltfBuilder& g, const char* extension, bool required) {
    g.document["extensionsUsed"].push_back(extension);
    if (required) {
        g.document["extensionsRequired"].push_back(extension);
    }
}

// Pixel (0, 0) of level 0 of the piece's first texture, 0xRRGGBB.
std::uint32_t FirstPixel(const ImportedPiece& piece) {
    const Result<RgbPicture> level0 = TxrLevel0Picture(piece.textures.at(0).bytes);
    const std::uint8_t* p = level0->rgb.data();
    return static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
}

// One model per group of the extension table: read, ignored (with its
// note), refused when required or when nothing falls back on it.
TEST(ModelReading, ExtensionsAreReadIgnoredWithTheirNoteOrRefused) {
    const Bytes white = BuildPng(TestPng(2, 2, 0, 8, [](int, int, int) { return 255; }));
    const struct {
        const char* what;
        std::function<void(GltfBuilder&)> change;
        const char* code; // empty: imported
        const char* note; // the one note, or empty: none; refused: a part of the message
        std::uint32_t pixel;
    } cases[] = {
        {"specular-glossiness: its diffuse factor times its diffuse texture",
         [&white](GltfBuilder& g) {
             Uses(g, "KHR_materials_pbrSpecularGlossiness", true);
             const int image = static_cast<int>(g.document["images"].size());
             g.document["images"].push_back({{"bufferView", g.View(white)}});
             g.document["textures"].push_back({{"source", image}});
             Json& material = g.document["materials"][0];
             material["pbrMetallicRoughness"]["baseColorFactor"] = {0, 0, 1, 1};
             material["extensions"]["KHR_materials_pbrSpecularGlossiness"] = {
                 {"diffuseFactor", {0.5, 1, 1, 1}},
                 {"diffuseTexture", {{"index", 1}}},
                 {"glossinessFactor", 0.2}};
         },
         "", "", 0xBCFFFF},
        {"transmission, even required: ignored with its note",
         [](GltfBuilder& g) { Uses(g, "KHR_materials_transmission", true); }, "",
         "KHR_materials_transmission ignored: pieces are opaque", Pattern(0, 0)},
        {"variants: the default materials",
         [](GltfBuilder& g) {
             Uses(g, "KHR_materials_variants", false);
             g.document["extensions"]["KHR_materials_variants"] = {
                 {"variants", {{{"name", "red"}}}}};
             const int red = g.ColourMaterial({1, 0, 0, 1});
             Primitive(g)["extensions"]["KHR_materials_variants"] = {
                 {"mappings", {{{"material", red}, {"variants", {0}}}}}};
         },
         "", "KHR_materials_variants ignored: the default materials are imported", Pattern(0, 0)},
        {"KTX2 pictures required", [](GltfBuilder& g) { Uses(g, "KHR_texture_basisu", true); },
         "gltf-extension", "KTX2 pictures (KHR_texture_basisu)", 0},
        {"WebP pictures with nothing to fall back on",
         [](GltfBuilder& g) {
             Uses(g, "EXT_texture_webp", false);
             Json& texture = g.document["textures"][0];
             texture["extensions"]["EXT_texture_webp"] = {{"source", texture["source"]}};
             texture.erase("source");
         },
         "gltf-extension", "WebP pictures (EXT_texture_webp)", 0},
        {"WebP pictures with a PNG to fall back on: the PNG",
         [](GltfBuilder& g) {
             Uses(g, "EXT_texture_webp", false);
             g.document["textures"][0]["extensions"]["EXT_texture_webp"] = {{"source", 0}};
         },
         "", "", Pattern(0, 0)},
        {"meshopt over a fallback buffer without data",
         [](GltfBuilder& g) {
             Uses(g, "EXT_meshopt_compression", false);
             g.document["buffers"] = {
                 {{"byteLength", g.bin.size()},
                  {"extensions", {{"EXT_meshopt_compression", {{"fallback", true}}}}}}};
             g.document["bufferViews"][1]["extensions"]["EXT_meshopt_compression"] = {
                 {"buffer", 0},
                 {"byteLength", 4},
                 {"byteStride", 12},
                 {"count", 4},
                 {"mode", "ATTRIBUTES"}};
         },
         "gltf-meshopt", "(EXT_meshopt_compression)", 0},
    };
    for (const auto& c : cases) {
        const Result<ImportedPiece> piece = ImportGltfBytes(Changed(c.change), "", "piece", {});
        if (*c.code != '\0') {
            ASSERT_FALSE(piece) << c.what;
            EXPECT_EQ(piece.refusal().code, c.code) << c.what << ": " << piece.refusal().message;
            EXPECT_NE(piece.refusal().message.find(c.note), std::string::npos)
                << piece.refusal().message;
            continue;
        }
        ASSERT_TRUE(piece) << c.what << ": " << piece.refusal().message;
        EXPECT_EQ(piece->notes,
                  *c.note == '\0' ? std::vector<std::string>{} : std::vector<std::string>{c.note})
            << c.what;
        EXPECT_EQ(FirstPixel(*piece), c.pixel) << c.what;
    }
}

// A camera without its type (as some older converters write), a light
// without its type, an animation sampler without its output, an animation
// channel naming a sampler that is not there, a sampler
// with a name for a number, and extras nested deeper than the glTF library
// can follow: the model imports, with one note for each invalid part.
TEST(ModelReading, InvalidPartsAPieceHasNoUseForCostOneNoteEach) {
    GltfBuilder gltf = Square();
    Json& d = gltf.document;
    const Json lens = {{"yfov", 0.8}, {"znear", 0.1}};
    d["cameras"] = {{{"perspective", lens}}, {{"type", "perspective"}, {"perspective", lens}}};
    d["nodes"][0]["camera"] = 0;
    d["extensionsUsed"] = {"KHR_lights_punctual"};
    d["extensions"]["KHR_lights_punctual"]["lights"] = {{{"color", {1, 1, 1}}},
                                                        {{"type", "point"}}};
    d["nodes"][0]["extensions"]["KHR_lights_punctual"] = {{"light", 0}};
    const Json turn = {{"node", 0}, {"path", "rotation"}};
    d["animations"] = {
        {{"channels", {{{"sampler", 0}, {"target", turn}}}}, {"samplers", {{{"input", 0}}}}},
        {{"channels", {{{"sampler", 3}, {"target", turn}}}},
         {"samplers", {{{"input", 0}, {"output", 1}}}}}};
    d["samplers"] = {{{"wrapS", "repeat"}}};
    d["textures"][0]["sampler"] = 0;
    std::string text = gltf.Gltf();
    text.insert(1, "\"extras\":" + std::string(100000, '[') + std::string(100000, ']') + ",");
    const std::vector<std::string> notes = {
        "KHR_lights_punctual ignored: the viewer lights every piece itself",
        "camera 0 is invalid and was ignored",
        "animation 0 is invalid and was ignored",
        "animation 1 is invalid and was ignored",
        "sampler 0 is invalid and was ignored",
        "light 0 is invalid and was ignored"};
    for (const Bytes& file : {gltf.Glb(), Bytes(text.begin(), text.end())}) {
        const ImportedPiece piece = Import(file);
        EXPECT_EQ(piece.triangles, 2u);
        EXPECT_EQ(piece.notes, notes);
    }
}

// Two joints under an armature moved by (1, 2, 3) and turned a quarter about
// z: joint 0 at the armature; joint 1 one up, turned a quarter about x, bound
// where it stands unturned. The mesh node is moved far off and mirrored,
// which must not place the mesh (only the skin does), and decides the
// winding of triangles spread over both joints.
GltfBuilder Skinned() {
    GltfBuilder g;
    // Three triangles: on joint 0 alone, on joint 1 alone, spread over both.
    const std::vector<float> positions = {0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, 0, 1, 2,
                                          0, 0, 3, 0, 0, 1, 1, 0, 2, 2, 0, 0, 2};
    const std::vector<float> normals = {1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0,
                                        1, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 1};
    const int mesh = g.Mesh(positions, {0, 1, 2, 3, 4, 5, 6, 7, 8}, -1, normals);
    Json& attributes = g.document["meshes"][mesh]["primitives"][0]["attributes"];
    attributes["JOINTS_0"] = g.Bytes4({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0,
                                       0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0});
    attributes["WEIGHTS_0"] =
        g.Floats({1, 0, 0, 0, 1, 0, 0,   0,   1, 0, 0,    0,    1, 0, 0, 0, 1, 0,
                  0, 0, 1, 0, 0, 0, .5f, .5f, 0, 0, .25f, .75f, 0, 0, 1, 0, 0, 0},
                 "VEC4");
    const double h = std::sqrt(0.5);
    // Nodes 0 to 2: the armature, the lower joint, the upper joint.
    const int armature = g.Node({{"translation", {1, 2, 3}}, {"rotation", {0, 0, h, h}}});
    const int lower = g.Node(Json::object(), false);
    const int upper = g.Node({{"translation", {0, 1, 0}}, {"rotation", {h, 0, 0, h}}}, false);
    g.document["nodes"][armature]["children"] = {lower};
    g.document["nodes"][lower]["children"] = {upper};
    const int bind = g.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0,  0, 1, //
                               1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1},
                              "MAT4");
    g.document["skins"] = {{{"joints", {lower, upper}}, {"inverseBindMatrices", bind}}};
    g.Node({{"mesh", mesh}, {"skin", 0}, {"translation", {100, 0, 0}}, {"scale", {-1, 1, 1}}});
    return g;
}

// Worked out by hand: joint 0 takes (x, y, z) to (1 - y, x + 2, z + 3),
// joint 1 to (z, x + 2, y + 2).
const std::multimap<Triangle, int> kSkinnedByHand = {
    {Expected({1, 2, 3}, {1, 3, 3}, {1, 2, 4}), 0},
    {Expected({0, 2, 4}, {0, 3, 4}, {0, 2, 5}), 0},
    // Half and half, a quarter and three quarters, joint 0 alone: turned
    // round by the mesh node's mirror.
    {Expected({0.5, 2, 3.5}, {1, 2, 5}, {1.25, 2, 4.25}), 0},
};

TEST(ModelReading, ASkinnedMeshIsPlacedByItsJointsAsWorkedOutByHand) {
    const ImportedPiece piece = Import(Skinned().Glb());
    EXPECT_EQ(DrawnTriangles(piece.model.bytes), kSkinnedByHand);
    // Normals through the same sums, unit length again (in the viewer's
    // space, z mirrored): a quarter turn about z, the permutation of joint
    // 1, and the halves and quarters of both.
    const double r = std::sqrt(0.5), a = 0.75 / std::sqrt(0.625), b = 0.25 / std::sqrt(0.625);
    const std::pair<Point, Point> normals[] = {{{1, 2, -3}, {0, 1, 0}},
                                               {{0, 2, -4}, {1, 0, 0}},
                                               {{0.5, 2, -3.5}, {-r, 0, -r}},
                                               {{1.25, 2, -4.25}, {a, 0, -b}},
                                               {{1, 2, -5}, {0, 0, -1}}};
    const std::map<Corner, Point> drawn = DrawnNormals(piece.model.bytes);
    for (const auto& [at, normal] : normals) {
        ASSERT_EQ(drawn.count(Key(at)), 1u) << at[0] << " " << at[1] << " " << at[2];
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(drawn.at(Key(at))[i], normal[i], 1e-5) << at[0] << " " << at[2];
        }
    }
}

// Skins that cannot place their mesh are refused, each with its reason;
// weights that do not sum to one are taken in proportion.
TEST(ModelReading, ASkinThatCannotPlaceItsMeshIsRefusedWithItsReason) {
    const auto attribute = [](GltfBuilder& g, const char* name) -> Json& {
        return g.document["meshes"][0]["primitives"][0]["attributes"][name];
    };
    const struct {
        const char* what;
        std::function<void(GltfBuilder&)> change;
        const char* code; // empty: placed as worked out by hand
    } cases[] = {
        {"weights twice as heavy",
         [&](GltfBuilder& g) {
             std::vector<float> heavy(36, 0);
             for (int v = 0; v < 9; ++v) {
                 heavy[4 * v] = v < 6 || v == 8 ? 2 : v == 6 ? 1 : 0.5f;
                 heavy[4 * v + 1] = v == 6 ? 1 : v == 7 ? 1.5f : 0;
             }
             attribute(g, "WEIGHTS_0") = g.Floats(heavy, "VEC4");
         },
         ""},
        {"joints that are no list", [](GltfBuilder& g) { g.document["skins"][0]["joints"] = 1; },
         "gltf-skin"},
        {"no joints", [](GltfBuilder& g) { g.document["skins"][0]["joints"] = Json::array(); },
         "gltf-skin"},
        {"a joint that is not there",
         [](GltfBuilder& g) { g.document["skins"][0]["joints"][1] = 9; }, "gltf-skin"},
        {"a skin that is not there", [](GltfBuilder& g) { g.document["nodes"][3]["skin"] = 4; },
         "gltf-skin"},
        {"fewer inverse bind matrices than joints",
         [](GltfBuilder& g) {
             g.document["accessors"][g.document["skins"][0]["inverseBindMatrices"].get<int>()]
                       ["count"] = 1;
         },
         "gltf-skin"},
        {"inverse bind matrices that are no matrices",
         [&](GltfBuilder& g) {
             g.document["skins"][0]["inverseBindMatrices"] = attribute(g, "WEIGHTS_0");
         },
         "gltf-skin"},
        {"a primitive without weights",
         [&](GltfBuilder& g) {
             g.document["meshes"][0]["primitives"][0]["attributes"].erase("WEIGHTS_0");
         },
         "gltf-skin"},
        {"a joint index past the joints",
         [&](GltfBuilder& g) {
             attribute(g, "JOINTS_0") = g.Bytes4(std::vector<std::uint8_t>(36, 2));
         },
         "gltf-skin"},
        {"a negative weight",
         [&](GltfBuilder& g) {
             std::vector<float> weights(36, 0);
             weights[0] = 2, weights[1] = -1;
             for (int v = 1; v < 9; ++v) {
                 weights[4 * v] = 1;
             }
             attribute(g, "WEIGHTS_0") = g.Floats(weights, "VEC4");
         },
         "gltf-skin"},
    };
    for (const auto& c : cases) {
        GltfBuilder gltf = Skinned();
        c.change(gltf);
        const Result<ImportedPiece> piece = ImportGltfBytes(gltf.Glb(), "", "piece", {});
        if (*c.code == '\0') {
            ASSERT_TRUE(piece) << c.what << ": " << piece.refusal().message;
            EXPECT_EQ(DrawnTriangles(piece->model.bytes), kSkinnedByHand) << c.what;
            continue;
        }
        ASSERT_FALSE(piece) << c.what;
        EXPECT_EQ(piece.refusal().code, c.code) << c.what << ": " << piece.refusal().message;
    }
    // Without inverse bind matrices, glTF's identities: joint 1 then takes
    // (x, y, z) to (z, x + 2, y + 3).
    GltfBuilder unbound = Skinned();
    unbound.document["skins"][0].erase("inverseBindMatrices");
    const std::multimap<Triangle, int> drawn = DrawnTriangles(Import(unbound.Glb()).model.bytes);
    EXPECT_EQ(drawn.count(Expected({0, 2, 5}, {0, 3, 5}, {0, 2, 6})), 1u);
    // A vertex without weight stays where the mesh node puts it: (0, 0, 2)
    // moved by 100 and mirrored in x.
    GltfBuilder weightless = Skinned();
    std::vector<float> weights(36, 0);
    for (int v = 0; v < 8; ++v) {
        weights[4 * v] = v == 6 || v == 7 ? 0.5f : 1,
                    weights[4 * v + 1] = v == 6 || v == 7 ? 0.5f : 0;
    }
    weightless.document["meshes"][0]["primitives"][0]["attributes"]["WEIGHTS_0"] =
        weightless.Floats(weights, "VEC4");
    EXPECT_EQ(DrawnNormals(Import(weightless.Glb()).model.bytes).count(Key({100, 0, -2})), 1u);
}

// The glTF library asks for a file by the URI decoded its own way: "+" as a
// blank, "%" and two characters as the byte they spell (a character that is
// no hex digit counting as 0), a "%" too near the end kept.
TEST(ModelReading, FilesAreLookedUpByTheLibrarysOwnDecodingOfTheirURIs) {
    const std::pair<std::string, std::string> cases[] = {
        {"wood+grain.png", "wood grain.png"},
        {"a%20b%2Fc.bin", "a b/c.bin"},
        {"%E6%9C%A8.png", "木.png"},
        {"%zA.png", "\n.png"},
        {"end%4", "end%4"},
        {"100%", "100%"},
    };
    for (const auto& [uri, key] : cases) {
        EXPECT_EQ(LibraryUriKey(uri), key) << uri;
    }
}

} // namespace
