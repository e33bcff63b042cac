// Checks a whole piece catalogue for everything that would make a piece show
// wrongly, or not at all, in the viewer: the same qualifying profiles in the
// same order, the same model walk and texture lookup as the viewer's.
#pragma once

#include "catalogue/catalogue_folders.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class Severity { error, warning, info };

const char* SeverityText(Severity severity);

// One problem. Texts are UTF-8: piece names and names from models are turned
// from Shift-JIS.
struct Finding {
    Severity severity = Severity::error;
    std::string code;    // "model-missing", "texture-index", ...
    std::string piece;   // the piece's display name, or empty
    std::string profile; // the profile file's name, or empty
    std::string file;    // the model or texture file concerned, or empty
    std::string message;
};

struct CheckReport {
    std::vector<Finding> findings;
    std::size_t pieces = 0; // pieces of the viewer's list
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t infos = 0;
};

struct CatalogueIndex {
    FolderIndex profiles;
    FolderIndex models;
    FolderIndex textures;
};

// The three folders indexed, or nothing, with a line on standard error, when
// one of them does not exist.
std::optional<CatalogueIndex> OpenCatalogue(const std::string& profiles, const std::string& models,
                                            const std::string& textures);

// Adds a finding and counts it.
void AddFinding(CheckReport& report, Finding finding);

// The findings of one model image of a piece (layout, texture names, groups,
// the texture files). `piece`, `profile` and `modelFile` name the piece in
// the findings.
void CheckModel(CheckReport& report, const CatalogueIndex& catalogue,
                std::span<const std::uint8_t> model, const std::string& piece,
                const std::string& profile, const std::string& modelFile);

// Checks every piece. Info findings (files nothing uses) only with
// `withInfo`. `progress(done, total)` is told of each piece finished.
CheckReport CheckCatalogue(const CatalogueIndex& catalogue, bool withInfo,
                           const std::function<void(std::size_t, std::size_t)>& progress);

// "SEVERITY CODE "piece" (profile): message", or without the piece part for
// a file no piece names.
std::string FindingLine(const Finding& finding);
