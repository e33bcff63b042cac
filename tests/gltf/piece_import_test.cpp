// Importing glTF models as pieces: the triangles the viewer then draws (read
// back from the written model by the viewer's own walk), the textures, the
// names, the refusals of careless and hostile files, and the writing.
#include "gltf/piece_import.h"

#include "builders/gltf_builder.h"
#include "gltf/import_cases.h"
#include "catalogue/catalogue_folders.h"
#include "catalogue/piece_profile.h"
#include "gltf/gltf_export.h"
#include "gltf/node_transform.h"
#include "gltf/picture_fit.h"
#include "preview/msm_layout.h"
#include "support/png_builder.h"
#include "support/scratch.h"
#include "common/shift_jis_text.h"
#include "texture/txr_format.h"
#include "png/png_image.h"
#include "texture/texture_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>

namespace {

using Json = nlohmann::json;
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
        bool nodeWeights = true; // the node gives the morph weights (0.5), else the mesh (0.25)
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
        {"indices with a sparse substitution (of an index past the vertices)",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] = g.Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, "VEC3");
             p["indices"] = g.Indices({0, 1, 2, 0, 2, 9});
             g.document["accessors"].back()["sparse"] = {
                 {"count", 1},
                 {"indices", {{"bufferView", g.View({5, 0, 0, 0})}, {"componentType", 5125}}},
                 {"values", {{"bufferView", g.View({3, 0, 0, 0})}}}};
         }},
        {"a morph target at the node's weight",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] = g.Floats({0, 0, 0, 3, 0, 0, 3, 5, 0, 0, 5, 0}, "VEC3");
             p["targets"] = {
                 {{"POSITION", g.Floats({0, 0, 0, -4, 0, 0, -4, -8, 0, 0, -8, 0}, "VEC3")}}};
             p["indices"] = g.Indices({0, 1, 2, 0, 2, 3});
         }},
        {"a morph target at the mesh's weight when the node gives none",
         [](GltfBuilder& g, Json& p) {
             p["attributes"]["POSITION"] = g.Floats({0, 0, 0, 3, 0, 0, 3, 5, 0, 0, 5, 0}, "VEC3");
             p["targets"] = {
                 {{"POSITION", g.Floats({0, 0, 0, -8, 0, 0, -8, -16, 0, 0, -16, 0}, "VEC3")}}};
             p["indices"] = g.Indices({0, 1, 2, 0, 2, 3});
         },
         false},
    };
    for (const auto& c : cases) {
        GltfBuilder gltf;
        Json primitive = {{"attributes", Json::object()}};
        c.make(gltf, primitive);
        gltf.document["meshes"] = {{{"primitives", {primitive}}, {"weights", {0.25}}}};
        gltf.Node(c.nodeWeights ? Json{{"mesh", 0}, {"weights", {0.5}}} : Json{{"mesh", 0}});
        EXPECT_EQ(DrawnTriangles(Import(gltf.Glb()).model.bytes), expected) << c.what;
    }
}

// A model of one triangle per material given, each a mesh of its own node.
Bytes Triangles(GltfBuilder& gltf, const std::vector<int>& materials) {
    for (std::size_t i = 0; i < materials.size(); ++i) {
        const float x = static_cast<float>(2 * i);
        gltf.Node({{"mesh", gltf.Mesh({x, 0, 0, x + 1, 0, 0, x, 1, 0}, {0, 1, 2}, materials[i], {},
                                      {0, 0, 1, 0, 0, 1})}});
    }
    return gltf.Glb();
}

