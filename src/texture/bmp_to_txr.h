#pragma once

#include <cstdint>

// Converts a 256-colour or 24-bit Windows bitmap whose sides are powers of two
// into a TXR file with every mip-map level. Refusals are printed on standard
// output, one line each. Returns true when the TXR file has been written.
bool ConvertBmpToTxr(const char* bitmapPath, const char* outputPath);

// Whether `text` ends with `ending`, the letters a to z compared without
// regard to case (no other character is folded).
bool EndsWithNoCase(const char* text, const char* ending);

// The exponent k >= 1 with base^k == number, or 0 when there is none (so 0
// for 1, for 0 and for any number that is not such a power).
std::int32_t ExactLog(std::int32_t number, std::int32_t base);
