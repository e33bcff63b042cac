// PNG and JPEG files held in memory decoded to pictures: stb_image, compiled
// once for the whole program (picture_decoder.cpp). The decoder has no limits
// of its own beyond its format's: each caller reads the sides first and
// refuses what its own limits do not allow before it decodes.
#pragma once

#include "common/result.h"
#include "png/picture.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct PictureSides {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The sides that the header of the PNG or JPEG file in `file` gives; nothing
// when the bytes are neither.
std::optional<PictureSides> EncodedPictureSides(std::span<const std::uint8_t> file);

// A decoded picture and, when asked for, the alpha of each pixel (255:
// opaque; a file without alpha or transparency gives 255 everywhere).
struct DecodedPicture {
    RgbPicture picture;
    std::vector<std::uint8_t> alpha;
};

// Decodes the PNG or JPEG file in `file`; "picture-decode" with the
// decoder's reason when its data does not decode.
Result<DecodedPicture> DecodePicture(std::span<const std::uint8_t> file, bool withAlpha);
