#pragma once

#include "texture/bmp_reader.h"

#include <cstdint>
#include <span>
#include <string_view>

// Why a picture was not turned into a TXR file, in the order the checks run.
enum class TxrRefusal {
    None,        // the file was written
    NameTooLong, // a name does not fit a 260-byte path buffer; nothing is printed
    NotBmpName,  // the input name ends neither in "bmp" nor in "dib"
    Unreadable,  // the bitmap cannot be read
    Depth,       // neither 8 nor 24 bits per pixel
    Side,        // a side is not a power of two of at least 2
    NotWritten,  // the levels could not be built or the file not written
};

// The lines that report `refusal` on standard output, each beginning with
// two blanks, without line ends; none for None and NameTooLong.
std::span<const std::string_view> TxrRefusalLines(TxrRefusal refusal);

// Converts a 256-colour or 24-bit Windows bitmap whose sides are powers of two
// into a TXR file with every mip-map level, and says why not when it cannot.
// Prints nothing: the caller reports the refusal.
TxrRefusal BmpFileToTxr(const char* bitmapPath, const char* outputPath);

// The checks and the writing that follow the reading of a picture: depth,
// sides, then the TXR file with as many levels as the picture allows.
TxrRefusal WriteTxrForBitmap(const BitmapImage& bitmap, const char* outputPath);

// BmpFileToTxr with its refusal printed on standard output, one line each.
// Returns true when the TXR file has been written.
bool ConvertBmpToTxr(const char* bitmapPath, const char* outputPath);

// Whether `text` ends with `ending`, the letters a to z compared without
// regard to case (no other character is folded).
bool EndsWithNoCase(const char* text, const char* ending);

// The exponent k >= 1 with base^k == number, or 0 when there is none (so 0
// for 1, for 0 and for any number that is not such a power).
std::int32_t ExactLog(std::int32_t number, std::int32_t base);
