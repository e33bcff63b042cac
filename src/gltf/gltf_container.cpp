#include "gltf/gltf_container.h"

#include "common/byte_order.h"
#include "common/shift_jis_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
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

} // namespace

Result<GltfContainer> OpenGltfContainer(std::span<const std::uint8_t> file) {
    GltfContainer container;
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

std::vector<std::uint8_t> WithJson(const GltfContainer& container, const std::string& json) {
    if (!container.binary) {
        return std::vector<std::uint8_t>(json.begin(), json.end());
    }
    // The JSON chunk padded with blanks to a multiple of 4 bytes, as the
    // container requires; the binary chunk after it, as it was.
    const std::size_t padded = (json.size() + 3) / 4 * 4;
    const std::size_t binAt = 20 + std::size_t{LoadLe32(container.glb.data() + 12)};
    std::vector<std::uint8_t> glb(container.glb.begin(), container.glb.begin() + 12);
    glb.resize(20 + padded, ' ');
    StoreLe32(glb.data() + 8,
              static_cast<std::uint32_t>(glb.size() + container.glb.size() - binAt));
    StoreLe32(glb.data() + 12, static_cast<std::uint32_t>(padded));
    std::memcpy(glb.data() + 16, "JSON", 4);
    std::memcpy(glb.data() + 20, json.data(), json.size());
    glb.insert(glb.end(), container.glb.begin() + static_cast<std::ptrdiff_t>(binAt),
               container.glb.end());
    return glb;
}

bool IsDataUri(const std::string& uri) {
    return uri.size() >= 5 && std::equal(uri.begin(), uri.begin() + 5,
                                         "data:", [](char a, char b) { return (a | 0x20) == b; });
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

std::string LibraryUriKey(const std::string& uri) {
    // A digit or letter a-f in either case is its value; anything else 0.
    const auto value = [](char c) { return IsHex(c) ? HexValue(c) : 0; };
    std::string key;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '+') {
            key += ' ';
        } else if (uri[i] == '%' && uri.size() > i + 2) {
            key += static_cast<char>(value(uri[i + 1]) << 4 | value(uri[i + 2]));
            i += 2;
        } else {
            key += uri[i];
        }
    }
    return key;
}

bool LibraryFileExists(const std::string& path, void* user) {
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

std::string LibraryExpandFilePath(const std::string& path, void*) {
    return path;
}

bool LibraryReadFile(std::vector<unsigned char>* out, std::string* error, const std::string& path,
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
        if (out->size() > kMaxGltfFileBytes) {
            break;
        }
    }
    const bool ok = !std::ferror(file) && out->size() <= kMaxGltfFileBytes;
    std::fclose(file);
    if (!ok) {
        *error = "cannot read";
    }
    return ok;
}

bool LibraryWriteFile(std::string*, const std::string&, const std::vector<unsigned char>&, void*) {
    return false;
}
