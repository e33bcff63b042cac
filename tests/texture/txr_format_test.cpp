// The TXR header: which headers are readable, and the file size they imply.
#include "texture/txr_format.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(TxrFormat, FileSizesAndLevelCountsOfTheDocumentedExamples) {
    EXPECT_EQ(TxrFileSize({64, 64, 8, 6}), 6504u) << "8-bit 64 x 64, 6 levels";
    EXPECT_EQ(TxrFileSize({64, 64, 24, 6}), 16400u) << "24-bit 64 x 64, 6 levels";
    EXPECT_EQ(TxrFileSize({64, 32, 24, 5}), 16u + 6144 + 1536 + 384 + 96 + 24) << "4 x 2 last";
    EXPECT_EQ(TxrFileSize({2, 2, 8, 1}), 1048u) << "a 2-pixel row is padded to 4 bytes";
    EXPECT_EQ(TxrLevel0End({64, 32, 24, 5}), 16u + 6144);
    const std::pair<std::pair<int, int>, int> counts[] = {
        {{256, 256}, 8}, {{128, 64}, 6}, {{32, 8}, 3}, {{2, 2}, 1}, {{2, 1024}, 1}};
    for (const auto& [sides, levels] : counts) {
        EXPECT_EQ(TxrMaxLevelCount(sides.first, sides.second), levels)
            << sides.first << " x " << sides.second << ": the shorter side ends at 2";
    }
}

TEST(TxrFormat, ReadableHeadersHaveDepth8Or24AndPowerOfTwoSidesOfAtLeast2) {
    for (const TxrHeader& good :
         {TxrHeader{2, 2, 8, 1}, TxrHeader{1024, 2, 24, 0}, TxrHeader{kMaxTxrSide, 2, 24, 1}}) {
        EXPECT_TRUE(IsReadableTxrHeader(good)) << good.width << " x " << good.height;
    }
    for (const TxrHeader& bad :
         {TxrHeader{64, 64, 16, 1}, TxrHeader{64, 64, 32, 1}, TxrHeader{64, 64, 0, 1},
          TxrHeader{1, 64, 24, 1}, TxrHeader{0, 64, 24, 1}, TxrHeader{-64, 64, 24, 1},
          TxrHeader{48, 64, 24, 1}, TxrHeader{64, 3, 8, 1}, TxrHeader{INT32_MIN, 2, 8, 1},
          TxrHeader{kMaxTxrSide * 2, 2, 8, 1}}) {
        EXPECT_FALSE(IsReadableTxrHeader(bad))
            << bad.width << " x " << bad.height << " at " << bad.bitsPerPixel << " is refused";
    }
}

} // namespace
