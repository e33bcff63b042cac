#include "gltf/gltf_export.h"

#include "catalogue/catalogue_folders.h"
#include "common/byte_order.h"
#include "common/shift_jis_text.h"
#include "common/version.h"
#include "preview/msm_layout.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>

namespace {

using Json = nlohmann::ordered_json;

// glTF's numeric constants (the GL enums it borrows).
constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;
constexpr int kFloat = 5126;
constexpr int kUnsignedShort = 5123;
constexpr int kTriangles = 4;
constexpr int kLinear = 9729;
constexpr int kLinearMipmapLinear = 9987;
constexpr int kRepeat = 10497;
constexpr int kWhiteMaterial = -1; // material key of groups without a texture

// The binary container: a 12-byte header (magic, version, total length),
// then chunks, each an 8-byte header (length, type) and its data padded to 4
// bytes: the JSON chunk padded with blanks, then the binary chunk.
constexpr std::size_t kGlbHeaderBytes = 12;
constexpr std::size_t kGlbChunkHeaderBytes = 8;
constexpr std::uint32_t kGlbVersion = 2;

// Accessors of the vertex attributes: the whole vertex array, in this order.
constexpr int kPositionAccessor = 0;
constexpr int kNormalAccessor = 1;
constexpr int kTexcoordAccessor = 2;

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

std::size_t Padded4(std::size_t size) {
    return (size + 3) & ~static_cast<std::size_t>(3);
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

// What the viewer draws of a model: each group of three indices or more, all
// naming a vertex, as a list of triangles with the texture it is drawn with.
// `pngs` receives the picture of each texture a group uses (empty when the
// texture cannot be used: the group is then white).
std::vector<Primitive> DrawnPrimitives(std::span<const std::uint8_t> model, const MsmLayout& layout,
                                       std::size_t nameCount, const TexturePngSource& textures,
                                       std::map<int, std::vector<std::uint8_t>>& pngs) {
    const int slotCount = static_cast<int>(std::min(nameCount, kTextureSlotCount));
    std::vector<Primitive> primitives;
    ForEachDrawnGroup(model, layout, [&](unsigned, const MsmGroup& group) {
        Primitive primitive;
        primitive.indices = FanTriangles(model, group);
        if (primitive.indices.empty()) {
            return;
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
    });
    return primitives;
}

// The document's arrays, filled object by object over one binary buffer.
struct Asset {
    std::vector<std::uint8_t> bin;
    Json bufferViews = Json::array();
    Json accessors = Json::array();
    Json images = Json::array();
    Json textures = Json::array();
    Json materials = Json::array();
    std::vector<std::vector<std::uint8_t>> imageFiles; // images not embedded
};

std::size_t AddBufferView(Asset& asset, std::size_t offset, std::size_t length, int target) {
    Json view = {{"buffer", 0}, {"byteOffset", offset}, {"byteLength", length}};
    if (target != 0) {
        view["target"] = target;
    }
    asset.bufferViews.push_back(view);
    return asset.bufferViews.size() - 1;
}

// Positions, normals and (when a group is textured) texture coordinates of
// the whole vertex array, as the viewer hands it to the device for every
// group: accessors kPositionAccessor, kNormalAccessor, kTexcoordAccessor.
void AddVertexAccessors(Asset& asset, std::span<const std::uint8_t> model, const MsmLayout& layout,
                        bool textured) {
    const std::size_t n = layout.vertexCount;
    const auto vertex = [&](std::size_t v) {
        return model.data() + layout.verticesOffset + v * kMsmVertexBytes;
    };
    std::array<float, 3> low{}, high{};
    const std::size_t positions = asset.bin.size();
    for (std::size_t v = 0; v < n; ++v) {
        const std::uint8_t* p = vertex(v);
        const std::array<float, 3> position{FloatAt(p), FloatAt(p + 4), -FloatAt(p + 8)};
        for (int c = 0; c < 3; ++c) {
            low[c] = v == 0 ? position[c] : std::min(low[c], position[c]);
            high[c] = v == 0 ? position[c] : std::max(high[c], position[c]);
            AppendFloat(asset.bin, position[c]);
        }
    }
    const std::size_t normals = asset.bin.size();
    for (std::size_t v = 0; v < n; ++v) {
        const std::uint8_t* p = vertex(v);
        // glTF normals are unit vectors; the viewer lights by ambient light
        // alone, so a normal of no length may point anywhere.
        const double x = FloatAt(p + 12), y = FloatAt(p + 16), z = -FloatAt(p + 20);
        const double length = std::sqrt(x * x + y * y + z * z);
        const bool usable = std::isfinite(length) && length > 1e-12;
        AppendFloat(asset.bin, usable ? static_cast<float>(x / length) : 0.0f);
        AppendFloat(asset.bin, usable ? static_cast<float>(y / length) : 1.0f);
        AppendFloat(asset.bin, usable ? static_cast<float>(z / length) : 0.0f);
    }
    asset.accessors.push_back(
        {{"bufferView", AddBufferView(asset, positions, 12 * n, kArrayBuffer)},
         {"componentType", kFloat},
         {"count", n},
         {"type", "VEC3"},
         {"min", low},
         {"max", high}});
    asset.accessors.push_back({{"bufferView", AddBufferView(asset, normals, 12 * n, kArrayBuffer)},
                               {"componentType", kFloat},
                               {"count", n},
                               {"type", "VEC3"}});
    if (textured) {
        const std::size_t texcoords = asset.bin.size();
        for (std::size_t v = 0; v < n; ++v) {
            AppendFloat(asset.bin, FloatAt(vertex(v) + 24));
            AppendFloat(asset.bin, FloatAt(vertex(v) + 28));
        }
        asset.accessors.push_back(
            {{"bufferView", AddBufferView(asset, texcoords, 8 * n, kArrayBuffer)},
             {"componentType", kFloat},
             {"count", n},
             {"type", "VEC2"}});
    }
}

// One primitive's triangle list; returns its accessor.
std::size_t AddIndexAccessor(Asset& asset, const std::vector<std::uint16_t>& indices) {
    const std::size_t offset = asset.bin.size();
    for (const std::uint16_t index : indices) {
        asset.bin.push_back(static_cast<std::uint8_t>(index));
        asset.bin.push_back(static_cast<std::uint8_t>(index >> 8));
    }
    asset.bin.resize(Padded4(asset.bin.size()), 0);
    const std::size_t view = AddBufferView(asset, offset, 2 * indices.size(), kElementArrayBuffer);
    asset.accessors.push_back({{"bufferView", view},
                               {"componentType", kUnsignedShort},
                               {"count", indices.size()},
                               {"type", "SCALAR"}});
    return asset.accessors.size() - 1;
}

// A PNG picture: inside the binary buffer, or a file of its own named by the
// options. Returns its texture (every texture uses sampler 0).
std::size_t AddImageTexture(Asset& asset, const std::vector<std::uint8_t>& png,
                            const GltfOptions& options) {
    if (options.embedImages) {
        const std::size_t offset = asset.bin.size();
        asset.bin.insert(asset.bin.end(), png.begin(), png.end());
        const std::size_t view = AddBufferView(asset, offset, png.size(), 0);
        asset.bin.resize(Padded4(asset.bin.size()), 0);
        asset.images.push_back({{"bufferView", view}, {"mimeType", "image/png"}});
    } else {
        const std::size_t image = asset.images.size();
        asset.images.push_back({{"uri", options.imageUri ? options.imageUri(image) : ""}});
        asset.imageFiles.push_back(png);
    }
    asset.textures.push_back({{"sampler", 0}, {"source", asset.images.size() - 1}});
    return asset.textures.size() - 1;
}

// The material of a texture (named with the texture's name from the model),
// or of the untextured groups: full white, not metallic, rough.
std::size_t AddMaterial(Asset& asset, std::string name, std::optional<std::size_t> texture,
                        const GltfOptions& options) {
    Json pbr = {{"metallicFactor", 0}, {"roughnessFactor", 1}};
    if (texture) {
        pbr["baseColorTexture"] = {{"index", *texture}};
    }
    Json material = {{"name", std::move(name)}, {"pbrMetallicRoughness", pbr}};
    if (options.unlit) {
        material["extensions"] = {{"KHR_materials_unlit", Json::object()}};
    }
    asset.materials.push_back(material);
    return asset.materials.size() - 1;
}

// The mesh's primitives, each with its triangles and its material; one
// material per texture, made when a primitive first uses it.
Json MeshPrimitives(Asset& asset, const std::vector<std::string>& names,
                    const std::vector<Primitive>& primitives,
                    const std::map<int, std::vector<std::uint8_t>>& pngs,
                    const GltfOptions& options) {
    std::map<int, std::size_t> materialOf;
    Json list = Json::array();
    for (const Primitive& primitive : primitives) {
        const std::size_t indices = AddIndexAccessor(asset, primitive.indices);
        auto it = materialOf.find(primitive.material);
        if (it == materialOf.end()) {
            std::size_t material;
            if (primitive.material == kWhiteMaterial) {
                material = AddMaterial(asset, "untextured", std::nullopt, options);
            } else {
                const std::size_t texture =
                    AddImageTexture(asset, pngs.at(primitive.material), options);
                material = AddMaterial(
                    asset, ShiftJisToUtf8(names[static_cast<std::size_t>(primitive.material)]),
                    texture, options);
            }
            it = materialOf.emplace(primitive.material, material).first;
        }
        Json attributes = {{"POSITION", kPositionAccessor}, {"NORMAL", kNormalAccessor}};
        if (primitive.material != kWhiteMaterial) {
            attributes["TEXCOORD_0"] = kTexcoordAccessor;
        }
        list.push_back({{"attributes", attributes},
                        {"indices", indices},
                        {"material", it->second},
                        {"mode", kTriangles}});
    }
    return list;
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

Result<GltfPiece> BuildPieceGltf(std::span<const std::uint8_t> model, const std::string& nodeName,
                                 const TexturePngSource& textures, const GltfOptions& options) {
    const std::optional<MsmLayout> layout = WalkMsmLayout(model);
    if (!layout) {
        return Refuse("model-malformed", "the model runs past its data or holds a count byte of "
                                         "128 or more: the viewer draws none of it");
    }
    std::map<int, std::vector<std::uint8_t>> pngs; // texture index -> PNG, empty if unusable
    const std::vector<std::string> names = ReadMsmTextureNames(model);
    const std::vector<Primitive> primitives =
        DrawnPrimitives(model, *layout, names.size(), textures, pngs);

    Json document;
    document["asset"] = {{"version", "2.0"}, {"generator", "piecetool " PV_VERSION}};
    document["scene"] = 0;
    document["scenes"] = Json::array({{{"nodes", {0}}}});
    Json node = {{"name", nodeName}};
    if (!primitives.empty()) {
        node["mesh"] = 0;
    }
    document["nodes"] = Json::array({node});
    GltfPiece piece;
    if (!primitives.empty()) {
        const bool textured = std::any_of(primitives.begin(), primitives.end(),
                                          [](const Primitive& p) { return p.material >= 0; });
        Asset asset;
        AddVertexAccessors(asset, model, *layout, textured);
        const Json meshPrimitives = MeshPrimitives(asset, names, primitives, pngs, options);
        document["meshes"] = Json::array({{{"name", nodeName}, {"primitives", meshPrimitives}}});
        document["materials"] = asset.materials;
        if (!asset.textures.empty()) {
            document["textures"] = asset.textures;
            document["images"] = asset.images;
            document["samplers"] = Json::array({{{"magFilter", kLinear},
                                                 {"minFilter", kLinearMipmapLinear},
                                                 {"wrapS", kRepeat},
                                                 {"wrapT", kRepeat}}});
        }
        document["accessors"] = asset.accessors;
        document["bufferViews"] = asset.bufferViews;
        Json buffer = {{"byteLength", asset.bin.size()}};
        if (!options.embedImages) {
            buffer["uri"] = options.binUri;
        }
        document["buffers"] = Json::array({buffer});
        if (options.unlit) {
            document["extensionsUsed"] = {"KHR_materials_unlit"};
        }
        piece.bin = std::move(asset.bin);
        piece.pngs = std::move(asset.imageFiles);
    }
    piece.json = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    return piece;
}

std::vector<std::uint8_t> PackGlb(const GltfPiece& piece) {
    std::string json = piece.json;
    json.resize(Padded4(json.size()), ' ');
    const std::size_t binChunk = piece.bin.empty() ? 0 : kGlbChunkHeaderBytes + piece.bin.size();
    const std::size_t total = kGlbHeaderBytes + kGlbChunkHeaderBytes + json.size() + binChunk;
    std::vector<std::uint8_t> glb(total, 0);
    std::uint8_t* p = glb.data();
    std::memcpy(p, "glTF", 4);
    StoreLe32(p + 4, kGlbVersion);
    StoreLe32(p + 8, static_cast<std::uint32_t>(total));
    std::uint8_t* chunk = p + kGlbHeaderBytes;
    StoreLe32(chunk, static_cast<std::uint32_t>(json.size()));
    std::memcpy(chunk + 4, "JSON", 4);
    std::memcpy(chunk + kGlbChunkHeaderBytes, json.data(), json.size());
    if (binChunk != 0) {
        chunk += kGlbChunkHeaderBytes + json.size();
        StoreLe32(chunk, static_cast<std::uint32_t>(piece.bin.size()));
        std::memcpy(chunk + 4, "BIN\0", 4);
        std::memcpy(chunk + kGlbChunkHeaderBytes, piece.bin.data(), piece.bin.size());
    }
    return glb;
}
