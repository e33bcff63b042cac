// Test pictures for the benchmarks, made here rather than taken from
// anywhere: smooth waves with a little noise, like a ground or wall texture.
// An 8-bit picture indexes a 256-colour table of blended hues; a 24-bit one
// has waves of its own in each channel, so nearly every pixel differs.
#pragma once

#include "texture/bmp_reader.h"

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

inline std::uint32_t Noise(std::uint32_t x, std::uint32_t y, std::uint32_t salt) {
    std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ salt * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    return h ^ (h >> 15);
}

inline double Wave(int x, int y, double a, double b, double c) {
    return std::sin(x / a) + std::sin(y / b) + std::sin((x + y) / c) +
           std::sin(std::sqrt(static_cast<double>(x * x + y * y)) / (a + b));
}

inline std::uint8_t Clamp(double v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline BitmapImage Picture(int width, int height, int bits) {
    BitmapImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bits;
    const std::size_t stride = BitmapStride(width, bits);
    image.pixels.assign(stride * static_cast<std::size_t>(height), 0);
    if (bits == 8) {
        for (int k = 0; k < 256; ++k) {
            image.colourTable[4u * k] = Clamp(128 + 120 * std::sin(k / 40.0 + 4));
            image.colourTable[4u * k + 1] = Clamp(128 + 120 * std::sin(k / 40.0 + 2));
            image.colourTable[4u * k + 2] = Clamp(128 + 120 * std::sin(k / 40.0));
        }
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            if (bits == 8) {
                const double v =
                    (Wave(x, y, 37, 23, 53) + 4) * 30 + static_cast<int>(Noise(x, y, 1) % 17) - 8;
                row[x] = Clamp(v);
            } else {
                for (int c = 0; c < 3; ++c) {
                    const double v = (Wave(x, y, 31 + 7 * c, 19 + 5 * c, 47 - 3 * c) + 4) * 30 +
                                     static_cast<int>(Noise(x, y, 2 + c) % 13) - 6;
                    row[3 * x + c] = Clamp(v);
                }
            }
        }
    }
    return image;
}

// Writes `bytes` to `path`; false when the file cannot be written whole.
inline bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline void Put16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// The picture as a plain bitmap file: 40-byte header, rows bottom-up.
inline std::vector<std::uint8_t> BmpFile(const BitmapImage& image) {
    const std::size_t stride = BitmapStride(image.width, image.bitsPerPixel);
    const std::uint32_t offset = 54 + (image.bitsPerPixel == 8 ? 1024 : 0);
    std::vector<std::uint8_t> b{'B', 'M'};
    Put32(b, offset + static_cast<std::uint32_t>(image.pixels.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(image.width));
    Put32(b, static_cast<std::uint32_t>(image.height));
    Put16(b, 1);
    Put16(b, static_cast<unsigned>(image.bitsPerPixel));
    for (int i = 0; i < 6; ++i) {
        Put32(b, i == 4 && image.bitsPerPixel == 8 ? 256 : 0);
    }
    if (image.bitsPerPixel == 8) {
        b.insert(b.end(), image.colourTable.begin(), image.colourTable.end());
    }
    for (int y = image.height - 1; y >= 0; --y) {
        const auto row = image.pixels.begin() +
                         static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * stride);
        b.insert(b.end(), row, row + static_cast<std::ptrdiff_t>(stride));
    }
    return b;
}

// A 24-bit picture as an uncompressed true-colour TGA file, top row first.
inline std::vector<std::uint8_t> TgaFile(const BitmapImage& image) {
    std::vector<std::uint8_t> b{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(b, static_cast<unsigned>(image.width));
    Put16(b, static_cast<unsigned>(image.height));
    b.push_back(24);
    b.push_back(0x20); // origin at the top left
    const std::size_t stride = BitmapStride(image.width, 24);
    for (int y = 0; y < image.height; ++y) {
        const auto row = image.pixels.begin() +
                         static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * stride);
        b.insert(b.end(), row, row + 3 * image.width);
    }
    return b;
}

} // namespace bench
