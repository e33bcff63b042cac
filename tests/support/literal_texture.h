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

inline int Stride(int width, int bytesPerPixel) {
    return (width * bytesPerPixel + 3) / 4 * 4;
}

struct Level {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits; // 24-bit, top row first, then 8-bit once mapped
};

// Level 0: the bitmap's pixels, an 8-bit one expanded through its table.
inline Level LevelZero(const BitmapImage& source) {
    Level level{source.width, source.height, {}};
    level.bits.assign(static_cast<std::size_t>(Stride(source.width, 3) * source.height), 0);
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                std::uint8_t value;
                if (source.bitsPerPixel == 8) {
                    const std::uint8_t index =
                        source.pixels[static_cast<std::size_t>(y * Stride(source.width, 1) + x)];
                    value = source.colourTable[4u * index + static_cast<unsigned>(c)];
                } else {
                    value = source.pixels[static_cast<std::size_t>(y * Stride(source.width, 3) +
                                                                   3 * x + c)];
                }
                level.bits[static_cast<std::size_t>(y * Stride(source.width, 3) + 3 * x + c)] =
                    value;
            }
        }
    }
    return level;
}

inline std::vector<Level> Levels(const BitmapImage& source, int levelCount) {
    std::vector<Level> levels;
    levels.push_back(LevelZero(source));
    const Level base = levels[0];
    int w = source.width;
    int h = source.height;
    for (int i = 1; i < levelCount; ++i) {
        w /= 2;
        h /= 2;
        const int s = 1 << i;
        Level level{w, h, {}};
        level.bits.assign(static_cast<std::size_t>(Stride(w, 3) * h), 0);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                for (int c = 0; c < 3; ++c) {
                    unsigned sum = 0;
                    for (int by = 0; by < s; ++by) {
                        for (int bx = 0; bx < s; ++bx) {
                            sum += base.bits[static_cast<std::size_t>(
                                (y * s + by) * Stride(base.width, 3) + 3 * (x * s + bx) + c)];
                        }
                    }
                    level.bits[static_cast<std::size_t>(y * Stride(w, 3) + 3 * x + c)] =
                        static_cast<std::uint8_t>(sum / static_cast<unsigned>(s * s));
                }
            }
        }
        levels.push_back(std::move(level));
    }
    return levels;
}

struct Record {
    std::uint32_t color;
    std::int32_t weight;
};

inline std::vector<Record> Census(const std::vector<Level>& levels) {
    std::vector<Record> census;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const Level& level = levels[i];
        for (int y = 0; y < level.height; ++y) {
            for (int x = 0; x < level.width; ++x) {
                const std::uint8_t* p =
                    &level.bits[static_cast<std::size_t>(y * Stride(level.width, 3) + 3 * x)];
                const std::uint8_t blue = p[0], green = p[1], red = p[2];
                if ((blue == 0 && green == 0 && red == 0) ||
                    (blue == 255 && green == 255 && red == 255)) {
                    continue;
                }
                const std::uint32_t color =
                    red | (green << 8) | (static_cast<std::uint32_t>(blue) << 16);
                const std::int32_t weight = static_cast<std::int32_t>((i + 1) * (i + 1));
                bool found = false;
                for (Record& record : census) {
                    if (record.color == color) {
                        record.weight += weight;
                        found = true;
                        break;
                    }
                }
                if (!found) {
                    census.push_back(Record{color, weight});
                }
            }
        }
    }
    return census;
}

// The colour table (blue, green, red, 0) of the palette built from the levels.
inline std::array<std::uint8_t, 1024> PaletteTable(const std::vector<Level>& levels) {
    std::vector<Record> census = Census(levels);
    std::stable_sort(census.begin(), census.end(),
                     [](const Record& a, const Record& b) { return a.weight > b.weight; });
    const std::size_t n = std::min<std::size_t>(census.size(), 254);
    std::array<std::uint8_t, 1024> table{};
    for (std::size_t k = 0; k < n; ++k) {
        table[4 * (k + 1)] = static_cast<std::uint8_t>(census[k].color >> 16);
        table[4 * (k + 1) + 1] = static_cast<std::uint8_t>(census[k].color >> 8);
        table[4 * (k + 1) + 2] = static_cast<std::uint8_t>(census[k].color);
    }
    table[1020] = table[1021] = table[1022] = 255;
    return table;
}

inline std::uint8_t Nearest(const std::array<std::uint8_t, 1024>& table, int blue, int green,
                            int red) {
    int best = -1;
    int bestDistance = 0;
    for (int k = 0; k < 256; ++k) {
        const int db = table[static_cast<std::size_t>(4 * k)] - blue;
        const int dg = table[static_cast<std::size_t>(4 * k + 1)] - green;
        const int dr = table[static_cast<std::size_t>(4 * k + 2)] - red;
        const int distance = dr * dr + dg * dg + db * db;
        if (best < 0 || distance < bestDistance) {
            best = k;
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

inline void Put32(std::vector<std::uint8_t>& bytes, std::int32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
    }
}

// The whole TXR file for a bitmap of 8 or 24 bits with power-of-two sides.
inline std::vector<std::uint8_t> Txr(const BitmapImage& source) {
    int levelCount = 0;
    while ((2 << levelCount) <= source.width && (2 << levelCount) <= source.height) {
        ++levelCount;
    }
    std::vector<Level> levels = Levels(source, levelCount);
    std::vector<std::uint8_t> file;
    Put32(file, source.width);
    Put32(file, source.height);
    Put32(file, source.bitsPerPixel);
    Put32(file, levelCount);
    if (source.bitsPerPixel == 24) {
        for (const Level& level : levels) {
            file.insert(file.end(), level.bits.begin(), level.bits.end());
        }
        return file;
    }
    const std::array<std::uint8_t, 1024> table = PaletteTable(levels);
    file.insert(file.end(), table.begin(), table.end());
    for (const Level& level : levels) {
        std::vector<std::uint8_t> indices(
            static_cast<std::size_t>(Stride(level.width, 1) * level.height), 0);
        for (int y = 0; y < level.height; ++y) {
            for (int x = 0; x < level.width; ++x) {
                const std::uint8_t* p =
                    &level.bits[static_cast<std::size_t>(y * Stride(level.width, 3) + 3 * x)];
                indices[static_cast<std::size_t>(y * Stride(level.width, 1) + x)] =
                    Nearest(table, p[0], p[1], p[2]);
            }
        }
        file.insert(file.end(), indices.begin(), indices.end());
    }
    return file;
}

} // namespace literal
