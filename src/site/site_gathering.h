// What the pages of a catalogue site show, gathered from the catalogue's
// folders the way the viewer reads them: the pieces of its list in its order,
// the findings `piecetool check` reports for each, the model as `export
// --unlit` writes it, level 0 of each texture as a picture, and a thumbnail.
#pragma once

#include "site/site_writer.h"
#include "tool/catalogue_check.h"

#include <string>
#include <vector>

// The pieces of the viewer's list, with the catalogue check's findings.
struct SitePlan {
    SiteOutline outline;
    std::vector<CatalogueProfile> pieces;       // as outline.profileFiles
    std::vector<std::vector<Finding>> findings; // of each piece
};

// Checks the catalogue and lists its pieces. Findings of profiles the viewer
// does not list go to the outline's `unlisted`.
SitePlan PlanSite(const CatalogueIndex& catalogue, std::string title);

// Reads one piece: its model, textures, glTF binary and thumbnail.
SitePiece GatherPiece(const CatalogueIndex& catalogue, const CatalogueProfile& profile,
                      std::vector<Finding> findings);
