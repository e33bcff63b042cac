#include "gltf/gltf_export.h"

#include "common/byte_order.h"
#include "common/version.h"
#include "preview/msm_layout.h"
#include "catalogue/catalogue_folders.h"
#include "common/shift_jis_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>

namespace {

using Json = nlohmann::ordered_json;

constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;
constexpr int kFloat = 5126;
constexpr int kUnsignedShort = 5123;
constexpr int kTriangles = 4;
constexpr int kLinear = 9729;
constexpr int kLinearMipmapLinear = 9987;
constexpr int kRepeat = 10497;
constexpr int kWhiteMaterial = -1; // material key of groups without a texture

float FloatAt(const std::uint8_t* p) {
    const std::uint32_t bits = LoadLe32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) ? value : 0.0f; // glTF accessors hold finite numbers only
}

void AppendFloat(std::vector<std::uint8_t>& bin, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const std::size_t at = bin.size();
    bin.resize(at + 4);
    StoreLe32(bin.data() + at, bits);
}

void PadTo4(std::vector<std::uint8_t>& bin) {
    bin.resize((bin.size() + 3) & ~static_cast<std::size_t>(3), 0);
}

struct Primitive {
    int material = kWhiteMaterial; // texture index, or kWhiteMaterial
    std::vector<std::uint16_t> indices;
};

// The triangles of one fan, each wound the other way round for glTF's
// right-handed space; triangles with two equal corners cover nothing.
std::vector<std::uint16_t> FanTriangles(std::span<const std::uint8_t> model,
                                        const MsmGroup& group) {
    std::vector<std::uint16_t> indices;
    const std::uint16_t centre = MsmGroupIndex(model, group, 0);
    for (int k = 1; k + 1 < group.indexCount; ++k) {
        const std::uint16_t a = MsmGroupIndex(model, group, k);
        const std::uint16_t b = MsmGroupIndex(model, group, k + 1);
        if (a == b || a == centre || b == centre) {
            continue;
        }
        indices.insert(indices.end(), {centre, b, a});
    }
    return indices;
}

std::size_t AddBufferView(Json& views, std::size_t offset, std::size_t length, int target) {
    Json view = {{"buffer", 0}, {"byteOffset", offset}, {"byteLength", length}};
    if (target != 0) {
        view["target"] = target;
    }
    views.push_back(view);
    return views.size() - 1;
}

} // namespace

