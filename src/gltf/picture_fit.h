// Pictures made into a texture's level 0: TXR sides are powers of two of at
// least 2, and the viewer's textures are kept small (a map holds many
// pieces). A picture of other sides is resampled to the power of two nearest
// to each side, in linear light: the bytes of a picture are sRGB-encoded, and
// averaging the encoded values would darken every fine detail (a checker of
// black and white pixels would become 128, a quarter of white's light,
// instead of the 188 that gives half of it).
#pragma once

#include "gltf/gltf_reader.h"

#include <array>
#include <cstdint>

// The power of two nearest to `side` (by ratio: 181 gives 128, 182 gives
// 256), at least 2 and at most the largest power of two not above
// `maxSide` (at least 2).
int TextureSide(int side, int maxSide);

// The picture resampled to width x height: each new pixel the area-weighted
// mean of the pixels it covers where a side shrinks (a box filter), the
// linear blend of its two nearest where a side grows, edges clamped. A side
// that keeps its size keeps its pixels.
RgbPicture ResizePicture(const RgbPicture& picture, int width, int height);

// Every pixel multiplied by `factor` (linear red, green, blue from 0 to 1),
// as glTF multiplies a base-colour texture by its factor.
void TintPicture(RgbPicture& picture, const std::array<float, 3>& factor);

// sRGB byte of a linear value from 0 to 1, rounded.
std::uint8_t LinearToSrgb(double linear);
