#include "builders/gltf_builder.h"

#include <cstring>

namespace {

using Json = nlohmann::json;

void PadTo4(Bytes& bytes, std::uint8_t filler) {
    while (bytes.size() % 4 != 0) {
        bytes.push_back(filler);
    }
}

std::string Base64(const Bytes& bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t n = (std::uint32_t{bytes[i]} << 16) |
                                (i + 1 < bytes.size() ? std::uint32_t{bytes[i + 1]} << 8 : 0) |
                                (i + 2 < bytes.size() ? std::uint32_t{bytes[i + 2]} : 0);
        text += kDigits[n >> 18];
        text += kDigits[(n >> 12) & 63];
        text += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
    }
    return text;
}

} // namespace

GltfBuilder::GltfBuilder() {
    document = {{"asset", {{"version", "2.0"}}},
                {"scene", 0},
                {"scenes", Json::array({{{"nodes", Json::array()}}})}};
}

int GltfBuilder::Append(const char* key, const Json& item) {
    if (!document.contains(key)) {
        document[key] = Json::array();
    }
    document[key].push_back(item);
    return static_cast<int>(document[key].size()) - 1;
}

int GltfBuilder::View(const Bytes& bytes) {
    PadTo4(bin, 0);
    const std::size_t offset = bin.size();
    bin.insert(bin.end(), bytes.begin(), bytes.end());
    return Append("bufferViews",
                  {{"buffer", 0}, {"byteOffset", offset}, {"byteLength", bytes.size()}});
}

int GltfBuilder::Floats(const std::vector<float>& values, const char* type) {
    Bytes bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    const std::string name = type;
    const std::size_t components = name == "SCALAR" ? 1 : name == "MAT4" ? 16 : type[3] - '0';
    return Append("accessors", {{"bufferView", View(bytes)},
                                {"componentType", 5126},
                                {"count", values.size() / components},
                                {"type", type}});
}

int GltfBuilder::Bytes4(const std::vector<std::uint8_t>& values) {
    return Append("accessors", {{"bufferView", View(values)},
                                {"componentType", 5121},
                                {"count", values.size() / 4},
                                {"type", "VEC4"}});
}

int GltfBuilder::Indices(const std::vector<std::uint32_t>& indices) {
    Bytes bytes;
    for (const std::uint32_t index : indices) {
        PutLe(bytes, index, 4);
    }
    return Append("accessors", {{"bufferView", View(bytes)},
                                {"componentType", 5125},
                                {"count", indices.size()},
                                {"type", "SCALAR"}});
}

int GltfBuilder::Mesh(const std::vector<float>& positions,
                      const std::vector<std::uint32_t>& indices, int material,
                      const std::vector<float>& normals, const std::vector<float>& uvs) {
    Json primitive = {{"attributes", {{"POSITION", Floats(positions, "VEC3")}}}, {"mode", 4}};
    if (!indices.empty()) {
        primitive["indices"] = Indices(indices);
    }
    if (material >= 0) {
        primitive["material"] = material;
    }
    if (!normals.empty()) {
        primitive["attributes"]["NORMAL"] = Floats(normals, "VEC3");
    }
    if (!uvs.empty()) {
        primitive["attributes"]["TEXCOORD_0"] = Floats(uvs, "VEC2");
    }
    return Append("meshes", {{"primitives", Json::array({primitive})}});
}

int GltfBuilder::Node(const Json& node, bool root) {
    const int index = Append("nodes", node);
    if (root) {
        document["scenes"][0]["nodes"].push_back(index);
    }
    return index;
}

int GltfBuilder::PictureMaterial(const Bytes& png, const std::vector<float>& factor) {
    const int image = Append("images", {{"bufferView", View(png)}, {"mimeType", "image/png"}});
    const int texture = Append("textures", {{"source", image}});
    Json pbr = {{"baseColorTexture", {{"index", texture}}}};
    if (!factor.empty()) {
        pbr["baseColorFactor"] = factor;
    }
    return Append("materials", {{"pbrMetallicRoughness", pbr}});
}

int GltfBuilder::ColourMaterial(const std::array<float, 4>& factor) {
    return Append("materials", {{"pbrMetallicRoughness", {{"baseColorFactor", factor}}}});
}

Bytes GltfBuilder::Glb() const {
    Json withBuffer = document;
    Bytes chunk = bin;
    PadTo4(chunk, 0);
    if (!bin.empty() && !document.contains("buffers")) {
        withBuffer["buffers"] = Json::array({{{"byteLength", bin.size()}}});
    }
    std::string json = withBuffer.dump();
    while (json.size() % 4 != 0) {
        json += ' ';
    }
    Bytes glb;
    glb.insert(glb.end(), {'g', 'l', 'T', 'F'});
    PutLe(glb, 2, 4);
    PutLe(glb,
          static_cast<std::uint32_t>(12 + 8 + json.size() + (bin.empty() ? 0 : 8 + chunk.size())),
          4);
    PutLe(glb, static_cast<std::uint32_t>(json.size()), 4);
    glb.insert(glb.end(), {'J', 'S', 'O', 'N'});
    glb.insert(glb.end(), json.begin(), json.end());
    if (!bin.empty()) {
        PutLe(glb, static_cast<std::uint32_t>(chunk.size()), 4);
        glb.insert(glb.end(), {'B', 'I', 'N', 0});
        glb.insert(glb.end(), chunk.begin(), chunk.end());
    }
    return glb;
}

std::string GltfBuilder::Gltf(const std::string& binUri) const {
    Json withBuffer = document;
    if (!bin.empty() && !document.contains("buffers")) {
        withBuffer["buffers"] = Json::array(
            {{{"byteLength", bin.size()},
              {"uri",
               binUri.empty() ? "data:application/octet-stream;base64," + Base64(bin) : binUri}}});
    }
    return withBuffer.dump();
}
