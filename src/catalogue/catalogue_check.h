// Checks a whole piece catalogue for everything that would make a piece show
// wrongly, or not at all, in the viewer: the same qualifying profiles in the
// same order, each piece read by the loader every command shares, and what
// only the catalogue as a whole shows (duplicate names, unused files).
#pragma once

#include "catalogue/piece_loader.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct CheckReport {
    std::vector<Finding> findings;
    std::size_t pieces = 0; // pieces of the viewer's list
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t infos = 0;
};

// Adds a finding and counts it.
void AddFinding(CheckReport& report, Finding finding);

// Checks every piece. Info findings (files nothing uses) only with
// `withInfo`. `progress(done, total)` is told of each piece finished.
CheckReport CheckCatalogue(const CatalogueIndex& catalogue, bool withInfo,
                           const std::function<void(std::size_t, std::size_t)>& progress);

// "SEVERITY CODE "piece" (profile): message", or without the piece part for
// a file no piece names.
std::string FindingLine(const Finding& finding);
