#include "catalogue/piece_pictures.h"

#include "common/file_io.h"
#include "png/png_image.h"
#include "texture/texture_pictures.h"

Result<RgbPicture> TextureLevel0(const CatalogueIndex& catalogue, const PieceTexture& texture) {
    if (!texture.usable()) {
        return Refuse("texture-unusable", "the texture is missing or not readable");
    }
    const std::string path = FolderPath(catalogue.textures.folder, texture.lookup.file->name);
    Result<std::vector<std::uint8_t>> bytes = ReadFileBytes(path.c_str(), std::uint64_t{1} << 31);
    if (!bytes) {
        return bytes.refusal();
    }
    return TxrLevel0Picture(*bytes);
}

std::vector<std::uint8_t> TexturePng(const CatalogueIndex& catalogue, const LoadedPiece& piece,
                                     int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= piece.textures.size()) {
        return {};
    }
    const Result<RgbPicture> picture =
        TextureLevel0(catalogue, piece.textures[static_cast<std::size_t>(index)]);
    if (!picture) {
        return {};
    }
    Result<std::vector<std::uint8_t>> png = EncodePng(*picture);
    return png ? std::move(png).value() : std::vector<std::uint8_t>{};
}
