// The bitmap-to-texture algorithms written out literally, step by step as the
// format and the quantizer are described: every level reduced from level 0
// block by block, the census searched record by record for every pixel and
// sorted whole, every pixel's nearest entry searched over all 256 entries.
// Slow on purpose: the oracle against which the fast code is compared byte
// for byte (tests), and the baseline of its speed-up (benchmarks).
#pragma once

#include "texture/bmp_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace literal {

inline std::size_t Stride(int width, int bytesPerPixel) {
    return static_cast<std::size_t>((width * bytesPerPixel + 3) / 4 * 4);
}

struct Level {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits; // 24-bit, top row first
};

// Blue, green and red of pixel (x, y) of a 24-bit level.
inline const std::uint8_t* Pixel(const Level& level, int x, int y) {
    return &level.bits[static_cast<std::size_t>(y) * Stride(level.width, 3) + 3u * x];
}

// Level 0 is the bitmap's pixels, an 8-bit one expanded through its table;
// level i holds the truncated means of the 2^i x 2^i blocks of level 0.
inline std::vector<Level> Levels(const BitmapImage& source, int levelCount) {
    Level base{source.width, source.height, {}};
    base.bits.resize(Stride(source.width, 3) * static_cast<std::size_t>(source.height));
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const std::size_t at =
                    static_cast<std::size_t>(y) * Stride(source.width, 3) + 3u * x;
                base.bits[at + c] =
                    source.bitsPerPixel == 8
                        ? source
                              .colourTable[4u * source.pixels[y * Stride(source.width, 1) + x] + c]
                        : source.pixels[at + c];
            }
        }
    }
    std::vector<Level> levels{base};
    for (int i = 1, s = 2; i < levelCount; ++i, s *= 2) {
        Level level{source.width / s, source.height / s, {}};
        level.bits.resize(Stride(level.width, 3) * static_cast<std::size_t>(level.height));
        for (int y = 0; y < level.height; ++y) {
            for (int x = 0; x < level.width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    unsigned sum = 0;
                    for (int by = 0; by < s; ++by) {
                        for (int bx = 0; bx < s; ++bx) {
                            sum += Pixel(base, x * s + bx, y * s + by)[c];
                        }
                    }
                    level.bits[static_cast<std::size_t>(y) * Stride(level.width, 3) + 3u * x + c] =
                        static_cast<std::uint8_t>(sum / static_cast<unsigned>(s * s));
                }
            }
        }
        levels.push_back(std::move(level));
    }
    return levels;
}

// The colour table (blue, green, red, 0) of the palette built from the
// levels: every pixel but pure black and white counted with the weight
// (i + 1)^2 of its level, the 254 heaviest colours (the first met among equal
// weights) in entries 1 to 254, black in entry 0 and white in entry 255.
inline std::array<std::uint8_t, 1024> PaletteTable(const std::vector<Level>& levels) {
    std::vector<std::pair<std::array<std::uint8_t, 3>, int>> census; // colour, weight
    for (std::size_t i = 0; i < levels.size(); ++i) {
        for (int y = 0; y < levels[i].height; ++y) {
            for (int x = 0; x < levels[i].width; ++x) {
                const std::uint8_t* p = Pixel(levels[i], x, y);
                const std::array<std::uint8_t, 3> colour{p[0], p[1], p[2]};
                if (colour == std::array<std::uint8_t, 3>{0, 0, 0} ||
                    colour == std::array<std::uint8_t, 3>{255, 255, 255}) {
                    continue;
                }
                auto record = std::find_if(census.begin(), census.end(),
                                           [&](const auto& r) { return r.first == colour; });
                if (record == census.end()) {
                    census.push_back({colour, 0});
                    record = census.end() - 1;
                }
                record->second += static_cast<int>((i + 1) * (i + 1));
            }
        }
    }
    std::stable_sort(census.begin(), census.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::array<std::uint8_t, 1024> table{};
    for (std::size_t k = 0; k < std::min<std::size_t>(census.size(), 254); ++k) {
        std::copy(census[k].first.begin(), census[k].first.end(), table.begin() + 4 * (k + 1));
    }
    table[1020] = table[1021] = table[1022] = 255;
    return table;
}

// The entry of least squared distance, the lowest among equals.
inline std::uint8_t Nearest(const std::array<std::uint8_t, 1024>& table, int blue, int green,
                            int red) {
    int best = 0, bestDistance = 1 << 30;
    for (int k = 0; k < 256; ++k) {
        const int db = table[4u * k] - blue, dg = table[4u * k + 1] - green,
                  dr = table[4u * k + 2] - red;
        if (dr * dr + dg * dg + db * db < bestDistance) {
            best = k;
            bestDistance = dr * dr + dg * dg + db * db;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// The whole TXR file for a bitmap of 8 or 24 bits with power-of-two sides.
inline std::vector<std::uint8_t> Txr(const BitmapImage& source) {
    int levelCount = 0;
    while ((2 << levelCount) <= source.width && (2 << levelCount) <= source.height) {
        ++levelCount;
    }
    const std::vector<Level> levels = Levels(source, levelCount);
    std::vector<std::uint8_t> file;
    for (int field : {source.width, source.height, source.bitsPerPixel, levelCount}) {
        for (int i = 0; i < 4; ++i) {
            file.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(field) >> (8 * i)));
        }
    }
    std::array<std::uint8_t, 1024> table{};
    if (source.bitsPerPixel == 8) {
        table = PaletteTable(levels);
        file.insert(file.end(), table.begin(), table.end());
    }
    for (const Level& level : levels) {
        if (source.bitsPerPixel == 24) {
            file.insert(file.end(), level.bits.begin(), level.bits.end());
            continue;
        }
        std::vector<std::uint8_t> indices(Stride(level.width, 1) *
                                          static_cast<std::size_t>(level.height));
        for (int y = 0; y < level.height; ++y) {
            for (int x = 0; x < level.width; ++x) {
                const std::uint8_t* p = Pixel(level, x, y);
                indices[static_cast<std::size_t>(y) * Stride(level.width, 1) + x] =
                    Nearest(table, p[0], p[1], p[2]);
            }
        }
        file.insert(file.end(), indices.begin(), indices.end());
    }
    return file;
}

} // namespace literal
