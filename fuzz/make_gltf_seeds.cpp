// Writes a few small glTF models into the folder named on the command line:
// the starting corpus of the import's fuzz target, so that it begins from
// files that parse and reach the geometry (a GLB with a picture, a .gltf with
// data: URIs, a strip under a node hierarchy, sparse and morphed positions).
#include "builders/gltf_builder.h"
#include "png/png_image.h"

#include <string>

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

    const auto write = [&argv](const std::string& name, const Bytes& bytes) {
        WriteBytes(std::string(argv[1]) + "/" + name, bytes);
    };
    const std::string text = textured.Gltf();
    write("textured.glb", textured.Glb());
    write("textured.gltf", Bytes(text.begin(), text.end()));
    write("tree.glb", tree.Glb());
    return 0;
}
