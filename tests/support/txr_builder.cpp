#include "support/txr_builder.h"

namespace {

void Put32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void Put16(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

int Channels(const TestTexture& t) { return t.bitsPerPixel == 8 ? 1 : 3; }

int Stride(int width, int channels) { return (width * channels + 3) / 4 * 4; }

// One row of level 0, padding as zero bytes.
Bytes Row(const TestTexture& t, int y) {
    Bytes row;
    const int channels = Channels(t);
    for (int x = 0; x < t.width; ++x) {
        for (int c = 0; c < channels; ++c) {
            row.push_back(t.pixel(x, y, c));
        }
    }
    row.resize(static_cast<std::size_t>(Stride(t.width, channels)), 0);
    return row;
}

} // namespace

std::uint8_t PatternPixel(int x, int y, int channel) {
    return static_cast<std::uint8_t>(x * 7 + y * 13 + channel * 101 + (x ^ y));
}

std::uint8_t PatternPaletteByte(int k) { return static_cast<std::uint8_t>(k * 31 + 5); }

Bytes BuildTxr(const TestTexture& t) {
    Bytes bytes;
    Put32(bytes, static_cast<std::uint32_t>(t.width));
    Put32(bytes, static_cast<std::uint32_t>(t.height));
    Put32(bytes, static_cast<std::uint32_t>(t.bitsPerPixel));
    Put32(bytes, static_cast<std::uint32_t>(t.levelCount));
    if (t.bitsPerPixel == 8) {
        for (int k = 0; k < 1024; ++k) {
            bytes.push_back(t.paletteByte ? t.paletteByte(k) : PatternPaletteByte(k));
        }
    }
    for (int y = 0; y < t.height; ++y) {
        const Bytes row = Row(t, y);
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
    // Smaller levels: content that must never reach a bitmap.
    const int channels = Channels(t);
    for (int level = 1; level < t.levelCount; ++level) {
        const int w = t.width >> level;
        const int h = t.height >> level;
        bytes.insert(bytes.end(), static_cast<std::size_t>(Stride(w, channels) * h), 0xEE);
    }
    return bytes;
}

Bytes ExpectedBmp(const TestTexture& t) {
    const bool paletted = t.bitsPerPixel == 8;
    const int stride = Stride(t.width, Channels(t));
    const std::uint32_t offset = paletted ? 1078 : 54;
    Bytes bytes;
    bytes.push_back('B');
    bytes.push_back('M');
    Put32(bytes, offset + static_cast<std::uint32_t>(stride * t.height));
    Put16(bytes, 0);
    Put16(bytes, 0);
    Put32(bytes, offset);
    Put32(bytes, 40);
    Put32(bytes, static_cast<std::uint32_t>(t.width));
    Put32(bytes, static_cast<std::uint32_t>(t.height));
    Put16(bytes, 1);
    Put16(bytes, static_cast<std::uint16_t>(t.bitsPerPixel));
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, paletted ? 256 : 0);
    Put32(bytes, 0);
    if (paletted) {
        for (int k = 0; k < 1024; ++k) {
            bytes.push_back(t.paletteByte ? t.paletteByte(k) : PatternPaletteByte(k));
        }
    }
    for (int y = t.height - 1; y >= 0; --y) {
        const Bytes row = Row(t, y);
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
    return bytes;
}

std::uint32_t Le32At(const Bytes& b, std::size_t o) {
    return static_cast<std::uint32_t>(b.at(o)) | (static_cast<std::uint32_t>(b.at(o + 1)) << 8) |
           (static_cast<std::uint32_t>(b.at(o + 2)) << 16) |
           (static_cast<std::uint32_t>(b.at(o + 3)) << 24);
}

std::uint16_t Le16At(const Bytes& b, std::size_t o) {
    return static_cast<std::uint16_t>(b.at(o) | (b.at(o + 1) << 8));
}
