// PNG files written by piecetool: a picture as an 8-bit paletted or a
// truecolour file. The compression is stb_image_write's; this file
// only frames its output in the PNG chunks (a paletted PNG, which
// stb_image_write does not write, needs a PLTE chunk of our own).
#pragma once

#include "common/result.h"
#include "png/picture.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The eight bytes every PNG file begins with.
inline constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P',  'N',  'G',
                                                              '\r', '\n', 0x1A, '\n'};

// CRC-32 of a chunk's type and data (polynomial 0xEDB88320, as in zlib),
// which follows every chunk of a PNG file.
std::uint32_t PngCrc32(const std::uint8_t* data, std::size_t size);

// How hard a PNG file is compressed: `small`, for files that are kept
// (textures, glTF images), tries the row filters one by one; `fast`, for
// pictures made by the hundred (render's pictures, a site's thumbnails),
// takes one filter and
// the fastest compression, some 8 times faster and a quarter larger.
enum class PngEffort { small, fast };

// The bytes of a PNG file holding `picture`, truecolour or paletted;
// "png-picture" when the picture is not consistent (sides, pixel count,
// palette size), "png-compression" when it cannot be compressed.
Result<std::vector<std::uint8_t>> EncodePng(const RgbPicture& picture,
                                            PngEffort effort = PngEffort::small);
Result<std::vector<std::uint8_t>> EncodePng(const PalettedPicture& picture);
