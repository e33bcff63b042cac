// Builds TXR files and the bitmaps expected from them, written out literally
// from the format's description (independently of the code under test).
#pragma once

#include "support/scratch.h"

#include <array>
#include <cstdint>
#include <functional>

struct TestTexture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitsPerPixel = 24;
    std::int32_t levelCount = 1;
    // Level 0 pixel bytes by (x, y, channel): channel 0 for 8-bit indices,
    // 0..2 blue, green, red for 24-bit.
    std::function<std::uint8_t(int, int, int)> pixel;
    // Palette byte k (0..1023) for 8-bit textures.
    std::function<std::uint8_t(int)> paletteByte;
};

// A deterministic pixel pattern, different for every position and channel.
std::uint8_t PatternPixel(int x, int y, int channel);
std::uint8_t PatternPaletteByte(int k);

Bytes BuildTxr(const TestTexture& texture);
Bytes ExpectedBmp(const TestTexture& texture);

std::uint32_t Le32At(const Bytes& bytes, std::size_t offset);
std::uint16_t Le16At(const Bytes& bytes, std::size_t offset);
