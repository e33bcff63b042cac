#include "site/piece_thumbnail.h"

#include "tool/png_image.h"

std::vector<std::uint8_t> PieceThumbnailPng(std::span<const std::uint8_t> model,
                                            const CatalogueIndex& catalogue) {
    // PLACEHOLDER: the software renderer of the preview (piecetool render)
    // plugs in here. Until it does, every thumbnail is the preview's clear
    // colour, 0x7777FF, at the thumbnail's size: one picture, compressed once.
    (void)model;
    (void)catalogue;
    static const std::vector<std::uint8_t> clear = [] {
        PngPicture picture;
        picture.width = kThumbnailSide;
        picture.height = kThumbnailSide;
        picture.pixels.resize(static_cast<std::size_t>(kThumbnailSide) * kThumbnailSide * 3);
        for (std::size_t i = 0; i < picture.pixels.size(); i += 3) {
            picture.pixels[i] = 0x77;
            picture.pixels[i + 1] = 0x77;
            picture.pixels[i + 2] = 0xFF;
        }
        return EncodePng(picture);
    }();
    return clear;
}
