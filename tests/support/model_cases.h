// A catalogue with one piece per way a model can fail to load (missing, a
// path too long, unreadable, empty, truncated, not a model) beside a sound
// piece, for the loader's table and for check and export end to end.
#pragma once

#include <string>
#include <vector>

struct ModelCase {
    std::string profile; // file name in folder/profiles
    std::string code;    // the finding the loader gives, or empty
};

// Writes folder/profiles, folder/textures and the model folder, whose path
// (returned) is long enough that the long model name does not fit 259
// characters while the others do.
std::string WriteModelCases(const std::string& folder);

const std::vector<ModelCase>& ModelCases();
