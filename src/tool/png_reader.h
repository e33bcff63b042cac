// Reading PNG files as pictures for TXR writing.
//
// The file's own header chunk (IHDR: sides, bit depth, colour type) and the
// presence of a transparency chunk (tRNS) are read here, with every length
// checked; the pixel data is decoded by stb_image. The picture comes out as a
// bitmap would: a paletted PNG as an 8-bit picture with a colour table (the
// 8-bit way: a new 256-colour palette is computed from it), greyscale and
// truecolour as a 24-bit picture; 16-bit channels keep their high byte.
#pragma once

#include "texture/bmp_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// What the header chunk says.
struct PngHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitDepth = 0; // 1, 2, 4, 8 or 16
    std::int32_t colourType =
        0;                     // 0 grey, 2 truecolour, 3 paletted, 4 grey+alpha, 6 truecolour+alpha
    bool transparency = false; // a tRNS chunk comes before the image data
};

// The header of the PNG file in `file`, or nothing when the signature, the
// first chunk or a chunk length up to IEND is wrong, there is no image data,
// the depth does not go with the colour type, or a side is 0 or beyond the
// limits of the bitmap reader.
std::optional<PngHeader> ReadPngHeader(std::span<const std::uint8_t> file);

enum class PngRefusal {
    None,
    Unreadable, // not a PNG file, or its data does not decode
    Alpha,      // some pixel is not fully opaque and no flattening was asked for
};

// The line (two blanks first) that reports a refusal; empty for None.
std::string_view PngRefusalLine(PngRefusal refusal);

struct PngDecoding {
    PngRefusal refusal = PngRefusal::None;
    BitmapImage bitmap; // when refusal is None
};

// Decodes the PNG file in `file`. An alpha channel (or transparency chunk)
// whose pixels are all opaque loses nothing and is dropped; otherwise the
// picture is refused, or with `flatten` composited onto black (each channel
// times alpha / 255, rounded).
PngDecoding DecodePngForTxr(std::span<const std::uint8_t> file, bool flatten);
