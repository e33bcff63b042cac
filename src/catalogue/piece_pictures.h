// The pictures of a loaded piece's textures: level 0 of each usable texture,
// as the viewer would show it, for the commands that write pictures (export's
// glTF images, render's textures, the site's texture pages).
#pragma once

#include "catalogue/piece_loader.h"
#include "common/result.h"
#include "png/picture.h"

#include <cstdint>
#include <vector>

// Level 0 of a texture slot of the piece, truecolour (an 8-bit texture
// expanded through its palette); refused when the slot's texture cannot be
// used or read.
Result<RgbPicture> TextureLevel0(const CatalogueIndex& catalogue, const PieceTexture& texture);

// Level 0 of the texture in slot `index` as a PNG file; empty when the slot is
// empty or its texture cannot be used (the viewer then draws untextured).
std::vector<std::uint8_t> TexturePng(const CatalogueIndex& catalogue, const LoadedPiece& piece,
                                     int index);
