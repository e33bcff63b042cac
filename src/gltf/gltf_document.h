// A glTF document as the reader takes it, before the glTF library reads it:
// refused when the library would read it wrongly or refuse it with a less
// clear reason (another version, extensions that cannot be read, skins
// without joints, URIs that are not relative paths), and without the parts
// a piece has no use for (gltf_unused_parts.h).
#pragma once

#include "common/result.h"
#include "gltf/gltf_container.h"

#include <optional>
#include <string>
#include <vector>

// The JSON text to hand to the library, or nothing when the file's own text
// serves unchanged. Fills `access` with the files the document names and
// adds to `notes` what is left out.
Result<std::optional<std::string>> PrepareDocument(const GltfContainer& container,
                                                   FileAccess& access,
                                                   std::vector<std::string>& notes);
