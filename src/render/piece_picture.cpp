#include "render/piece_picture.h"

#include "catalogue/piece_pictures.h"
#include "png/png_image.h"

// The drawing's texture slots are the ones the loader fills.
static_assert(kRenderSlots == static_cast<int>(kTextureSlotCount));

std::shared_ptr<const RgbPicture> RenderTextureCache::Get(const PieceTexture& texture) {
    if (!texture.usable()) {
        return nullptr;
    }
    const FolderFile* file = texture.lookup.file;
    {
        const std::lock_guard lock(mutex_);
        if (const auto it = decoded_.find(file); it != decoded_.end()) {
            uses_.splice(uses_.begin(), uses_, it->second.use);
            return it->second.texture;
        }
    }
    std::shared_ptr<const RgbPicture> decoded;
    if (Result<RgbPicture> picture = TextureLevel0(catalogue_, texture)) {
        decoded = std::make_shared<const RgbPicture>(std::move(picture).value());
    }
    const std::lock_guard lock(mutex_);
    if (decoded_.contains(file)) {
        return decoded; // another thread decoded it meanwhile
    }
    uses_.push_front(file);
    decoded_.emplace(file, Entry{decoded, uses_.begin()});
    bytes_ += decoded ? decoded->rgb.size() : 0;
    // The least recently used go first; the one just decoded always stays.
    while (bytes_ > budget_ && uses_.size() > 1) {
        const auto oldest = decoded_.find(uses_.back());
        bytes_ -= oldest->second.texture ? oldest->second.texture->rgb.size() : 0;
        decoded_.erase(oldest);
        uses_.pop_back();
    }
    return decoded;
}

Result<RgbPicture> PiecePicture(const LoadedPiece& piece, RenderTextureCache& textures, float angle,
                                PictureSize size) {
    // The slots a model names; the others stay empty, as they are in the
    // viewer for the first piece it shows.
    std::vector<std::shared_ptr<const RgbPicture>> held;
    RenderSlots slots{};
    for (std::size_t i = 0; i < piece.textures.size() && i < slots.size(); ++i) {
        held.push_back(textures.Get(piece.textures[i]));
        slots[i] = held.back().get();
    }
    return RenderModel(piece.model, slots, angle, size.width, size.height);
}

Result<std::vector<std::uint8_t>> PiecePicturePng(const LoadedPiece& piece,
                                                  RenderTextureCache& textures, float angle,
                                                  PictureSize size) {
    const Result<RgbPicture> image = PiecePicture(piece, textures, angle, size);
    if (!image) {
        return image.refusal();
    }
    return EncodePng(*image, PngEffort::fast);
}

Result<PictureSize> ParsePictureSize(const std::string& text) {
    const Refusal refusal =
        Refuse("picture-size", "must be WIDTHxHEIGHT, each from 16 to 4096 (as 256x256)");
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string::npos || x == 0 || x + 1 == text.size() || x > 4 ||
        text.size() - x - 1 > 4 || text.find_first_not_of("0123456789", 0) != x ||
        text.find_first_not_of("0123456789", x + 1) != std::string::npos) {
        return refusal;
    }
    const PictureSize size{std::stoi(text.substr(0, x)), std::stoi(text.substr(x + 1))};
    if (size.width < 16 || size.width > 4096 || size.height < 16 || size.height > 4096) {
        return refusal;
    }
    return size;
}
