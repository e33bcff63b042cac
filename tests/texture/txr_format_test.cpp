#include "texture/txr_format.h"

#include <gtest/gtest.h>

namespace {

TxrHeader Header(int w, int h, int bpp, int levels) { return TxrHeader{w, h, bpp, levels}; }

TEST(TxrFormat, FileSizesOfTheDocumentedExamples) {
    EXPECT_EQ(TxrFileSize(Header(64, 32, 24, 5)), 8200u);
    EXPECT_EQ(TxrFileSize(Header(64, 64, 8, 6)), 6504u);
    EXPECT_EQ(TxrFileSize(Header(64, 64, 24, 6)), 16400u);
    EXPECT_EQ(TxrFileSize(Header(2, 2, 8, 1)), 1048u);
}

TEST(TxrFormat, OnlyTwoPixelWideRowsCarryPadding) {
    EXPECT_EQ(TxrStride(2, 8), 4u);
    EXPECT_EQ(TxrStride(2, 24), 8u);
    EXPECT_EQ(TxrStride(4, 8), 4u);
    EXPECT_EQ(TxrStride(4, 24), 12u);
    EXPECT_EQ(TxrStride(64, 24), 192u);
    EXPECT_EQ(TxrStride(5, 24), 16u);
}

TEST(TxrFormat, LevelsFollowOneAnotherBehindThePalette) {
    const TxrHeader eight = Header(64, 64, 8, 6);
    EXPECT_EQ(TxrLevelOffset(eight, 0), 1040u);
    EXPECT_EQ(TxrLevelOffset(eight, 1), 1040u + 4096u);
    EXPECT_EQ(TxrLevelBytes(eight, 5), 8u); // 2 x 2, rows 4 bytes apart
    const TxrHeader truecolour = Header(64, 32, 24, 5);
    EXPECT_EQ(TxrLevelOffset(truecolour, 0), 16u);
    EXPECT_EQ(TxrLevelBytes(truecolour, 4), 24u); // 4 x 2
    EXPECT_EQ(TxrLevel0End(truecolour), 16u + 6144u);
}

TEST(TxrFormat, LevelCountStopsAtAShorterSideOfTwo) {
    EXPECT_EQ(TxrMaxLevelCount(256, 256), 8);
    EXPECT_EQ(TxrMaxLevelCount(128, 64), 6);
    EXPECT_EQ(TxrMaxLevelCount(32, 8), 3);
    EXPECT_EQ(TxrMaxLevelCount(2, 2), 1);
    EXPECT_EQ(TxrMaxLevelCount(2, 1024), 1);
}

TEST(TxrFormat, ReadableHeadersHaveDepth8Or24AndPowerOfTwoSides) {
    EXPECT_TRUE(IsReadableTxrHeader(Header(2, 2, 8, 1)));
    EXPECT_TRUE(IsReadableTxrHeader(Header(1024, 2, 24, 0))); // levelCount not consulted
    EXPECT_TRUE(IsReadableTxrHeader(Header(kMaxTxrSide, 2, 24, 1)));
    for (const TxrHeader& bad :
         {Header(64, 64, 16, 1), Header(64, 64, 32, 1), Header(64, 64, 0, 1),
          Header(1, 64, 24, 1), Header(0, 64, 24, 1), Header(-64, 64, 24, 1),
          Header(48, 64, 24, 1), Header(64, 3, 8, 1), Header(INT32_MIN, 2, 8, 1),
          Header(kMaxTxrSide * 2, 2, 8, 1)}) {
        EXPECT_FALSE(IsReadableTxrHeader(bad))
            << bad.width << "x" << bad.height << "@" << bad.bitsPerPixel;
    }
}

TEST(TxrFormat, HeaderRoundTripsLittleEndian) {
    std::uint8_t bytes[16];
    EncodeTxrHeader(Header(0x01020304, -2, 24, 7), bytes);
    EXPECT_EQ(bytes[0], 0x04);
    EXPECT_EQ(bytes[3], 0x01);
    EXPECT_EQ(bytes[4], 0xFE);
    EXPECT_EQ(bytes[7], 0xFF);
    const TxrHeader back = DecodeTxrHeader(bytes);
    EXPECT_EQ(back.width, 0x01020304);
    EXPECT_EQ(back.height, -2);
    EXPECT_EQ(back.bitsPerPixel, 24);
    EXPECT_EQ(back.levelCount, 7);
}

} // namespace
