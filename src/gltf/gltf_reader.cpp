#include "gltf/gltf_reader.h"

#include "common/byte_order.h"
#include "common/shift_jis_text.h"
#include "gltf/node_transform.h"
#include "png/picture_decoder.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#endif

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif
// tinygltf, compiled once, here. It reads no picture itself (the loader
// below keeps the encoded bytes; DecodeScenePicture decodes them with the
// program's one picture decoder) and writes nothing, so it needs no stb.
#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_INCLUDE_STB_IMAGE
#define TINYGLTF_NO_INCLUDE_STB_IMAGE_WRITE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_USE_CPP14
#include <tiny_gltf.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

// Largest number of elements read from one accessor, and from all of them
// together: far beyond a piece (65,535 vertices), small enough that a
// hostile count cannot ask for gigabytes.
constexpr std::size_t kMaxAccessorElements = std::size_t{1} << 22;
constexpr std::size_t kMaxElementsRead = std::size_t{1} << 24;
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 30;

Refusal Invalid(const std::string& message) {
    return Refuse("gltf-invalid", message);
}

// ---- The file around the JSON -------------------------------------------

// The JSON text of a .gltf file, or of a GLB's first chunk, with its binary
// chunk. The GLB container is checked here whole: chunk lengths inside the
// declared length, the declared length inside the data.
struct Container {
    bool binary = false;
    std::string_view json;
    std::span<const std::uint8_t> glb; // the whole container, for tinygltf
};

Result<Container> OpenContainer(std::span<const std::uint8_t> file) {
    Container container;
    if (file.size() >= 4 && std::memcmp(file.data(), "glTF", 4) == 0) {
        if (file.size() < 20) {
            return Refuse("gltf-truncated", "the GLB file ends inside its header");
        }
        const std::uint32_t version = LoadLe32(file.data() + 4);
        const std::uint32_t length = LoadLe32(file.data() + 8);
        const std::uint32_t jsonLength = LoadLe32(file.data() + 12);
        if (version != 2) {
            return Refuse("gltf-version", "a GLB file of version " + std::to_string(version) +
                                              ", not 2 (glTF 2.0)");
        }
        if (length > file.size()) {
            return Refuse("gltf-truncated", "the GLB file declares " + std::to_string(length) +
                                                " bytes but holds " + std::to_string(file.size()));
        }
        if (length < 20 || std::memcmp(file.data() + 16, "JSON", 4) != 0 || jsonLength == 0 ||
            jsonLength > length - 20) {
            return Refuse("gltf-truncated", "the GLB file's JSON chunk does not fit the file");
        }
        const std::size_t binAt = 20 + std::size_t{jsonLength};
        if (binAt != length) {
            // A binary chunk: its header and its whole length within the file.
            if (length - binAt < 8 || LoadLe32(file.data() + binAt) > length - binAt - 8 ||
                std::memcmp(file.data() + binAt + 4, "BIN\0", 4) != 0) {
                return Refuse("gltf-truncated",
                              "the GLB file's binary chunk does not fit the file");
            }
        }
        container.binary = true;
        container.json =
            std::string_view(reinterpret_cast<const char*>(file.data()) + 20, jsonLength);
        container.glb = file.first(length);
    } else {
        container.json = std::string_view(reinterpret_cast<const char*>(file.data()), file.size());
    }
    return container;
}

// ---- Files named by URIs ------------------------------------------------

// How a URI is found: tinygltf decodes a URI before it asks for the file,
// in a way of its own ("+" as a blank); the files are found here by the
// URI decoded as the URI rules say, looked up under tinygltf's decoding.
struct FileAccess {
    std::string folder;
    std::map<std::string, std::string> pathOf; // tinygltf's decoding -> path
    std::string missing;                       // the first file not found
};

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// The relative path a URI names (percent escapes decoded, query and fragment
// dropped), or the reason it is not read: another scheme than data:, an
// absolute path, a broken escape. `what` names the URI's owner.
Result<std::string> UriPath(const std::string& uri, const std::string& what) {
    // A scheme: letters, digits, "+", "-", "." before the first ":".
    const std::size_t colon = uri.find(':');
    if (colon != std::string::npos && colon > 0 &&
        std::isalpha(static_cast<unsigned char>(uri[0])) &&
        std::all_of(uri.begin(), uri.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        })) {
        if (colon == 1) {
            return Refuse("gltf-uri-absolute", what + " names the absolute path \"" + uri +
                                                   "\": only paths relative to the model are read");
        }
        return Refuse("gltf-uri-scheme", what + " names \"" + uri.substr(0, colon + 1) +
                                             "\", a scheme that is not read: only data: URIs and "
                                             "relative paths are");
    }
    std::string path;
    for (std::size_t i = 0; i < uri.size() && uri[i] != '?' && uri[i] != '#'; ++i) {
        if (uri[i] != '%') {
            path += uri[i];
        } else if (i + 2 < uri.size() && IsHex(uri[i + 1]) && IsHex(uri[i + 2])) {
            path += static_cast<char>(HexValue(uri[i + 1]) * 16 + HexValue(uri[i + 2]));
            i += 2;
        } else {
            return Refuse("gltf-uri", what + " has a broken percent escape: \"" + uri + "\"");
        }
    }
    if (path.empty() || path.find('\0') != std::string::npos) {
        return Refuse("gltf-uri", what + " names no file: \"" + uri + "\"");
    }
    if (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':')) {
        return Refuse("gltf-uri-absolute", what + " names the absolute path \"" + path +
                                               "\": only paths relative to the model are read");
    }
    return path;
}

