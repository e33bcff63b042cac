// The files of a catalogue site and the manifest that lists them. A site
// owns a fixed set of names at the top of its folder and, in its folder of
// pieces, the three files of each piece named after its page. Each run
// records in the manifest what it wrote; the next run removes what is listed
// there and was not written again (the pages of pieces that are gone) and
// leaves every other file alone, whoever wrote it.
#pragma once

#include "common/result.h"

#include <set>
#include <string>
#include <string_view>

inline constexpr std::string_view kSiteManifest = "piecetool-site.txt";
inline constexpr std::string_view kIndexPage = "index.html";
inline constexpr std::string_view kStyleSheet = "site.css";
inline constexpr std::string_view kPageScript = "site.js";
inline constexpr std::string_view kModelViewerScript = "model-viewer.min.js";
inline constexpr std::string_view kModelViewerLicence = "model-viewer-LICENSE.txt";
inline constexpr std::string_view kPiecesFolder = "pieces";

// The files of a piece, below the site's folder ("pieces/NAME.html" ...).
std::string PiecePagePath(std::string_view pageName);
std::string PieceGlbPath(std::string_view pageName);
std::string PieceThumbnailPath(std::string_view pageName);

// True for a name a site writes: one of the fixed names above, or a piece's
// file. Nothing else is ever removed, whatever a manifest says.
bool IsSiteFile(std::string_view relative);

// The native path of a site's file ("/"-separated `relative`) in `outDir`.
std::string SiteFilePath(const std::string& outDir, std::string_view relative);

// The files the manifest in `outDir` lists, those that a site writes only;
// empty when there is no manifest.
std::set<std::string> ReadSiteManifest(const std::string& outDir);

// Writes the manifest, complete or not at all ("site-manifest" otherwise).
Status WriteSiteManifest(const std::string& outDir, const std::set<std::string>& files);

// Removes from `outDir` each file of `earlier` that is not in `kept`, when it
// is a file (a folder in its place is left). Returns the number removed.
std::size_t RemoveStaleFiles(const std::string& outDir, const std::set<std::string>& earlier,
                             const std::set<std::string>& kept);
