// Writes a few small glTF models into the folder named on the command line:
// the starting corpus of the import's fuzz target, so that it begins from
// files that parse and reach the geometry (a GLB with a picture, a .gltf with
// data: URIs, a strip under a node hierarchy, sparse and morphed positions, a
// mesh skinned to two joints, a specular-glossiness material beside a camera
// and a light the piece has no use for).
#include "builders/gltf_builder.h"
#include "png/png_image.h"

#include <string>

using Json = nlohmann::json;

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    RgbPicture picture;
    picture.width = 4;
    picture.height = 2;
    for (int i = 0; i < 24; ++i) {
        picture.rgb.push_back(static_cast<std::uint8_t>(i * 10));
    }
    const std::vector<float> square = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const std::vector<float> uvs = {0, 1, 1, 1, 1, 0, 0, 0};

    GltfBuilder textured;
    const int material = textured.PictureMaterial(EncodePng(picture).value(), {1, 0.5f, 0.5f, 1});
    textured.Node({{"name", "Square"},
                   {"mesh", textured.Mesh(square, {0, 1, 2, 0, 2, 3}, material, {}, uvs)}});

    GltfBuilder tree;
    const int red = tree.ColourMaterial({1, 0, 0, 1});
    const int mesh = tree.Mesh(square, {1, 2, 0, 3}, red);
    tree.document["meshes"][mesh]["primitives"][0]["mode"] = 5;
    tree.document["meshes"][mesh]["primitives"][0]["targets"] = {
        {{"POSITION", tree.Floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, "VEC3")}}};
    const int child = tree.Node({{"mesh", mesh}, {"scale", {-1, 1, 1}}, {"weights", {0.5}}}, false);
    tree.Node({{"children", {child}}, {"rotation", {0, 0.7071, 0, 0.7071}}});

    GltfBuilder skinned;
    const int bent = skinned.Mesh(square, {0, 1, 2, 0, 2, 3});
    Json& attributes = skinned.document["meshes"][bent]["primitives"][0]["attributes"];
    attributes["JOINTS_0"] = skinned.Bytes4({0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0});
    attributes["WEIGHTS_0"] =
        skinned.Floats({1, 0, 0, 0, 1, 0, 0, 0, 0.5f, 0.5f, 0, 0, 1, 0, 0, 0}, "VEC4");
    const int tip =
        skinned.Node({{"translation", {0, 1, 0}}, {"rotation", {0.38f, 0, 0, 0.92f}}}, false);
    const int root = skinned.Node({{"children", {tip}}, {"translation", {1, 0, 0}}});
    skinned.document["skins"] = {
        {{"joints", {root, tip}},
         {"inverseBindMatrices", skinned.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0,  0, 1, //
                                                 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1},
                                                "MAT4")}}};
    skinned.Node({{"mesh", bent}, {"skin", 0}});

    GltfBuilder glossy = textured;
    glossy.document["extensionsUsed"] = {"KHR_materials_pbrSpecularGlossiness",
                                         "KHR_lights_punctual"};
    glossy.document["materials"][0]["extensions"]["KHR_materials_pbrSpecularGlossiness"] = {
        {"diffuseFactor", {1, 0.5, 0.5, 1}}, {"diffuseTexture", {{"index", 0}}}};
    glossy.document["cameras"] = {{{"type", "perspective"}, {"perspective", {{"yfov", 1}}}}};
    glossy.document["extensions"]["KHR_lights_punctual"]["lights"] = {{{"type", "spot"}}};

    const auto write = [&argv](const std::string& name, const Bytes& bytes) {
        WriteBytes(std::string(argv[1]) + "/" + name, bytes);
    };
    const std::string text = textured.Gltf();
    write("textured.glb", textured.Glb());
    write("textured.gltf", Bytes(text.begin(), text.end()));
    write("tree.glb", tree.Glb());
    write("skinned.glb", skinned.Glb());
    write("glossy.glb", glossy.Glb());
    return 0;
}
