// The glTF asset of a model: what the viewer draws, mirrored into glTF's
// right-handed space, with its materials and options.
#include "gltf/gltf_export.h"

#include "builders/msm_builder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>

namespace {

using Json = nlohmann::json;

TestModel FiveGroupModel() {
    TestModel model;
    model.names = {"a.bmp", "missing.bmp"};
    model.textureCount = 2;
    model.vertices = {{0, 0, 1, 0, 0, -2, 0, 0},
                      {1, 0, 2, 0, 0, -1, 1, 0},
                      {1, 1, 3, 0, 0, -1, 1, 1},
                      {0, 1, 4, 0, 0, -1, 0, 1},
                      {0.5f, 0.5f, 5, 0, 0, 0, 0.5f, 0.5f}};
    model.groups = {{0, {0, 1, 2, 3}, 0, {{1, {2}}}}, // textured, with nested records
                    {-1, {0, 1, 2}, 0, {}},           // no texture: white
                    {0, {0, 1}, 0, {}},               // no triangle: not drawn
                    {0, {0, 1, 9}, 0, {}},            // index past the vertices: not drawn
                    {1, {4, 1, 2}, 0, {}}};           // texture not usable: white
    return model;
}

float FloatAt(const std::vector<std::uint8_t>& bin, std::size_t offset) {
    float value;
    std::memcpy(&value, bin.data() + offset, 4);
    return value;
}

TEST(GltfExport, DrawsTheViewersGroupsMirroredWithWindingReversed) {
    const Bytes model = BuildMsm(FiveGroupModel()).bytes;
    std::vector<int> asked;
    const TexturePngSource source = [&asked](int index) {
        asked.push_back(index);
        return index == 0 ? std::vector<std::uint8_t>{0x89, 'P', 'N', 'G'}
                          : std::vector<std::uint8_t>{};
    };
    const Result<GltfPiece> piece = BuildPieceGltf(model, "赤い箱", source, GltfOptions{});
    ASSERT_TRUE(piece);
    EXPECT_EQ(asked, (std::vector<int>{0, 1})) << "each texture a drawn group uses, once";
    const Json doc = Json::parse(piece->json);
    EXPECT_EQ(doc["nodes"][0]["name"], "赤い箱");
    const Json& primitives = doc["meshes"][0]["primitives"];
    ASSERT_EQ(primitives.size(), 3u) << "groups without a triangle or with a bad index are skipped";
    EXPECT_EQ(primitives[0]["attributes"].count("TEXCOORD_0"), 1u);
    EXPECT_EQ(primitives[1]["attributes"].count("TEXCOORD_0"), 0u) << "untextured: no coordinates";
    EXPECT_EQ(primitives[1]["material"], primitives[2]["material"]) << "one white material";
    ASSERT_EQ(doc["materials"].size(), 2u);
    for (const Json& material : doc["materials"]) {
        EXPECT_EQ(material["pbrMetallicRoughness"]["metallicFactor"], 0);
        EXPECT_EQ(material["pbrMetallicRoughness"]["roughnessFactor"], 1);
        EXPECT_FALSE(material.contains("extensions")) << "lit unless --unlit";
    }
    EXPECT_FALSE(doc["materials"][1]["pbrMetallicRoughness"].contains("baseColorTexture"));
    EXPECT_EQ(doc["samplers"][0],
              Json({{"magFilter", 9729}, {"minFilter", 9987}, {"wrapS", 10497}, {"wrapT", 10497}}));

    // The fan 0 1 2 3 is the triangles 0 1 2 and 0 2 3, each reversed.
    const Json& accessors = doc["accessors"];
    const Json& views = doc["bufferViews"];
    const Json& indexView =
        views[accessors[primitives[0]["indices"].get<int>()]["bufferView"].get<int>()];
    std::vector<int> indices;
    for (int i = 0; i < 6; ++i) {
        const std::size_t at = indexView["byteOffset"].get<std::size_t>() + 2 * i;
        indices.push_back(piece->bin[at] | piece->bin[at + 1] << 8);
    }
    EXPECT_EQ(indices, (std::vector<int>{0, 2, 1, 0, 3, 2}));

    // Z mirrored on positions and normals. (The layout of buffers, views and
    // the binary container is checked by the Khronos validator on exports.)
    const std::size_t positions = views[0]["byteOffset"];
    const std::size_t normals = views[1]["byteOffset"];
    EXPECT_EQ(FloatAt(piece->bin, positions + 8), -1.0f) << "z of vertex 0";
    EXPECT_EQ(FloatAt(piece->bin, normals + 8), 1.0f) << "normal (0 0 -2) becomes (0 0 1)";
    EXPECT_EQ(FloatAt(piece->bin, normals + 4 * 12 + 4), 1.0f) << "a normal of no length: up";
}

TEST(GltfExport, UnlitSeparateFilesAndMalformedModels) {
    const Bytes model = BuildMsm(FiveGroupModel()).bytes;
    GltfOptions options;
    options.unlit = true;
    options.embedImages = false;
    options.binUri = "p.bin";
    options.imageUri = [](std::size_t i) { return "p_" + std::to_string(i) + ".png"; };
    const Result<GltfPiece> piece = BuildPieceGltf(
        model, "p",
        [](int) {
            return std::vector<std::uint8_t>{1, 2, 3};
        },
        options);
    ASSERT_TRUE(piece);
    const Json doc = Json::parse(piece->json);
    EXPECT_EQ(doc["extensionsUsed"], Json({"KHR_materials_unlit"}));
    for (const Json& material : doc["materials"]) {
        EXPECT_TRUE(material["extensions"].contains("KHR_materials_unlit"));
    }
    EXPECT_EQ(doc["buffers"][0]["uri"], "p.bin");
    EXPECT_EQ(doc["images"].size(), 2u) << "both textures usable now";
    EXPECT_EQ(doc["images"][1]["uri"], "p_1.png");
    EXPECT_EQ(piece->pngs.size(), 2u);
    EXPECT_EQ(FileNameUri("a b%\x90\xd4.bin"), "a%20b%25%90%D4.bin");

    Bytes cut = model;
    cut.resize(cut.size() - 1);
    EXPECT_EQ(BuildPieceGltf(cut, "p", {}, GltfOptions{}).refusal().code, "model-malformed")
        << "a model that runs past its data";
}

} // namespace
