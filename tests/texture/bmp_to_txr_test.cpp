// BMP -> TXR: the refusals in their order, and the written texture against
// the literal algorithms on generated pictures.
#include "texture/bmp_to_txr.h"

#include "builders/bmp_builder.h"
#include "support/scratch.h"
#include "support/literal_texture.h"
#include "texture/txr_format.h"
#include "texture/txr_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <tuple>

namespace {

struct Outcome {
    bool result = false;
    std::string printed;
};

Outcome Convert(const std::string& input, const std::string& output) {
    testing::internal::CaptureStdout();
    const bool result = ConvertBmpToTxr(input.c_str(), output.c_str());
    return {result, testing::internal::GetCapturedStdout()};
}

TEST(ConvertBmpToTxr, RefusalsInTheirOrderPrintTheirLinesAndWriteNothing) {
    const char* notBmp = "  is not a BMP or DIB file\n";
    const char* unreadable = "  failed at reading bitmap file\n";
    const char* depth =
        "  bitmap does not correspond to color number\n  bitmap must be 256 or 24bit colors\n";
    const char* size = "  Length & width must be power of 2(64,128etc)\n";
    const char* notWritten = "  couldn't be drawn up\n";
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path() / "adir");
    auto bitmap = [](std::uint16_t bits, int w, int h, std::uint32_t compression = 0,
                     std::uint32_t header = 40, Bytes encoded = {}) {
        TestBitmap b = bits == 8 ? Plain8(w, h) : Plain24(w, h);
        b.bitsPerPixel = bits;
        b.tableEntries = bits < 8 ? 1u << bits : b.tableEntries;
        b.compression = compression;
        b.headerSize = header;
        b.encoded = std::move(encoded);
        return BuildBmp(b);
    };
    const std::string longName(300, 'x');
    // Input, its bytes (none: no such file), output, the lines printed. Every
    // depth the reader takes but the conversion refuses, in every header.
    const std::tuple<std::string, Bytes, std::string, const char*> cases[] = {
        {"good.jpg", bitmap(24, 4, 4), "keep.txr", notBmp},
        {"pic.bmp.txt", bitmap(24, 4, 4), "keep.txr", notBmp},
        {"missing.jpg", {}, "keep.txr", notBmp}, // the name is checked before the file
        {"adir", {}, "keep.txr", notBmp},
        {"text.bmp", {'h', 'e', 'l', 'l', 'o'}, "keep.txr", unreadable},
        {"missing.bmp", {}, "keep.txr", unreadable},
        {"four.bmp", bitmap(4, 48, 4), "keep.txr", depth}, // depth before size
        {"core4.bmp", bitmap(4, 4, 4, 0, 12), "keep.txr", depth},
        {"rle4.bmp", bitmap(4, 4, 2, 2, 40, {4, 0x12, 0, 0, 4, 0x34, 0, 1}), "keep.txr", depth},
        {"sixteen.dib", bitmap(16, 4, 4), "keep.txr", depth},
        {"fields16.bmp", bitmap(16, 4, 4, 3, 56), "keep.txr", depth},
        {"thirtytwo.bmp", bitmap(32, 4, 4, 3), "keep.txr", depth},
        {"alpha32.bmp", bitmap(32, 4, 4, 6), "keep.txr", depth},
        {"v5.bmp", bitmap(32, 4, 4, 3, 124), "keep.txr", depth},
        {"one.bmp", bitmap(1, 8, 8), "keep.txr", depth},
        {"narrow.bmp", bitmap(24, 1, 4), "keep.txr", size},
        {"tall.bmp", bitmap(8, 4, 48), "missing/out.txr", size}, // the size before the output
        {"wide.bmp", bitmap(8, 3, 2), "keep.txr", size},
        {"fine.bmp", bitmap(24, 4, 4), "missing/out.txr", notWritten},
        {"fine.bmp", bitmap(24, 4, 4), "adir", notWritten},
        {longName + ".bmp", {}, "out.txr", ""}, // names over 259 characters: refused first
        {"fine.bmp", bitmap(24, 4, 4), longName + ".txr", ""},
    };
    for (const auto& [input, bytes, output, printed] : cases) {
        if (!bytes.empty()) {
            WriteBytes(folder.File(input), bytes);
        }
    }
    WriteBytes(folder.File("keep.txr"), Bytes{'k', 'e', 'e', 'p'});
    const std::vector<std::string> before = folder.Entries();
    for (const auto& [input, bytes, output, printed] : cases) {
        const Outcome outcome = Convert(folder.File(input), folder.File(output));
        EXPECT_FALSE(outcome.result) << input.substr(0, 20) << " -> " << output.substr(0, 20);
        EXPECT_EQ(outcome.printed, printed)
            << input.substr(0, 20) << " -> " << output.substr(0, 20);
    }
    // Bare names shorter than the extension, as typed: refused by their name,
    // nothing read before their first character.
    for (const char* shortName : {"", "p", "mp"}) {
        EXPECT_EQ(Convert(shortName, folder.File("keep.txr")).printed, notBmp) << shortName;
    }
    EXPECT_EQ(folder.Entries(), before) << "no file made";
    EXPECT_EQ(ReadBytes(folder.File("keep.txr")), (Bytes{'k', 'e', 'e', 'p'})) << "none changed";
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / "adir"));
}

