// Reading glTF 2.0 models (.gltf with the files beside it, or .glb) as the
// triangles of their default scene, for the import of a model as a piece.
//
// The reading runs in phases, each in a file of its own: the container and
// the files its URIs name (gltf_container.h); the document before the glTF
// library reads it, its extensions (gltf_extensions.h) and the parts a piece
// has no use for (gltf_unused_parts.h); the library (tinygltf); one
// validation pass of every index and length the piece uses
// (gltf_validation.h); then the materials (gltf_materials.h) and the
// scene's triangles (gltf_scene.h), which trust what was validated. What a
// piece cannot hold or the reader cannot decode is refused with a reason;
// what a piece merely cannot show is left out with a note.
//
// Every node transform of the scene is applied (a skinned mesh is placed by
// its skin instead), so the triangles come out in the scene's own space
// (glTF's: right-handed, +Y up), each wound counter-clockwise seen from its
// front, also under a node that mirrors.
#pragma once

#include "common/result.h"
#include "png/picture.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The triangles of one primitive drawn by one node.
struct SceneTriangles {
    int material = -1; // into GltfScene::materials; -1: the primitive names none
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 3>> normals; // unit length (or zero); empty: none in the file
    // The coordinates the material's base-colour texture is drawn with,
    // KHR_texture_transform applied; empty when the primitive has none.
    std::vector<std::array<float, 2>> uvs;
    std::vector<std::uint32_t> corners; // three vertex positions per triangle
};

struct SceneMaterial {
    std::string name;
    std::array<float, 4> baseColour = {1, 1, 1, 1}; // linear, the factor
    int picture = -1; // the base-colour texture's picture, into GltfScene::pictures; -1: none
};

// A picture as the file holds it (PNG or JPEG), decoded only when used.
struct ScenePicture {
    std::string name; // the image's name, or its URI
    std::vector<std::uint8_t> encoded;
};

struct GltfScene {
    std::vector<SceneTriangles> triangles;
    std::vector<SceneMaterial> materials;
    std::vector<ScenePicture> pictures;
    // The nodes of the scene that carry a mesh, by name (empty when unnamed).
    std::vector<std::string> meshNodes;
    // Primitives of points or lines were left out (only triangles are read).
    bool pointsOrLines = false;
    // What the model holds that is not imported (points and lines, vertex
    // colours, transparency, extensions a piece cannot show, invalid parts
    // it has no use for): one sentence each, for the user.
    std::vector<std::string> notes;
};

// Largest picture side and pixel count decoded: far beyond any texture, and
// small enough that a picture's header cannot ask for an absurd allocation.
inline constexpr int kMaxPictureSide = 1 << 14;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;

// The scene of the glTF or GLB file held in `file`. `folder` is where the
// files it names are looked for (a .gltf's folder); empty when it has none
// (every file named is then missing). Refusal codes start with "gltf-".
Result<GltfScene> ReadGltfScene(std::span<const std::uint8_t> file, const std::string& folder);

// A picture of the scene decoded to red, green, blue (alpha dropped);
// "gltf-picture" when it is neither PNG nor JPEG, larger than
// kMaxPictureSide a side or kMaxPicturePixels in all, or does not decode.
Result<RgbPicture> DecodeScenePicture(const ScenePicture& picture);
