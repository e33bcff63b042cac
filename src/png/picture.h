// The pictures PNG files are read into and written from, and that the
// software rendering samples and draws: 8 bits a channel, rows top first, no
// row padding. They know nothing of textures or bitmaps; the adapters to and
// from those live with them (texture/).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Three bytes a pixel: red, green, blue.
struct RgbPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;
};

// One byte a pixel: an index into `palette` (1 to 256 colours).
struct PalettedPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> indices;
    std::vector<std::array<std::uint8_t, 3>> palette; // red, green, blue
};