bool IsDataUri(const std::string& uri) {
    return uri.size() >= 5 && std::equal(uri.begin(), uri.begin() + 5,
                                         "data:", [](char a, char b) { return (a | 0x20) == b; });
}

// The file at `relative` (UTF-8, from a URI) in `folder` (a path in the
// system's own encoding), or nothing.
std::FILE* OpenBeside(const std::string& folder, const std::string& relative) {
#ifdef _WIN32
    std::wstring path = Widen(folder, CP_ACP);
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') {
        path += L'\\';
    }
    path += Widen(relative, CP_UTF8);
    return _wfopen(path.c_str(), L"rb");
#else
    std::string path = folder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    path += relative;
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return nullptr;
    }
    return std::fopen(path.c_str(), "rb");
#endif
}

bool FileExists(const std::string& path, void* user) {
    auto* access = static_cast<FileAccess*>(user);
    const auto it = access->pathOf.find(path);
    std::FILE* file = it == access->pathOf.end() || access->folder.empty()
                          ? nullptr
                          : OpenBeside(access->folder, it->second);
    if (file == nullptr) {
        if (access->missing.empty() && it != access->pathOf.end()) {
            access->missing = it->second;
        }
        return false;
    }
    std::fclose(file);
    return true;
}

std::string ExpandFilePath(const std::string& path, void*) {
    return path;
}

bool ReadWholeFile(std::vector<unsigned char>* out, std::string* error, const std::string& path,
                   void* user) {
    auto* access = static_cast<FileAccess*>(user);
    const auto it = access->pathOf.find(path);
    std::FILE* file = it == access->pathOf.end() ? nullptr : OpenBeside(access->folder, it->second);
    if (file == nullptr) {
        *error = "cannot open";
        return false;
    }
    out->clear();
    unsigned char block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        out->insert(out->end(), block, block + got);
        if (out->size() > kMaxFileBytes) {
            break;
        }
    }
    const bool ok = !std::ferror(file) && out->size() <= kMaxFileBytes;
    std::fclose(file);
    if (!ok) {
        *error = "cannot read";
    }
    return ok;
}

bool WriteWholeFile(std::string*, const std::string&, const std::vector<unsigned char>&, void*) {
    return false;
}

// ---- What the JSON asks for, before tinygltf reads it -------------------

// Extensions that change nothing the import reads, or that it reads itself.
bool IsReadExtension(const std::string& name) {
    return name == "KHR_mesh_quantization" || name == "KHR_texture_transform" ||
           name == "KHR_materials_unlit" || name == "KHR_materials_emissive_strength";
}

