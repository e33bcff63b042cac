// The glTF extensions the import knows, in one table, and what a model's use
// of them means for its piece. An extension the model only uses may be
// passed over (glTF's rule); one it requires must be understood, so a
// required extension is refused when the table refuses it or does not list
// it.
#pragma once

#include "common/result.h"

#include <nlohmann/json_fwd.hpp>

#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class ExtensionUse {
    read,    // what a piece can show of it is imported
    ignored, // what it adds a piece cannot show: imported without it, with a note
    refused, // what it holds cannot be decoded: read only where the model falls back on
             // data without it
};

struct GltfExtension {
    std::string_view name;
    ExtensionUse use;
    // ignored: why, in the note "NAME ignored: WHY"; refused: what it holds,
    // the start of the refusal ("the model's meshes are Draco-compressed").
    std::string_view why;
    // refused: the refusal's code and what to do instead.
    std::string_view code = {};
    std::string_view advice = {};
    // refused: whether something in the document uses it without data to
    // fall back on (then it is refused even when the model only uses it).
    bool (*lacksFallback)(const nlohmann::json& document, std::string_view name) = nullptr;
};

std::span<const GltfExtension> GltfExtensions();

// Refuses what the document's extensions make unreadable and adds the note
// of every ignored extension it lists as used or required.
Status CheckExtensions(const nlohmann::json& document, std::vector<std::string>& notes);
