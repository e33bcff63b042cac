#pragma once

#include "texture/txr_format.h"

#include <array>
#include <cstdint>

inline constexpr std::size_t kBmpHeadersSize = 54; // file header 14 + info header 40

// The bitmap file header and BITMAPINFOHEADER of the uncompressed bottom-up
// bitmap that holds level 0 of a texture with this header.
std::array<std::uint8_t, kBmpHeadersSize> EncodeBmpHeadersForTxr(const TxrHeader& header);

// Writes level 0 of the TXR file at `texturePath` as a Windows bitmap file at
// `bitmapPath`: 8-bit with the texture's palette as colour table, or 24-bit;
// rows bottom-up as a bitmap file keeps them. Returns false, creating and
// changing no file, when the texture cannot be opened, is malformed (depth not
// 8 or 24, a side not a power of two of at least 2, shorter than level 0
// requires) or the bitmap cannot be written.
bool ConvertTxrToBmp(const char* texturePath, const char* bitmapPath);

// The same bitmap written straight into `bitmapPath`, a file the caller has
// just created for itself (a temporary file of a unique name): no second
// temporary file and no rename. False when the texture is refused or the
// file cannot be written; the file's content is then undefined and the caller
// deletes it.
bool ConvertTxrToCreatedBmp(const char* texturePath, const char* bitmapPath);
