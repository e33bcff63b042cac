#pragma once

// Converts a 256-colour or 24-bit Windows bitmap whose sides are powers of two
// into a TXR file with every mip-map level. Refusals are printed on standard
// output, one line each. Returns true when the TXR file has been written.
bool ConvertBmpToTxr(const char* bitmapPath, const char* outputPath);