// A string member, or empty.
std::string StringAt(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// Refuses what tinygltf would read wrongly or refuse with a less clear
// reason: another version, compression, required extensions not read here,
// URIs that are not relative paths. Fills `access` with the files to read.
Status CheckDocument(const Container& container, FileAccess& access) {
    const Json document = Json::parse(container.json.begin(), container.json.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        return Refuse("gltf-json", container.binary ? "the GLB file's JSON chunk does not parse"
                                                    : "not a glTF file: its JSON does not parse");
    }
    const auto asset = document.find("asset");
    const std::string version =
        asset != document.end() && asset->is_object() ? StringAt(*asset, "version") : std::string();
    if (version.rfind("2.", 0) != 0) {
        return Refuse("gltf-version", version.empty()
                                          ? "the file names no glTF version"
                                          : "a glTF file of version " + version + ", not 2.0");
    }
    const auto listed = [&document](const char* key) {
        std::vector<std::string> names;
        const auto it = document.find(key);
        if (it != document.end() && it->is_array()) {
            for (const Json& name : *it) {
                if (name.is_string()) {
                    names.push_back(name.get<std::string>());
                }
            }
        }
        return names;
    };
    for (const std::string& name : listed("extensionsRequired")) {
        if (name == "KHR_draco_mesh_compression") {
            return Refuse("gltf-draco", "the model's meshes are Draco-compressed "
                                        "(KHR_draco_mesh_compression), which is not read: export "
                                        "it without compression");
        }
        if (name == "EXT_meshopt_compression" || name == "KHR_meshopt_compression") {
            return Refuse("gltf-meshopt", "the model's buffers are meshopt-compressed (" + name +
                                              "), which is not read: export it without "
                                              "compression");
        }
        if (!IsReadExtension(name)) {
            return Refuse("gltf-extension",
                          "the model requires the extension " + name + ", which is not read");
        }
    }
    const auto array = [&document](const char* key) -> const Json* {
        const auto it = document.find(key);
        return it != document.end() && it->is_array() ? &*it : nullptr;
    };
    // A Draco-compressed primitive without uncompressed accessors to fall
    // back on has nothing to read.
    if (const Json* meshes = array("meshes"); meshes != nullptr) {
        const Json* accessors = array("accessors");
        const auto lacksData = [accessors](const Json& index) {
            if (!index.is_number_unsigned() || accessors == nullptr ||
                index.get<std::size_t>() >= accessors->size()) {
                return false; // tinygltf refuses it
            }
            const Json& accessor = (*accessors)[index.get<std::size_t>()];
            return accessor.is_object() && !accessor.contains("bufferView") &&
                   !accessor.contains("sparse");
        };
        for (const Json& mesh : *meshes) {
            const auto primitives = mesh.is_object() ? mesh.find("primitives") : mesh.end();
            if (!mesh.is_object() || primitives == mesh.end() || !primitives->is_array()) {
                continue;
            }
            for (const Json& primitive : *primitives) {
                if (!primitive.is_object() || !primitive.contains("extensions") ||
                    !primitive["extensions"].is_object() ||
                    !primitive["extensions"].contains("KHR_draco_mesh_compression")) {
                    continue;
                }
                bool lacks = primitive.contains("indices") && lacksData(primitive["indices"]);
                if (primitive.contains("attributes") && primitive["attributes"].is_object()) {
                    for (const auto& attribute : primitive["attributes"].items()) {
                        lacks = lacks || lacksData(attribute.value());
                    }
                }
                if (lacks) {
                    return Refuse("gltf-draco",
                                  "the model's meshes are Draco-compressed "
                                  "(KHR_draco_mesh_compression), which is not read: export it "
                                  "without compression");
                }
            }
        }
    }
    // Files named by URIs.
    for (const char* kind : {"buffers", "images"}) {
        const Json* items = array(kind);
        if (items == nullptr) {
            continue;
        }
        for (std::size_t i = 0; i < items->size(); ++i) {
            const Json& item = (*items)[i];
            const std::string what =
                std::string(kind).substr(0, std::strlen(kind) - 1) + " " + std::to_string(i);
            if (!item.is_object() || !item.contains("uri")) {
                if (container.binary && std::strcmp(kind, "buffers") == 0 && i > 0) {
                    // Only the first buffer of a GLB file is its binary chunk.
                    return Invalid(what + " has no URI, and only buffer 0 is the GLB's own");
                }
                continue;
            }
            const std::string uri = StringAt(item, "uri");
            if (IsDataUri(uri)) {
                continue;
            }
            Result<std::string> path = UriPath(uri, what);
            if (!path) {
                return path.refusal();
            }
            const std::string key = tinygltf::dlib::urldecode(uri);
            const auto [at, added] = access.pathOf.emplace(key, *path);
            if (!added && at->second != *path) {
                return Refuse("gltf-uri", "the URIs \"" + uri +
                                              "\" and another name files that "
                                              "cannot be told apart");
            }
        }
    }
    return Success();
}

// ---- The picture loader -------------------------------------------------

// Keeps the bytes of every picture named by a URI (a file or a data: URI),
// by image number; pictures in buffer views are taken from their buffers
// later, with their bounds checked (tinygltf hands a loader a pointer into
// the buffer without checking the view against it).
struct PictureBytes {
    std::map<int, std::vector<std::uint8_t>> byImage;
};

bool KeepPictureBytes(tinygltf::Image* image, int index, std::string*, std::string*, int, int,
                      const unsigned char* bytes, int size, void* user) {
    if (image->bufferView < 0 && size > 0) {
        static_cast<PictureBytes*>(user)->byImage[index].assign(bytes, bytes + size);
    }
    return true;
}

// ---- Accessors ----------------------------------------------------------

int ComponentBytes(int type) {
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    default:
        return 0;
    }
}

// The bytes of a buffer view, checked against its buffer.
Result<std::span<const std::uint8_t>> ViewBytes(const tinygltf::Model& model, int index,
                                                const std::string& what) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.bufferViews.size()) {
        return Invalid(what + " names buffer view " + std::to_string(index) +
                       ", which is not there");
    }
    const tinygltf::BufferView& view = model.bufferViews[static_cast<std::size_t>(index)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= model.buffers.size()) {
        return Invalid("buffer view " + std::to_string(index) + " names buffer " +
                       std::to_string(view.buffer) + ", which is not there");
    }
    const std::vector<unsigned char>& data =
        model.buffers[static_cast<std::size_t>(view.buffer)].data;
    if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset) {
        return Invalid("buffer view " + std::to_string(index) + " runs past the end of buffer " +
                       std::to_string(view.buffer));
    }
    return std::span<const std::uint8_t>(data.data() + view.byteOffset, view.byteLength);
}

// The elements of part of a buffer view: `count` elements of `components`
// components of `type`, `stride` bytes apart, from `offset`.
struct Elements {
    const std::uint8_t* data = nullptr;
    std::size_t count = 0;
    std::size_t stride = 0;
    int type = 0;
    int components = 0;
    bool normalized = false;

