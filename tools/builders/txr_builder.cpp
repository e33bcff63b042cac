#include "builders/txr_builder.h"

namespace {

int Channels(const TestTexture& t) {
    return t.bitsPerPixel == 8 ? 1 : 3;
}

int Stride(int width, int channels) {
    return (width * channels + 3) / 4 * 4;
}

// One row of level 0, padding as zero bytes.
void PutRow(Bytes& bytes, const TestTexture& t, int y) {
    const std::size_t end = bytes.size() + static_cast<std::size_t>(Stride(t.width, Channels(t)));
    for (int x = 0; x < t.width; ++x) {
        for (int c = 0; c < Channels(t); ++c) {
            bytes.push_back(t.pixel(x, y, c));
        }
    }
    bytes.resize(end, 0);
}

void PutPalette(Bytes& bytes, const TestTexture& t) {
    for (int k = 0; k < 1024 && t.bitsPerPixel == 8; ++k) {
        bytes.push_back(t.paletteByte ? t.paletteByte(k) : PatternPaletteByte(k));
    }
}

} // namespace

std::uint8_t PatternPixel(int x, int y, int channel) {
    return static_cast<std::uint8_t>(x * 7 + y * 13 + channel * 101 + (x ^ y));
}

std::uint8_t PatternPaletteByte(int k) {
    return static_cast<std::uint8_t>(k * 31 + 5);
}

Bytes BuildTxr(const TestTexture& t) {
    Bytes bytes;
    for (std::int32_t field : {t.width, t.height, t.bitsPerPixel, t.levelCount}) {
        PutLe(bytes, static_cast<std::uint32_t>(field), 4);
    }
    PutPalette(bytes, t);
    for (int y = 0; y < t.height; ++y) {
        PutRow(bytes, t, y);
    }
    for (int level = 1; level < t.levelCount; ++level) {
        const int levelBytes = Stride(t.width >> level, Channels(t)) * (t.height >> level);
        bytes.insert(bytes.end(), static_cast<std::size_t>(levelBytes), 0xEE);
    }
    return bytes;
}

Bytes ExpectedBmp(const TestTexture& t) {
    const bool paletted = t.bitsPerPixel == 8;
    const std::uint32_t offset = paletted ? 1078 : 54;
    const auto pixelBytes = static_cast<std::uint32_t>(Stride(t.width, Channels(t)) * t.height);
    Bytes bytes{'B', 'M'};
    PutLe(bytes, offset + pixelBytes, 4);
    PutLe(bytes, 0, 4);
    PutLe(bytes, offset, 4);
    PutLe(bytes, 40, 4);
    PutLe(bytes, static_cast<std::uint32_t>(t.width), 4);
    PutLe(bytes, static_cast<std::uint32_t>(t.height), 4); // positive: rows bottom-up
    PutLe(bytes, 1, 2);
    PutLe(bytes, static_cast<std::uint32_t>(t.bitsPerPixel), 2);
    for (std::uint32_t field : {0u, 0u, 0u, 0u, paletted ? 256u : 0u, 0u}) {
        PutLe(bytes, field, 4);
    }
    PutPalette(bytes, t);
    for (int y = t.height - 1; y >= 0; --y) {
        PutRow(bytes, t, y);
    }
    return bytes;
}
