#include "texture/txr_format.h"

#include "common/byte_order.h"

std::uint64_t TxrLevel0Offset(std::int32_t bitsPerPixel) {
    return bitsPerPixel == 8 ? kTxrHeaderSize + kTxrPaletteSize : kTxrHeaderSize;
}

std::uint64_t TxrLevelBytes(const TxrHeader& header, int level) {
    const std::int32_t width = header.width >> level;
    const std::int32_t height = header.height >> level;
    return BitmapStride(width, header.bitsPerPixel) * static_cast<std::uint64_t>(height);
}

std::uint64_t TxrLevelOffset(const TxrHeader& header, int level) {
    std::uint64_t offset = TxrLevel0Offset(header.bitsPerPixel);
    for (int i = 0; i < level; ++i) {
        offset += TxrLevelBytes(header, i);
    }
    return offset;
}

std::uint64_t TxrFileSize(const TxrHeader& header) {
    return TxrLevelOffset(header, header.levelCount);
}

bool IsPowerOfTwoSide(std::int32_t side) {
    return side >= 2 && (side & (side - 1)) == 0;
}

int TxrMaxLevelCount(std::int32_t width, std::int32_t height) {
    int count = 0;
    while ((width >> (count + 1)) >= 1 && (height >> (count + 1)) >= 1) {
        ++count;
    }
    return count;
}

TxrHeader DecodeTxrHeader(const std::uint8_t* bytes) {
    TxrHeader header;
    header.width = LoadLe32Signed(bytes);
    header.height = LoadLe32Signed(bytes + 4);
    header.bitsPerPixel = LoadLe32Signed(bytes + 8);
    header.levelCount = LoadLe32Signed(bytes + 12);
    return header;
}

void EncodeTxrHeader(const TxrHeader& header, std::uint8_t* bytes) {
    StoreLe32(bytes, static_cast<std::uint32_t>(header.width));
    StoreLe32(bytes + 4, static_cast<std::uint32_t>(header.height));
    StoreLe32(bytes + 8, static_cast<std::uint32_t>(header.bitsPerPixel));
    StoreLe32(bytes + 12, static_cast<std::uint32_t>(header.levelCount));
}

bool IsReadableTxrHeader(const TxrHeader& header) {
    if (header.bitsPerPixel != 8 && header.bitsPerPixel != 24) {
        return false;
    }
    return IsPowerOfTwoSide(header.width) && IsPowerOfTwoSide(header.height) &&
           header.width <= kMaxTxrSide && header.height <= kMaxTxrSide;
}

std::uint64_t TxrLevel0End(const TxrHeader& header) {
    return TxrLevel0Offset(header.bitsPerPixel) + TxrLevelBytes(header, 0);
}

TxrInspection InspectTxr(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
    TxrInspection result;
    if (head.size() < kTxrHeaderSize || fileSize < kTxrHeaderSize) {
        result.problem = "is shorter than its 16-byte header";
        return result;
    }
    const TxrHeader txr = DecodeTxrHeader(head.data());
    if (txr.bitsPerPixel != 8 && txr.bitsPerPixel != 24) {
        result.problem = "has " + std::to_string(txr.bitsPerPixel) + " bits per pixel, not 8 or 24";
        return result;
    }
    if (!IsReadableTxrHeader(txr)) {
        result.problem = "is " + std::to_string(txr.width) + "x" + std::to_string(txr.height) +
                         ": sides must be powers of two from 2 to 32768";
        return result;
    }
    if (fileSize < TxrLevel0End(txr)) {
        result.problem = "holds " + std::to_string(fileSize) + " bytes, level 0 needs " +
                         std::to_string(TxrLevel0End(txr));
        return result;
    }
    result.readable = true;
    const int maxLevels = TxrMaxLevelCount(txr.width, txr.height);
    if (txr.levelCount != maxLevels) {
        result.levelsFit = false;
        result.problem = "says " + std::to_string(txr.levelCount) +
                         " levels where its sides give " + std::to_string(maxLevels);
    } else if (fileSize < TxrFileSize(txr)) {
        result.levelsFit = false;
        result.problem = "holds " + std::to_string(fileSize) + " bytes, its " +
                         std::to_string(txr.levelCount) + " levels need " +
                         std::to_string(TxrFileSize(txr));
    }
    return result;
}
