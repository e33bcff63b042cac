// Writes the sample files under samples/: textures made of our own patterns.
// Usage: make_samples <samples folder>
#include "texture/txr_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
struct Rgb {
    std::uint8_t r, g, b;
};

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// A 24-bit texture with every mip level, each level the block mean of level 0.
Bytes TrueColourTxr(int w, int h, const std::function<Rgb(int, int)>& pixel) {
    const int levels = TxrMaxLevelCount(w, h);
    Bytes file(kTxrHeaderSize);
    EncodeTxrHeader(TxrHeader{w, h, 24, levels}, file.data());
    for (int level = 0; level < levels; ++level) {
        const int s = 1 << level;
        const int lw = w >> level, lh = h >> level;
        const std::size_t stride = TxrStride(lw, 24);
        for (int y = 0; y < lh; ++y) {
            Bytes row(stride, 0);
            for (int x = 0; x < lw; ++x) {
                unsigned sum[3] = {0, 0, 0};
                for (int by = 0; by < s; ++by) {
                    for (int bx = 0; bx < s; ++bx) {
                        const Rgb c = pixel(x * s + bx, y * s + by);
                        sum[0] += c.b;
                        sum[1] += c.g;
                        sum[2] += c.r;
                    }
                }
                for (int c = 0; c < 3; ++c) {
                    row[3 * x + c] = static_cast<std::uint8_t>(sum[c] / (s * s));
                }
            }
            file.insert(file.end(), row.begin(), row.end());
        }
    }
    return file;
}

// An 8-bit texture: the palette and level 0 indices given; smaller levels
// take the index of each block's top-left pixel.
Bytes PalettedTxr(int w, int h, const std::vector<Rgb>& palette,
                  const std::function<std::uint8_t(int, int)>& index) {
    const int levels = TxrMaxLevelCount(w, h);
    Bytes file(kTxrHeaderSize);
    EncodeTxrHeader(TxrHeader{w, h, 8, levels}, file.data());
    for (int k = 0; k < 256; ++k) {
        const Rgb c = k < static_cast<int>(palette.size()) ? palette[k] : Rgb{0, 0, 0};
        file.insert(file.end(), {c.b, c.g, c.r, 0});
    }
    for (int level = 0; level < levels; ++level) {
        const int s = 1 << level;
        const int lw = w >> level, lh = h >> level;
        const std::size_t stride = TxrStride(lw, 8);
        for (int y = 0; y < lh; ++y) {
            Bytes row(stride, 0);
            for (int x = 0; x < lw; ++x) {
                row[x] = index(x * s, y * s);
            }
            file.insert(file.end(), row.begin(), row.end());
        }
    }
    return file;
}

Rgb Brick(int x, int y) {
    const int row = y / 16;
    const int shifted = (x + (row % 2) * 16) % 32;
    const bool mortar = (y % 16) < 2 || shifted < 2;
    if (mortar) {
        return {200, 200, 190};
    }
    const int grain = (x * 37 + y * 91) % 23;
    return {static_cast<std::uint8_t>(150 + grain), static_cast<std::uint8_t>(60 + grain / 2), 40};
}

Rgb Grass(int x, int y) {
    const int n = (x * 73 + y * 151 + (x * y) % 17) % 41;
    return {static_cast<std::uint8_t>(40 + n / 2), static_cast<std::uint8_t>(120 + n), 30};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples <samples folder>\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::filesystem::path textures = root / "textures";
    std::filesystem::create_directories(textures);

    std::vector<Rgb> stonePalette;
    for (int k = 0; k < 256; ++k) {
        const auto v = static_cast<std::uint8_t>(k);
        stonePalette.push_back({v, v, static_cast<std::uint8_t>(v / 2 + 64)});
    }
    const bool ok =
        WriteFile(textures / "brick.txr", TrueColourTxr(64, 64, Brick)) &&
        WriteFile(textures / "grass.txr", TrueColourTxr(128, 64, Grass)) &&
        WriteFile(textures / "stone.txr",
                  PalettedTxr(64, 64, stonePalette, [](int x, int y) {
                      const double d = std::sin(x * 0.3) * std::cos(y * 0.25);
                      return static_cast<std::uint8_t>(128 + 100 * d);
                  })) &&
        WriteFile(textures / "flag.txr",
                  PalettedTxr(32, 16, {{0, 0, 0}, {220, 30, 30}, {250, 250, 250}, {30, 60, 200}},
                              [](int x, int y) {
                                  return static_cast<std::uint8_t>(y < 5 ? 1 : y < 11 ? 2 : (x < 16 ? 3 : 1));
                              }));
    if (!ok) {
        std::fprintf(stderr, "make_samples: cannot write under %s\n", root.string().c_str());
        return 1;
    }
    return 0;
}
