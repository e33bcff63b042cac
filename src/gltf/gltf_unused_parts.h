// The parts of a glTF document that a piece has no use for: cameras, lights
// (KHR_lights_punctual), animations, texture samplers (the viewer draws every
// texture repeated and filtered alike) and extras (data of other programs).
// They are taken out of the document before the glTF library reads it, so
// that a malformed one, which would make the library refuse the whole
// model, costs only a note: "camera 0 is invalid and was ignored". Extras
// may hold anything at all, so none of them is ever invalid; taking them out
// also keeps their nesting, however deep, from the library.
#pragma once

#include "common/result.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

// Deepest nesting of arrays and objects read outside extras: far beyond
// any glTF document, shallow enough for the library's recursive reading.
inline constexpr int kMaxJsonDepth = 64;

// Takes the unused parts out of `document` (and the references to them out
// of nodes and textures), adding a note for each that breaks glTF's rules.
// True when anything was taken out; "gltf-json" when what is left is nested
// deeper than kMaxJsonDepth.
Result<bool> DropUnusedParts(nlohmann::json& document, std::vector<std::string>& notes);
