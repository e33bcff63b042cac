#include "support/bmp_builder.h"

namespace {

void Put16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

int StoredStride(const TestBitmap& b) {
    return (b.width * b.bitsPerPixel + 31) / 32 * 4;
}

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
    const bool masks40 = b.headerSize == 40 && (b.compression == 3 || b.compression == 6);
    const std::uint32_t maskBytes = masks40 ? (b.compression == 3 ? 12 : 16) : 0;
    const std::uint32_t offset = 14 + b.headerSize + maskBytes + b.tableEntries * entrySize + b.gap;

    Bytes pixels;
    if (!b.encoded.empty() || b.compression == 1) {
        pixels = b.encoded;
    } else {
        const int stride = StoredStride(b);
        for (int row = 0; row < b.height; ++row) {
            const int y = b.topDown ? row : b.height - 1 - row;
            Bytes line;
            if (b.bitsPerPixel == 8 || b.bitsPerPixel == 24) {
                const int channels = b.bitsPerPixel / 8;
                for (int x = 0; x < b.width; ++x) {
                    for (int c = 0; c < channels; ++c) {
                        line.push_back(pixel(x, y, c));
                    }
                }
            }
            line.resize(static_cast<std::size_t>(stride), 0xEE); // padding: any bytes
            pixels.insert(pixels.end(), line.begin(), line.end());
        }
    }

    Bytes bytes{'B', 'M'};
    Put32(bytes, offset + static_cast<std::uint32_t>(pixels.size()) + b.trailer);
    Put32(bytes, 0);
    Put32(bytes, offset);
    Put32(bytes, b.headerSize);
    if (core) {
        Put16(bytes, static_cast<std::uint16_t>(b.width));
        Put16(bytes, static_cast<std::uint16_t>(b.height));
        Put16(bytes, 1);
        Put16(bytes, b.bitsPerPixel);
    } else {
        Put32(bytes, static_cast<std::uint32_t>(b.width));
        Put32(bytes, static_cast<std::uint32_t>(b.topDown ? -b.height : b.height));
        Put16(bytes, 1);
        Put16(bytes, b.bitsPerPixel);
        Put32(bytes, b.compression);
        Put32(bytes, static_cast<std::uint32_t>(pixels.size()));
        Put32(bytes, 2835);
        Put32(bytes, 2835);
        Put32(bytes, b.colorsUsed);
        Put32(bytes, 0);
        // Later headers: colour masks, colour space and the rest; any values.
        for (std::uint32_t i = 40; i < b.headerSize; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(i));
        }
        for (std::uint32_t i = 0; i < maskBytes; ++i) {
            bytes.push_back(0xFF);
        }
    }
    for (std::uint32_t k = 0; k < b.tableEntries; ++k) {
        for (std::uint32_t c = 0; c < entrySize; ++c) {
            bytes.push_back(c < 3 ? tableByte(static_cast<int>(k), static_cast<int>(c)) : 0);
        }
    }
    bytes.resize(bytes.size() + b.gap, 0x77);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    bytes.resize(bytes.size() + b.trailer, 0x55);
    return bytes;
}

TestBitmap Plain8(int width, int height) {
    TestBitmap b;
    b.width = width;
    b.height = height;
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
        for (int x = 0; x < b.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                image.pixels[static_cast<std::size_t>(y * stride + x * channels + c)] =
                    pixel(x, y, c);
            }
        }
    }
    if (b.bitsPerPixel == 8) {
        const std::uint32_t entries = b.colorsUsed != 0 ? b.colorsUsed : b.tableEntries;
        for (std::uint32_t k = 0; k < entries && k < 256; ++k) {
            for (int c = 0; c < 3; ++c) {
                image.colourTable[4 * k + static_cast<std::uint32_t>(c)] =
                    tableByte(static_cast<int>(k), c);
            }
        }
    }
    return image;
}
