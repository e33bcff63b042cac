// The palette shared by every mip-map level of an 8-bit texture: a weighted
// popularity count over the 24-bit levels.
//
// Every pixel of every level is counted with the weight (i + 1)^2, i being
// its level, so that a pixel of a small level, which stands for many pixels of
// the picture, counts more. Pure black and pure white are not counted: they
// always hold entries 0 and 255. The 254 heaviest colours fill entries 1 to
// 254 by weight, heaviest first; among equal weights the colour met first (in
// level order, rows top to bottom, pixels left to right) comes first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// One level as the census reads it: 24-bit pixels (blue, green, red), rows
// top first, `stride` bytes from the start of one row to the next.
struct LevelView {
    const std::uint8_t* bits = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::size_t stride = 0;
};

// A colour value: red in bits 0-7, green in 8-15, blue in 16-23, 24-31 zero.
inline std::uint32_t ColorValue(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(blue) << 16);
}

// One record of the colour census.
struct ColorWeight {
    std::uint32_t color = 0;
    std::int32_t weight = 0;
};

// One palette entry, in the order of a logical palette's entries.
struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
};

// A logical palette of 256 entries.
struct LevelPalette {
    std::uint16_t version = 0x300;
    std::uint16_t entryCount = 256;
    std::array<PaletteEntry, 256> entries{};
};

// The census: one record per distinct counted colour, in the order in which
// the colours were first met, with their accumulated weights.
std::vector<ColorWeight> TakeColourCensus(const LevelView* levels, std::int32_t levelCount);

// The palette of the levels (24-bit form). A count below 1 counts nothing,
// which gives black in entries 0 to 254 and white in 255.
LevelPalette BuildLevelPalette(const LevelView* levels, std::int32_t levelCount);
