#include "texture/txr_writer.h"

#include "common/file_io.h"
#include "quantize/indexed_dib.h"
#include "quantize/level_palette.h"
#include "quantize/nearest_entry.h"
#include "texture/txr_format.h"

#include <utility>

namespace {

bool FitsSource(const BitmapImage& source, std::int32_t bitsPerPixel, std::int32_t width,
                std::int32_t height, std::int32_t levelCount) {
    return source.bitsPerPixel == bitsPerPixel && source.width == width &&
           source.height == height && IsPowerOfTwoSide(width) && IsPowerOfTwoSide(height) &&
           levelCount >= 1 && levelCount <= TxrMaxLevelCount(width, height) &&
           source.pixels.size() ==
               MipStride(width, bitsPerPixel) * static_cast<std::size_t>(height);
}

// Header, palette (8-bit only), then every level's rows; all or nothing.
bool WriteTxrFile(const char* outputPath, const MipLevelSet& set, const std::uint8_t* colourTable) {
    OutputFile output;
    if (!BeginOutputFile(output, outputPath)) {
        return false;
    }
    TxrHeader header;
    header.width = set.levels[0].width;
    header.height = set.levels[0].height;
    header.bitsPerPixel = set.bitsPerPixel;
    header.levelCount = set.levelCount;
    std::uint8_t headerBytes[kTxrHeaderSize];
    EncodeTxrHeader(header, headerBytes);
    WriteOutput(output, headerBytes, sizeof headerBytes);
    if (colourTable != nullptr) {
        WriteOutput(output, colourTable, kTxrPaletteSize);
    }
    for (const MipLevel& level : set.levels) {
        WriteOutput(output, level.bits(),
                    MipStride(level.width, set.bitsPerPixel) *
                        static_cast<std::size_t>(level.height));
    }
    return CommitOutputFile(output);
}

} // namespace

std::array<std::uint8_t, 1024> MapLevelsToPalette(MipLevelSet& set) {
    const LevelPalette palette = BuildLevelPalette(set.levels.data(), set.levelCount);
    PaletteIndexCache nearest(palette);
    std::array<std::uint8_t, 1024> colourTable{};
    for (std::size_t i = 0; i < set.levels.size(); ++i) {
        MipLevel& level = set.levels[i];
        IndexedDib dib = CreateIndexedDib(palette, level.width, level.height);
        if (i == 0) {
            colourTable = dib.colourTable;
        }
        const std::size_t inStride = MipStride(level.width, 24);
        const std::size_t outStride = MipStride(level.width, 8);
        std::uint32_t lastColour = 0xFFFFFFFFu;
        std::uint8_t lastIndex = 0;
        for (std::int32_t y = 0; y < level.height; ++y) {
            const std::uint8_t* in =
                std::as_const(level).bits() + static_cast<std::size_t>(y) * inStride;
            std::uint8_t* out = dib.bits.data() + static_cast<std::size_t>(y) * outStride;
            for (std::int32_t x = 0; x < level.width; ++x, in += 3) {
                const std::uint32_t colour = ColorValue(in[2], in[1], in[0]);
                if (colour != lastColour) {
                    lastIndex = nearest.IndexOf(colour);
                    lastColour = colour;
                }
                out[x] = lastIndex;
            }
        }
        level.bitmap = std::move(dib.bits);
        level.borrowed = nullptr;
    }
    set.bitsPerPixel = 8;
    return colourTable;
}

bool WriteTxr24(const char* outputPath, const BitmapImage& sourceBitmap, std::int32_t width,
                std::int32_t height, std::int32_t levelCount) {
    if (!FitsSource(sourceBitmap, 24, width, height, levelCount)) {
        return false;
    }
    const MipLevelSet set = BuildMipLevels(sourceBitmap, levelCount, 24);
    return WriteTxrFile(outputPath, set, nullptr);
}

bool WriteTxr8(const char* outputPath, const BitmapImage& sourceBitmap, std::int32_t width,
               std::int32_t height, std::int32_t levelCount) {
    if (!FitsSource(sourceBitmap, 8, width, height, levelCount)) {
        return false;
    }
    MipLevelSet set = BuildMipLevels(sourceBitmap, levelCount, 8);
    const std::array<std::uint8_t, 1024> colourTable = MapLevelsToPalette(set);
    return WriteTxrFile(outputPath, set, colourTable.data());
}
