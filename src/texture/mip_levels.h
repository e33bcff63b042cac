// The mip-map levels of one texture, built in 24-bit colour.
//
// Level 0 is the picture itself; level i >= 1 is (width >> i) x (height >> i)
// and each of its pixels holds, per channel, the truncated mean of the
// 2^i x 2^i block of level-0 pixels it stands for. Every level is reduced
// from level 0 itself, never from the level before it: a mean of means would
// truncate twice and drift darker.
#pragma once

#include "texture/bmp_reader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One level. Its pixels are top row first; while the level is 24-bit a pixel
// is the bytes blue, green, red and a row takes 3 x width rounded up to a
// multiple of 4 bytes; once mapped to a palette a pixel is one index and a row
// takes width rounded up to a multiple of 4. Padding bytes are zero.
// Level 0 of a 24-bit set borrows the source bitmap's rows, which already
// have exactly its layout, instead of copying them: `borrowed` then points at
// them, for the life of the set, and `bitmap` is empty.
struct MipLevel {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bitmap; // the level's own pixels
    const std::uint8_t* borrowed = nullptr;
    std::uint8_t* bits() { return bitmap.data(); }
    const std::uint8_t* bits() const { return borrowed != nullptr ? borrowed : bitmap.data(); }
};

struct MipLevelSet {
    std::int32_t levelCount = 0;
    std::int32_t bitsPerPixel = 0; // of the file to be written: 24 or 8
    std::vector<MipLevel> levels;  // level 0 first
};

// Level 0 in 24-bit colour: the picture of an 8-bit bitmap expanded through
// its colour table, or a copy of a 24-bit one.
MipLevel CopyToLevel0(const BitmapImage& source);

// All `levelCount` levels of `source` in 24-bit colour (level 0 borrowed from
// a 24-bit source, which must outlive the set). Computed in one pass over
// level 0, row pair by row pair: the exact channel sums of a row of 2 x 2
// blocks give a row of level 1, and the sum of a 2^i block is the sum of its
// four quarter-blocks' sums, so each level is divided from exact sums once.
// Only two rows of sums per level are held. `levelCount` must not exceed
// min(log2 width, log2 height).
MipLevelSet BuildMipLevels(const BitmapImage& source, std::int32_t levelCount,
                           std::int32_t bitsPerPixel);
// A temporary source would leave level 0 borrowing freed rows.
MipLevelSet BuildMipLevels(const BitmapImage&& source, std::int32_t levelCount,
                           std::int32_t bitsPerPixel) = delete;