TEST(PieceImport, EachMaterialBecomesATextureOfPowerOfTwoSidesWithAllItsLevels) {
    const Bytes checker = BuildPng(
        TestPng(16, 16, 0, 8, [](int x, int y, int) { return (x + y) % 2 == 0 ? 0 : 255; }));
    const auto pattern = [](int x, int y) { return Pattern(x, y); };
    const auto solid = [](std::uint32_t colour) { return [colour](int, int) { return colour; }; };
    ImportOptions palette;
    palette.palette = true;
    ImportOptions small;
    small.maxSide = 7;
    const struct {
        const char* what;
        Bytes png; // empty: no picture
        std::vector<float> factor;
        ImportOptions options;
        int width, height, bitsPerPixel;
        std::function<std::uint32_t(int, int)> pixel; // level 0; null: not checked
    } cases[] = {
        {"a picture of power-of-two sides: pixel for pixel",
         PatternPng(4, 2),
         {},
         {},
         4,
         2,
         24,
         pattern},
        {"the alpha channel dropped", PatternPng(4, 2, true), {}, {}, 4, 2, 24, pattern},
        {"8-bit through the quantizer", PatternPng(4, 2), {}, palette, 4, 2, 8, pattern},
        {"sides to the nearest powers of two", PatternPng(3, 5), {}, {}, 4, 4, 24, nullptr},
        {"sides no larger than the largest, averaged in linear light",
         checker,
         {},
         small,
         4,
         4,
         24,
         solid(0xBCBCBC)},
        {"a picture times its colour",
         BuildPng(TestPng(2, 2, 0, 8, [](int, int, int) { return 255; })),
         {0.5f, 1, 1, 1},
         {},
         2,
         2,
         24,
         solid(0xBCFFFF)},
        {"a colour alone, in sRGB bytes", {}, {0.5f, 0.2f, 1, 0.5f}, {}, 8, 8, 24, solid(0xBC7CFF)},
        {"no material: white", {}, {}, {}, 8, 8, 24, solid(0xFFFFFF)},
    };
    for (const auto& c : cases) {
        GltfBuilder gltf;
        const int material =
            !c.png.empty() ? gltf.PictureMaterial(c.png, c.factor)
            : !c.factor.empty()
                ? gltf.ColourMaterial({c.factor[0], c.factor[1], c.factor[2], c.factor[3]})
                : -1;
        const ImportedPiece piece = Import(Triangles(gltf, {material}), c.options);
        ASSERT_EQ(piece.textures.size(), 1u) << c.what;
        const Bytes& txr = piece.textures[0].bytes;
        const TxrHeader header = DecodeTxrHeader(txr.data());
        EXPECT_EQ(header.width, c.width) << c.what;
        EXPECT_EQ(header.height, c.height) << c.what;
        EXPECT_EQ(header.bitsPerPixel, c.bitsPerPixel) << c.what;
        EXPECT_EQ(header.levelCount, TxrMaxLevelCount(c.width, c.height)) << c.what;
        EXPECT_EQ(txr.size(), TxrFileSize(header)) << c.what;
        const Result<RgbPicture> level0 = TxrLevel0Picture(txr);
        ASSERT_TRUE(level0) << c.what;
        for (int y = 0; y < c.height && c.pixel; ++y) {
            for (int x = 0; x < c.width; ++x) {
                const std::uint8_t* p = &level0->rgb[3 * static_cast<std::size_t>(y * c.width + x)];
                ASSERT_EQ(p[0] << 16 | p[1] << 8 | p[2], static_cast<int>(c.pixel(x, y)))
                    << c.what << " at " << x << "," << y;
            }
        }
    }
}

TEST(PieceImport, MaterialsThatMakeTheSameTextureShareOneSlot) {
    GltfBuilder gltf;
    const Bytes png = PatternPng(4, 2);
    const int a = gltf.PictureMaterial(png);
    gltf.document["materials"].push_back(gltf.document["materials"][a]); // the same again
    const int red = gltf.ColourMaterial({1, 0, 0, 1});
    const ImportedPiece piece = Import(Triangles(gltf, {red, a, a + 1, -1, red}));
    ASSERT_EQ(piece.textures.size(), 3u);
    EXPECT_EQ(piece.textures[2].name, "piece_2.txr");
    EXPECT_EQ(ReadMsmTextureNames(piece.model.bytes),
              (std::vector<std::string>{"piece_0.txr", "piece_1.txr", "piece_2.txr"}));
    std::vector<int> slots; // by the triangle's x, which tells its node
    std::map<long, int> slotAtX;
    for (const auto& [triangle, slot] : DrawnTriangles(piece.model.bytes)) {
        slotAtX[triangle[0][0]] = slot;
    }
    for (const auto& [x, slot] : slotAtX) {
        slots.push_back(slot);
    }
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 1, 2, 0}));
    EXPECT_EQ(piece.triangles, 5u);
    EXPECT_EQ(piece.fans, 5u);
    EXPECT_EQ(piece.vertices, 15u);
}

