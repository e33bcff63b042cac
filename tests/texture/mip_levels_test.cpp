#include "texture/mip_levels.h"

#include "support/bmp_builder.h"
#include "support/literal_texture.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A 24-bit picture whose blue channel is given; green and red are zero.
BitmapImage BluePicture(int width, int height, const std::vector<std::uint8_t>& blue) {
    TestBitmap b = Plain24(width, height);
    b.pixel = [&blue, width](int x, int y, int c) {
        return c == 0 ? blue[static_cast<std::size_t>(y * width + x)] : std::uint8_t{0};
    };
    return ImageOf(b);
}

TEST(BuildMipLevels, TruncatedMeansOfBlocksOfLevelZero) {
    // Level 1: a block of blue 0, 1, 1, 1 gives 0 (3 / 4 truncated).
    // Level 2: the four 2 x 2 quarters sum to 7, 7, 7 and 3: 24 / 16 gives 1,
    // while a mean of the level-1 pixels (1, 1, 1, 0) would give 0.
    const std::vector<std::uint8_t> blue = {2, 2, 2, 2, //
                                            2, 1, 1, 2, //
                                            2, 1, 0, 1, //
                                            2, 2, 1, 1};
    const BitmapImage picture = BluePicture(4, 4, blue);
    const MipLevelSet set = BuildMipLevels(picture, 2, 24);
    ASSERT_EQ(set.levels.size(), 2u);
    EXPECT_EQ(set.levels[1].bits()[0], 1);     // 7 / 4
    EXPECT_EQ(set.levels[1].bits()[3 * 1], 1); // 7 / 4
    EXPECT_EQ(set.levels[1].bits()[8], 1);     // next row (stride 8): 7 / 4
    EXPECT_EQ(set.levels[1].bits()[8 + 3], 0); // 3 / 4

    std::vector<std::uint8_t> eight(64, 0);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            eight[static_cast<std::size_t>(y * 8 + x)] =
                blue[static_cast<std::size_t>((y % 4) * 4 + x % 4)];
        }
    }
    const BitmapImage eightPicture = BluePicture(8, 8, eight);
    const MipLevelSet deep = BuildMipLevels(eightPicture, 3, 24);
    EXPECT_EQ(deep.levels[2].bits()[0], 1);
    EXPECT_EQ(deep.levels[2].width, 2);
    EXPECT_EQ(deep.levels[2].bitmap.size(), 16u); // rows of 8 bytes, 2 of padding
    EXPECT_EQ(deep.levels[2].bits()[6], 0);
    EXPECT_EQ(deep.levels[2].bits()[7], 0);
}

TEST(BuildMipLevels, SixtyFourSquareGivesSixLevelsAndLevelThreeDividesBySixtyFour) {
    // Each 8 x 8 block sums to 64 x k + 63: level 3 holds k.
    std::vector<std::uint8_t> blue(64 * 64, 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int k = (y / 8) * 8 + x / 8;
            blue[static_cast<std::size_t>(y * 64 + x)] = static_cast<std::uint8_t>(
                k + ((x % 8 == 0 && y % 8 < 7) || (x % 8 == 1 && y % 8 < 7) ? 1 : 0) +
                (x % 8 == 2 && y % 8 < 7 ? 7 : 0));
        }
    }
    // Per block: 14 pixels with +1 and 7 with +7 make +63.
    const BitmapImage picture = BluePicture(64, 64, blue);
    const MipLevelSet set = BuildMipLevels(picture, 6, 24);
    ASSERT_EQ(set.levels.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(set.levels[static_cast<std::size_t>(i)].width, 64 >> i);
        EXPECT_EQ(set.levels[static_cast<std::size_t>(i)].height, 64 >> i);
    }
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(set.levels[3].bits()[static_cast<std::size_t>(y * 24 + 3 * x)], y * 8 + x);
        }
    }
}

TEST(BuildMipLevels, AgreesWithTheBlockByBlockReduction) {
    std::mt19937 random(7);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{
             {2, 2}, {4, 2}, {2, 16}, {32, 8}, {64, 64}, {256, 32}, {128, 256}}) {
        TestBitmap b = Plain24(w, h);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(w * h * 3));
        for (auto& v : bytes) {
            v = static_cast<std::uint8_t>(random() % 4 == 0 ? 255 : random());
        }
        b.pixel = [&bytes, w](int x, int y, int c) {
            return bytes[static_cast<std::size_t>((y * w + x) * 3 + c)];
        };
        const BitmapImage image = ImageOf(b);
        int n = 0;
        while ((2 << n) <= w && (2 << n) <= h) {
            ++n;
        }
        const MipLevelSet set = BuildMipLevels(image, n, 24);
        const std::vector<literal::Level> expected = literal::Levels(image, n);
        ASSERT_EQ(set.levels.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const MipLevel& level = set.levels[i];
            const Bytes bytes(level.bits(),
                              level.bits() + MipStride(level.width, 24) *
                                                 static_cast<std::size_t>(level.height));
            ASSERT_EQ(bytes, expected[i].bits) << w << "x" << h << " level " << i;
        }
    }
}

} // namespace
