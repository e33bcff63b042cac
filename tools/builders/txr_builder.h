// Builds TXR files and the bitmaps expected from them, written out literally
// from the format's description (independently of the code under test).
#pragma once

#include "builders/file_bytes.h"

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

// The texture file; levels past 0 hold 0xEE bytes, which no bitmap may show.
Bytes BuildTxr(const TestTexture& texture);
// The bitmap that level 0 of the texture converts to.
Bytes ExpectedBmp(const TestTexture& texture);
