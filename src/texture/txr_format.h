// The TXR texture file: a 16-byte header of four little-endian signed 32-bit
// integers (width, height, bitsPerPixel, levelCount), a 1024-byte palette of
// blue-green-red-reserved entries when bitsPerPixel is 8, then levelCount level
// blocks, level 0 first, each top row first with rows padded to 4 bytes.
// The file has no magic number; it is known by its extension alone.
#pragma once

#include "texture/bitmap_stride.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

inline constexpr std::size_t kTxrHeaderSize = 16;
inline constexpr std::size_t kTxrPaletteSize = 1024;

struct TxrHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitsPerPixel = 0;
    std::int32_t levelCount = 0;
};

// A level's rows are laid out as a bitmap's are (BitmapStride).

// Offset of level 0: behind the header, and behind the palette at 8 bits.
std::uint64_t TxrLevel0Offset(std::int32_t bitsPerPixel);

// Bytes of level `level`: stride × height of the halved sizes.
std::uint64_t TxrLevelBytes(const TxrHeader& header, int level);

// Offset of level `level` within the file.
std::uint64_t TxrLevelOffset(const TxrHeader& header, int level);

// Whole file size for header.levelCount levels.
std::uint64_t TxrFileSize(const TxrHeader& header);

// Largest level count a width × height image takes: min(log2 w, log2 h).
int TxrMaxLevelCount(std::int32_t width, std::int32_t height);

bool IsPowerOfTwoSide(std::int32_t side);

TxrHeader DecodeTxrHeader(const std::uint8_t* bytes);
void EncodeTxrHeader(const TxrHeader& header, std::uint8_t* bytes);

// Largest side accepted from a file; keeps every size computation far from
// overflow and refuses absurd allocations.
inline constexpr std::int32_t kMaxTxrSide = 1 << 15;

// The checks a reader of level 0 needs: bitsPerPixel 8 or 24, sides powers of
// two from 2 to kMaxTxrSide. levelCount is not consulted.
bool IsReadableTxrHeader(const TxrHeader& header);

// Bytes from the start of the file to the end of level 0.
std::uint64_t TxrLevel0End(const TxrHeader& header);

// What a TXR file's header and length say, for a report: whether level 0 can
// be shown (depth 8 or 24, sides powers of two from 2 to kMaxTxrSide, the file
// long enough for level 0) and whether its level count and length fit its
// sides; `problem` says, in a phrase that follows the file's name, what does
// not. `head` holds the file's first bytes (fewer than kTxrHeaderSize for a
// shorter file), `fileSize` its length.
struct TxrInspection {
    bool readable = false;
    bool levelsFit = true;
    std::string problem;
};
TxrInspection InspectTxr(std::span<const std::uint8_t> head, std::uint64_t fileSize);
