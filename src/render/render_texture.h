// The pictures the software rendering reads and writes: 8 bits per channel,
// rows top first, three bytes red, green, blue per pixel, no row padding.
#pragma once

#include <cstdint>
#include <vector>

// Level 0 of a texture. Texel (i, j) covers texture coordinates u in
// [i/width, (i+1)/width) and v in [j/height, (j+1)/height); row 0 is the
// top of the picture, at v = 0.
struct RenderTexture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;
};

// True when the texture has a picture to sample: positive sides and exactly
// width x height x 3 bytes. Any other texture draws as an empty slot.
bool HasPicture(const RenderTexture& texture);
