#include "gltf/gltf_extensions.h"

#include "gltf/gltf_reading.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

using Json = nlohmann::json;

// The items of a top-level array, or none.
const Json& Items(const Json& document, const char* key) {
    static const Json kNone = Json::array();
    const auto it = document.find(key);
    return it != document.end() && it->is_array() ? *it : kNone;
}

// The object an item holds under "extensions"/`name`, or null.
const Json* ExtensionOf(const Json& item, std::string_view name) {
    if (!item.is_object()) {
        return nullptr;
    }
    const auto extensions = item.find("extensions");
    if (extensions == item.end() || !extensions->is_object()) {
        return nullptr;
    }
    const auto it = extensions->find(std::string(name));
    return it != extensions->end() ? &*it : nullptr;
}

// A Draco-compressed primitive whose accessors have no data of their own
// (no buffer view, no sparse values) has nothing uncompressed to read.
bool DracoWithoutFallback(const Json& document, std::string_view name) {
    const Json& accessors = Items(document, "accessors");
    const auto lacksData = [&accessors](const Json& index) {
        if (!index.is_number_unsigned() || index.get<std::size_t>() >= accessors.size()) {
            return false; // the library refuses it
        }
        const Json& accessor = accessors[index.get<std::size_t>()];
        return accessor.is_object() && !accessor.contains("bufferView") &&
               !accessor.contains("sparse");
    };
    for (const Json& mesh : Items(document, "meshes")) {
        const auto primitives = mesh.is_object() ? mesh.find("primitives") : mesh.end();
        if (!mesh.is_object() || primitives == mesh.end() || !primitives->is_array()) {
            continue;
        }
        for (const Json& primitive : *primitives) {
            if (ExtensionOf(primitive, name) == nullptr) {
                continue;
            }
            if (primitive.contains("indices") && lacksData(primitive["indices"])) {
                return true;
            }
            if (primitive.contains("attributes") && primitive["attributes"].is_object()) {
                for (const auto& attribute : primitive["attributes"].items()) {
                    if (lacksData(attribute.value())) {
                        return true;
                    }
                }
            }
        }
    }
    return false;
}

// A meshopt-compressed buffer view over a buffer marked as the fallback
// (which holds no data: the loader that cannot decompress has nothing).
bool MeshoptWithoutFallback(const Json& document, std::string_view name) {
    const Json& buffers = Items(document, "buffers");
    for (const Json& view : Items(document, "bufferViews")) {
        const Json* compressed = ExtensionOf(view, name);
        if (compressed == nullptr || !view.contains("buffer") ||
            !view["buffer"].is_number_unsigned() ||
            view["buffer"].get<std::size_t>() >= buffers.size()) {
            continue;
        }
        const Json* fallback = ExtensionOf(buffers[view["buffer"].get<std::size_t>()], name);
        if (fallback != nullptr && fallback->is_object() && fallback->value("fallback", false)) {
            return true;
        }
    }
    return false;
}

// A texture that names its picture only through the extension, with no
// "source" (PNG or JPEG) beside it.
bool PictureWithoutFallback(const Json& document, std::string_view name) {
    const Json& textures = Items(document, "textures");
    return std::any_of(textures.begin(), textures.end(), [name](const Json& texture) {
        return ExtensionOf(texture, name) != nullptr && !texture.contains("source");
    });
}

constexpr std::string_view kNotCompressed = "export it without compression";
constexpr std::string_view kAsPng = "export its pictures as PNG or JPEG";

