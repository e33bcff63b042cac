// Textures and bitmaps as the PNG folder's pictures, and back: level 0 of a
// TXR file as a picture or a PNG file, and a PNG file shaped as a bitmap for
// TXR writing.
#pragma once

#include "common/result.h"
#include "png/picture.h"
#include "texture/bmp_reader.h"

#include <cstdint>
#include <span>
#include <vector>

// Level 0 of the TXR file held in `file`, truecolour (an 8-bit texture
// expanded through its palette); "txr-unreadable" when the file is not a
// readable texture (depth, sides, shorter than level 0 needs: the message
// says which).
Result<RgbPicture> TxrLevel0Picture(std::span<const std::uint8_t> file);

// The same as a PNG file: an 8-bit texture keeps its indices and 256-colour
// palette (a paletted PNG), a 24-bit one is truecolour.
Result<std::vector<std::uint8_t>> TxrLevel0Png(std::span<const std::uint8_t> file);

// Decodes the PNG file in `file` as a bitmap would hold it, for a TXR file:
// a paletted PNG as an 8-bit picture with a colour table (the 8-bit way: a
// new 256-colour palette is computed from it), greyscale and truecolour as a
// 24-bit picture; 16-bit channels keep their high byte. Sides past the bitmap
// reader's limits are refused from the header ("png-sides", naming the limit
// hit), before anything is decoded. An alpha channel (or transparency chunk)
// whose pixels are all opaque loses nothing and is dropped; otherwise the
// picture is refused ("png-alpha"), or with `flatten` composited onto black
// (each channel times alpha / 255, rounded). Besides the header's refusals,
// "png-decode" when the image data does not decode.
Result<BitmapImage> DecodePngForTxr(std::span<const std::uint8_t> file, bool flatten);
