#include "texture/mip_levels.h"

MipLevel CopyToLevel0(const BitmapImage& source) {
    MipLevel level;
    level.width = source.width;
    level.height = source.height;
    if (source.bitsPerPixel == 24) {
        level.bitmap = source.pixels; // same row length, zero padding
        return level;
    }
    const std::size_t stride = BitmapStride(source.width, 24);
    level.bitmap.assign(stride * static_cast<std::size_t>(source.height), 0);
    const std::size_t sourceStride = BitmapStride(source.width, 8);
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

// Builds levels 1 to n - 1 from rows of block sums (three per pixel: blue,
// green, red). A block of 4^i pixels sums to at most 255 x 4^i, far below
// 2^32 for every level a bitmap within the pixel limit can have.
class LevelPyramid {
  public:
    explicit LevelPyramid(MipLevelSet& set) : set_(set) {
        const std::size_t n = set.levels.size();
        upper_.resize(n);
        scratch_.resize(n);
        for (std::size_t i = 1; i < n; ++i) {
            const std::size_t sums = 3 * static_cast<std::size_t>(set.levels[i].width);
            upper_[i].resize(sums);
            scratch_[i].resize(sums);
        }
    }

    // Row y of level 1 from rows 2y and 2y + 1 of level 0.
    void AddLevel0RowPair(std::int32_t y) {
        const MipLevel& base = set_.levels[0];
        const std::size_t stride = BitmapStride(base.width, 24);
        const std::uint8_t* top = base.bits() + static_cast<std::size_t>(2 * y) * stride;
        const std::uint8_t* bottom = top + stride;
        std::uint32_t* sum = scratch_[1].data();
        const std::size_t count = scratch_[1].size();
        for (std::size_t k = 0; k < count; k += 3) {
            for (std::size_t c = 0; c < 3; ++c) {
                sum[k + c] = static_cast<std::uint32_t>(top[2 * k + c]) + top[2 * k + 3 + c] +
                             bottom[2 * k + c] + bottom[2 * k + 3 + c];
            }
        }
        EmitRow(1, y);
    }

  private:
    // Row y of level i from its sums in scratch_[i]; every second row
    // completes a row pair, which gives a row of the next level.
    void EmitRow(std::size_t level, std::int32_t y) {
        MipLevel& target = set_.levels[level];
        const std::uint32_t* sums = scratch_[level].data();
        std::uint8_t* out =
            target.bits() + static_cast<std::size_t>(y) * BitmapStride(target.width, 24);
        const int shift = static_cast<int>(2 * level); // divide by 4^i, truncating
        const std::size_t count = scratch_[level].size();
        for (std::size_t k = 0; k < count; ++k) {
            out[k] = static_cast<std::uint8_t>(sums[k] >> shift);
        }
        if (level + 1 >= set_.levels.size()) {
            return;
        }
        if (y % 2 == 0) {
            upper_[level].swap(scratch_[level]);
            return;
        }
        const std::uint32_t* top = upper_[level].data();
        const std::uint32_t* bottom = sums;
        std::uint32_t* next = scratch_[level + 1].data();
        const std::size_t nextCount = scratch_[level + 1].size();
        for (std::size_t k = 0; k < nextCount; k += 3) {
            for (std::size_t c = 0; c < 3; ++c) {
                next[k + c] =
                    top[2 * k + c] + top[2 * k + 3 + c] + bottom[2 * k + c] + bottom[2 * k + 3 + c];
            }
        }
        EmitRow(level + 1, y / 2);
    }

    MipLevelSet& set_;
    std::vector<std::vector<std::uint32_t>> upper_;   // per level: sums of the pair's upper row
    std::vector<std::vector<std::uint32_t>> scratch_; // per level: sums of the row in hand
};

} // namespace

MipLevelSet BuildMipLevels(const BitmapImage& source, std::int32_t levelCount,
                           std::int32_t bitsPerPixel) {
    MipLevelSet set;
    set.levelCount = levelCount < 1 ? 0 : levelCount;
    set.bitsPerPixel = bitsPerPixel;
    if (levelCount < 1) {
        return set;
    }
    set.levels.resize(static_cast<std::size_t>(levelCount));
    if (source.bitsPerPixel == 24) {
        MipLevel& level0 = set.levels[0];
        level0.width = source.width;
        level0.height = source.height;
        level0.borrowed = source.pixels.data();
    } else {
        set.levels[0] = CopyToLevel0(source);
    }
    for (std::size_t i = 1; i < set.levels.size(); ++i) {
        MipLevel& level = set.levels[i];
        level.width = source.width >> i;
        level.height = source.height >> i;
        level.bitmap.assign(BitmapStride(level.width, 24) * static_cast<std::size_t>(level.height),
                            0);
    }
    if (levelCount < 2) {
        return set;
    }
    LevelPyramid pyramid(set);
    for (std::int32_t y = 0; y < set.levels[1].height; ++y) {
        pyramid.AddLevel0RowPair(y);
    }
    return set;
}
