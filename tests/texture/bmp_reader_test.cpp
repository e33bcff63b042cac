#include "texture/bmp_reader.h"

#include "support/bmp_builder.h"
#include "texture/mip_levels.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Reads the bytes both from memory and as a file: the two readers must agree.
std::optional<BitmapImage> Read(const Bytes& bytes) {
    std::optional<BitmapImage> fromMemory = ReadBitmap(bytes.data(), bytes.size());
    ScratchFolder folder;
    WriteBytes(folder.File("f.bmp"), bytes);
    const std::optional<BitmapImage> fromFile = ReadBitmapFile(folder.File("f.bmp").c_str());
    EXPECT_EQ(fromMemory.has_value(), fromFile.has_value());
    if (fromMemory && fromFile) {
        EXPECT_EQ(fromMemory->width, fromFile->width);
        EXPECT_EQ(fromMemory->height, fromFile->height);
        EXPECT_EQ(fromMemory->bitsPerPixel, fromFile->bitsPerPixel);
        EXPECT_EQ(fromMemory->pixels, fromFile->pixels);
        EXPECT_EQ(fromMemory->colourTable, fromFile->colourTable);
    }
    return fromMemory;
}

void ExpectPicture(const TestBitmap& b, const std::string& what) {
    const std::optional<BitmapImage> image = Read(BuildBmp(b));
    ASSERT_TRUE(image.has_value()) << what;
    const BitmapImage expected = ImageOf(b);
    EXPECT_EQ(image->width, expected.width) << what;
    EXPECT_EQ(image->height, expected.height) << what;
    EXPECT_EQ(image->bitsPerPixel, expected.bitsPerPixel) << what;
    EXPECT_EQ(image->pixels, expected.pixels) << what;
    EXPECT_EQ(image->colourTable, expected.colourTable) << what;
}

TEST(ReadBitmap, EveryHeaderSizeBothRowOrdersAndBothDepths) {
    for (std::uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u}) {
        for (bool topDown : {false, true}) {
            if (header == 12 && topDown) {
                continue; // the core header's height is unsigned
            }
            // Width 5: rows padded in the file and in memory.
            for (int width : {5, 8}) {
                TestBitmap b8 = Plain8(width, 3);
                b8.headerSize = header;
                b8.topDown = topDown;
                ExpectPicture(b8, "8-bit header " + std::to_string(header) + " topDown " +
                                      std::to_string(topDown) + " width " + std::to_string(width));
                TestBitmap b24 = Plain24(width, 3);
                b24.headerSize = header;
                b24.topDown = topDown;
                ExpectPicture(b24, "24-bit header " + std::to_string(header) + " topDown " +
                                       std::to_string(topDown) + " width " + std::to_string(width));
            }
        }
    }
}

TEST(ReadBitmap, TopRowComesFirstWhateverTheFileOrder) {
    TestBitmap b = Plain24(2, 2);
    b.pixel = [](int, int y, int) { return static_cast<std::uint8_t>(y == 0 ? 0x10 : 0x20); };
    const Bytes bottomUp = BuildBmp(b);
    EXPECT_EQ(bottomUp[54], 0x20); // the file's first row is the bottom one
    b.topDown = true;
    const Bytes topDown = BuildBmp(b);
    EXPECT_EQ(topDown[54], 0x10);
    EXPECT_EQ(Read(bottomUp)->pixels[0], 0x10);
    EXPECT_EQ(Read(topDown)->pixels[0], 0x10);
    EXPECT_EQ(Read(bottomUp)->pixels, Read(topDown)->pixels);
}

TEST(ReadBitmap, PixelsAreFoundThroughTheOffsetAndPaddingIsZero) {
    TestBitmap b = Plain24(5, 2);
    b.gap = 37;
    b.trailer = 9;
    ExpectPicture(b, "gap");
    const BitmapImage image = *Read(BuildBmp(b));
    EXPECT_EQ(image.pixels[15], 0); // the file's padding bytes (0xEE) are not kept
    TestBitmap c = Plain8(6, 2);
    c.gap = 2;
    c.headerSize = 108;
    ExpectPicture(c, "gap 8-bit");
}

