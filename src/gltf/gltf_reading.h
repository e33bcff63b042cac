// What the files of the glTF reader share: the refusal of a malformed part,
// the notes said to the user, and the limits of what is read.
#pragma once

#include "common/result.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

// Largest number of elements read from one accessor, and from all of them
// together: far beyond a piece (65,535 vertices), small enough that a
// hostile count cannot ask for gigabytes.
inline constexpr std::size_t kMaxAccessorElements = std::size_t{1} << 22;
inline constexpr std::size_t kMaxElementsRead = std::size_t{1} << 24;

inline Refusal GltfInvalid(const std::string& message) {
    return Refuse("gltf-invalid", message);
}

// A note for the user (see GltfScene::notes), said once however often it
// applies.
inline void AddNote(std::vector<std::string>& notes, const std::string& note) {
    if (std::find(notes.begin(), notes.end(), note) == notes.end()) {
        notes.push_back(note);
    }
}
