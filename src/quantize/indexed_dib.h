// 8-bit top-down bitmaps whose colour table copies a palette: the form into
// which the mip-map levels of an 8-bit texture are re-expressed.
#pragma once

#include "quantize/level_palette.h"

#include <array>
#include <cstdint>
#include <vector>

// The fields of a bitmap information header (BITMAPINFOHEADER).
struct DibInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0; // negative: rows top row first
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

struct IndexedDib {
    DibInfoHeader header;
    // 256 entries of blue, green, red and a zero byte.
    std::array<std::uint8_t, 1024> colourTable{};
    // Rows top row first, each (width + 3) / 4 x 4 bytes, all zero at first.
    std::vector<std::uint8_t> bits;
};

// An 8-bit bitmap of width x height pixels (each at least 1) with the
// palette's 256 colours as its table; the entries' flags are not copied.
IndexedDib CreateIndexedDib(const LevelPalette& palette, std::int32_t width, std::int32_t height);
