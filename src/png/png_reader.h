// Reading PNG files as pictures for TXR writing.
//
// The file's own header chunk (IHDR: sides, bit depth, colour type) and the
// presence of a transparency chunk (tRNS) are read here, with every length
// checked; the pixel data is decoded by stb_image. The picture comes out as a
// bitmap would: a paletted PNG as an 8-bit picture with a colour table (the
// 8-bit way: a new 256-colour palette is computed from it), greyscale and
// truecolour as a 24-bit picture; 16-bit channels keep their high byte.
#pragma once

#include "common/result.h"
#include "texture/bmp_reader.h"

#include <cstddef>
#include <cstdint>
#include <span>

// What the header chunk says.
struct PngHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitDepth = 0; // 1, 2, 4, 8 or 16
    std::int32_t colourType =
        0;                     // 0 grey, 2 truecolour, 3 paletted, 4 grey+alpha, 6 truecolour+alpha
    bool transparency = false; // a tRNS chunk comes before the image data
};

// The header of the PNG file in `file`. Refused as "png-signature" (not a
// PNG file: signature or first chunk), "png-sides" (a side 0 or beyond the
// bitmap reader's limits), "png-depth" (a depth that does not go with the
// colour type), "png-cut" (a chunk runs past the end of the file),
// "png-crc" (a chunk's CRC does not match its data) or "png-no-data" (no
// image data before the end chunk).
Result<PngHeader> ReadPngHeader(std::span<const std::uint8_t> file);

// Decodes the PNG file in `file` as a picture for a TXR file. An alpha
// channel (or transparency chunk) whose pixels are all opaque loses nothing
// and is dropped; otherwise the picture is refused ("png-alpha"), or with
// `flatten` composited onto black (each channel times alpha / 255, rounded).
// Besides the header's refusals, "png-decode" when the image data does not
// decode.
Result<BitmapImage> DecodePngForTxr(std::span<const std::uint8_t> file, bool flatten);
