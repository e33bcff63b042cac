#include "texture/mip_levels.h"

std::size_t MipStride(std::int32_t width, std::int32_t bitsPerPixel) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel / 8) + 3) /
           4 * 4;
}

MipLevel CopyToLevel0(const BitmapImage& source) {
    MipLevel level;
    level.width = source.width;
    level.height = source.height;
    if (source.bitsPerPixel == 24) {
        level.bitmap = source.pixels; // same row length, zero padding
        return level;
    }
    const std::size_t stride = MipStride(source.width, 24);
    level.bitmap.assign(stride * static_cast<std::size_t>(source.height), 0);
    const std::size_t sourceStride = MipStride(source.width, 8);
    for (std::int32_t y = 0; y < source.height; ++y) {
        const std::uint8_t* in = source.pixels.data() + static_cast<std::size_t>(y) * sourceStride;
        std::uint8_t* out = level.bits() + static_cast<std::size_t>(y) * stride;
        for (std::int32_t x = 0; x < source.width; ++x) {
            const std::uint8_t* entry = &source.colourTable[4u * in[x]];
            out[0] = entry[0];
            out[1] = entry[1];
            out[2] = entry[2];
            out += 3;
        }
    }
    return level;
}

namespace {

// A level from its blocks' channel sums (3 per pixel), each divided by the
// block's pixel count 4^i (a shift: sums are unsigned).
MipLevel LevelFromSums(const std::vector<std::uint32_t>& sums, std::int32_t width,
                       std::int32_t height, int level) {
    MipLevel result;
    result.width = width;
    result.height = height;
    const std::size_t stride = MipStride(width, 24);
    result.bitmap.assign(stride * static_cast<std::size_t>(height), 0);
    const int shift = 2 * level;
    const std::uint32_t* sum = sums.data();
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* out = result.bits() + static_cast<std::size_t>(y) * stride;
        for (std::size_t i = 0; i < 3 * static_cast<std::size_t>(width); ++i) {
            out[i] = static_cast<std::uint8_t>(sum[i] >> shift);
        }
        sum += 3 * static_cast<std::size_t>(width);
    }
    return result;
}

} // namespace

MipLevelSet BuildMipLevels(const BitmapImage& source, std::int32_t levelCount,
                           std::int32_t bitsPerPixel) {
    MipLevelSet set;
    set.levelCount = levelCount;
    set.bitsPerPixel = bitsPerPixel;
    if (levelCount < 1) {
        set.levelCount = 0;
        return set;
    }
    set.levels.reserve(static_cast<std::size_t>(levelCount));
    set.levels.push_back(CopyToLevel0(source));
    if (levelCount < 2) {
        return set;
    }

    // Level 1 sums straight from level 0. Sums stay far below 2^32: a block
    // of 4^i pixels sums to at most 255 x 4^i, and the pixel limit of a
    // bitmap keeps i below 14.
    const MipLevel& base = set.levels[0];
    const std::size_t baseStride = MipStride(base.width, 24);
    std::int32_t w = base.width / 2;
    std::int32_t h = base.height / 2;
    std::vector<std::uint32_t> sums(3 * static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    std::uint32_t* sum = sums.data();
    for (std::int32_t y = 0; y < h; ++y) {
        const std::uint8_t* top = base.bits() + static_cast<std::size_t>(2 * y) * baseStride;
        const std::uint8_t* bottom = top + baseStride;
        for (std::int32_t x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c) {
                *sum++ = static_cast<std::uint32_t>(top[c]) + top[3 + c] + bottom[c] + bottom[3 + c];
            }
            top += 6;
            bottom += 6;
        }
    }
    set.levels.push_back(LevelFromSums(sums, w, h, 1));

    for (int level = 2; level < levelCount; ++level) {
        const std::int32_t nw = w / 2;
        const std::int32_t nh = h / 2;
        std::vector<std::uint32_t> next(3 * static_cast<std::size_t>(nw) * static_cast<std::size_t>(nh));
        const std::size_t rowSums = 3 * static_cast<std::size_t>(w);
        std::uint32_t* out = next.data();
        for (std::int32_t y = 0; y < nh; ++y) {
            const std::uint32_t* top = sums.data() + static_cast<std::size_t>(2 * y) * rowSums;
            const std::uint32_t* bottom = top + rowSums;
            for (std::int32_t x = 0; x < nw; ++x) {
                for (int c = 0; c < 3; ++c) {
                    *out++ = top[c] + top[3 + c] + bottom[c] + bottom[3 + c];
                }
                top += 6;
                bottom += 6;
            }
        }
        sums.swap(next);
        w = nw;
        h = nh;
        set.levels.push_back(LevelFromSums(sums, w, h, level));
    }
    return set;
}
