#include "gltf/gltf_document.h"

#include "gltf/gltf_extensions.h"
#include "gltf/gltf_reading.h"
#include "gltf/gltf_unused_parts.h"

#include <nlohmann/json.hpp>

#include <cstring>

namespace {

using Json = nlohmann::json;

// A string member, or empty.
std::string StringAt(const Json& object, const char* key) {
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// Every skin names its joints, as nodes: an array of indices (checked
// against the nodes later, with the rest of the model). A skin without
// inverse bind matrices has glTF's identity matrices; the library requires
// the member, so it is given -1, which the reader reads as "none". True
// when a skin was given it.
Result<bool> PrepareSkins(Json& document) {
    const auto skins = document.find("skins");
    if (skins == document.end() || !skins->is_array()) {
        return false;
    }
    bool changed = false;
    for (std::size_t s = 0; s < skins->size(); ++s) {
        Json& skin = (*skins)[s];
        const std::string what = "skin " + std::to_string(s);
        const auto joints = skin.is_object() ? skin.find("joints") : skin.end();
        if (joints == skin.end() || !joints->is_array() || joints->empty() ||
            !std::all_of(joints->begin(), joints->end(),
                         [](const Json& j) { return j.is_number_unsigned(); })) {
            return Refuse("gltf-skin", what + " does not name its joints as a list of nodes");
        }
        const auto matrices = skin.find("inverseBindMatrices");
        if (matrices == skin.end()) {
            skin["inverseBindMatrices"] = -1;
            changed = true;
        } else if (!matrices->is_number_unsigned()) {
            return Refuse("gltf-skin",
                          what + "'s inverse bind matrices are not named by an accessor number");
        }
    }
    return changed;
}

// The files the buffers and images name by URIs, refused when a URI is not
// a relative path.
Status ListFiles(const Json& document, bool binary, FileAccess& access) {
    for (const char* kind : {"buffers", "images"}) {
        const auto items = document.find(kind);
        if (items == document.end() || !items->is_array()) {
            continue;
        }
        for (std::size_t i = 0; i < items->size(); ++i) {
            const Json& item = (*items)[i];
            const std::string what =
                std::string(kind).substr(0, std::strlen(kind) - 1) + " " + std::to_string(i);
            if (!item.is_object() || !item.contains("uri")) {
                if (binary && std::strcmp(kind, "buffers") == 0 && i > 0) {
                    // Only the first buffer of a GLB file is its binary chunk.
                    return GltfInvalid(what + " has no URI, and only buffer 0 is the GLB's own");
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
            const auto [at, added] = access.pathOf.emplace(LibraryUriKey(uri), *path);
            if (!added && at->second != *path) {
                return Refuse("gltf-uri", "the URIs \"" + uri +
                                              "\" and another name files that "
                                              "cannot be told apart");
            }
        }
    }
    return Success();
}

} // namespace

Result<std::optional<std::string>> PrepareDocument(const GltfContainer& container,
                                                   FileAccess& access,
                                                   std::vector<std::string>& notes) {
    Json document = Json::parse(container.json.begin(), container.json.end(), nullptr, false);
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
    if (Status checked = CheckExtensions(document, notes); !checked) {
        return checked.refusal();
    }
    Result<bool> dropped = DropUnusedParts(document, notes);
    if (!dropped) {
        return dropped.refusal();
    }
    Result<bool> skins = PrepareSkins(document);
    if (!skins) {
        return skins.refusal();
    }
    if (Status listed = ListFiles(document, container.binary, access); !listed) {
        return listed.refusal();
    }
    if (!*dropped && !*skins) {
        return std::optional<std::string>();
    }
    // (The parser accepted only valid UTF-8, so nothing needs replacing.)
    return std::optional<std::string>(
        document.dump(-1, ' ', false, Json::error_handler_t::replace));
}
