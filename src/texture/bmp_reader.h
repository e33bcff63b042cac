// Reading Windows bitmap files (.bmp, .dib) into memory.
//
// A bitmap file is a 14-byte file header ("BM", file size, two reserved words,
// offset of the pixel data) followed by an information header whose first
// 4 bytes give its own size: 12 (the old core header, 16-bit sizes and 3-byte
// colour table entries), 40, 52, 56, 108 or 124 bytes (the later headers only
// add fields behind the first 40). The colour table follows the information
// header (behind three or four 4-byte colour masks when a 40-byte header
// declares bit fields); the pixel rows are found at the file header's offset,
// wherever that lies behind the table. Rows are padded to 4 bytes and stored
// bottom row first, or top row first when the height is negative.
//
// The converter takes 256-colour (uncompressed or run-length encoded) and
// 24-bit pictures; files of every other depth are read only far enough to
// tell their depth, so that they can be refused for it.
#pragma once

#include "texture/bitmap_stride.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Largest side and pixel count accepted: far beyond any texture, and small
// enough that a hostile header cannot ask for an absurd allocation or
// overflow a size computation (or a 32-bit colour weight later on).
inline constexpr std::int32_t kMaxBitmapSide = 1 << 15;
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 26;
inline constexpr std::uint64_t kMaxBitmapFileBytes = std::uint64_t{512} << 20;

struct BitmapImage {
    std::int32_t width = 0;
    std::int32_t height = 0;       // rows, always positive here
    std::int32_t bitsPerPixel = 0; // the file's own depth: 1, 4, 8, 16, 24 or 32
    // Only for 8 and 24 bits: the picture, top row first, each row padded
    // with zero bytes to a multiple of 4; a pixel is a colour table index
    // (8 bits) or the bytes blue, green, red (24 bits).
    std::vector<std::uint8_t> pixels;
    // Only for 8 bits: 256 entries of blue, green, red and a zero byte.
    // Entries beyond the file's own (possibly shorter) table are black.
    std::array<std::uint8_t, 1024> colourTable{};
};

// The bitmap held in `size` bytes, or nothing when they are not a readable
// bitmap file: not "BM", truncated, an unknown header size or depth, sizes
// zero, negative or beyond the limits above, a compression that does not
// go with the depth, a colour table or pixel data running past the offset or
// the end of the data, or run-length data that runs out or past the picture.
std::optional<BitmapImage> ReadBitmap(const std::uint8_t* data, std::size_t size);

// ReadBitmap over the whole file at `path`; nothing when it cannot be read.
std::optional<BitmapImage> ReadBitmapFile(const char* path);
