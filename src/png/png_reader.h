// The header of a PNG file: its own header chunk (IHDR: sides, bit depth,
// colour type) and the presence of a transparency chunk (tRNS), read with
// every length and every chunk's CRC checked, before any decoder sees the
// file. The pixels are decoded by png/picture_decoder.h.
#pragma once

#include "common/result.h"

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

// The largest sides a caller reads: a file past them is refused from its
// header, before any decoder allocates for it. By default the format's own.
struct PngSideLimits {
    std::int64_t side = 0x7FFFFFFF;
    std::int64_t pixels = std::int64_t{0x7FFFFFFF} * 0x7FFFFFFF;
};

// The header of the PNG file in `file`. Refused as "png-signature" (not a
// PNG file: signature or first chunk), "png-sides" (a side of 0 or past
// `limits.side`, or more pixels than `limits.pixels`: the message names the
// limit), "png-depth" (a depth that does not go with the colour
// type), "png-cut" (a chunk runs past the end of the file), "png-crc" (a
// chunk's CRC does not match its data) or "png-no-data" (no image data
// before the end chunk).
Result<PngHeader> ReadPngHeader(std::span<const std::uint8_t> file,
                                const PngSideLimits& limits = {});
