#include "builders/bmp_builder.h"

namespace {

std::uint8_t DefaultPixel(int x, int y, int c) {
    return static_cast<std::uint8_t>(x * 11 + y * 29 + c * 83 + (x * y));
}

std::uint8_t DefaultTableByte(int k, int c) {
    return static_cast<std::uint8_t>(k * 5 + c * 67 + 1);
}

} // namespace

Bytes BuildBmp(const TestBitmap& b) {
    const auto pixel = b.pixel ? b.pixel : DefaultPixel;
    const auto tableByte = b.tableByte ? b.tableByte : DefaultTableByte;
    const bool core = b.headerSize == 12;
    const std::uint32_t entrySize = core ? 3 : 4;
    // A 40-byte header with bit fields is followed by its colour masks.
    const bool masks = b.headerSize == 40 && (b.compression == 3 || b.compression == 6);
    const std::uint32_t maskBytes = masks ? (b.compression == 3 ? 12 : 16) : 0;
    const std::uint32_t offset = 14 + b.headerSize + maskBytes + b.tableEntries * entrySize + b.gap;
    Bytes pixels = b.encoded;
    if (b.encoded.empty() && b.compression != 1) {
        const int stride = (b.width * b.bitsPerPixel + 31) / 32 * 4;
        for (int row = 0; row < b.height; ++row) {
            const std::size_t end = pixels.size() + static_cast<std::size_t>(stride);
            for (int x = 0; x < b.width && (b.bitsPerPixel == 8 || b.bitsPerPixel == 24); ++x) {
                for (int c = 0; c < b.bitsPerPixel / 8; ++c) {
                    pixels.push_back(pixel(x, b.topDown ? row : b.height - 1 - row, c));
                }
            }
            pixels.resize(end, 0xEE); // padding: any bytes
        }
    }
    Bytes bytes{'B', 'M'};
    PutLe(bytes, offset + static_cast<std::uint32_t>(pixels.size()), 4);
    PutLe(bytes, 0, 4);
    PutLe(bytes, offset, 4);
    PutLe(bytes, b.headerSize, 4);
    const auto height = static_cast<std::uint32_t>(b.topDown ? -b.height : b.height);
    PutLe(bytes, static_cast<std::uint32_t>(b.width), core ? 2 : 4);
    PutLe(bytes, height, core ? 2 : 4);
    PutLe(bytes, 1, 2);
    PutLe(bytes, b.bitsPerPixel, 2);
    if (!core) {
        for (std::uint32_t field : {b.compression, static_cast<std::uint32_t>(pixels.size()), 2835u,
                                    2835u, b.colorsUsed, 0u}) {
            PutLe(bytes, field, 4);
        }
        // Later headers: colour masks, colour space and the rest; any values.
        for (std::uint32_t i = 40; i < b.headerSize; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(i));
        }
        bytes.resize(bytes.size() + maskBytes, 0xFF);
    }
    for (std::uint32_t k = 0; k < b.tableEntries; ++k) {
        for (std::uint32_t c = 0; c < entrySize; ++c) {
            bytes.push_back(c < 3 ? tableByte(static_cast<int>(k), static_cast<int>(c)) : 0);
        }
    }
    bytes.resize(bytes.size() + b.gap, 0x77);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

TestBitmap Plain8(int width, int height) {
    TestBitmap b = Plain24(width, height);
    b.bitsPerPixel = 8;
    b.tableEntries = 256;
    return b;
}

TestBitmap Plain24(int width, int height) {
    TestBitmap b;
    b.width = width;
    b.height = height;
    return b;
}

BitmapImage ImageOf(const TestBitmap& b) {
    const auto pixel = b.pixel ? b.pixel : DefaultPixel;
    const auto tableByte = b.tableByte ? b.tableByte : DefaultTableByte;
    BitmapImage image;
    image.width = b.width;
    image.height = b.height;
    image.bitsPerPixel = b.bitsPerPixel;
    const int channels = b.bitsPerPixel / 8;
    const int stride = (b.width * channels + 3) / 4 * 4;
    image.pixels.assign(static_cast<std::size_t>(stride * b.height), 0);
    for (int y = 0; y < b.height; ++y) {
        for (int x = 0; x < b.width * channels; ++x) {
            image.pixels[static_cast<std::size_t>(y * stride + x)] =
                pixel(x / channels, y, x % channels);
        }
    }
    const std::uint32_t entries = b.colorsUsed != 0 ? b.colorsUsed : b.tableEntries;
    for (std::uint32_t k = 0; b.bitsPerPixel == 8 && k < entries && k < 256; ++k) {
        for (int c = 0; c < 3; ++c) {
            image.colourTable[4 * k + static_cast<std::uint32_t>(c)] =
                tableByte(static_cast<int>(k), c);
        }
    }
    return image;
}