TEST(ReadBitmap, ShortColourTablesReadBlackBeyondTheirEnd) {
    TestBitmap b = Plain8(16, 2);
    b.tableEntries = 16;
    b.colorsUsed = 16;
    b.pixel = [](int x, int y, int) { return static_cast<std::uint8_t>(y == 0 ? x : 240 + x); };
    const std::optional<BitmapImage> image = Read(BuildBmp(b));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->colourTable, ImageOf(b).colourTable);
    for (std::size_t k = 64; k < 1024; ++k) {
        ASSERT_EQ(image->colourTable[k], 0) << k;
    }
    const MipLevel level = CopyToLevel0(*image);
    EXPECT_EQ(level.bits()[3 * 15], ImageOf(b).colourTable[4 * 15]);
    for (int x = 0; x < 16; ++x) { // second row: indices 240..255, past the table
        EXPECT_EQ(level.bits()[48 + 3 * x], 0);
        EXPECT_EQ(level.bits()[48 + 3 * x + 2], 0);
    }
    // A core header has no count: its table is whatever lies before the pixels.
    TestBitmap core = Plain8(4, 2);
    core.headerSize = 12;
    core.tableEntries = 2;
    core.pixel = [](int x, int, int) { return static_cast<std::uint8_t>(x); };
    const BitmapImage coreImage = *Read(BuildBmp(core));
    EXPECT_EQ(coreImage.colourTable[4], ImageOf(core).colourTable[4]);
    EXPECT_EQ(coreImage.colourTable[8], 0);
}

TEST(ReadBitmap, RunLengthEncodedEightBit) {
    // 6 x 3, bottom row first: row 2 (bottom) "run 3 of 7, literal 9 8 7 (padded),
    // end of row"; row 1 "delta right 2 up 0, run 2 of 5, end of row"; row 0
    // "literal 1 2 3 4 5 6" then end of picture.
    TestBitmap b = Plain8(6, 3);
    b.compression = 1;
    b.encoded = {3, 7, 0, 3, 9, 8, 7, 0, 0, 0, 0, 2, 2, 0,
                 2, 5, 0, 0, 0, 6, 1, 2, 3, 4, 5, 6, 0, 1};
    const std::optional<BitmapImage> image = Read(BuildBmp(b));
    ASSERT_TRUE(image.has_value());
    const Bytes expected = {1, 2, 3, 4, 5, 6, 0, 0, // top row, padded to 8
                            0, 0, 5, 5, 0, 0, 0, 0, // skipped pixels read index 0
                            7, 7, 7, 9, 8, 7, 0, 0};
    EXPECT_EQ(image->pixels, expected);
    // End of picture early: the rest stays index 0.
    b.encoded = {2, 4, 0, 1};
    EXPECT_EQ(Read(BuildBmp(b))->pixels[16], 4);
    EXPECT_EQ(Read(BuildBmp(b))->pixels[0], 0);
}

TEST(ReadBitmap, OtherDepthsAreReadForTheirDepthOnly) {
    struct Case {
        std::uint16_t bits;
        std::uint32_t header;
        std::uint32_t compression;
        std::uint32_t table;
    };
    for (const Case c : {Case{1, 40, 0, 2}, Case{4, 40, 0, 16}, Case{4, 12, 0, 16},
                         Case{16, 40, 0, 0}, Case{16, 40, 3, 0}, Case{16, 56, 3, 0},
                         Case{32, 40, 0, 0}, Case{32, 40, 6, 0}, Case{32, 124, 3, 0}}) {
        TestBitmap b = Plain24(48, 5);
        b.bitsPerPixel = c.bits;
        b.headerSize = c.header;
        b.compression = c.compression;
        b.tableEntries = c.table;
        const std::optional<BitmapImage> image = Read(BuildBmp(b));
        ASSERT_TRUE(image.has_value()) << c.bits << " " << c.header;
        EXPECT_EQ(image->bitsPerPixel, c.bits);
        EXPECT_EQ(image->width, 48);
        EXPECT_EQ(image->height, 5);
        EXPECT_TRUE(image->pixels.empty());
    }
    TestBitmap rle4 = Plain24(8, 2);
    rle4.bitsPerPixel = 4;
    rle4.compression = 2;
    rle4.tableEntries = 16;
    rle4.encoded = {8, 0x12, 0, 0, 8, 0x34, 0, 1};
    EXPECT_EQ(Read(BuildBmp(rle4))->bitsPerPixel, 4);
}

// Patches a little-endian 32-bit field.
Bytes With32(Bytes bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return bytes;
}

Bytes With16(Bytes bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    return bytes;
}

