// Writing a bitmap as a TXR file with its whole chain of mip-map levels.
#pragma once

#include "texture/bmp_reader.h"
#include "texture/mip_levels.h"

#include <array>
#include <cstdint>
#include <vector>

// Writes a 24-bit TXR file of `levelCount` levels from a 24-bit bitmap.
// `width` and `height` are the bitmap's (powers of two, at least 2) and
// `levelCount` is from 1 to min(log2 width, log2 height). The file appears
// only complete: false, with no file made or changed, when the arguments do
// not fit the bitmap or the file cannot be written.
bool WriteTxr24(const char* outputPath, const BitmapImage& sourceBitmap, std::int32_t width,
                std::int32_t height, std::int32_t levelCount);

// The same for an 8-bit bitmap: the levels are built in 24-bit colour, one
// palette is computed from all of them and every level is mapped to it. The
// bitmap's own colour table is not kept.
bool WriteTxr8(const char* outputPath, const BitmapImage& sourceBitmap, std::int32_t width,
               std::int32_t height, std::int32_t levelCount);

// Maps every 24-bit level of `set` to the palette built from them all, each
// pixel to its nearest entry, and returns the colour table (blue, green, red,
// zero) of the palette. Afterwards each level holds 8-bit rows.
std::array<std::uint8_t, 1024> MapLevelsToPalette(MipLevelSet& set);

// The bytes of the TXR file of `levelCount` levels made from a 24-bit
// bitmap, in memory: those WriteTxr24 writes, or with `paletted` every level
// mapped to one palette computed from them all, as WriteTxr8 does with the
// levels of an 8-bit bitmap. Empty when the arguments do not fit the bitmap
// (as for WriteTxr24).
std::vector<std::uint8_t> EncodeTxr(const BitmapImage& sourceBitmap, std::int32_t levelCount,
                                    bool paletted);