TEST(PieceImport, ThePieceIsNamedByItsOneMeshNodeOrItsStem) {
    const auto node = [](const char* name) {
        Json n = {{"mesh", 0}};
        if (name != nullptr) {
            n["name"] = name;
        }
        return n;
    };
    std::string longName;
    for (int i = 0; i < 64; ++i) {
        longName += "箱";
    }
    const struct {
        std::vector<Json> nodes;
        std::string option;
        std::string name; // expected, or the refusal's telling part
        bool refused;
    } cases[] = {
        {{node("Textured Cube")}, "", "Textured Cube", false},
        {{node("Cube"), node("Cone")}, "", "piece", false},
        {{node(nullptr)}, "", "piece", false},
        {{node("Cube")}, "赤い箱", "赤い箱", false},
        {{node("café")}, "", "(U+00E9)", true},
        {{node("Cube")}, longName, "128 bytes", true},
        {{node("Cube")}, std::string(127, 'n'), std::string(127, 'n'), false},
        {{node("a\nb")}, "", "control character", true},
    };
    for (const auto& c : cases) {
        GltfBuilder gltf;
        gltf.Mesh(kTriangle, {0, 1, 2});
        for (const Json& n : c.nodes) {
            gltf.Node(n);
        }
        ImportOptions options;
        options.pieceName = c.option;
        const Result<ImportedPiece> piece = ImportGltfBytes(gltf.Glb(), "", "piece", options);
        if (c.refused) {
            ASSERT_FALSE(piece) << c.name;
            EXPECT_EQ(piece.refusal().code, "import-name");
            EXPECT_NE(piece.refusal().message.find(c.name), std::string::npos)
                << piece.refusal().message;
            continue;
        }
        ASSERT_TRUE(piece) << piece.refusal().message;
        EXPECT_EQ(piece->pieceName, c.name);
        const PieceRecord record =
            PieceRecordFromProfileBytes(piece->profile.bytes.data(), piece->profile.bytes.size());
        EXPECT_EQ(FieldText(record.pieceName, 128), piece->pieceNameShiftJis);
        EXPECT_EQ(ShiftJisToUtf8(piece->pieceNameShiftJis), c.name);
        EXPECT_EQ(FieldText(record.modelFile, 32), "piece.msm");
    }
}

TEST(PieceImport, AStemMustNameFilesAndFitTheModelField) {
    const std::string kanji13 = "赤赤赤赤赤赤赤赤赤赤赤赤赤"; // 26 bytes in Shift-JIS
    const struct {
        std::string stem;
        bool fits;
    } cases[] = {
        {"crate", true},
        {std::string(27, 'a'), true},
        {kanji13, true},
        {"", false},
        {std::string(28, 'a'), false},
        {kanji13 + "赤", false},
        {"a/b", false},
        {"a\\b", false},
        {"..", false},
        {".", false},
        {"a:b", false},
        {"a*", false},
        {"crate.", false},
        {"CON", false},
        {"nul.old", false},
        {"Com7", false},
        {"com0", true},
        {"lpt1", false},
        {"café", false},
        {"tab\there", false},
    };
    for (const auto& c : cases) {
        const Result<std::string> bytes = CheckImportStem(c.stem);
        EXPECT_EQ(static_cast<bool>(bytes), c.fits) << c.stem;
        if (!bytes) {
            EXPECT_EQ(bytes.refusal().code, "import-stem");
        }
    }
}

Json& Accessor(GltfBuilder& gltf, const char* attribute) {
    return gltf.document["accessors"][Primitive(gltf)["attributes"][attribute].get<int>()];
}

// Where the data of an accessor starts in buffer 0.
std::size_t ViewOffset(GltfBuilder& gltf, const Json& accessor) {
    const int view = gltf.document["accessors"][accessor.get<int>()]["bufferView"];
    return gltf.document["bufferViews"][view]["byteOffset"];
}

