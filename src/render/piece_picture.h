// The preview's picture of a catalogue's piece: the piece as the loader read
// it, its usable textures' level 0 decoded (each texture file once however
// many pieces use it), drawn by the software rendering. For piecetool's
// render command and the site's thumbnails.
#pragma once

#include "catalogue/piece_loader.h"
#include "common/result.h"
#include "render/render_model.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// Level 0 of the textures of one catalogue, decoded once while they are
// used; any number of threads may ask at once. The pictures last used are
// kept up to a budget of bytes (a catalogue of 20,000 textures of 256 x 256
// would otherwise hold 4 GB), the others decoded again when asked for.
class RenderTextureCache {
  public:
    explicit RenderTextureCache(const CatalogueIndex& catalogue,
                                std::size_t budget = std::size_t{256} << 20)
        : catalogue_(catalogue), budget_(budget) {}
    // The texture of a slot, or null when it cannot be used (the viewer's
    // empty slot).
    std::shared_ptr<const RgbPicture> Get(const PieceTexture& texture);

  private:
    struct Entry {
        std::shared_ptr<const RgbPicture> texture;  // null: not usable
        std::list<const FolderFile*>::iterator use; // its place in `uses_`
    };
    const CatalogueIndex& catalogue_;
    const std::size_t budget_;
    std::mutex mutex_;
    std::unordered_map<const FolderFile*, Entry> decoded_;
    std::list<const FolderFile*> uses_; // most recently used first
    std::size_t bytes_ = 0;
};

struct PictureSize {
    std::int32_t width = 256;
    std::int32_t height = 256;
};

// "WIDTHxHEIGHT" as the command line gives it, each side from 16 to 4096;
// "picture-size" otherwise.
Result<PictureSize> ParsePictureSize(const std::string& text);

// The picture the preview pane shows of the piece at turn angle `angle`:
// the clear colour alone when nothing of the model can be drawn.
Result<RgbPicture> PiecePicture(const LoadedPiece& piece, RenderTextureCache& textures, float angle,
                                PictureSize size);

// The same as a PNG file.
Result<std::vector<std::uint8_t>> PiecePicturePng(const LoadedPiece& piece,
                                                  RenderTextureCache& textures, float angle,
                                                  PictureSize size);