std::string FileNameUri(const std::string& name) {
    std::string uri;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += c;
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

std::optional<GltfPiece> BuildPieceGltf(std::span<const std::uint8_t> model,
                                        const std::string& nodeName,
                                        const TexturePngSource& textures,
                                        const GltfOptions& options) {
    const std::optional<MsmLayout> layout = WalkMsmLayout(model);
    if (!layout) {
        return std::nullopt;
    }
    const std::vector<std::string> names = ReadMsmTextureNames(model);
    const int slotCount = static_cast<int>(std::min(names.size(), kTextureSlotCount));

    // The groups the viewer draws: three indices or more, all naming a vertex.
    std::map<int, std::vector<std::uint8_t>> pngs; // texture index -> PNG, empty if unusable
    std::vector<Primitive> primitives;
    std::size_t at = layout->groupsOffset;
    for (unsigned g = 0; g < layout->groupCount; ++g) {
        const MsmGroup group = *ReadMsmGroup(model, at);
        at = group.next;
        if (group.indexCount < 3 || !MsmGroupIndicesInRange(model, group, layout->vertexCount)) {
            continue;
        }
        Primitive primitive;
        primitive.indices = FanTriangles(model, group);
        if (primitive.indices.empty()) {
            continue;
        }
        const int t = group.textureIndex;
        if (t >= 0 && t < slotCount) {
            auto it = pngs.find(t);
            if (it == pngs.end()) {
                it = pngs.emplace(t, textures ? textures(t) : std::vector<std::uint8_t>{}).first;
            }
            if (!it->second.empty()) {
                primitive.material = t;
            }
        }
        primitives.push_back(std::move(primitive));
    }

    Json document;
    document["asset"] = {{"version", "2.0"}, {"generator", "piecetool " PV_VERSION}};
    document["scene"] = 0;
    document["scenes"] = Json::array({{{"nodes", {0}}}});
    Json node = {{"name", nodeName}};
    GltfPiece piece;
    if (!primitives.empty()) {
        node["mesh"] = 0;
        const bool textured = std::any_of(primitives.begin(), primitives.end(),
                                          [](const Primitive& p) { return p.material >= 0; });
        // Vertex attributes: the whole vertex array, as the viewer hands it
        // to the device for every group.
        const std::size_t n = layout->vertexCount;
        std::vector<std::uint8_t>& bin = piece.bin;
        std::array<float, 3> low{}, high{};
        for (std::size_t v = 0; v < n; ++v) {
            const std::uint8_t* p = model.data() + layout->verticesOffset + v * kMsmVertexBytes;
            const std::array<float, 3> position{FloatAt(p), FloatAt(p + 4), -FloatAt(p + 8)};
            for (int c = 0; c < 3; ++c) {
                low[c] = v == 0 ? position[c] : std::min(low[c], position[c]);
                high[c] = v == 0 ? position[c] : std::max(high[c], position[c]);
                AppendFloat(bin, position[c]);
            }
        }
        for (std::size_t v = 0; v < n; ++v) {
            const std::uint8_t* p = model.data() + layout->verticesOffset + v * kMsmVertexBytes;
            // glTF normals are unit vectors; the viewer lights by ambient
            // light alone, so a normal of no length may point anywhere.
            const double x = FloatAt(p + 12), y = FloatAt(p + 16), z = -FloatAt(p + 20);
            const double length = std::sqrt(x * x + y * y + z * z);
            const bool usable = std::isfinite(length) && length > 1e-12;
            AppendFloat(bin, usable ? static_cast<float>(x / length) : 0.0f);
            AppendFloat(bin, usable ? static_cast<float>(y / length) : 1.0f);
            AppendFloat(bin, usable ? static_cast<float>(z / length) : 0.0f);
        }
        if (textured) {
            for (std::size_t v = 0; v < n; ++v) {
                const std::uint8_t* p = model.data() + layout->verticesOffset + v * kMsmVertexBytes;
                AppendFloat(bin, FloatAt(p + 24));
                AppendFloat(bin, FloatAt(p + 28));
            }
        }
        Json views = Json::array();
        Json accessors = Json::array();
        AddBufferView(views, 0, 12 * n, kArrayBuffer);
        AddBufferView(views, 12 * n, 12 * n, kArrayBuffer);
        accessors.push_back({{"bufferView", 0},
                             {"componentType", kFloat},
                             {"count", n},
                             {"type", "VEC3"},
                             {"min", low},
                             {"max", high}});
        accessors.push_back(
            {{"bufferView", 1}, {"componentType", kFloat}, {"count", n}, {"type", "VEC3"}});
        if (textured) {
            AddBufferView(views, 24 * n, 8 * n, kArrayBuffer);
            accessors.push_back(
                {{"bufferView", 2}, {"componentType", kFloat}, {"count", n}, {"type", "VEC2"}});
        }

        Json materials = Json::array();
        Json textureList = Json::array();
        Json images = Json::array();
        std::map<int, std::size_t> materialOf;
        Json meshPrimitives = Json::array();
        for (const Primitive& primitive : primitives) {
            const std::size_t offset = bin.size();
            for (const std::uint16_t index : primitive.indices) {
                bin.push_back(static_cast<std::uint8_t>(index));
                bin.push_back(static_cast<std::uint8_t>(index >> 8));
            }
            PadTo4(bin);
            const std::size_t view =
                AddBufferView(views, offset, 2 * primitive.indices.size(), kElementArrayBuffer);
            accessors.push_back({{"bufferView", view},
                                 {"componentType", kUnsignedShort},
                                 {"count", primitive.indices.size()},
                                 {"type", "SCALAR"}});
            Json attributes = {{"POSITION", 0}, {"NORMAL", 1}};
            auto it = materialOf.find(primitive.material);
            if (it == materialOf.end()) {
                Json pbr = {{"metallicFactor", 0}, {"roughnessFactor", 1}};
                Json material;
                if (primitive.material >= 0) {
                    const std::vector<std::uint8_t>& png = pngs[primitive.material];
                    if (options.embedImages) {
                        const std::size_t imageOffset = bin.size();
                        bin.insert(bin.end(), png.begin(), png.end());
                        const std::size_t imageView =
                            AddBufferView(views, imageOffset, png.size(), 0);
                        PadTo4(bin);
                        images.push_back({{"bufferView", imageView}, {"mimeType", "image/png"}});
                    } else {
                        images.push_back({{"uri", options.imageUri ? options.imageUri(images.size())
                                                                   : std::string()}});
                        piece.pngs.push_back(png);
                    }
                    textureList.push_back({{"sampler", 0}, {"source", images.size() - 1}});
                    pbr["baseColorTexture"] = {{"index", textureList.size() - 1}};
                    material["name"] =
                        ShiftJisToUtf8(names[static_cast<std::size_t>(primitive.material)]);
                } else {
                    material["name"] = "untextured";
                }
                material["pbrMetallicRoughness"] = pbr;
                if (options.unlit) {
                    material["extensions"] = {{"KHR_materials_unlit", Json::object()}};
                }
                materials.push_back(material);
                it = materialOf.emplace(primitive.material, materials.size() - 1).first;
            }
            if (primitive.material >= 0) {
                attributes["TEXCOORD_0"] = 2;
            }
            meshPrimitives.push_back({{"attributes", attributes},
                                      {"indices", accessors.size() - 1},
                                      {"material", it->second},
                                      {"mode", kTriangles}});
        }
        document["nodes"] = Json::array({node});
        document["meshes"] = Json::array({{{"name", nodeName}, {"primitives", meshPrimitives}}});
        document["materials"] = materials;
        if (!textureList.empty()) {
            document["textures"] = textureList;
            document["images"] = images;
            document["samplers"] = Json::array({{{"magFilter", kLinear},
                                                 {"minFilter", kLinearMipmapLinear},
                                                 {"wrapS", kRepeat},
                                                 {"wrapT", kRepeat}}});
        }
        document["accessors"] = accessors;
        document["bufferViews"] = views;
        Json buffer = {{"byteLength", bin.size()}};
        if (!options.embedImages) {
            buffer["uri"] = options.binUri;
        }
        document["buffers"] = Json::array({buffer});
        if (options.unlit) {
            document["extensionsUsed"] = {"KHR_materials_unlit"};
        }
    } else {
        document["nodes"] = Json::array({node});
    }
    piece.json = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    return piece;
}

std::vector<std::uint8_t> PackGlb(const GltfPiece& piece) {
    std::string json = piece.json;
    json.resize((json.size() + 3) & ~static_cast<std::size_t>(3), ' ');
    const std::size_t binChunk = piece.bin.empty() ? 0 : 8 + piece.bin.size();
    const std::size_t total = 12 + 8 + json.size() + binChunk;
    std::vector<std::uint8_t> glb(total, 0);
    std::uint8_t* p = glb.data();
    std::memcpy(p, "glTF", 4);
    StoreLe32(p + 4, 2);
    StoreLe32(p + 8, static_cast<std::uint32_t>(total));
    StoreLe32(p + 12, static_cast<std::uint32_t>(json.size()));
    std::memcpy(p + 16, "JSON", 4);
    std::memcpy(p + 20, json.data(), json.size());
    if (binChunk != 0) {
        std::uint8_t* b = p + 20 + json.size();
        StoreLe32(b, static_cast<std::uint32_t>(piece.bin.size()));
        std::memcpy(b + 4, "BIN\0", 4);
        std::memcpy(b + 8, piece.bin.data(), piece.bin.size());
    }
    return glb;
}
