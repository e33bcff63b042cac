// Builds Windows bitmap files, written out field by field from the file
// format (independently of the project's reader), in every header size, row
// order and depth the reader meets: the benchmarks' pictures and the tests'.
#pragma once

#include "builders/file_bytes.h"
#include "texture/bmp_reader.h"

#include <cstdint>
#include <functional>

struct TestBitmap {
    std::int32_t width = 4;
    std::int32_t height = 4;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t headerSize = 40; // 12, 40, 52, 56, 108 or 124
    bool topDown = false;          // negative height, rows top first
    std::uint32_t compression = 0;
    // Colour table entries written; the count field says `colorsUsed`.
    std::uint32_t tableEntries = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t gap = 0; // extra bytes between the table and the pixels
    // Pixel bytes by (x, y from the top, channel): channel 0 only at 8 bits,
    // blue 0, green 1, red 2 at 24. Not used with run-length data.
    std::function<std::uint8_t(int, int, int)> pixel;
    // Colour table entry k's bytes: blue 0, green 1, red 2.
    std::function<std::uint8_t(int, int)> tableByte;
    Bytes encoded; // run-length data, written instead of rows
};

Bytes BuildBmp(const TestBitmap& bitmap);

// The plain case: 40-byte header, bottom-up, 256-entry table at 8 bits.
TestBitmap Plain8(int width, int height);
TestBitmap Plain24(int width, int height);

// A BitmapImage made straight from pixels, as the reader would give it.
BitmapImage ImageOf(const TestBitmap& bitmap);
