// What the pages of a catalogue site show, gathered from the catalogue's
// folders the way the viewer reads them: the pieces of its list in its order,
// the findings `piecetool check` reports for each, the model as `export
// --unlit` writes it, level 0 of each texture as a picture, and the picture
// `piecetool render` draws as a thumbnail.
#pragma once

#include "catalogue/catalogue_check.h"
#include "render/piece_picture.h"
#include "site/site_writer.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// The thumbnails: the preview's picture at render's default angle and size.
inline constexpr float kThumbnailAngle = 0.6f;
inline constexpr PictureSize kThumbnailSize{256, 256};

// The pieces of the viewer's list, with the catalogue check's findings.
struct SitePlan {
    SiteOutline outline;
    std::vector<CatalogueProfile> pieces;       // as outline.profileFiles
    std::vector<std::vector<Finding>> findings; // of each piece
};

// Checks the catalogue and lists its pieces. Findings of profiles the viewer
// does not list go to the outline's `unlisted`.
SitePlan PlanSite(const CatalogueIndex& catalogue, std::string title);

// The catalogue's textures, read once for all pieces: any number of threads
// may gather pieces at once.
struct SiteTextures {
    explicit SiteTextures(const CatalogueIndex& catalogue)
        : resolver(catalogue.textures), pictures(catalogue) {}
    TextureFolderResolver resolver;
    RenderTextureCache pictures;

    // Level 0 of a texture file as a PNG file, compressed once for all the
    // pieces that use it while the kept pictures fit kPngBudget bytes (past
    // it, compressed again for each piece).
    Result<std::vector<std::uint8_t>> Png(const FolderFile& file, const RgbPicture& level0);

  private:
    static constexpr std::size_t kPngBudget = std::size_t{256} << 20;
    std::mutex pngMutex_;
    std::unordered_map<const FolderFile*, std::vector<std::uint8_t>> pngs_;
    std::size_t pngBytes_ = 0;
};

// Reads one piece: its model, textures, glTF binary and thumbnail.
SitePiece GatherPiece(const CatalogueIndex& catalogue, const CatalogueProfile& profile,
                      std::vector<Finding> findings, SiteTextures& textures);
