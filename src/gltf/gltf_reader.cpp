#include "gltf/gltf_reader.h"

#include "gltf/gltf_container.h"
#include "gltf/gltf_document.h"
#include "gltf/gltf_materials.h"
#include "gltf/gltf_reading.h"
#include "gltf/gltf_scene.h"
#include "gltf/gltf_validation.h"

#include <optional>

namespace {

// The model as the glTF library reads it from `bytes` (a container whose
// JSON is the prepared document), the files beside it through `access`, the
// pictures' bytes kept in `pictures`.
Result<tinygltf::Model> LoadModel(const GltfContainer& container,
                                  std::span<const std::uint8_t> bytes, FileAccess& access,
                                  PictureBytes& pictures) {
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks(
        {&LibraryFileExists, &LibraryExpandFilePath, &LibraryReadFile, &LibraryWriteFile, &access});
    loader.SetImageLoader(&KeepPictureBytes, &pictures);
    tinygltf::Model model;
    std::string error, warning;
    const bool loaded =
        container.binary ? loader.LoadBinaryFromMemory(&model, &error, &warning, bytes.data(),
                                                       static_cast<unsigned>(bytes.size()), "")
                         : loader.LoadASCIIFromString(&model, &error, &warning,
                                                      reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<unsigned>(bytes.size()), "");
    if (!access.missing.empty()) {
        return Refuse("gltf-missing-file", "the model names the file " + access.missing +
                                               ", which is not found beside it");
    }
    if (!loaded) {
        const std::string first = error.substr(0, error.find('\n'));
        return GltfInvalid(first.empty() ? "the file is not a glTF model tinygltf reads" : first);
    }
    return model;
}

} // namespace

Result<GltfScene> ReadGltfScene(std::span<const std::uint8_t> file, const std::string& folder) {
    if (file.size() > kMaxGltfFileBytes) {
        return Refuse("gltf-too-large", "the file is larger than 1 GiB");
    }
    Result<GltfContainer> container = OpenGltfContainer(file);
    if (!container) {
        return container.refusal();
    }
    FileAccess access;
    access.folder = folder;
    GltfScene scene;
    std::vector<std::string> notes;
    Result<std::optional<std::string>> prepared = PrepareDocument(*container, access, notes);
    if (!prepared) {
        return prepared.refusal();
    }
    const std::vector<std::uint8_t> rewritten =
        *prepared ? WithJson(*container, **prepared) : std::vector<std::uint8_t>();
    std::span<const std::uint8_t> bytes = container->binary ? container->glb : file;
    if (*prepared) {
        bytes = rewritten;
    }
    PictureBytes pictures;
    Result<tinygltf::Model> model = LoadModel(*container, bytes, access, pictures);
    if (!model) {
        return model.refusal();
    }
    Result<ModelLayout> layout = ValidateModel(*model);
    if (!layout) {
        return layout.refusal();
    }
    std::vector<TextureCoordinates> coordinates;
    if (Status read = ReadMaterials(*model, pictures, scene, coordinates, notes); !read) {
        return read.refusal();
    }
    if (Status read = ReadSceneTriangles(*model, *layout, coordinates, scene, notes); !read) {
        return read.refusal();
    }
    scene.notes = std::move(notes);
    return scene;
}