TEST(ConvertBmpToTxr, EightBitPaletteIsComputedFromTheLevelsNotCopied) {
    // Colours A (table entry 0: 10, 11, 12) and B (entry 255: 200) on 8 pixels
    // each of level 0 (weight 1 a pixel); level 1 is 4 pixels of their mean M
    // (105, 105, 106), weight 4 a pixel. So M, then A and B in the order met.
    TestBitmap b = Plain8(4, 4);
    b.tableByte = [](int k, int c) {
        return static_cast<std::uint8_t>(k == 0 ? 10 + c : (k == 255 ? 200 : 77));
    };
    b.pixel = [](int x, int, int) { return static_cast<std::uint8_t>(x % 2 == 0 ? 0 : 255); };
    ScratchFolder folder;
    WriteBytes(folder.File("in.bmp"), BuildBmp(b));
    EXPECT_TRUE(Convert(folder.File("in.bmp"), folder.File("out.txr")).result);
    const Bytes txr = ReadBytes(folder.File("out.txr"));
    ASSERT_EQ(txr.size(), 16u + 1024 + 16 + 8) << "two levels: 4 x 4 and 2 x 2";
    const std::uint32_t entries[] = {0, 0x006A6969u, 0x000C0B0Au, 0x00C8C8C8u, 0};
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(Le32At(txr, 16 + 4 * k), entries[k]) << "entry " << k << ": black, M, A, B";
    }
    EXPECT_EQ(Le32At(txr, 16 + 4 * 255), 0x00FFFFFFu) << "entry 255 white";
    EXPECT_EQ(Bytes(txr.begin() + 1040, txr.begin() + 1044), (Bytes{2, 3, 2, 3})) << "A B A B";
    EXPECT_EQ(Bytes(txr.begin() + 1056, txr.end()), (Bytes{1, 1, 0, 0, 1, 1, 0, 0})) << "M";
}

// A random picture of few or many distinct colours, pure and near black and
// white among them; an 8-bit one with a colour table of `tableEntries`.
TestBitmap RandomPicture(std::mt19937& random, int width, int height, int bits, int colours,
                         std::uint32_t tableEntries) {
    TestBitmap b = bits == 8 ? Plain8(width, height) : Plain24(width, height);
    b.tableEntries = b.colorsUsed = bits == 8 ? tableEntries : 0;
    auto table = std::make_shared<std::vector<std::uint8_t>>(1024);
    for (auto& v : *table) {
        v = static_cast<std::uint8_t>(random());
    }
    const std::uint8_t specials[] = {0, 0, 0, 255, 255, 255, 0, 0, 1, 255, 255, 254, 1, 0, 0};
    for (std::size_t i = 0; i < 15; ++i) {
        (*table)[i / 3 * 4 + i % 3] = specials[i];
    }
    auto indices = std::make_shared<std::vector<int>>(static_cast<std::size_t>(width * height));
    for (int& k : *indices) {
        k = static_cast<int>(random() % static_cast<unsigned>(colours));
    }
    b.tableByte = [table](int k, int c) { return (*table)[static_cast<std::size_t>(4 * k + c)]; };
    b.pixel = [=](int x, int y, int c) {
        const int k = (*indices)[static_cast<std::size_t>(y * width + x)];
        return static_cast<std::uint8_t>(
            bits == 8 ? k : (*table)[static_cast<std::size_t>(4 * (k % 256) + c)] ^ (k / 256));
    };
    return b;
}

