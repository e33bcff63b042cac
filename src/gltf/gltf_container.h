// The bytes around a glTF document: the GLB container that holds it with its
// binary chunk, and the files beside a .gltf that its URIs name.
//
// A URI is read only as a data: URI or as a relative path (percent escapes
// decoded, query and fragment dropped): another scheme, an absolute path or
// a broken escape is refused, so that a model never reads beyond its folder
// by name or reaches the network.
#pragma once

#include "common/result.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Largest file read, the model's own or one beside it.
inline constexpr std::uint64_t kMaxGltfFileBytes = std::uint64_t{1} << 30;

// The JSON text of a .gltf file, or of a GLB's first chunk. The GLB
// container is checked whole: chunk lengths inside the declared length, the
// declared length inside the data.
struct GltfContainer {
    bool binary = false;
    std::string_view json;
    std::span<const std::uint8_t> glb; // the whole container (binary only)
};

Result<GltfContainer> OpenGltfContainer(std::span<const std::uint8_t> file);

// The container's bytes with `json` in place of its JSON: the text itself
// for a .gltf, the GLB with its binary chunk as it was for a .glb.
std::vector<std::uint8_t> WithJson(const GltfContainer& container, const std::string& json);

bool IsDataUri(const std::string& uri);

// The relative path a URI names, or why it is not read ("gltf-uri-scheme",
// "gltf-uri-absolute", "gltf-uri"). `what` names the URI's owner.
Result<std::string> UriPath(const std::string& uri, const std::string& what);

// The name the glTF library asks for a URI by: it decodes URIs in a way of
// its own ("+" as a blank, a "%" before anything but two hex digits kept
// or read leniently), so its requests are looked up under this key.
std::string LibraryUriKey(const std::string& uri);

// The files a .gltf names, found beside it. The library's file callbacks
// (below) take this as their user data.
struct FileAccess {
    std::string folder; // in the system's encoding; empty: every file is missing
    std::map<std::string, std::string> pathOf; // LibraryUriKey -> relative path (UTF-8)
    std::string missing;                       // the first file asked for and not found
};

bool LibraryFileExists(const std::string& key, void* access);
std::string LibraryExpandFilePath(const std::string& key, void* access);
bool LibraryReadFile(std::vector<unsigned char>* out, std::string* error, const std::string& key,
                     void* access);
// Nothing is written through the reader.
bool LibraryWriteFile(std::string* error, const std::string& key,
                      const std::vector<unsigned char>& bytes, void* access);
