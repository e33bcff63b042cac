#include "quantize/indexed_dib.h"

IndexedDib CreateIndexedDib(const LevelPalette& palette, std::int32_t width, std::int32_t height) {
    IndexedDib dib;
    dib.header.width = width;
    dib.header.height = -height;
    dib.header.bitCount = 8;
    dib.header.clrUsed = 256;
    for (std::size_t k = 0; k < 256; ++k) {
        dib.colourTable[4 * k] = palette.entries[k].blue;
        dib.colourTable[4 * k + 1] = palette.entries[k].green;
        dib.colourTable[4 * k + 2] = palette.entries[k].red;
        dib.colourTable[4 * k + 3] = 0;
    }
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    dib.bits.assign(stride * static_cast<std::size_t>(height), 0);
    return dib;
}
