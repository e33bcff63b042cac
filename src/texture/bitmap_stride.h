// The row layout that bitmaps, the levels of TXR files and the mip-map
// levels share: rows of 8- or 24-bit pixels, each padded with zero bytes to a
// multiple of 4.
#pragma once

#include <cstddef>
#include <cstdint>

// Row length in bytes of a row of `width` pixels at `bitsPerPixel` (8 or 24).
inline std::size_t BitmapStride(std::int32_t width, std::int32_t bitsPerPixel) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel / 8) + 3) / 4 *
           4;
}
