// Reading Windows bitmaps: every header size, row order and depth, run-length
// data, and a clear refusal of anything malformed.
#include "texture/bmp_reader.h"

#include "builders/bmp_builder.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// Reads the bytes both from memory and as a file: the two readers must agree.
std::optional<BitmapImage> Read(const Bytes& bytes) {
    std::optional<BitmapImage> fromMemory = ReadBitmap(bytes.data(), bytes.size());
    ScratchFolder folder;
    WriteBytes(folder.File("f.bmp"), bytes);
    const std::optional<BitmapImage> fromFile = ReadBitmapFile(folder.File("f.bmp").c_str());
    EXPECT_EQ(fromMemory.has_value(), fromFile.has_value()) << "the file reader agrees";
    if (fromMemory && fromFile) {
        EXPECT_EQ(fromMemory->pixels, fromFile->pixels) << "the file reader agrees";
    }
    return fromMemory;
}

void ExpectPicture(const TestBitmap& b, const std::string& what) {
    const std::optional<BitmapImage> image = Read(BuildBmp(b));
    ASSERT_TRUE(image.has_value()) << what;
    const BitmapImage expected = ImageOf(b);
    EXPECT_EQ(std::tie(image->width, image->height, image->bitsPerPixel),
              std::tie(expected.width, expected.height, expected.bitsPerPixel))
        << what;
    EXPECT_EQ(image->pixels, expected.pixels) << what << ": top row first, rows padded to 4";
    EXPECT_EQ(image->colourTable, expected.colourTable) << what;
}

TEST(ReadBitmap, EveryHeaderSizeBothRowOrdersAndBothDepths) {
    for (std::uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u}) {
        for (bool topDown : {false, true}) {
            for (int width : {5, 8}) { // width 5: rows padded in the file and in memory
                for (TestBitmap b : {Plain8(width, 3), Plain24(width, 3)}) {
                    b.headerSize = header;
                    b.topDown = topDown && header != 12; // the core header's height is unsigned
                    b.gap = width == 5 && header != 12 ? 37 : 0; // pixels found by the offset
                    ExpectPicture(b, "header " + std::to_string(header) + " top-down " +
                                         std::to_string(b.topDown) + " width " +
                                         std::to_string(width) + " bits " +
                                         std::to_string(b.bitsPerPixel));
                }
            }
        }
    }
}

TEST(ReadBitmap, ShortColourTablesReadBlackBeyondTheirEnd) {
    TestBitmap b = Plain8(16, 2);
    b.tableEntries = b.colorsUsed = 16;
    ExpectPicture(b, "16 entries counted");
    // A core header has no count: its table is whatever lies before the pixels.
    TestBitmap core = Plain8(4, 2);
    core.headerSize = 12;
    core.tableEntries = 2;
    ExpectPicture(core, "2 entries in a core header");
}

Bytes Rle(int width, int height, Bytes encoded, bool topDown = false) {
    TestBitmap b = Plain8(width, height);
    b.compression = 1;
    b.topDown = topDown;
    b.encoded = std::move(encoded);
    return BuildBmp(b);
}

TEST(ReadBitmap, RunLengthEncodedEightBit) {
    // 6 x 3, bottom row first: "run 3 of 7, literal 9 8 7 (padded), end of
    // row"; "delta right 2 up 0, run 2 of 5, end of row"; "literal 1 2 3 4 5
    // 6", end of picture.
    TestBitmap b = Plain8(6, 3);
    b.compression = 1;
    b.encoded = {3, 7, 0, 3, 9, 8, 7, 0, 0, 0, 0, 2, 2, 0,
                 2, 5, 0, 0, 0, 6, 1, 2, 3, 4, 5, 6, 0, 1};
    EXPECT_EQ(Read(BuildBmp(b))->pixels, (Bytes{1, 2, 3, 4, 5, 6, 0, 0, // top row, padded to 8
                                                0, 0, 5, 5, 0, 0, 0, 0, // skipped pixels: index 0
                                                7, 7, 7, 9, 8, 7, 0, 0}));
    b.encoded = {2, 4, 0, 1}; // end of picture early: the rest stays index 0
    EXPECT_EQ(Read(BuildBmp(b))->pixels, (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, //
                                                4, 4, 0, 0, 0, 0, 0, 0}));
    TestBitmap one = Plain8(4, 1);
    one.compression = 1;
    one.encoded = {4, 9, 0, 0, 0, 1}; // an end of row after the last row, as encoders write it
    EXPECT_EQ(Read(BuildBmp(one)).value_or(BitmapImage{}).pixels, (Bytes{9, 9, 9, 9}))
        << "an end of row after the last row, then the end of picture, is read";
    // A delta to the end of the row, then an end of row: the bottom row left
    // as index 0.
    EXPECT_EQ(Read(Rle(4, 2, {0, 2, 4, 0, 0, 0, 4, 7, 0, 1})).value_or(BitmapImage{}).pixels,
              (Bytes{7, 7, 7, 7, 0, 0, 0, 0}));
}

// The bytes with a little-endian field of `size` bytes at `offset` changed.
Bytes With(Bytes bytes, std::size_t offset, std::uint32_t value, int size = 4) {
    Bytes field;
    PutLe(field, value, size);
    std::copy(field.begin(), field.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return bytes;
}

TEST(ReadBitmap, MalformedFilesAreRefused) {
    const Bytes good = BuildBmp(Plain24(4, 4));
    const Bytes good8 = BuildBmp(Plain8(4, 4));
    TestBitmap bitFields8 = Plain8(4, 4);
    bitFields8.compression = 3;
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"file header only", Bytes(good.begin(), good.begin() + 14)},
        {"not BM", With(good, 0, 0x4D42 ^ 0x0101, 2)},
        {"info header cut", Bytes(good.begin(), good.begin() + 40)},
        {"header size 41", With(good, 14, 41)},
        {"header size 0", With(good, 14, 0)},
        {"pixels cut short", Bytes(good.begin(), good.end() - 1)},
        {"width 0", With(good, 18, 0)},
        {"height 0", With(good, 22, 0)},
        {"width negative", With(good, 18, static_cast<std::uint32_t>(-4))},
        {"height INT_MIN", With(good, 22, 0x80000000u)},
        {"side over the limit", With(good, 18, 1u << 16)},
        {"width x height overflowing", With(With(good, 18, 0x7FFFFFFF), 22, 0x7FFFFFFF)},
        {"absurd pixel count", With(With(good, 18, 1u << 15), 22, 1u << 15)},
        {"planes 2", With(good, 26, 2, 2)},
        {"depth 0", With(good, 28, 0, 2)},
        {"depth 7", With(good, 28, 7, 2)},
        {"24-bit run-length", With(good, 30, 1)},
        {"8-bit bit fields", BuildBmp(bitFields8)},
        {"compression 4 (embedded picture)", With(good, 30, 4)},
        {"offset past the end", With(good, 10, static_cast<std::uint32_t>(good.size() + 1))},
        {"offset inside the header", With(good, 10, 40)},
        {"offset far away", With(good, 10, 0xFFFFFFF0u)},
        {"more than 256 colours", With(good8, 46, 257)},
        {"table overlapping the pixels", With(good8, 10, 54 + 1020)},
        {"top-down run-length", Rle(4, 1, {4, 1, 0, 1}, true)},
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
    ASSERT_TRUE(Read(good) && Read(good8)) << "the unchanged files are read";
    for (const auto& [what, bytes] : cases) {
        EXPECT_FALSE(Read(bytes).has_value()) << what << " is refused";
    }
}

} // namespace
