// Test pictures for the benchmarks, made here rather than taken from
// anywhere: smooth waves with a little noise, like a ground or wall texture.
// An 8-bit picture indexes a 256-colour table of blended hues; a 24-bit one
// has waves of its own in each channel, so nearly every pixel differs.
#pragma once

#include "builders/bmp_builder.h"
#include "texture/bmp_reader.h"

#include <cmath>
#include <cstdio>
#include <exception>
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
inline bool WriteFile(const std::string& path, const Bytes& bytes) {
    try {
        WriteBytes(path, bytes);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The picture as a plain bitmap file: 40-byte header, rows bottom-up.
inline Bytes BmpFile(const BitmapImage& image) {
    TestBitmap b = image.bitsPerPixel == 8 ? Plain8(image.width, image.height)
                                           : Plain24(image.width, image.height);
    const std::size_t stride = BitmapStride(image.width, image.bitsPerPixel);
    const int channels = image.bitsPerPixel / 8;
    b.pixel = [&image, stride, channels](int x, int y, int c) {
        return image.pixels[static_cast<std::size_t>(y) * stride +
                            static_cast<std::size_t>(x * channels + c)];
    };
    b.tableByte = [&image](int k, int c) { return image.colourTable[4u * k + c]; };
    return BuildBmp(b);
}

// A 24-bit picture as an uncompressed true-colour TGA file, top row first.
inline Bytes TgaFile(const BitmapImage& image) {
    Bytes b{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutLe(b, static_cast<std::uint32_t>(image.width), 2);
    PutLe(b, static_cast<std::uint32_t>(image.height), 2);
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
