// What a piece shows of a glTF model's materials: each one's base colour, a
// factor times the picture of a texture, drawn with the texture coordinates
// it names. A material with KHR_materials_pbrSpecularGlossiness has its
// diffuse factor and diffuse texture as that colour, as the extension
// defines it; any other has glTF's own base colour. Pictures stay encoded
// until a piece uses them.
#pragma once

#include "common/result.h"
#include "gltf/gltf_reader.h"
#include "gltf/tinygltf_api.h"

#include <array>
#include <map>
#include <string>
#include <vector>

struct TextureCoordinates {
    int set = 0;
    // KHR_texture_transform: u' = a u + b v + e, v' = c u + d v + f.
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

struct BaseColour {
    std::array<double, 4> factor = {1, 1, 1, 1}; // linear
    int texture = -1;                            // -1: none
    TextureCoordinates coordinates;
};

// The base colour of a material, or why its extension's members are
// malformed ("gltf-invalid"; the texture is checked against the model in
// the validation pass).
Result<BaseColour> BaseColourOf(const tinygltf::Material& material, const std::string& what);

// The library's picture loader: keeps the bytes of every picture named by a
// URI (a file or a data: URI), by image number. Pictures in buffer views are
// taken from their checked views instead (the library hands a loader a
// pointer into the buffer without checking the view against it).
struct PictureBytes {
    std::map<int, std::vector<std::uint8_t>> byImage;
};
bool KeepPictureBytes(tinygltf::Image* image, int index, std::string* error, std::string* warning,
                      int width, int height, const unsigned char* bytes, int size, void* pictures);

// The materials of a validated model, with the pictures they draw, into
// `scene`; `coordinates` gets each material's texture coordinates.
Status ReadMaterials(const tinygltf::Model& model, PictureBytes& pictures, GltfScene& scene,
                     std::vector<TextureCoordinates>& coordinates, std::vector<std::string>& notes);