    double At(std::size_t element, int component) const {
        const std::uint8_t* p =
            data + element * stride + static_cast<std::size_t>(component * ComponentBytes(type));
        switch (type) {
        case TINYGLTF_COMPONENT_TYPE_BYTE: {
            const double v = static_cast<std::int8_t>(p[0]);
            return normalized ? std::max(v / 127.0, -1.0) : v;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
            return normalized ? p[0] / 255.0 : p[0];
        case TINYGLTF_COMPONENT_TYPE_SHORT: {
            const double v = static_cast<std::int16_t>(LoadLe16(p));
            return normalized ? std::max(v / 32767.0, -1.0) : v;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
            return normalized ? LoadLe16(p) / 65535.0 : LoadLe16(p);
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
            return LoadLe32(p);
        default: {
            float f;
            const std::uint32_t bits = LoadLe32(p);
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        }
    }
};

Result<Elements> ViewElements(const tinygltf::Model& model, int viewIndex, std::size_t offset,
                              std::size_t count, int type, int components, bool strided,
                              const std::string& what) {
    Result<std::span<const std::uint8_t>> bytes = ViewBytes(model, viewIndex, what);
    if (!bytes) {
        return bytes.refusal();
    }
    Elements elements;
    elements.type = type;
    elements.components = components;
    elements.count = count;
    const std::size_t elementBytes = static_cast<std::size_t>(ComponentBytes(type) * components);
    if (elementBytes == 0) {
        return Invalid(what + " has a component type that is not read");
    }
    const std::size_t viewStride =
        strided ? model.bufferViews[static_cast<std::size_t>(viewIndex)].byteStride : 0;
    elements.stride = viewStride != 0 ? viewStride : elementBytes;
    if (elements.stride < elementBytes) {
        return Invalid(what + ": its buffer view's stride is shorter than an element");
    }
    // The last element, (count - 1) strides on, must end within the view.
    if (count > 0 && (offset > bytes->size() || bytes->size() - offset < elementBytes ||
                      count - 1 > (bytes->size() - offset - elementBytes) / elements.stride)) {
        return Invalid(what + " runs past the end of its buffer view");
    }
    elements.data = bytes->data() + offset;
    return elements;
}

// The accessor's elements as numbers, sparse substitutions applied: count
// elements of `components` numbers each.
Result<std::vector<double>> ReadAccessor(const tinygltf::Model& model, int index, int type,
                                         const std::string& what, std::size_t& budget) {
    if (index < 0 || static_cast<std::size_t>(index) >= model.accessors.size()) {
        return Invalid(what + " names accessor " + std::to_string(index) + ", which is not there");
    }
    const tinygltf::Accessor& accessor = model.accessors[static_cast<std::size_t>(index)];
    const std::string name = what + " (accessor " + std::to_string(index) + ")";
    const int components = type == TINYGLTF_TYPE_SCALAR ? 1 : type;
    if (accessor.type != type) {
        return Invalid(name + " is not of the type its use needs");
    }
    if (ComponentBytes(accessor.componentType) == 0) {
        return Invalid(name + " has a component type that is not read");
    }
    if (accessor.count > kMaxAccessorElements || accessor.count * components > budget) {
        return Refuse("gltf-too-large", name + " holds " + std::to_string(accessor.count) +
                                            " elements, more than are read");
    }
    budget -= accessor.count * components;
    std::vector<double> values(accessor.count * static_cast<std::size_t>(components), 0.0);
    if (accessor.bufferView >= 0) {
        Result<Elements> elements =
            ViewElements(model, accessor.bufferView, accessor.byteOffset, accessor.count,
                         accessor.componentType, components, true, name);
        if (!elements) {
            return elements.refusal();
        }
        elements->normalized = accessor.normalized;
        for (std::size_t e = 0; e < accessor.count; ++e) {
            for (int c = 0; c < components; ++c) {
                values[e * components + c] = elements->At(e, c);
            }
        }
    } else if (!accessor.sparse.isSparse) {
        return Invalid(name + " has neither a buffer view nor sparse values");
    }
    if (accessor.sparse.isSparse) {
        const auto& sparse = accessor.sparse;
        if (sparse.count < 0 || static_cast<std::size_t>(sparse.count) > accessor.count ||
            sparse.indices.byteOffset < 0 || sparse.values.byteOffset < 0) {
            return Invalid(name + ": its sparse substitutions do not fit it");
        }
        const auto count = static_cast<std::size_t>(sparse.count);
        Result<Elements> indices = ViewElements(
            model, sparse.indices.bufferView, static_cast<std::size_t>(sparse.indices.byteOffset),
            count, sparse.indices.componentType, 1, false, name + "'s sparse indices");
        if (!indices) {
            return indices.refusal();
        }
        if (sparse.indices.componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE &&
            sparse.indices.componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
            sparse.indices.componentType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) {
            return Invalid(name + "'s sparse indices are not unsigned integers");
        }
        Result<Elements> substitutes = ViewElements(
            model, sparse.values.bufferView, static_cast<std::size_t>(sparse.values.byteOffset),
            count, accessor.componentType, components, false, name + "'s sparse values");
        if (!substitutes) {
            return substitutes.refusal();
        }
        substitutes->normalized = accessor.normalized;
        for (std::size_t s = 0; s < count; ++s) {
            const double at = indices->At(s, 0);
            if (at >= static_cast<double>(accessor.count)) {
                return Invalid(name + "'s sparse index " +
                               std::to_string(static_cast<std::uint64_t>(at)) +
                               " is past its elements");
            }
            for (int c = 0; c < components; ++c) {
                values[static_cast<std::size_t>(at) * components + c] = substitutes->At(s, c);
            }
        }
    }
    for (const double value : values) {
        if (!std::isfinite(value)) {
            return Refuse("gltf-not-finite", name + " holds a number that is not finite");
        }
    }
    return values;
}

// ---- Materials ----------------------------------------------------------

struct TextureCoordinates {
    int set = 0;
    // KHR_texture_transform: u' = a u + b v + e, v' = c u + d v + f.
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

double NumberAt(const tinygltf::Value& object, const char* key, int index, double otherwise) {
    if (!object.Has(key)) {
        return otherwise;
    }
    const tinygltf::Value& value = object.Get(key);
    if (index >= 0) {
        if (!value.IsArray() || value.ArrayLen() <= static_cast<std::size_t>(index) ||
            !value.Get(index).IsNumber()) {
            return otherwise;
        }
        return value.Get(index).GetNumberAsDouble();
    }
    return value.IsNumber() ? value.GetNumberAsDouble() : otherwise;
}

TextureCoordinates CoordinatesOf(const tinygltf::TextureInfo& info) {
    TextureCoordinates coordinates;
    coordinates.set = info.texCoord;
    const auto it = info.extensions.find("KHR_texture_transform");
    if (it != info.extensions.end() && it->second.IsObject()) {
        const tinygltf::Value& transform = it->second;
        const double rotation = NumberAt(transform, "rotation", -1, 0);
        const double su = NumberAt(transform, "scale", 0, 1),
                     sv = NumberAt(transform, "scale", 1, 1);
        // translation × rotation × scale, the rotation as the extension
        // defines it (counter-clockwise in texture space, whose v points down).
        coordinates.a = std::cos(rotation) * su;
        coordinates.b = std::sin(rotation) * sv;
        coordinates.c = -std::sin(rotation) * su;
        coordinates.d = std::cos(rotation) * sv;
        coordinates.e = NumberAt(transform, "offset", 0, 0);
        coordinates.f = NumberAt(transform, "offset", 1, 0);
        if (transform.Has("texCoord") && transform.Get("texCoord").IsInt()) {
            coordinates.set = transform.Get("texCoord").GetNumberAsInt();
        }
    }
    return coordinates;
}

// ---- The scene ----------------------------------------------------------

struct Reader {
    const tinygltf::Model& model;
    GltfScene& scene;
    std::vector<TextureCoordinates> coordinates; // per material
    std::size_t budget = kMaxElementsRead;
    std::set<std::string> notes;

    Status ReadPrimitive(const tinygltf::Primitive& primitive, const Matrix4& matrix,
                         const std::vector<double>& weights, const std::string& what);
    Status ReadNodes(const std::vector<int>& roots);
};

Result<std::vector<std::uint32_t>> TriangleCorners(const tinygltf::Model& model,
                                                   const tinygltf::Primitive& primitive,
                                                   std::size_t vertexCount, const std::string& what,
                                                   std::size_t& budget) {
    std::vector<std::uint32_t> indices;
    if (primitive.indices >= 0) {
        Result<std::vector<double>> read = ReadAccessor(
            model, primitive.indices, TINYGLTF_TYPE_SCALAR, what + "'s indices", budget);
        if (!read) {
            return read.refusal();
        }
        const int type = model.accessors[static_cast<std::size_t>(primitive.indices)].componentType;
        if (type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE &&
            type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
            type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) {
            return Invalid(what + "'s indices are not unsigned integers");
        }
        indices.reserve(read->size());
        for (const double index : *read) {
            if (index >= static_cast<double>(vertexCount)) {
                return Refuse("gltf-index-range",
                              what + " uses vertex " +
                                  std::to_string(static_cast<std::uint64_t>(index)) + " of " +
                                  std::to_string(vertexCount));
            }
            indices.push_back(static_cast<std::uint32_t>(index));
        }
    } else {
        for (std::size_t i = 0; i < vertexCount; ++i) {
            indices.push_back(static_cast<std::uint32_t>(i));
        }
    }
    std::vector<std::uint32_t> corners;
    const std::size_t n = indices.size();
    switch (primitive.mode) {
    case TINYGLTF_MODE_TRIANGLES:
    case -1:
        corners.assign(indices.begin(), indices.begin() + static_cast<std::ptrdiff_t>(n - n % 3));
        break;
    case TINYGLTF_MODE_TRIANGLE_STRIP:
        // Triangle i is (i, i+1, i+2), every other one turned round to keep
        // the strip's winding.
        for (std::size_t i = 0; i + 2 < n; ++i) {
            corners.insert(corners.end(),
                           {indices[i], indices[i + 1 + i % 2], indices[i + 2 - i % 2]});
        }
        break;
    case TINYGLTF_MODE_TRIANGLE_FAN:
        for (std::size_t i = 1; i + 1 < n; ++i) {
            corners.insert(corners.end(), {indices[i], indices[i + 1], indices[0]});
        }
        break;
    default:
        break;
    }
    return corners;
}

Status Reader::ReadPrimitive(const tinygltf::Primitive& primitive, const Matrix4& matrix,
                             const std::vector<double>& weights, const std::string& what) {
    if (primitive.mode != -1 && primitive.mode != TINYGLTF_MODE_TRIANGLES &&
        primitive.mode != TINYGLTF_MODE_TRIANGLE_STRIP &&
        primitive.mode != TINYGLTF_MODE_TRIANGLE_FAN) {
        notes.insert("points and lines are not imported, only triangles");
        return Success();
    }
    if (primitive.material >= static_cast<int>(model.materials.size())) {
        return Invalid(what + " names material " + std::to_string(primitive.material) +
                       ", which is not there");
    }
    const auto attribute = [&primitive](const std::string& name) {
        const auto it = primitive.attributes.find(name);
        return it == primitive.attributes.end() ? -1 : it->second;
    };
    if (attribute("POSITION") < 0) {
        return Invalid(what + " has no POSITION attribute");
    }
    Result<std::vector<double>> positions = ReadAccessor(
        model, attribute("POSITION"), TINYGLTF_TYPE_VEC3, what + "'s POSITION", budget);
    if (!positions) {
        return positions.refusal();
    }
    const std::size_t vertexCount = positions->size() / 3;
    std::vector<double> normals;
    if (attribute("NORMAL") >= 0) {
        Result<std::vector<double>> read = ReadAccessor(
            model, attribute("NORMAL"), TINYGLTF_TYPE_VEC3, what + "'s NORMAL", budget);
        if (!read) {
            return read.refusal();
        }
        normals = std::move(*read);
    }
    // Morph targets at the weights the node (or else the mesh) gives.
    for (std::size_t t = 0; t < primitive.targets.size() && t < weights.size(); ++t) {
        if (weights[t] == 0) {
            continue;
        }
        const std::pair<const char*, std::vector<double>*> morphed[] = {{"POSITION", &*positions},
                                                                        {"NORMAL", &normals}};
        for (const auto& [name, values] : morphed) {
            const auto it = primitive.targets[t].find(name);
            if (it == primitive.targets[t].end() || values->empty()) {
                continue;
            }
            Result<std::vector<double>> delta =
                ReadAccessor(model, it->second, TINYGLTF_TYPE_VEC3,
                             what + "'s morph target " + std::to_string(t), budget);
            if (!delta) {
                return delta.refusal();
            }
            if (delta->size() != values->size()) {
                return Invalid(what + "'s morph target " + std::to_string(t) +
                               " has another number of vertices");
            }
            for (std::size_t i = 0; i < values->size(); ++i) {
                (*values)[i] += weights[t] * (*delta)[i];
            }
        }
    }
    std::vector<double> uvs;
    const TextureCoordinates& mapping =
        primitive.material >= 0 ? coordinates[static_cast<std::size_t>(primitive.material)]
                                : TextureCoordinates{};
    const int uvAccessor = attribute("TEXCOORD_" + std::to_string(mapping.set));
    if (uvAccessor >= 0) {
        Result<std::vector<double>> read =
            ReadAccessor(model, uvAccessor, TINYGLTF_TYPE_VEC2,
                         what + "'s TEXCOORD_" + std::to_string(mapping.set), budget);
        if (!read) {
            return read.refusal();
        }
        uvs = std::move(*read);
    }
    if ((!normals.empty() && normals.size() != positions->size()) ||
        (!uvs.empty() && uvs.size() / 2 != vertexCount)) {
        return Invalid(what + "'s attributes have different numbers of vertices");
    }
    if (attribute("COLOR_0") >= 0) {
        notes.insert("vertex colours are not imported: a texture holds all the colour");
    }

    Result<std::vector<std::uint32_t>> corners =
        TriangleCorners(model, primitive, vertexCount, what, budget);
    if (!corners) {
        return corners.refusal();
    }
    if (corners->empty()) {
        return Success();
    }
    SceneTriangles triangles;
    triangles.material = primitive.material;
    triangles.positions.reserve(vertexCount);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        const Vector3 p = TransformPoint(
            matrix, {(*positions)[3 * v], (*positions)[3 * v + 1], (*positions)[3 * v + 2]});
        triangles.positions.push_back(
            {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])});
        for (const float value : triangles.positions.back()) {
            if (!std::isfinite(value)) {
                return Refuse("gltf-not-finite", what + " has a vertex whose place in the scene is "
                                                        "not a finite number");
            }
        }
    }
    if (!normals.empty()) {
        triangles.normals.reserve(vertexCount);
        for (std::size_t v = 0; v < vertexCount; ++v) {
            const Vector3 n =
                TransformNormal(matrix, {normals[3 * v], normals[3 * v + 1], normals[3 * v + 2]});
            triangles.normals.push_back(
                {static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])});
        }
    }
    if (!uvs.empty()) {
        triangles.uvs.reserve(vertexCount);
        for (std::size_t v = 0; v < vertexCount; ++v) {
            const double u = uvs[2 * v], w = uvs[2 * v + 1];
            const float tu = static_cast<float>(mapping.a * u + mapping.b * w + mapping.e);
            const float tv = static_cast<float>(mapping.c * u + mapping.d * w + mapping.f);
            if (!std::isfinite(tu) || !std::isfinite(tv)) {
                return Refuse("gltf-not-finite",
                              what + "'s texture coordinates are not finite numbers");
            }
            triangles.uvs.push_back({tu, tv});
        }
    }
    triangles.corners = std::move(*corners);
    if (LinearDeterminant(matrix) < 0) {
        // A mirroring node turns every triangle's winding round: turn it back
        // so that the front stays outward.
        for (std::size_t t = 0; t < triangles.corners.size(); t += 3) {
            std::swap(triangles.corners[t + 1], triangles.corners[t + 2]);
        }
    }
    scene.triangles.push_back(std::move(triangles));
    return Success();
}

