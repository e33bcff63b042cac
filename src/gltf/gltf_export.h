// A piece's model as a glTF 2.0 asset: what the viewer draws, in the form
// every 3D tool reads. One scene, one node named with the piece's name, one
// mesh with one primitive per group the viewer draws (each triangle fan as a
// list of triangles), the model's vertex array as POSITION, NORMAL and
// TEXCOORD_0. The viewer's space is left-handed and glTF's right-handed with
// +Y up: Z is mirrored on positions and normals and each triangle's winding
// is reversed, so that the piece is not mirrored and its faces point outward.
// Each texture a drawn group uses becomes one image, sampler and material;
// groups without a usable texture share one plain white material.
#pragma once

#include "common/result.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The PNG file of level 0 of the model's texture `index`, or empty when the
// texture cannot be used (missing, unreadable, a name that is a path, no slot).
using TexturePngSource = std::function<std::vector<std::uint8_t>(int index)>;

struct GltfOptions {
    // Adds KHR_materials_unlit to every material: the viewer lights
    // everything with full white ambient light and no lights.
    bool unlit = false;
    // Images inside the binary buffer (a .glb file); otherwise each image
    // refers to imageUri(i) and the buffer to binUri.
    bool embedImages = true;
    std::string binUri;
    std::function<std::string(std::size_t image)> imageUri;
};

struct GltfPiece {
    std::string json;                            // the glTF document
    std::vector<std::uint8_t> bin;               // the binary buffer (4-byte aligned)
    std::vector<std::vector<std::uint8_t>> pngs; // image files, when not embedded
};

// The asset of one model image; "model-malformed" when the model runs past
// its data or a count byte has its top bit set: the viewer draws none of it.
// `nodeName` is UTF-8.
Result<GltfPiece> BuildPieceGltf(std::span<const std::uint8_t> model, const std::string& nodeName,
                                 const TexturePngSource& textures, const GltfOptions& options);

// The binary glTF container (".glb") of an asset whose images are embedded.
std::vector<std::uint8_t> PackGlb(const GltfPiece& piece);

// A file name as a relative URI: every byte but letters, digits and "-._~"
// percent-encoded.
std::string FileNameUri(const std::string& name);
