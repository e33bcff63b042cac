// Builds glTF 2.0 assets in code, for the importer's tests, its fuzz seeds
// and its benchmark: the JSON document is open for a test to bend into any
// shape, the binary buffer is filled through the helpers, and the asset comes
// out as a GLB container or as .gltf text, each written out literally.
#pragma once

#include "builders/file_bytes.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class GltfBuilder {
  public:
    nlohmann::json document;
    Bytes bin; // buffer 0

    // asset 2.0, scene 0 as the default scene, with no nodes yet.
    GltfBuilder();

    // The bytes appended to buffer 0 (at a multiple of 4) as a buffer view.
    int View(const Bytes& bytes);
    // An accessor of floats ("SCALAR", "VEC2", "VEC3", "VEC4", "MAT4") over a
    // view of its own.
    int Floats(const std::vector<float>& values, const char* type);
    // An accessor of unsigned bytes, four to an element (JOINTS_0's form).
    int Bytes4(const std::vector<std::uint8_t>& values);
    // An accessor of unsigned 32-bit indices over a view of its own.
    int Indices(const std::vector<std::uint32_t>& indices);
    // A mesh of one primitive of triangles (mode 4); parts left empty (or -1)
    // are left out.
    int Mesh(const std::vector<float>& positions, const std::vector<std::uint32_t>& indices,
             int material = -1, const std::vector<float>& normals = {},
             const std::vector<float>& uvs = {});
    // A node; a root one is listed in scene 0.
    int Node(const nlohmann::json& node, bool root = true);
    // A material drawn with a picture (held in buffer 0), or with a colour.
    int PictureMaterial(const Bytes& png, const std::vector<float>& factor = {});
    int ColourMaterial(const std::array<float, 4>& factor);

    // The GLB container of the asset with buffer 0 as its binary chunk. (A
    // document that lists buffers of its own keeps them.)
    Bytes Glb() const;
    // The .gltf text, buffer 0 in the file `binUri`, or in a data: URI when
    // `binUri` is empty.
    std::string Gltf(const std::string& binUri = "") const;

  private:
    int Append(const char* key, const nlohmann::json& item);
};