// Careless and hostile files: each refused with its reason, nothing made.
TEST(PieceImport, RefusesWhatCannotBeReadOrHeldWithItsReason) {
    const Bytes glb = Square().Glb();
    Bytes cut = glb;
    cut.resize(glb.size() / 2);
    Bytes version1 = glb;
    version1[4] = 1;
    // The binary chunk declaring 4 bytes more than the file holds after it.
    Bytes longBin = glb;
    const std::size_t binAt = 20 + (glb[12] | glb[13] << 8 | glb[14] << 16 | glb[15] << 24);
    const std::size_t binLength = glb.size() - binAt - 4;
    for (int i = 0; i < 4; ++i) {
        longBin[binAt + i] = static_cast<std::uint8_t>(binLength >> (8 * i));
    }
    Bytes random(300);
    for (std::size_t i = 0; i < random.size(); ++i) {
        random[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    const auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    const auto buffer = [](const std::string& uri) {
        return [uri](GltfBuilder& g) {
            g.document["buffers"] = {{{"byteLength", 4}, {"uri", uri}},
                                     {{"byteLength", g.bin.size()}}};
        };
    };
    const auto required = [](const char* extension) {
        return [extension](GltfBuilder& g) {
            g.document["extensionsUsed"] = {extension};
            g.document["extensionsRequired"] = {extension};
        };
    };
    std::vector<float> many;
    for (int i = 0; i < 70000; ++i) {
        many.insert(many.end(), {static_cast<float>(i), 0, 0});
    }
    const auto picture = [](std::uint32_t width, std::uint32_t height) {
        return Changed([=](GltfBuilder& g) {
            g.document["images"][0]["bufferView"] = g.View(PngClaimingSides(width, height));
        });
    };
    const std::string deep = std::string(100, '[') + std::string(100, ']');
    const struct {
        const char* what;
        Bytes file;
        const char* code;
        std::vector<std::string> says = {}; // parts of the message
    } cases[] = {
        {"no bytes", {}, "gltf-json"},
        {"JSON nested deeper than any glTF document",
         text(R"({"asset":{"version":"2.0"},"nodes":)" + deep + "}"), "gltf-json"},
        {"random bytes", random, "gltf-json"},
        {"a GLB header cut off", Bytes(glb.begin(), glb.begin() + 10), "gltf-truncated"},
        {"a GLB file cut in half", cut, "gltf-truncated"},
        {"a GLB of version 1", version1, "gltf-version"},
        {"a GLB binary chunk longer than the file", longBin, "gltf-truncated"},
        {"a glTF 1.0 document", text(R"({"asset":{"version":"1.0"}})"), "gltf-version"},
        {"a document without its asset", text(R"({"scenes":[]})"), "gltf-version"},
        {"JSON that is no object", text("[1,2,3]"), "gltf-json"},
        {"a .bin that is not there", text(Square().Gltf("square.bin")), "gltf-missing-file"},
        {"a buffer on the web", Changed(buffer("https://example.com/a.bin")), "gltf-uri-scheme"},
        {"a buffer at an absolute path", Changed(buffer("/etc/passwd")), "gltf-uri-absolute"},
        {"a buffer on a drive", Changed(buffer("C:/a.bin")), "gltf-uri-absolute"},
        {"an absolute path percent-encoded", Changed(buffer("%2Fetc%2Fpasswd")),
         "gltf-uri-absolute"},
        {"a broken percent escape", Changed(buffer("a%zz.bin")), "gltf-uri"},
        {"a second buffer without a URI in a GLB", Changed([](GltfBuilder& g) {
             g.document["buffers"] = {{{"byteLength", 4}}, {{"byteLength", 4}}};
         }),
         "gltf-invalid"},
        {"Draco required", Changed(required("KHR_draco_mesh_compression")), "gltf-draco"},
        {"Draco without uncompressed data", Changed([](GltfBuilder& g) {
             g.document["extensionsUsed"] = {"KHR_draco_mesh_compression"};
             Primitive(g)["extensions"] = {
                 {"KHR_draco_mesh_compression",
                  {{"bufferView", 0}, {"attributes", {{"POSITION", 0}}}}}};
             Accessor(g, "POSITION").erase("bufferView");
         }),
         "gltf-draco"},
        {"meshopt required", Changed(required("EXT_meshopt_compression")), "gltf-meshopt"},
        {"another required extension", Changed(required("EXT_mesh_gpu_instancing")),
         "gltf-extension"},
        {"an accessor past its view",
         Changed([](GltfBuilder& g) { Accessor(g, "POSITION")["count"] = 5; }), "gltf-invalid"},
        {"an accessor of the wrong type",
         Changed([](GltfBuilder& g) { Accessor(g, "POSITION")["type"] = "VEC2"; }), "gltf-invalid"},
        {"a view past its buffer",
         Changed([](GltfBuilder& g) { g.document["bufferViews"][1]["byteOffset"] = 1 << 20; }),
         "gltf-invalid"},
        {"an index past the vertices",
         Changed([](GltfBuilder& g) { g.bin[ViewOffset(g, Primitive(g)["indices"])] = 9; }),
         "gltf-index-range"},
        {"a position that is not a number", Changed([](GltfBuilder& g) {
             const std::size_t at = ViewOffset(g, Primitive(g)["attributes"]["POSITION"]);
             g.bin[at + 2] = 0xC0, g.bin[at + 3] = 0x7F;
         }),
         "gltf-not-finite"},
        {"sparse values past the elements", Changed([](GltfBuilder& g) {
             Accessor(g, "POSITION")["sparse"] = {
                 {"count", 1},
                 {"indices", {{"bufferView", g.View({9, 0, 0, 0})}, {"componentType", 5125}}},
                 {"values", {{"bufferView", g.View(Bytes(12, 0))}}}};
         }),
         "gltf-invalid"},
        {"a material that is not there",
         Changed([](GltfBuilder& g) { Primitive(g)["material"] = 7; }), "gltf-invalid"},
        {"a picture that does not decode", Changed([](GltfBuilder& g) {
             g.document["images"][0]["bufferView"] = g.View(Bytes(64, 0x89));
         }),
         "gltf-picture"},
        // The limits of the import's own, each named (the picture is refused
        // from its header).
        {"a picture of 32768 x 32768",
         picture(32768, 32768),
         "gltf-picture",
         {"32768 x 32768 pixels: sides of more than 16384 pixels are not read"}},
        {"a picture of 16384 x 8192",
         picture(16384, 8192),
         "gltf-picture",
         {"16384 x 8192 pixels: more than 67108864 pixels are not read"}},
        {"a picture file that is not there", Changed([](GltfBuilder& g) {
             g.document["images"][0] = {{"uri", "wood.png"}};
         }),
         "gltf-missing-file"},
        {"points alone", Changed([](GltfBuilder& g) { Primitive(g)["mode"] = 0; }),
         "import-no-triangles"},
        {"lines alone", Changed([](GltfBuilder& g) { Primitive(g)["mode"] = 1; }),
         "import-no-triangles"},
        {"triangles that cover nothing", Changed([](GltfBuilder& g) {
             Primitive(g)["indices"] = g.Indices({0, 0, 1, 2, 2, 2});
         }),
         "import-no-triangles"},
        {"a node that is its own child",
         Changed([](GltfBuilder& g) { g.document["nodes"][0]["children"] = {0}; }),
         "gltf-node-tree"},
        {"a node that is not there",
         Changed([](GltfBuilder& g) { g.document["nodes"][0]["children"] = {1}; }), "gltf-invalid"},
        {"18 materials",
         Changed([](GltfBuilder& g) {
             for (int i = 0; i < 18; ++i) {
                 const float shade = static_cast<float>(i) / 20;
                 const int m = g.ColourMaterial({shade, 0, 0, 1});
                 g.Node({{"mesh", g.Mesh(kTriangle, {0, 1, 2}, m)}});
             }
         }),
         "import-too-many-materials",
         {"19 different materials", "in Blender, join materials that share a picture"}},
        {"70,000 vertices that differ",
         Changed([&many](GltfBuilder& g) {
             std::vector<std::uint32_t> indices;
             for (std::uint32_t i = 0; i + 2 < 70000; i += 3) {
                 indices.insert(indices.end(), {i, i + 1, i + 2});
             }
             std::vector<float> positions = many;
             for (std::size_t i = 1; i < positions.size(); i += 9) {
                 positions[i] = 1; // the second corner of each triangle off the line
             }
             g.Node({{"mesh", g.Mesh(positions, indices)}});
         }),
         "import-too-many-vertices",
         {"70002 different vertices", "in Blender, reduce them with a Decimate modifier"}},
    };
    for (const auto& c : cases) {
        const Result<ImportedPiece> piece = ImportGltfBytes(c.file, "", "piece", {});
        ASSERT_FALSE(piece) << c.what;
        EXPECT_EQ(piece.refusal().code, c.code) << c.what << ": " << piece.refusal().message;
        EXPECT_FALSE(piece.refusal().message.empty());
        for (const std::string& part : c.says) {
            EXPECT_NE(piece.refusal().message.find(part), std::string::npos)
                << c.what << ": " << piece.refusal().message;
        }
    }
    for (const auto& [scale, maxSide] : std::initializer_list<std::pair<double, int>>{
             {0, 256}, {-1, 256}, {std::nan(""), 256}, {HUGE_VAL, 256}, {1, 1}, {1e39, 256}}) {
        ImportOptions options;
        options.scale = scale;
        options.maxSide = maxSide;
        EXPECT_EQ(ImportGltfBytes(glb, "", "piece", options).refusal().code, "import-option")
            << scale << " " << maxSide;
    }
}

// The files beside a .gltf: found under their percent-decoded names,
// relative paths upward included.
TEST(PieceImport, FindsTheFilesBesideATextModelByTheirDecodedNames) {
    ScratchFolder scratch;
    std::filesystem::create_directories(scratch.Path() / "model");
    std::filesystem::create_directories(scratch.Path() / "shared");
    GltfBuilder gltf = Square();
    const Bytes picture = PatternPng(4, 2);
    gltf.document["images"][0] = {{"uri", "..%2Fshared/wood+grain%20%E6%9C%A8.png"}};
    // Named through the wide path on Windows: the URI's UTF-8 is no ANSI text.
    std::ofstream(scratch.Path() / std::filesystem::path(u8"shared/wood+grain 木.png"),
                  std::ios::binary)
        .write(reinterpret_cast<const char*>(picture.data()),
               static_cast<std::streamsize>(picture.size()));
    WriteBytes(scratch.File("model/a b.bin"), gltf.bin);
    const std::string text = gltf.Gltf("a%20b.bin");
    WriteBytes(scratch.File("model/square.gltf"), Bytes(text.begin(), text.end()));
    const Result<ImportedPiece> piece =
        ImportGltfFile(scratch.File("model/square.gltf"), ImportOptions{});
    ASSERT_TRUE(piece) << piece.refusal().message;
    EXPECT_EQ(piece->stem, "square");
    EXPECT_EQ(piece->pieceName, "Square");
    EXPECT_EQ(piece->triangles, 2u);
    EXPECT_EQ(TxrLevel0Picture(piece->textures[0].bytes)->width, 4);
    // Data URIs need no folder.
    const std::string embedded = Square().Gltf();
    EXPECT_TRUE(ImportGltfBytes(Bytes(embedded.begin(), embedded.end()), "", "p", {}));
    EXPECT_EQ(ImportGltfFile(scratch.File("model/none.glb"), {}).refusal().code, "import-read");
}

TEST(PieceImport, WritesThePieceIntoItsThreeFoldersAndReplacesOnlyWhenForced) {
    ScratchFolder scratch;
    for (const char* folder : {"p", "m", "t"}) {
        std::filesystem::create_directories(scratch.Path() / folder);
    }
    const std::string p = scratch.File("p"), m = scratch.File("m"), t = scratch.File("t");
    GltfBuilder gltf;
    const int wood = gltf.PictureMaterial(PatternPng(4, 2));
    const Bytes glb = Triangles(gltf, {wood, gltf.ColourMaterial({0, 1, 0, 1})});
    ImportOptions options;
    options.stem = "箱";
    const ImportedPiece piece = Import(glb, options);
    const Result<WrittenPiece> written = WriteImportedPiece(piece, p, m, t, false);
    ASSERT_TRUE(written) << written.refusal().message;
    EXPECT_EQ(written->paths.size(), 4u);
    EXPECT_TRUE(written->replaced.empty());
    // Names on disk as the system spells them (Shift-JIS on Windows).
    const auto disk = [](const std::string& folder, const std::string& name) {
        return folder + "/" + NameOnDisk(*Utf8ToShiftJis(name));
    };
    EXPECT_EQ(ReadBytes(disk(p, "箱.prt")), piece.profile.bytes);
    EXPECT_EQ(ReadBytes(disk(m, "箱.msm")), piece.model.bytes);
    EXPECT_EQ(ReadBytes(disk(t, "箱_1.txr")), piece.textures[1].bytes);
    // The catalogue finds the piece as the viewer does.
    const std::vector<CatalogueProfile> profiles = ListProfiles(IndexFolder(p));
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_TRUE(profiles[0].qualifies);
    EXPECT_TRUE(FindInFolder(IndexFolder(m), NameOnDisk(profiles[0].modelFile)));
    for (const std::string& name : ReadMsmTextureNames(piece.model.bytes)) {
        EXPECT_EQ(FindTexture(IndexFolder(t), name).status, TextureLookup::found) << name;
    }

    // Again: refused, naming what is there, unless forced; a file of
    // another case counts as there.
    ASSERT_EQ(std::rename(disk(t, "箱_0.txr").c_str(), disk(t, "箱_0.TXR").c_str()), 0);
    const Result<WrittenPiece> again = WriteImportedPiece(piece, p, m, t, false);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.refusal().code, "import-exists");
    // (As the folder spells it: under Wine a change of case alone may leave
    // the name as it was.)
    const FolderIndex textureFolder = IndexFolder(t);
    const FolderFile* renamed =
        FindInFolder(textureFolder, NameOnDisk(*Utf8ToShiftJis("箱_0.txr")));
    ASSERT_TRUE(renamed);
    EXPECT_NE(again.refusal().message.find(renamed->name), std::string::npos);
    const Result<WrittenPiece> forced = WriteImportedPiece(piece, p, m, t, true);
    ASSERT_TRUE(forced) << forced.refusal().message;
    EXPECT_EQ(forced->replaced.size(), 4u);
    EXPECT_EQ(scratch.Entries(), (std::vector<std::string>{"m", "p", "t"}));
    std::vector<std::string> textures;
    for (const FolderFile& file : IndexFolder(t).files) {
        textures.push_back(ShownFileName(file.name));
    }
    std::sort(textures.begin(), textures.end());
    EXPECT_EQ(textures, (std::vector<std::string>{"箱_0.txr", "箱_1.txr"}));
    EXPECT_EQ(WriteImportedPiece(piece, p, scratch.File("none"), t, true).refusal().code,
              "import-folder");
}

#ifdef PV_SOURCE_DIR
// The sample pieces exported as piecetool export writes them and imported
// back: the same triangles with the same texture coordinates, each drawn
// with a texture of the same picture, and the same names.
TEST(PieceImport, TheSamplePiecesComeBackFromTheirExports) {
    const std::filesystem::path samples = std::filesystem::path(PV_SOURCE_DIR) / "samples";
    const FolderIndex textures = IndexFolder((samples / "textures").string());
    int pieces = 0;
    for (const CatalogueProfile& profile :
         ListProfiles(IndexFolder((samples / "profiles").string()))) {
        SCOPED_TRACE(profile.fileName);
        ++pieces;
        const Bytes model = ReadBytes((samples / "models" / profile.modelFile).string());
        const std::vector<std::string> names = ReadMsmTextureNames(model);
        std::vector<Bytes> pictures; // level 0 of each texture the model names
        for (const std::string& name : names) {
            const TextureFile file = FindTexture(textures, name);
            pictures.push_back(
                TxrLevel0Picture(ReadBytes(FolderPath(textures.folder, file.file->name)))->rgb);
        }
        const std::string name = ShiftJisToUtf8(profile.pieceName);
        const Result<GltfPiece> exported = BuildPieceGltf(
            model, name,
            [&](int t) {
                const auto picture = TxrLevel0Picture(ReadBytes(
                    FolderPath(textures.folder, FindTexture(textures, names[t]).file->name)));
                return EncodePng(*picture).value();
            },
            GltfOptions{});
        ASSERT_TRUE(exported);
        const ImportedPiece piece = Import(PackGlb(*exported));
        EXPECT_EQ(piece.pieceName, name);
        std::multimap<Triangle, Bytes> before, after;
        for (const auto& [triangle, slot] : DrawnTriangles(model)) {
            before.emplace(triangle, pictures[static_cast<std::size_t>(slot)]);
        }
        for (const auto& [triangle, slot] : DrawnTriangles(piece.model.bytes)) {
            after.emplace(
                triangle,
                TxrLevel0Picture(piece.textures[static_cast<std::size_t>(slot)].bytes)->rgb);
        }
        EXPECT_TRUE(before == after)
            << before.size() << " triangles before, " << after.size() << " after";
    }
    EXPECT_EQ(pieces, 5);
}
#endif

// The texture coordinates a material's picture is drawn with: its own set,
// as floats or normalized integers, moved, turned and scaled as
// KHR_texture_transform says.
TEST(PieceImport, TakesTheTextureCoordinatesOfTheMaterialsSetAndTransform) {
    GltfBuilder gltf = Square();
    Json& primitive = Primitive(gltf);
    primitive["attributes"]["TEXCOORD_1"] = static_cast<int>(gltf.document["accessors"].size());
    gltf.document["accessors"].push_back(
        Json({{"bufferView", gltf.View({0, 255, 255, 255, 255, 0, 0, 0})},
              {"componentType", 5121},
              {"normalized", true},
              {"count", 4},
              {"type", "VEC2"}}));
    Json& info = gltf.document["materials"][0]["pbrMetallicRoughness"]["baseColorTexture"];
    info["texCoord"] = 1;
    const auto uvs = [](const Bytes& file) {
        std::multiset<std::pair<long, long>> found;
        for (const auto& [triangle, slot] : DrawnTriangles(Import(file).model.bytes)) {
            for (const Corner& corner : triangle) {
                found.insert({corner[3], corner[4]});
            }
        }
        return std::set<std::pair<long, long>>(found.begin(), found.end());
    };
    // Square's corners (0,0) (1,0) (1,1) (0,1) carry set 1's (0,1) (1,1) (1,0) (0,0).
    EXPECT_EQ(uvs(gltf.Glb()),
              (std::set<std::pair<long, long>>{{0, 10000}, {10000, 10000}, {10000, 0}, {0, 0}}));
    // A quarter turn, a scale by 2 and 3 and a move by (0.5, 0.25): u' = 3v + 0.5,
    // v' = -2u + 0.25.
    info["extensions"] = {{"KHR_texture_transform",
                           {{"offset", {0.5, 0.25}},
                            {"rotation", std::acos(0.0)},
                            {"scale", {2, 3}},
                            {"texCoord", 0}}}};
    // Set 0 of Square: (0,1) (1,1) (1,0) (0,0) as well.
    EXPECT_EQ(uvs(gltf.Glb()), (std::set<std::pair<long, long>>{
                                   {35000, 2500}, {35000, -17500}, {5000, -17500}, {5000, 2500}}));
}

// Which nodes are drawn: the default scene's, else the first scene's, else
// every node that is no other's child.
TEST(PieceImport, DrawsTheDefaultSceneOrTheFirstOrEveryRootNode) {
    const struct {
        const char* what;
        std::function<void(GltfBuilder&)> change;
        std::size_t triangles;
    } cases[] = {
        {"the default scene", [](GltfBuilder& g) { g.document["scene"] = 1; }, 2},
        {"the first scene without a default", [](GltfBuilder& g) { g.document.erase("scene"); }, 1},
        {"every root without scenes",
         [](GltfBuilder& g) {
             g.document.erase("scene");
             g.document.erase("scenes");
         },
         3},
        {"every root without scenes, node 0 a parent",
         [](GltfBuilder& g) {
             g.document.erase("scene");
             g.document.erase("scenes");
             g.document["nodes"][0]["children"] = {g.document["nodes"].size()};
             g.document["nodes"].push_back({{"mesh", 0}, {"translation", {0, 1, 0}}});
         },
         4},
    };
    for (const auto& c : cases) {
        GltfBuilder gltf;
        const int mesh = gltf.Mesh(kTriangle, {0, 1, 2});
        gltf.Node({{"mesh", mesh}}); // scene 0
        const int child = gltf.Node({{"mesh", mesh}, {"translation", {0, 0, 1}}}, false);
        gltf.document["nodes"].push_back({{"mesh", mesh}, {"children", {child}}});
        gltf.document["scenes"].push_back({{"nodes", {2}}});
        c.change(gltf);
        EXPECT_EQ(Import(gltf.Glb()).triangles, c.triangles) << c.what;
    }
}

// What a model holds that the piece does not is said, once each; Draco with
// uncompressed data to fall back on is read.
TEST(PieceImport, SaysWhatIsLeftOutAndReadsWhatCompressionFallsBackOn) {
    const struct {
        const char* what;
        std::function<void(GltfBuilder&)> change;
        const char* note; // empty: none
    } cases[] = {
        {"points beside the triangles",
         [](GltfBuilder& g) {
             g.document["meshes"][0]["primitives"].push_back(Primitive(g));
             g.document["meshes"][0]["primitives"][1]["mode"] = 0;
         },
         "points and lines"},
        {"vertex colours",
         [](GltfBuilder& g) {
             Primitive(g)["attributes"]["COLOR_0"] = g.Floats(std::vector<float>(12, 1), "VEC3");
         },
         "vertex colours"},
        {"transparency", [](GltfBuilder& g) { g.document["materials"][0]["alphaMode"] = "BLEND"; },
         "transparency"},
        {"Draco with uncompressed accessors",
         [](GltfBuilder& g) {
             g.document["extensionsUsed"] = {"KHR_draco_mesh_compression"};
             Primitive(g)["extensions"] = {
                 {"KHR_draco_mesh_compression",
                  {{"bufferView", 0}, {"attributes", {{"POSITION", 0}}}}}};
         },
         ""},
    };
    for (const auto& c : cases) {
        const ImportedPiece piece = Import(Changed(c.change));
        EXPECT_EQ(piece.triangles, 2u) << c.what;
        if (*c.note == '\0') {
            EXPECT_TRUE(piece.notes.empty()) << c.what;
        } else {
            ASSERT_EQ(piece.notes.size(), 1u) << c.what;
            EXPECT_NE(piece.notes[0].find(c.note), std::string::npos) << piece.notes[0];
        }
    }
}

} // namespace
