#include "site/site_gathering.h"

#include "common/file_io.h"
#include "common/shift_jis_text.h"
#include "gltf/gltf_export.h"
#include "preview/msm_layout.h"
#include "site/piece_thumbnail.h"
#include "tool/png_image.h"

#include <map>

namespace {

// Level 0 of texture `name` as a picture, or why there is none.
SiteTexture GatherTexture(const CatalogueIndex& catalogue, const std::string& name,
                          std::size_t slot) {
    SiteTexture texture;
    texture.name = ShiftJisToUtf8(name);
    if (slot >= kTextureSlotCount) {
        texture.problem = "the viewer has 17 texture slots: never loaded";
        return texture;
    }
    const TextureFile file = FindTexture(catalogue.textures, name);
    switch (file.status) {
    case TextureLookup::namePath:
        texture.problem = "a path, not a file name: never loaded";
        return texture;
    case TextureLookup::pathTooLong:
        texture.problem = "its path would be longer than 259 characters";
        return texture;
    case TextureLookup::missing:
        texture.problem = "no " + ShiftJisToUtf8(file.txrName) + " in the texture folder";
        return texture;
    case TextureLookup::found:
        break;
    }
    const std::string path = FolderPath(catalogue.textures.folder, file.file->name);
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path.c_str(), 1u << 31);
    const std::optional<PngPicture> picture =
        bytes ? TxrLevel0Picture(*bytes, false) : std::nullopt;
    if (!picture) {
        texture.problem = ShownFileName(file.file->name) + " is not a readable texture";
        return texture;
    }
    texture.png = EncodePng(*picture);
    texture.width = picture->width;
    texture.height = picture->height;
    return texture;
}

} // namespace

SitePlan PlanSite(const CatalogueIndex& catalogue, std::string title) {
    SitePlan plan;
    plan.outline.title = std::move(title);
    const CheckReport report = CheckCatalogue(catalogue, false, {});
    std::map<std::string, std::size_t> pieceOfProfile;
    for (CatalogueProfile& profile : ListProfiles(catalogue.profiles)) {
        if (!profile.qualifies || !profile.pathFits) {
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
                      std::vector<Finding> findings) {
    SitePiece piece;
    piece.name = ShiftJisToUtf8(profile.pieceName);
    piece.profileFile = ShownFileName(profile.fileName);
    piece.modelFile = ShiftJisToUtf8(profile.modelFile);
    piece.findings = std::move(findings);

    const FolderFile* modelFile = FindInFolder(catalogue.models, NameOnDisk(profile.modelFile));
    std::optional<std::vector<std::uint8_t>> model;
    if (modelFile != nullptr && FitsViewerPath(catalogue.models.folder, profile.modelFile)) {
        model =
            ReadWholeFile(FolderPath(catalogue.models.folder, modelFile->name).c_str(), 1u << 30);
    }
    if (!model) {
        piece.glbProblem = "no model " + piece.modelFile + " in the model folder";
        piece.thumbnailPng = PieceThumbnailPng({}, catalogue);
        return piece;
    }
    piece.modelFile = ShownFileName(modelFile->name);
    const std::vector<std::string> names = ReadMsmTextureNames(*model);
    piece.textureCount = names.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
        piece.textures.push_back(GatherTexture(catalogue, names[i], i));
    }
    // The pictures are the ones the model carries: each texture is read and
    // compressed once.
    GltfOptions options;
    options.unlit = true;
    const std::optional<GltfPiece> asset = BuildPieceGltf(
        *model, piece.name,
        [&piece](int index) { return piece.textures[static_cast<std::size_t>(index)].png; },
        options);
    if (asset) {
        piece.glb = PackGlb(*asset);
    } else {
        piece.glbProblem = piece.modelFile + " runs past its data or holds a count byte of 128 or "
                                             "more: the viewer draws nothing";
    }
    piece.thumbnailPng = PieceThumbnailPng(*model, catalogue);
    return piece;
}
