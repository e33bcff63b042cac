#include "site/site_gathering.h"

#include "common/shift_jis_text.h"
#include "gltf/gltf_export.h"
#include "png/png_image.h"

#include <map>

namespace {

// Level 0 of texture slot `slot` as a picture, or why there is none. The
// picture is the one the thumbnails are drawn with: each texture file is
// read and decoded once. `slot` is below piece.names.size() (the caller
// walks the names): the slots past the viewer's 17 have a name but no texture.
SiteTexture GatherTexture(const LoadedPiece& piece, std::size_t slot, SiteTextures& textures) {
    SiteTexture texture;
    texture.name = ShiftJisToUtf8(piece.names[slot]);
    if (slot >= piece.textures.size()) {
        texture.problem = "the viewer has 17 texture slots: never loaded";
        return texture;
    }
    const PieceTexture& found = piece.textures[slot];
    switch (found.lookup.status) {
    case TextureLookup::namePath:
        texture.problem = "a path, not a file name: never loaded";
        return texture;
    case TextureLookup::pathTooLong:
        texture.problem = "its path would be longer than 259 characters";
        return texture;
    case TextureLookup::missing:
        texture.problem = "no " + ShiftJisToUtf8(found.lookup.txrName) + " in the texture folder";
        return texture;
    case TextureLookup::found:
        break;
    }
    const std::string file = ShownFileName(found.lookup.file->name);
    if (!found.inspection.readable) {
        texture.problem = file + " " + found.inspection.problem;
        return texture;
    }
    const std::shared_ptr<const RgbPicture> level0 = textures.pictures.Get(found);
    if (level0 == nullptr) {
        texture.problem = file + " cannot be read";
        return texture;
    }
    Result<std::vector<std::uint8_t>> png = textures.Png(*found.lookup.file, *level0);
    if (!png) {
        texture.problem = file + " " + png.refusal().message;
        return texture;
    }
    texture.png = std::move(png).value();
    texture.width = level0->width;
    texture.height = level0->height;
    return texture;
}

} // namespace

Result<std::vector<std::uint8_t>> SiteTextures::Png(const FolderFile& file,
                                                    const RgbPicture& level0) {
    {
        const std::lock_guard<std::mutex> lock(pngMutex_);
        const auto kept = pngs_.find(&file);
        if (kept != pngs_.end()) {
            return kept->second;
        }
    }
    Result<std::vector<std::uint8_t>> png = EncodePng(level0);
    if (png) {
        const std::lock_guard<std::mutex> lock(pngMutex_);
        if (pngBytes_ + (*png).size() <= kPngBudget && pngs_.emplace(&file, *png).second) {
            pngBytes_ += (*png).size();
        }
    }
    return png;
}

SitePlan PlanSite(const CatalogueIndex& catalogue, std::string title) {
    SitePlan plan;
    plan.outline.title = std::move(title);
    const CheckReport report = CheckCatalogue(catalogue, false, {});
    std::map<std::string, std::size_t> pieceOfProfile;
    for (CatalogueProfile& profile : ListProfiles(catalogue.profiles)) {
        if (!profile.listed()) {
            continue; // not in the viewer's list
        }
        const std::string shown = ShownFileName(profile.fileName);
        pieceOfProfile.emplace(shown, plan.pieces.size());
        plan.outline.profileFiles.push_back(shown);
        plan.pieces.push_back(std::move(profile));
    }
    plan.findings.resize(plan.pieces.size());
    for (const Finding& finding : report.findings) {
        const auto piece = pieceOfProfile.find(finding.profile);
        if (piece != pieceOfProfile.end()) {
            plan.findings[piece->second].push_back(finding);
        } else {
            plan.outline.unlisted.push_back(finding);
        }
    }
    return plan;
}

SitePiece GatherPiece(const CatalogueIndex& catalogue, const CatalogueProfile& profile,
                      std::vector<Finding> findings, SiteTextures& textures) {
    const LoadedPiece loaded = LoadPiece(catalogue, profile, textures.resolver);
    SitePiece piece;
    piece.name = loaded.piece;
    piece.profileFile = loaded.profile;
    piece.modelFile = loaded.modelFile;
    piece.findings = std::move(findings);
    piece.textureCount = loaded.names.size();
    for (std::size_t i = 0; i < loaded.names.size(); ++i) {
        piece.textures.push_back(GatherTexture(loaded, i, textures));
    }
    if (Result<std::vector<std::uint8_t>> thumbnail =
            PiecePicturePng(loaded, textures.pictures, kThumbnailAngle, kThumbnailSize)) {
        piece.thumbnailPng = std::move(thumbnail).value();
    }
    if (!loaded.layout) {
        // The loader's finding says why: missing, unreadable, too long a
        // path, or a model that runs past its data.
        piece.glbProblem =
            loaded.findings.empty() ? "the model cannot be read" : loaded.findings.front().message;
        return piece;
    }
    // The pictures are the ones the model carries: each texture is read and
    // compressed once.
    GltfOptions options;
    options.unlit = true;
    const Result<GltfPiece> asset = BuildPieceGltf(
        loaded.model, piece.name,
        [&piece](int index) { return piece.textures[static_cast<std::size_t>(index)].png; },
        options);
    if (asset) {
        piece.glb = PackGlb(*asset);
    } else {
        piece.glbProblem = asset.refusal().message;
    }
    return piece;
}
