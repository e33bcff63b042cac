#include "gltf/gltf_materials.h"

#include "gltf/gltf_accessors.h"
#include "gltf/gltf_container.h"
#include "gltf/gltf_reading.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kSpecularGlossiness = "KHR_materials_pbrSpecularGlossiness";

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

// The coordinates of texture set `set`, moved, turned and scaled as the
// texture's KHR_texture_transform (when not null) says.
TextureCoordinates CoordinatesOf(int set, const tinygltf::Value* transform) {
    TextureCoordinates coordinates;
    coordinates.set = set;
    if (transform != nullptr && transform->IsObject()) {
        const double rotation = NumberAt(*transform, "rotation", -1, 0);
        const double su = NumberAt(*transform, "scale", 0, 1),
                     sv = NumberAt(*transform, "scale", 1, 1);
        // translation × rotation × scale, the rotation as the extension
        // defines it (counter-clockwise in texture space, whose v points down).
        coordinates.a = std::cos(rotation) * su;
        coordinates.b = std::sin(rotation) * sv;
        coordinates.c = -std::sin(rotation) * su;
        coordinates.d = std::cos(rotation) * sv;
        coordinates.e = NumberAt(*transform, "offset", 0, 0);
        coordinates.f = NumberAt(*transform, "offset", 1, 0);
        if (transform->Has("texCoord") && transform->Get("texCoord").IsInt()) {
            coordinates.set = transform->Get("texCoord").GetNumberAsInt();
        }
    }
    return coordinates;
}

// KHR_materials_pbrSpecularGlossiness's diffuse colour: its factor (white
// when it has none) times its diffuse texture.
Result<BaseColour> DiffuseColourOf(const tinygltf::Value& extension, const std::string& what) {
    if (!extension.IsObject()) {
        return GltfInvalid(what + "'s " + kSpecularGlossiness + " is not an object");
    }
    BaseColour colour;
    if (extension.Has("diffuseFactor")) {
        const tinygltf::Value& factor = extension.Get("diffuseFactor");
        if (!factor.IsArray() || factor.ArrayLen() != 4) {
            return GltfInvalid(what + "'s diffuse factor is not four numbers");
        }
        for (int c = 0; c < 4; ++c) {
            if (!factor.Get(c).IsNumber()) {
                return GltfInvalid(what + "'s diffuse factor is not four numbers");
            }
            colour.factor[static_cast<std::size_t>(c)] = factor.Get(c).GetNumberAsDouble();
        }
    }
    if (!extension.Has("diffuseTexture")) {
        return colour;
    }
    const tinygltf::Value& info = extension.Get("diffuseTexture");
    const auto isIndex = [&info](const char* key) {
        return info.Get(key).IsInt() && info.Get(key).GetNumberAsInt() >= 0;
    };
    if (!info.IsObject() || !isIndex("index") || (info.Has("texCoord") && !isIndex("texCoord"))) {
        return GltfInvalid(what + "'s diffuse texture is not named by its number");
    }
    colour.texture = info.Get("index").GetNumberAsInt();
    const tinygltf::Value* transform = nullptr;
    if (info.Has("extensions") && info.Get("extensions").Has("KHR_texture_transform")) {
        transform = &info.Get("extensions").Get("KHR_texture_transform");
    }
    colour.coordinates =
        CoordinatesOf(info.Has("texCoord") ? info.Get("texCoord").GetNumberAsInt() : 0, transform);
    return colour;
}

} // namespace

Result<BaseColour> BaseColourOf(const tinygltf::Material& material, const std::string& what) {
    const auto extension = material.extensions.find(kSpecularGlossiness);
    if (extension != material.extensions.end()) {
        return DiffuseColourOf(extension->second, what);
    }
    BaseColour colour;
    const std::vector<double>& factor = material.pbrMetallicRoughness.baseColorFactor;
    if (factor.size() == 4) {
        std::copy(factor.begin(), factor.end(), colour.factor.begin());
    }
    const tinygltf::TextureInfo& info = material.pbrMetallicRoughness.baseColorTexture;
    colour.texture = info.index;
    const auto transform = info.extensions.find("KHR_texture_transform");
    colour.coordinates = CoordinatesOf(
        info.texCoord, transform == info.extensions.end() ? nullptr : &transform->second);
    return colour;
}

bool KeepPictureBytes(tinygltf::Image* image, int index, std::string*, std::string*, int, int,
                      const unsigned char* bytes, int size, void* pictures) {
    if (image->bufferView < 0 && size > 0) {
        static_cast<PictureBytes*>(pictures)->byImage[index].assign(bytes, bytes + size);
    }
    return true;
}

Status ReadMaterials(const tinygltf::Model& model, PictureBytes& pictures, GltfScene& scene,
                     std::vector<TextureCoordinates>& coordinates,
                     std::vector<std::string>& notes) {
    // The encoded bytes of every image drawn, from its URI or its view, once.
    std::vector<int> pictureOf(model.images.size(), -1);
    const auto picture = [&](int image) -> Result<int> {
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
            const std::span<const std::uint8_t> bytes = ViewBytes(model, source.bufferView);
            kept.encoded.assign(bytes.begin(), bytes.end());
        } else {
            auto it = pictures.byImage.find(image);
            if (it == pictures.byImage.end()) {
                return Refuse("gltf-missing-file", "the model names the picture " + kept.name +
                                                       ", which is not found beside it");
            }
            kept.encoded = std::move(it->second);
        }
        scene.pictures.push_back(std::move(kept));
        at = static_cast<int>(scene.pictures.size()) - 1;
        return at;
    };
    for (std::size_t m = 0; m < model.materials.size(); ++m) {
        const tinygltf::Material& material = model.materials[m];
        const BaseColour colour = *BaseColourOf(material, "material " + std::to_string(m));
        SceneMaterial kept;
        kept.name = material.name;
        for (std::size_t c = 0; c < 4; ++c) {
            kept.baseColour[c] = static_cast<float>(std::clamp(colour.factor[c], 0.0, 1.0));
        }
        if (colour.texture >= 0) {
            const int source = model.textures[static_cast<std::size_t>(colour.texture)].source;
            if (source < 0) {
                AddNote(notes, "a texture without a PNG or JPEG picture is left out");
            } else {
                Result<int> kept_picture = picture(source);
                if (!kept_picture) {
                    return kept_picture.refusal();
                }
                kept.picture = *kept_picture;
            }
        }
        if (material.alphaMode == "BLEND" || material.alphaMode == "MASK") {
            AddNote(notes, "transparency is not imported: the viewer draws every texture opaque");
        }
        coordinates.push_back(colour.coordinates);
        scene.materials.push_back(std::move(kept));
    }
    return Success();
}