constexpr GltfExtension kExtensions[] = {
    {"KHR_materials_pbrSpecularGlossiness", ExtensionUse::read, ""},
    {"KHR_materials_unlit", ExtensionUse::read, ""},
    {"KHR_mesh_quantization", ExtensionUse::read, ""},
    {"KHR_texture_transform", ExtensionUse::read, ""},

    {"KHR_materials_anisotropy", ExtensionUse::ignored, "pieces show no highlights"},
    {"KHR_materials_clearcoat", ExtensionUse::ignored, "pieces have no clear coat"},
    {"KHR_materials_diffuse_transmission", ExtensionUse::ignored, "pieces are opaque"},
    {"KHR_materials_dispersion", ExtensionUse::ignored, "pieces are opaque"},
    {"KHR_materials_emissive_strength", ExtensionUse::ignored, "pieces do not glow"},
    {"KHR_materials_ior", ExtensionUse::ignored, "pieces are opaque"},
    {"KHR_materials_iridescence", ExtensionUse::ignored, "pieces show no iridescence"},
    {"KHR_materials_sheen", ExtensionUse::ignored, "pieces have no sheen"},
    {"KHR_materials_specular", ExtensionUse::ignored, "pieces show no highlights"},
    {"KHR_materials_transmission", ExtensionUse::ignored, "pieces are opaque"},
    {"KHR_materials_variants", ExtensionUse::ignored, "the default materials are imported"},
    {"KHR_materials_volume", ExtensionUse::ignored, "pieces are opaque"},
    {"KHR_lights_punctual", ExtensionUse::ignored, "the viewer lights every piece itself"},
    {"EXT_lights_image_based", ExtensionUse::ignored, "the viewer lights every piece itself"},
    {"KHR_animation_pointer", ExtensionUse::ignored, "pieces do not move"},
    {"KHR_xmp_json_ld", ExtensionUse::ignored, "a piece keeps no metadata"},

    {"KHR_draco_mesh_compression", ExtensionUse::refused, "the model's meshes are Draco-compressed",
     "gltf-draco", kNotCompressed, &DracoWithoutFallback},
    {"EXT_meshopt_compression", ExtensionUse::refused, "the model's buffers are meshopt-compressed",
     "gltf-meshopt", kNotCompressed, &MeshoptWithoutFallback},
    {"KHR_meshopt_compression", ExtensionUse::refused, "the model's buffers are meshopt-compressed",
     "gltf-meshopt", kNotCompressed, &MeshoptWithoutFallback},
    {"KHR_texture_basisu", ExtensionUse::refused, "the model's pictures are KTX2 pictures",
     "gltf-extension", kAsPng, &PictureWithoutFallback},
    {"EXT_texture_webp", ExtensionUse::refused, "the model's pictures are WebP pictures",
     "gltf-extension", kAsPng, &PictureWithoutFallback},
    {"EXT_texture_avif", ExtensionUse::refused, "the model's pictures are AVIF pictures",
     "gltf-extension", kAsPng, &PictureWithoutFallback},
    {"MSFT_texture_dds", ExtensionUse::refused, "the model's pictures are DDS pictures",
     "gltf-extension", kAsPng, &PictureWithoutFallback},
};

std::vector<std::string> Listed(const Json& document, const char* key) {
    std::vector<std::string> names;
    for (const Json& name : Items(document, key)) {
        if (name.is_string()) {
            names.push_back(name.get<std::string>());
        }
    }
    return names;
}

const GltfExtension* Find(std::string_view name) {
    const auto it = std::find_if(std::begin(kExtensions), std::end(kExtensions),
                                 [name](const GltfExtension& e) { return e.name == name; });
    return it == std::end(kExtensions) ? nullptr : &*it;
}

Refusal RefuseExtension(const GltfExtension& extension) {
    return Refuse(std::string(extension.code),
                  std::string(extension.why) + " (" + std::string(extension.name) +
                      "), which is not read: " + std::string(extension.advice));
}

} // namespace

std::span<const GltfExtension> GltfExtensions() {
    return kExtensions;
}

Status CheckExtensions(const Json& document, std::vector<std::string>& notes) {
    const std::vector<std::string> required = Listed(document, "extensionsRequired");
    for (const std::string& name : required) {
        const GltfExtension* known = Find(name);
        if (known == nullptr) {
            return Refuse("gltf-extension",
                          "the model requires the extension " + name + ", which is not read");
        }
        if (known->use == ExtensionUse::refused) {
            return RefuseExtension(*known);
        }
    }
    for (const GltfExtension& extension : kExtensions) {
        if (extension.lacksFallback != nullptr &&
            extension.lacksFallback(document, extension.name)) {
            return RefuseExtension(extension);
        }
    }
    std::vector<std::string> used = Listed(document, "extensionsUsed");
    used.insert(used.end(), required.begin(), required.end());
    for (const std::string& name : used) {
        const GltfExtension* known = Find(name);
        if (known != nullptr && known->use == ExtensionUse::ignored) {
            AddNote(notes, name + " ignored: " + std::string(known->why));
        }
    }
    return Success();
}