Status Reader::ReadNodes(const std::vector<int>& roots) {
    std::vector<bool> visited(model.nodes.size(), false);
    struct Pending {
        int index;
        int parent; // -1: a root of the scene
        Matrix4 matrix;
    };
    std::vector<Pending> stack;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) {
        stack.push_back({*it, -1, kIdentityMatrix});
    }
    while (!stack.empty()) {
        const auto [index, parentIndex, parent] = stack.back();
        stack.pop_back();
        if (index < 0 || static_cast<std::size_t>(index) >= model.nodes.size()) {
            return Invalid((parentIndex < 0 ? std::string("the scene")
                                            : "node " + std::to_string(parentIndex)) +
                           " names node " + std::to_string(index) + ", which is not there");
        }
        if (visited[static_cast<std::size_t>(index)]) {
            return Refuse("gltf-node-tree", "node " + std::to_string(index) +
                                                " is reached twice: the nodes do not form a tree");
        }
        visited[static_cast<std::size_t>(index)] = true;
        const tinygltf::Node& node = model.nodes[static_cast<std::size_t>(index)];
        Matrix4 local = kIdentityMatrix;
        if (node.matrix.size() == 16) {
            std::copy(node.matrix.begin(), node.matrix.end(), local.begin());
        } else if (!node.matrix.empty() ||
                   (!node.translation.empty() && node.translation.size() != 3) ||
                   (!node.rotation.empty() && node.rotation.size() != 4) ||
                   (!node.scale.empty() && node.scale.size() != 3)) {
            return Invalid("node " + std::to_string(index) + " has a transform of the wrong size");
        } else {
            const auto get = [](const std::vector<double>& v, std::size_t i, double otherwise) {
                return v.empty() ? otherwise : v[i];
            };
            local =
                ComposeTrs({get(node.translation, 0, 0), get(node.translation, 1, 0),
                            get(node.translation, 2, 0)},
                           {get(node.rotation, 0, 0), get(node.rotation, 1, 0),
                            get(node.rotation, 2, 0), get(node.rotation, 3, 1)},
                           {get(node.scale, 0, 1), get(node.scale, 1, 1), get(node.scale, 2, 1)});
        }
        const Matrix4 matrix = MultiplyMatrices(parent, local);
        if (!std::all_of(matrix.begin(), matrix.end(), [](double v) { return std::isfinite(v); })) {
            return Refuse("gltf-not-finite",
                          "node " + std::to_string(index) + "'s transform is not finite");
        }
        if (node.mesh >= 0) {
            if (static_cast<std::size_t>(node.mesh) >= model.meshes.size()) {
                return Invalid("node " + std::to_string(index) + " names mesh " +
                               std::to_string(node.mesh) + ", which is not there");
            }
            const tinygltf::Mesh& mesh = model.meshes[static_cast<std::size_t>(node.mesh)];
            scene.meshNodes.push_back(node.name);
            if (node.skin >= 0) {
                notes.insert("skinned meshes are imported as they are posed in the file, "
                             "without their skeleton");
            }
            const std::vector<double>& weights = node.weights.empty() ? mesh.weights : node.weights;
            for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
                const std::string what =
                    "mesh " + std::to_string(node.mesh) + " primitive " + std::to_string(p);
                if (Status read = ReadPrimitive(mesh.primitives[p], matrix, weights, what); !read) {
                    return read;
                }
            }
        }
        for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
            stack.push_back({*it, index, matrix});
        }
    }
    return Success();
}

} // namespace

