// The textures the software rendering samples: level 0 of a texture as a
// picture, rows top first, three bytes red, green, blue per pixel.
#pragma once

#include "png/picture.h"

// Texel (i, j) of a texture covers texture coordinates u in [i/width,
// (i+1)/width) and v in [j/height, (j+1)/height); row 0 is the top of the
// picture, at v = 0.

// True when the texture has a picture to sample: positive sides and exactly
// width x height x 3 bytes. Any other texture draws as an empty slot.
bool HasPicture(const RgbPicture& texture);
