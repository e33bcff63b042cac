// The thumbnail of a piece on the index: the preview's picture of the piece,
// as `piecetool render` draws it, 256 x 256 pixels.
#pragma once

#include "tool/catalogue_check.h"

#include <cstdint>
#include <span>
#include <vector>

inline constexpr int kThumbnailSide = 256;

// The thumbnail of the piece whose model image is `model` (empty when the
// model is missing), its textures looked up in the catalogue as the viewer
// does, as a PNG file.
std::vector<std::uint8_t> PieceThumbnailPng(std::span<const std::uint8_t> model,
                                            const CatalogueIndex& catalogue);
