#include "texture/txr_writer.h"

#include "common/file_io.h"
#include "quantize/indexed_dib.h"
#include "quantize/level_palette.h"
#include "quantize/nearest_entry.h"
#include "texture/txr_format.h"

#include <utility>
#include <vector>

namespace {

bool FitsSource(const BitmapImage& source, std::int32_t bitsPerPixel, std::int32_t width,
                std::int32_t height, std::int32_t levelCount) {
    return source.bitsPerPixel == bitsPerPixel && source.width == width &&
           source.height == height && IsPowerOfTwoSide(width) && IsPowerOfTwoSide(height) &&
           levelCount >= 1 && levelCount <= TxrMaxLevelCount(width, height) &&
           source.pixels.size() ==
               BitmapStride(width, bitsPerPixel) * static_cast<std::size_t>(height);
}

// The parts of a TXR file in order: header, palette (8-bit only), then every
// level's rows. The file writer and the in-memory form both take them from
// here, so they cannot differ by a byte.
struct TxrParts {
    std::uint8_t header[kTxrHeaderSize];
    std::vector<OutputSpan> body; // palette and levels, behind the header
};

TxrParts SplitTxr(const MipLevelSet& set, const std::uint8_t* colourTable) {
    TxrParts parts;
    TxrHeader header;
    header.width = set.levels[0].width;
    header.height = set.levels[0].height;
    header.bitsPerPixel = set.bitsPerPixel;
    header.levelCount = set.levelCount;
    EncodeTxrHeader(header, parts.header);
    if (colourTable != nullptr) {
        parts.body.push_back({colourTable, kTxrPaletteSize});
    }
    for (const MipLevel& level : set.levels) {
        parts.body.push_back({level.bits(), BitmapStride(level.width, set.bitsPerPixel) *
                                                static_cast<std::size_t>(level.height)});
    }
    return parts;
}

// The whole file, all or nothing.
bool WriteTxrFile(const char* outputPath, const MipLevelSet& set, const std::uint8_t* colourTable) {
    OutputFile output;
    if (!BeginOutputFile(output, outputPath)) {
        return false;
    }
    const TxrParts parts = SplitTxr(set, colourTable);
    WriteOutput(output, parts.header, sizeof parts.header);
    for (const OutputSpan& span : parts.body) {
        WriteOutput(output, span.data, span.size);
    }
    return CommitOutputFile(output);
}

} // namespace

std::array<std::uint8_t, 1024> MapLevelsToPalette(MipLevelSet& set) {
    // The quantizer reads the 24-bit levels through views of its own.
    std::vector<LevelView> views;
    for (std::size_t i = 0; i < set.levels.size() && i < static_cast<std::size_t>(set.levelCount);
         ++i) {
        const MipLevel& level = set.levels[i];
        views.push_back({level.bits(), level.width, level.height, BitmapStride(level.width, 24)});
    }
    const LevelPalette palette =
        BuildLevelPalette(views.data(), static_cast<std::int32_t>(views.size()));
    PaletteIndexCache nearest(palette);
    std::array<std::uint8_t, 1024> colourTable{};
    for (std::size_t i = 0; i < set.levels.size(); ++i) {
        MipLevel& level = set.levels[i];
        IndexedDib dib = CreateIndexedDib(palette, level.width, level.height);
        if (i == 0) {
            colourTable = dib.colourTable;
        }
        const std::size_t inStride = BitmapStride(level.width, 24);
        const std::size_t outStride = BitmapStride(level.width, 8);
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

std::vector<std::uint8_t> EncodeTxr(const BitmapImage& sourceBitmap, std::int32_t levelCount,
                                    bool paletted) {
    if (!FitsSource(sourceBitmap, 24, sourceBitmap.width, sourceBitmap.height, levelCount)) {
        return {};
    }
    MipLevelSet set = BuildMipLevels(sourceBitmap, levelCount, 24);
    std::array<std::uint8_t, 1024> colourTable{};
    if (paletted) {
        colourTable = MapLevelsToPalette(set);
    }
    const TxrParts parts = SplitTxr(set, paletted ? colourTable.data() : nullptr);
    std::vector<std::uint8_t> bytes(parts.header, parts.header + sizeof parts.header);
    std::size_t size = bytes.size();
    for (const OutputSpan& span : parts.body) {
        size += span.size;
    }
    bytes.reserve(size);
    for (const OutputSpan& span : parts.body) {
        const auto* data = static_cast<const std::uint8_t*>(span.data);
        bytes.insert(bytes.end(), data, data + span.size);
    }
    return bytes;
}