Bytes Rle(int width, int height, Bytes encoded) {
    TestBitmap b = Plain8(width, height);
    b.compression = 1;
    b.encoded = std::move(encoded);
    return BuildBmp(b);
}

TEST(ReadBitmap, MalformedFilesAreRefused) {
    const Bytes good = BuildBmp(Plain24(4, 4));
    const Bytes good8 = BuildBmp(Plain8(4, 4));
    ASSERT_TRUE(Read(good).has_value());
    ASSERT_TRUE(Read(good8).has_value());
    TestBitmap topDownRle = Plain8(4, 1);
    topDownRle.compression = 1;
    topDownRle.topDown = true;
    topDownRle.encoded = {4, 1, 0, 1};
    TestBitmap bitFields8 = Plain8(4, 4);
    bitFields8.compression = 3;
    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"empty", {}},
        {"file header only", Bytes(good.begin(), good.begin() + 14)},
        {"not BM", With16(good, 0, 0x4D42 ^ 0x0101)},
        {"info header cut", Bytes(good.begin(), good.begin() + 40)},
        {"header size 41", With32(good, 14, 41)},
        {"header size 0", With32(good, 14, 0)},
        {"pixels cut short", Bytes(good.begin(), good.end() - 1)},
        {"width 0", With32(good, 18, 0)},
        {"height 0", With32(good, 22, 0)},
        {"width negative", With32(good, 18, static_cast<std::uint32_t>(-4))},
        {"height INT_MIN", With32(good, 22, 0x80000000u)},
        {"side over the limit", With32(good, 18, 1u << 16)},
        {"width x height overflowing", With32(With32(good, 18, 0x7FFFFFFF), 22, 0x7FFFFFFF)},
        {"absurd pixel count", With32(With32(good, 18, 1u << 15), 22, 1u << 15)},
        {"planes 2", With16(good, 26, 2)},
        {"depth 0", With16(good, 28, 0)},
        {"depth 7", With16(good, 28, 7)},
        {"24-bit run-length", With32(good, 30, 1)},
        {"8-bit bit fields", BuildBmp(bitFields8)},
        {"compression 4 (embedded picture)", With32(good, 30, 4)},
        {"offset past the end", With32(good, 10, static_cast<std::uint32_t>(good.size() + 1))},
        {"offset inside the header", With32(good, 10, 40)},
        {"offset far away", With32(good, 10, 0xFFFFFFF0u)},
        {"more than 256 colours", With32(good8, 46, 257)},
        {"table overlapping the pixels", With32(good8, 10, 54 + 1020)},
        {"top-down run-length", BuildBmp(topDownRle)},
        {"run past the row", Rle(4, 2, {5, 1, 0, 1})},
        {"runs past the row", Rle(4, 2, {3, 1, 2, 1, 0, 1})},
        {"literal past the row", Rle(4, 2, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1})},
        {"run past the last row", Rle(4, 1, {4, 1, 0, 0, 1, 1, 0, 1})},
        {"end of row past the last row", Rle(4, 1, {0, 0, 0, 0, 0, 1})},
        {"delta past the picture", Rle(4, 2, {0, 2, 5, 0, 0, 1})},
        {"delta above the picture", Rle(4, 2, {0, 2, 0, 3, 0, 1})},
        {"delta cut short", Rle(4, 2, {0, 2, 1})},
        {"literal cut short", Rle(4, 2, {0, 4, 1, 2, 3})},
        {"literal padding missing", Rle(4, 2, {0, 3, 1, 2, 3})},
        {"no end of picture", Rle(4, 1, {4, 1, 0, 0})},
        {"odd byte at the end", Rle(4, 1, {4, 1, 0})},
        {"no run-length data", Rle(4, 1, {})},
    };
    for (const auto& [what, bytes] : cases) {
        EXPECT_FALSE(Read(bytes).has_value()) << what;
    }
}

TEST(ReadBitmapFile, ReadsTheWholeFileAndRefusesMissingOnes) {
    ScratchFolder folder;
    const TestBitmap b = Plain24(4, 2);
    WriteBytes(folder.File("a.bmp"), BuildBmp(b));
    EXPECT_EQ(ReadBitmapFile(folder.File("a.bmp").c_str())->pixels, ImageOf(b).pixels);
    EXPECT_FALSE(ReadBitmapFile(folder.File("none.bmp").c_str()).has_value());
    EXPECT_FALSE(ReadBitmapFile(folder.Path().string().c_str()).has_value());
}

} // namespace