TEST(ConvertBmpToTxr, AgreesByteForByteWithTheLiteralAlgorithms) {
    std::mt19937 random(2024);
    const struct {
        int width, height, bits, colours;
        std::uint32_t tableEntries;
        const char* name;
    } cases[] = {
        {2, 2, 8, 6, 256, "a.bmp"},       {2, 2, 24, 3, 0, "a.BMP"},
        {4, 2, 8, 256, 256, "a.Dib"},     {2, 8, 24, 7, 0, "abmp"},
        {16, 16, 8, 5, 256, "a.bmp"},     {32, 8, 8, 256, 16, "a.bmp"},
        {64, 32, 24, 40, 0, "a.bmp"},     {32, 32, 24, 1024, 0, "a.bmp"},
        {64, 64, 8, 256, 256, "a.bmp"},   {128, 16, 8, 256, 256, "a.bmp"},
        {256, 32, 24, 300, 0, "a.bmp"},   {16, 256, 8, 256, 256, "a.bmp"},
        {256, 128, 8, 12, 256, "a.bmp"},  {128, 256, 24, 2, 0, "a.bmp"},
        {128, 128, 8, 256, 256, "a.bmp"},
    };
    for (const auto& c : cases) {
        const TestBitmap picture =
            RandomPicture(random, c.width, c.height, c.bits, c.colours, c.tableEntries);
        ScratchFolder folder;
        WriteBytes(folder.File(c.name), BuildBmp(picture));
        const Outcome outcome = Convert(folder.File(c.name), folder.File("out.txr"));
        EXPECT_TRUE(outcome.result && outcome.printed.empty()) << outcome.printed;
        const Bytes expected = literal::Txr(ImageOf(picture));
        const Bytes actual = ReadBytes(folder.File("out.txr"));
        ASSERT_EQ(actual.size(), expected.size()) << c.width << "x" << c.height << " " << c.bits;
        ASSERT_TRUE(actual == expected)
            << c.width << "x" << c.height << " " << c.bits << " bits, " << c.colours
            << " colours: first difference at "
            << (std::mismatch(actual.begin(), actual.end(), expected.begin()).first -
                actual.begin());
        // The same texture in memory, from the picture in 24-bit colour: the
        // 8-bit way is the palette computed from the levels.
        BitmapImage truecolour = ImageOf(picture);
        truecolour.pixels = literal::Levels(truecolour, 1)[0].bits;
        truecolour.bitsPerPixel = 24;
        EXPECT_TRUE(EncodeTxr(truecolour, TxrMaxLevelCount(c.width, c.height), c.bits == 8) ==
                    expected)
            << "in memory: " << c.width << "x" << c.height << " " << c.bits << " bits";
    }
}

TEST(WriteTxr, RefusesArgumentsThatDoNotFitTheBitmap) {
    ScratchFolder folder;
    const BitmapImage picture = ImageOf(Plain24(8, 4));
    const std::string out = folder.File("out.txr");
    EXPECT_FALSE(WriteTxr8(out.c_str(), picture, 8, 4, 2)) << "a 24-bit bitmap";
    EXPECT_FALSE(WriteTxr24(out.c_str(), picture, 8, 8, 2)) << "not the bitmap's size";
    EXPECT_FALSE(WriteTxr24(out.c_str(), picture, 8, 4, 3)) << "levels past a side of 2";
    EXPECT_FALSE(WriteTxr24(out.c_str(), picture, 8, 4, 0)) << "no level";
    EXPECT_TRUE(EncodeTxr(picture, 3, true).empty()) << "levels past a side of 2, in memory";
    EXPECT_TRUE(folder.Entries().empty()) << "nothing written";
    EXPECT_TRUE(WriteTxr24(out.c_str(), picture, 8, 4, 2));
}

} // namespace