Result<GltfScene> ReadGltfScene(std::span<const std::uint8_t> file, const std::string& folder) {
    if (file.size() > kMaxFileBytes) {
        return Refuse("gltf-too-large", "the file is larger than 1 GiB");
    }
    Result<Container> container = OpenContainer(file);
    if (!container) {
        return container.refusal();
    }
    FileAccess access;
    access.folder = folder;
    if (Status checked = CheckDocument(*container, access); !checked) {
        return checked.refusal();
    }

    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({&FileExists, &ExpandFilePath, &ReadWholeFile, &WriteWholeFile, &access});
    PictureBytes pictureBytes;
    loader.SetImageLoader(&KeepPictureBytes, &pictureBytes);
    tinygltf::Model model;
    std::string error, warning;
    const bool loaded =
        container->binary
            ? loader.LoadBinaryFromMemory(&model, &error, &warning, container->glb.data(),
                                          static_cast<unsigned>(container->glb.size()), "")
            : loader.LoadASCIIFromString(&model, &error, &warning, container->json.data(),
                                         static_cast<unsigned>(container->json.size()), "");
    if (!access.missing.empty()) {
        return Refuse("gltf-missing-file", "the model names the file " + access.missing +
                                               ", which is not found beside it");
    }
    if (!loaded) {
        const std::string first = error.substr(0, error.find('\n'));
        return Invalid(first.empty() ? "the file is not a glTF model tinygltf reads" : first);
    }

    GltfScene scene;
    Reader reader{model, scene, {}, kMaxElementsRead, {}};
    // Pictures: the encoded bytes of every image, from its URI or its view.
    std::vector<int> pictureOf(model.images.size(), -1);
    const auto picture = [&](int image) -> Result<int> {
        if (image < 0 || static_cast<std::size_t>(image) >= model.images.size()) {
            return Invalid("a texture names image " + std::to_string(image) +
                           ", which is not there");
        }
        int& at = pictureOf[static_cast<std::size_t>(image)];
        if (at >= 0) {
            return at;
        }
        const tinygltf::Image& source = model.images[static_cast<std::size_t>(image)];
        ScenePicture kept;
        kept.name = !source.name.empty()                          ? source.name
                    : source.uri.empty() || IsDataUri(source.uri) ? "image " + std::to_string(image)
                                                                  : source.uri;
        if (source.bufferView >= 0) {
            Result<std::span<const std::uint8_t>> bytes =
                ViewBytes(model, source.bufferView, "image " + std::to_string(image));
            if (!bytes) {
                return bytes.refusal();
            }
            kept.encoded.assign(bytes->begin(), bytes->end());
        } else {
            auto it = pictureBytes.byImage.find(image);
            if (it == pictureBytes.byImage.end()) {
                return Refuse("gltf-missing-file", "the model names the picture " + kept.name +
                                                       ", which is not found beside it");
            }
            kept.encoded = std::move(it->second);
        }
        scene.pictures.push_back(std::move(kept));
        at = static_cast<int>(scene.pictures.size()) - 1;
        return at;
    };
    for (const tinygltf::Material& material : model.materials) {
        SceneMaterial kept;
        kept.name = material.name;
        const std::vector<double>& factor = material.pbrMetallicRoughness.baseColorFactor;
        for (std::size_t c = 0; c < 4 && factor.size() == 4; ++c) {
            kept.baseColour[c] = static_cast<float>(std::clamp(factor[c], 0.0, 1.0));
        }
        const tinygltf::TextureInfo& info = material.pbrMetallicRoughness.baseColorTexture;
        if (info.index >= 0) {
            if (static_cast<std::size_t>(info.index) >= model.textures.size()) {
                return Invalid("material \"" + material.name + "\" names texture " +
                               std::to_string(info.index) + ", which is not there");
            }
            const int source = model.textures[static_cast<std::size_t>(info.index)].source;
            if (source < 0) {
                reader.notes.insert("a texture without a PNG or JPEG picture is left out");
            } else {
                Result<int> kept_picture = picture(source);
                if (!kept_picture) {
                    return kept_picture.refusal();
                }
                kept.picture = *kept_picture;
            }
        }
        if (material.alphaMode == "BLEND" || material.alphaMode == "MASK") {
            reader.notes.insert("transparency is not imported: the viewer draws every texture "
                                "opaque");
        }
        reader.coordinates.push_back(CoordinatesOf(info));
        scene.materials.push_back(std::move(kept));
    }

    // The default scene, else the first, else every node without a parent.
    std::vector<int> roots;
    if (model.defaultScene >= 0 &&
        static_cast<std::size_t>(model.defaultScene) < model.scenes.size()) {
        roots = model.scenes[static_cast<std::size_t>(model.defaultScene)].nodes;
    } else if (!model.scenes.empty()) {
        roots = model.scenes[0].nodes;
    } else {
        std::vector<bool> child(model.nodes.size(), false);
        for (const tinygltf::Node& node : model.nodes) {
            for (const int c : node.children) {
                if (c >= 0 && static_cast<std::size_t>(c) < child.size()) {
                    child[static_cast<std::size_t>(c)] = true;
                }
            }
        }
        for (std::size_t n = 0; n < model.nodes.size(); ++n) {
            if (!child[n]) {
                roots.push_back(static_cast<int>(n));
            }
        }
    }
    if (Status read = reader.ReadNodes(roots); !read) {
        return read.refusal();
    }
    scene.notes.assign(reader.notes.begin(), reader.notes.end());
    return scene;
}

Result<RgbPicture> DecodeScenePicture(const ScenePicture& picture) {
    const std::optional<PictureSides> sides = EncodedPictureSides(picture.encoded);
    if (!sides) {
        return Refuse("gltf-picture", "the picture " + picture.name +
                                          " is neither a PNG nor a JPEG picture that can be read");
    }
    const std::string shown = "the picture " + picture.name + " is " +
                              std::to_string(sides->width) + " x " + std::to_string(sides->height) +
                              " pixels: ";
    if (sides->width > kMaxPictureSide || sides->height > kMaxPictureSide) {
        return Refuse("gltf-picture", shown + "sides of more than " +
                                          std::to_string(kMaxPictureSide) + " pixels are not read");
    }
    if (std::int64_t{sides->width} * sides->height > kMaxPicturePixels) {
        return Refuse("gltf-picture", shown + "more than " + std::to_string(kMaxPicturePixels) +
                                          " pixels are not read");
    }
    Result<DecodedPicture> decoded = DecodePicture(picture.encoded, false);
    if (!decoded) {
        return Refuse("gltf-picture", "the picture " + picture.name + " does not decode (" +
                                          decoded.refusal().message + ")");
    }
    return std::move(decoded->picture);
}
