#include "texture/bmp_to_txr.h"

#include "common/path_text.h"
#include "texture/bmp_reader.h"
#include "texture/txr_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>
#include <new>

bool EndsWithNoCase(const char* text, const char* ending) {
    const std::size_t textLength = std::strlen(text);
    const std::size_t length = std::strlen(ending);
    if (textLength < length) {
        return false;
    }
    const auto upper = [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    };
    const char* tail = text + (textLength - length);
    for (std::size_t i = 0; i < length; ++i) {
        if (upper(tail[i]) != upper(ending[i])) {
            return false;
        }
    }
    return true;
}

std::int32_t ExactLog(std::int32_t number, std::int32_t base) {
    if (base < 2) {
        return 0; // no power of such a base ever passes the number
    }
    std::int64_t power = 1;
    std::int32_t count = 0;
    while (power < number) {
        power *= base;
        ++count;
        if (power == number) {
            return count;
        }
    }
    return 0;
}

std::span<const std::string_view> TxrRefusalLines(TxrRefusal refusal) {
    static constexpr std::string_view kNotBmp[] = {"  is not a BMP or DIB file"};
    static constexpr std::string_view kUnreadable[] = {"  failed at reading bitmap file"};
    static constexpr std::string_view kDepth[] = {"  bitmap does not correspond to color number",
                                                  "  bitmap must be 256 or 24bit colors"};
    static constexpr std::string_view kSide[] = {"  Length & width must be power of 2(64,128etc)"};
    static constexpr std::string_view kNotWritten[] = {"  couldn't be drawn up"};
    switch (refusal) {
    case TxrRefusal::NotBmpName:
        return kNotBmp;
    case TxrRefusal::Unreadable:
        return kUnreadable;
    case TxrRefusal::Depth:
        return kDepth;
    case TxrRefusal::Side:
        return kSide;
    case TxrRefusal::NotWritten:
        return kNotWritten;
    case TxrRefusal::None:
    case TxrRefusal::NameTooLong:
        break;
    }
    return {};
}

TxrRefusal WriteTxrForBitmap(const BitmapImage& bitmap, const char* outputPath) {
    char outputName[kPathCapacity];
    if (!CopyPathText(outputName, sizeof outputName, outputPath)) {
        return TxrRefusal::NameTooLong;
    }
    if (bitmap.bitsPerPixel != 8 && bitmap.bitsPerPixel != 24) {
        return TxrRefusal::Depth;
    }
    const std::int32_t widthLog = ExactLog(bitmap.width, 2);
    const std::int32_t heightLog = ExactLog(bitmap.height, 2);
    if (widthLog == 0 || heightLog == 0) {
        return TxrRefusal::Side;
    }
    // As many levels as the picture allows: the smallest has a shorter side of 2.
    const std::int32_t levelCount = std::min(widthLog, heightLog);
    bool written = false;
    try {
        written = bitmap.bitsPerPixel == 8
                      ? WriteTxr8(outputName, bitmap, bitmap.width, bitmap.height, levelCount)
                      : WriteTxr24(outputName, bitmap, bitmap.width, bitmap.height, levelCount);
    } catch (const std::bad_alloc&) {
        written = false; // no memory for the levels: nothing was written
    }
    return written ? TxrRefusal::None : TxrRefusal::NotWritten;
}

TxrRefusal BmpFileToTxr(const char* bitmapPath, const char* outputPath) {
    // Both names live in 260-byte buffers: a longer name is refused before
    // anything is read or written.
    char inputName[kPathCapacity];
    char outputName[kPathCapacity];
    if (!CopyPathText(inputName, sizeof inputName, bitmapPath) ||
        !CopyPathText(outputName, sizeof outputName, outputPath)) {
        return TxrRefusal::NameTooLong;
    }
    if (!EndsWithNoCase(inputName, "bmp") && !EndsWithNoCase(inputName, "dib")) {
        return TxrRefusal::NotBmpName;
    }
    std::optional<BitmapImage> bitmap;
    try {
        bitmap = ReadBitmapFile(inputName);
    } catch (const std::bad_alloc&) {
        bitmap.reset(); // no memory for the picture: it cannot be read
    }
    if (!bitmap) {
        return TxrRefusal::Unreadable;
    }
    return WriteTxrForBitmap(*bitmap, outputName);
}

bool ConvertBmpToTxr(const char* bitmapPath, const char* outputPath) {
    const TxrRefusal refusal = BmpFileToTxr(bitmapPath, outputPath);
    for (const std::string_view line : TxrRefusalLines(refusal)) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    return refusal == TxrRefusal::None;
}
