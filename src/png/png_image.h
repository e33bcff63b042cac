// PNG files written by piecetool: level 0 of a texture as an 8-bit paletted
// or a truecolour picture. The compression is stb_image_write's; this file
// only frames its output in the PNG chunks (a paletted PNG, which
// stb_image_write does not write, needs a PLTE chunk of our own).
#pragma once

#include "common/result.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// A picture at 8 bits per channel, rows top first, no row padding: three
// bytes red, green, blue per pixel, or, when `paletted`, one index per pixel
// into `palette` (1 to 256 colours).
struct PngPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool paletted = false;
    std::vector<std::uint8_t> pixels;
    std::vector<std::array<std::uint8_t, 3>> palette; // red, green, blue
};

// CRC-32 of a chunk's type and data (polynomial 0xEDB88320, as in zlib),
// which follows every chunk of a PNG file.
std::uint32_t PngCrc32(const std::uint8_t* data, std::size_t size);

// How hard a PNG file is compressed: `small`, for files that are kept
// (textures, glTF images), tries the row filters one by one; `fast`, for
// pictures made by the hundred (render's pictures, a site's thumbnails),
// takes one filter and
// the fastest compression, some 8 times faster and a quarter larger.
enum class PngEffort { small, fast };

// The bytes of a PNG file holding `picture`; "png-picture" when the picture
// is not consistent (sizes, pixel count, palette size), "png-compression"
// when it cannot be compressed.
Result<std::vector<std::uint8_t>> EncodePng(const PngPicture& picture,
                                            PngEffort effort = PngEffort::small);

// Level 0 of the TXR file held in `file`; "txr-unreadable" when the file is
// not a readable texture (depth, sides, shorter than level 0 needs: the
// message says which). An 8-bit texture keeps its indices and 256-colour
// palette when `keepPalette`, and is expanded through its palette to
// truecolour otherwise.
Result<PngPicture> TxrLevel0Picture(std::span<const std::uint8_t> file, bool keepPalette);
