// Writes a catalogue as a folder of web pages that a browser opens from disk:
// index.html with one card per piece, one page per piece with its model
// turning in <model-viewer>, its findings and its texture pictures, the style
// sheet, the page script and <model-viewer> itself. The writer knows nothing
// of catalogue files: it is given, piece by piece, what the pages show
// (site_gathering.h gathers it from a catalogue). Pieces are asked for one at
// a time and dropped once written, so that a large catalogue never sits in
// memory whole.
//
// Every file lands in OUTDIR or its folder of pieces, complete or not at all
// (temporary files beside their targets, inside OUTDIR). A run replaces the
// site an earlier run wrote there: what that run's manifest lists and this
// run does not write is removed, and no other file is touched.
#pragma once

#include "catalogue/piece_loader.h"
#include "common/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One texture the model names.
struct SiteTexture {
    std::string name;              // as the model names it, UTF-8
    std::vector<std::uint8_t> png; // level 0 as a PNG file, or empty
    std::int32_t width = 0;        // of level 0, when there is a picture
    std::int32_t height = 0;
    std::string problem; // why there is no picture, or what the viewer makes of it
};

// What the pages show of one piece. Texts are UTF-8.
struct SitePiece {
    std::string name;
    std::string profileFile;
    std::string modelFile;
    std::size_t textureCount = 0; // the names the model gives
    std::vector<Finding> findings;
    std::vector<std::uint8_t> thumbnailPng; // empty: no thumbnail
    std::vector<std::uint8_t> glb;          // the model as glTF binary, or empty
    std::string glbProblem;                 // why there is no model to show
    std::vector<SiteTexture> textures;
};

// What the site holds before any piece is read.
struct SiteOutline {
    std::string title; // shown as it is
    // The profile file names of the pieces, in the viewer's list order; each
    // piece's page is named after its profile (page_names.h).
    std::vector<std::string> profileFiles;
    // Findings of profiles the viewer does not list, shown on the index.
    std::vector<Finding> unlisted;
};

// Piece `index` of the outline.
using SitePieceSource = std::function<SitePiece(std::size_t index)>;

struct SiteReport {
    std::size_t pieces = 0;
    std::size_t errors = 0; // error findings, of pieces and of unlisted profiles
    std::size_t warnings = 0;
    std::vector<std::string> failedFiles; // site files that could not be written
    std::size_t removedFiles = 0;         // left by an earlier run and not written again
};

// Writes the site into `outDir`, made when missing. Refused when the folder
// cannot be made ("site-outdir") or the manifest cannot be written
// ("site-manifest"); a file that cannot be written is reported and the rest
// are still written.
Result<SiteReport> WriteSite(const std::string& outDir, const SiteOutline& outline,
                             const SitePieceSource& pieceAt);
