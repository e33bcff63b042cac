#include "texture/bmp_to_txr.h"

#include "support/bmp_builder.h"
#include "support/literal_texture.h"
#include "support/txr_builder.h"
#include "texture/txr_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

struct Outcome {
    bool result = false;
    std::string printed;
};

Outcome Convert(const std::string& input, const std::string& output) {
    testing::internal::CaptureStdout();
    Outcome outcome;
    outcome.result = ConvertBmpToTxr(input.c_str(), output.c_str());
    outcome.printed = testing::internal::GetCapturedStdout();
    return outcome;
}

const char* const kNotBmp = "  is not a BMP or DIB file\n";
const char* const kUnreadable = "  failed at reading bitmap file\n";
const char* const kDepth =
    "  bitmap does not correspond to color number\n  bitmap must be 256 or 24bit colors\n";
const char* const kSize = "  Length & width must be power of 2(64,128etc)\n";
const char* const kNotWritten = "  couldn't be drawn up\n";

TEST(EndsWithNoCase, FoldsOnlyTheLettersAToZ) {
    EXPECT_TRUE(EndsWithNoCase("pic.BMP", "bmp"));
    EXPECT_TRUE(EndsWithNoCase("pic.Dib", "dib"));
    EXPECT_TRUE(EndsWithNoCase("picbmp", "bmp")); // no dot needed
    EXPECT_TRUE(EndsWithNoCase("bmp", "BMP"));
    EXPECT_FALSE(EndsWithNoCase("pic.bmp.txt", "bmp"));
    EXPECT_FALSE(EndsWithNoCase("mp", "bmp")); // shorter than the ending
    EXPECT_FALSE(EndsWithNoCase("", "bmp"));
    EXPECT_TRUE(EndsWithNoCase("x", ""));
    EXPECT_FALSE(EndsWithNoCase("a[", "A{")); // '[' and '{' are not letters
    EXPECT_FALSE(EndsWithNoCase("pic.\xC2MP", "\xE2mp"));
}

TEST(ExactLog, ExponentOfExactPowersOnly) {
    EXPECT_EQ(ExactLog(2, 2), 1);
    EXPECT_EQ(ExactLog(64, 2), 6);
    EXPECT_EQ(ExactLog(1 << 30, 2), 30);
    EXPECT_EQ(ExactLog(1, 2), 0);
    EXPECT_EQ(ExactLog(0, 2), 0);
    EXPECT_EQ(ExactLog(-8, 2), 0);
    EXPECT_EQ(ExactLog(48, 2), 0);
    EXPECT_EQ(ExactLog(0x7FFFFFFF, 2), 0);
    EXPECT_EQ(ExactLog(81, 3), 4);
    EXPECT_EQ(ExactLog(8, 1), 0);
}

TEST(ConvertBmpToTxr, RefusalsInTheirOrderPrintTheirLinesAndWriteNothing) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path() / "adir");
    WriteBytes(folder.File("good.jpg"), BuildBmp(Plain24(4, 4)));
    WriteBytes(folder.File("pic.bmp.txt"), BuildBmp(Plain24(4, 4)));
    WriteBytes(folder.File("text.bmp"), Bytes{'h', 'e', 'l', 'l', 'o'});
    TestBitmap four = Plain24(48, 4); // 4-bit and not a power of two: depth first
    four.bitsPerPixel = 4;
    four.tableEntries = 16;
    WriteBytes(folder.File("four.bmp"), BuildBmp(four));
    TestBitmap sixteen = Plain24(4, 4);
    sixteen.bitsPerPixel = 16;
    WriteBytes(folder.File("sixteen.dib"), BuildBmp(sixteen));
    TestBitmap thirtyTwo = Plain24(4, 4);
    thirtyTwo.bitsPerPixel = 32;
    thirtyTwo.compression = 3;
    WriteBytes(folder.File("thirtytwo.bmp"), BuildBmp(thirtyTwo));
    TestBitmap one = Plain24(8, 8);
    one.bitsPerPixel = 1;
    one.tableEntries = 2;
    WriteBytes(folder.File("one.bmp"), BuildBmp(one));
    WriteBytes(folder.File("narrow.bmp"), BuildBmp(Plain24(1, 4)));
    WriteBytes(folder.File("tall.bmp"), BuildBmp(Plain8(4, 48)));
    WriteBytes(folder.File("wide.bmp"), BuildBmp(Plain8(3, 2)));
    WriteBytes(folder.File("fine.bmp"), BuildBmp(Plain24(4, 4)));
    WriteBytes(folder.File("keep.txr"), Bytes{'k', 'e', 'e', 'p'});
    const std::vector<std::string> before = folder.Entries();

    struct Case {
        std::string input;
        std::string output;
        const char* printed;
    };
    const std::vector<Case> cases = {
        {"good.jpg", "keep.txr", kNotBmp},      {"pic.bmp.txt", "keep.txr", kNotBmp},
        {"missing.jpg", "keep.txr", kNotBmp}, // the name is checked before the file
        {"text.bmp", "keep.txr", kUnreadable},  {"missing.bmp", "keep.txr", kUnreadable},
        {"adir", "keep.txr", kNotBmp},          {"four.bmp", "keep.txr", kDepth},
        {"sixteen.dib", "keep.txr", kDepth},    {"thirtytwo.bmp", "keep.txr", kDepth},
        {"one.bmp", "keep.txr", kDepth},        {"narrow.bmp", "keep.txr", kSize},
        {"tall.bmp", "missing/out.txr", kSize}, // the size before the output
        {"wide.bmp", "keep.txr", kSize},        {"fine.bmp", "missing/out.txr", kNotWritten},
        {"fine.bmp", "adir", kNotWritten},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Convert(folder.File(c.input), folder.File(c.output));
        EXPECT_FALSE(outcome.result) << c.input;
        EXPECT_EQ(outcome.printed, c.printed) << c.input << " -> " << c.output;
    }
    EXPECT_EQ(folder.Entries(), before);
    EXPECT_EQ(ReadBytes(folder.File("keep.txr")), (Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / "adir"));
}

TEST(ConvertBmpToTxr, NamesLongerThan259CharactersAreRefusedBeforeAnything) {
    ScratchFolder folder;
    WriteBytes(folder.File("fine.bmp"), BuildBmp(Plain24(4, 4)));
    const std::string longName = folder.File(std::string(300, 'x') + ".bmp");
    Outcome outcome = Convert(longName, folder.File("out.txr"));
    EXPECT_FALSE(outcome.result);
    EXPECT_EQ(outcome.printed, "");
    outcome = Convert(folder.File("fine.bmp"), folder.File(std::string(300, 'y') + ".txr"));
    EXPECT_FALSE(outcome.result);
    EXPECT_EQ(outcome.printed, "");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"fine.bmp"});
}

Bytes ConvertToBytes(const ScratchFolder& folder, const Bytes& bmp,
                     const std::string& name = "in.bmp") {
    WriteBytes(folder.File(name), bmp);
    const Outcome outcome = Convert(folder.File(name), folder.File("out.txr"));
    EXPECT_TRUE(outcome.result);
    EXPECT_EQ(outcome.printed, "");
    return FileExists(folder.File("out.txr")) ? ReadBytes(folder.File("out.txr")) : Bytes{};
}

TEST(ConvertBmpToTxr, LevelCountsAndFileSizes) {
    ScratchFolder folder;
    const Bytes eight = ConvertToBytes(folder, BuildBmp(Plain8(64, 64)));
    ASSERT_EQ(eight.size(), 6504u);
    EXPECT_EQ(Le32At(eight, 8), 8u);
    EXPECT_EQ(Le32At(eight, 12), 6u);
    EXPECT_EQ(Le32At(eight, 16), 0u);                    // entry 0 black
    EXPECT_EQ(Le32At(eight, 16 + 4 * 255), 0x00FFFFFFu); // entry 255 white
    // The 2 x 2 level: the last 8 bytes, rows 4 bytes apart, 2 zero bytes each.
    EXPECT_EQ(eight[6504 - 6], 0);
    EXPECT_EQ(eight[6504 - 5], 0);
    EXPECT_EQ(eight[6504 - 2], 0);
    EXPECT_EQ(eight[6504 - 1], 0);

    const Bytes true24 = ConvertToBytes(folder, BuildBmp(Plain24(64, 64)));
    ASSERT_EQ(true24.size(), 16400u);
    EXPECT_EQ(Le32At(true24, 8), 24u);
    EXPECT_EQ(Le32At(true24, 12), 6u);
    // Level 0 at offset 16: no palette. The 2 x 2 level's rows end in 2 zero bytes.
    EXPECT_EQ(true24[16], BuildBmp(Plain24(64, 64))[54 + 63 * 192]);
    EXPECT_EQ(true24[16400 - 10], 0);
    EXPECT_EQ(true24[16400 - 9], 0);
    EXPECT_EQ(true24[16400 - 2], 0);
    EXPECT_EQ(true24[16400 - 1], 0);

    const Bytes wide = ConvertToBytes(folder, BuildBmp(Plain24(32, 8)));
    EXPECT_EQ(Le32At(wide, 0), 32u);
    EXPECT_EQ(Le32At(wide, 4), 8u);
    EXPECT_EQ(Le32At(wide, 12), 3u); // 32 x 8, 16 x 4, 8 x 2
    EXPECT_EQ(wide.size(), 16u + 96 * 8 + 48 * 4 + 24 * 2);
    const Bytes tiny = ConvertToBytes(folder, BuildBmp(Plain8(2, 2)));
    EXPECT_EQ(Le32At(tiny, 12), 1u);
    EXPECT_EQ(tiny.size(), 1048u);
    // Any letter case, and no dot needed.
    EXPECT_EQ(Le32At(ConvertToBytes(folder, BuildBmp(Plain24(4, 2)), "a.BMP"), 12), 1u);
    EXPECT_EQ(Le32At(ConvertToBytes(folder, BuildBmp(Plain24(2, 4)), "a.Dib"), 12), 1u);
    EXPECT_EQ(Le32At(ConvertToBytes(folder, BuildBmp(Plain24(8, 4)), "abmp"), 12), 2u);
}

TEST(ConvertBmpToTxr, EightBitPaletteIsComputedNotCopied) {
    ScratchFolder folder;
    // Two colours from a table whose entries 0 and 255 are neither black nor white.
    TestBitmap b = Plain8(4, 4);
    b.tableByte = [](int k, int c) {
        return static_cast<std::uint8_t>(k == 0 ? 10 + c : (k == 255 ? 200 : 77));
    };
    b.pixel = [](int x, int, int) { return static_cast<std::uint8_t>(x % 2 == 0 ? 0 : 255); };
    const Bytes txr = ConvertToBytes(folder, BuildBmp(b));
    ASSERT_EQ(txr.size(), 16u + 1024 + 16 + 8);
    EXPECT_EQ(Le32At(txr, 16), 0u);
    EXPECT_EQ(Le32At(txr, 16 + 1020), 0x00FFFFFFu);
    // Level 0: colours A (entry 0: 10, 11, 12) and B (entry 255: 200) on 8
    // pixels each, weight 8 each. Level 1: 4 pixels of their mean M
    // (105, 105, 106), weight 16. So M, then A and B in the order first met.
    EXPECT_EQ(Le32At(txr, 16 + 4), 0x006A6969u);  // blue, green, red of M
    EXPECT_EQ(Le32At(txr, 16 + 8), 0x000C0B0Au);  // A
    EXPECT_EQ(Le32At(txr, 16 + 12), 0x00C8C8C8u); // B
    const std::size_t level0 = 1040;
    EXPECT_EQ(Bytes(txr.begin() + level0, txr.begin() + level0 + 4), (Bytes{2, 3, 2, 3}));
    EXPECT_EQ(Bytes(txr.begin() + level0 + 16, txr.end()), (Bytes{1, 1, 0, 0, 1, 1, 0, 0}));
}

#ifndef _WIN32
TEST(ConvertBmpToTxr, WriteErrorsAreDetectedAndLeaveNoFile) {
    ScratchFolder folder;
    WriteBytes(folder.File("in.bmp"), BuildBmp(Plain24(64, 64)));
    // Files may grow to 4096 bytes only: the 16400-byte texture cannot be written.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limited);
    const Outcome outcome = Convert(folder.File("in.bmp"), folder.File("out.txr"));
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(outcome.result);
    EXPECT_EQ(outcome.printed, kNotWritten);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"in.bmp"});
}
#endif

// Pictures for the comparison with the literal algorithms: random, with pure
// and near black and white thrown in, few or many distinct colours.
BitmapImage RandomPicture(std::mt19937& random, int width, int height, int bits, int colours) {
    TestBitmap b = bits == 8 ? Plain8(width, height) : Plain24(width, height);
    std::vector<std::uint8_t> table(1024);
    for (auto& v : table) {
        v = static_cast<std::uint8_t>(random());
    }
    const std::uint8_t specials[][3] = {
        {0, 0, 0}, {255, 255, 255}, {0, 0, 1}, {255, 255, 254}, {1, 0, 0}};
    for (int k = 0; k < 5; ++k) {
        for (int c = 0; c < 3; ++c) {
            table[static_cast<std::size_t>(4 * k + c)] = specials[k][c];
        }
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width * height * 3));
    for (std::size_t p = 0; p < bytes.size() / 3; ++p) {
        const int k = static_cast<int>(random() % static_cast<unsigned>(colours));
        for (int c = 0; c < 3; ++c) {
            bytes[3 * p + static_cast<std::size_t>(c)] =
                bits == 8 ? static_cast<std::uint8_t>(k)
                          : table[static_cast<std::size_t>(4 * (k % 256) + c)] ^
                                static_cast<std::uint8_t>(k / 256);
        }
    }
    b.tableByte = [&table](int k, int c) { return table[static_cast<std::size_t>(4 * k + c)]; };
    b.pixel = [&bytes, width](int x, int y, int c) {
        return bytes[static_cast<std::size_t>((y * width + x) * 3 + c)];
    };
    return ImageOf(b);
}

TEST(WriteTxr, AgreesByteForByteWithTheLiteralAlgorithms) {
    ScratchFolder folder;
    std::mt19937 random(2024);
    struct Case {
        int width, height, bits, colours;
    };
    const std::vector<Case> cases = {
        {2, 2, 8, 6},      {2, 2, 24, 3},      {4, 2, 8, 256},      {2, 8, 24, 7},
        {16, 16, 8, 5},    {32, 8, 8, 256},    {64, 32, 24, 40},    {32, 32, 24, 1024},
        {64, 64, 8, 256},  {128, 16, 8, 256},  {256, 256, 24, 300}, {16, 256, 8, 256},
        {256, 128, 8, 12}, {128, 128, 8, 256},
    };
    for (const Case& c : cases) {
        const BitmapImage picture = RandomPicture(random, c.width, c.height, c.bits, c.colours);
        int n = 0;
        while ((2 << n) <= c.width && (2 << n) <= c.height) {
            ++n;
        }
        const std::string out = folder.File("out.txr");
        const bool written = c.bits == 8 ? WriteTxr8(out.c_str(), picture, c.width, c.height, n)
                                         : WriteTxr24(out.c_str(), picture, c.width, c.height, n);
        ASSERT_TRUE(written);
        const Bytes expected = literal::Txr(picture);
        const Bytes actual = ReadBytes(out);
        ASSERT_EQ(actual.size(), expected.size()) << c.width << "x" << c.height << " " << c.bits;
        ASSERT_TRUE(actual == expected)
            << c.width << "x" << c.height << " " << c.bits << " bits, " << c.colours
            << " colours: first difference at "
            << (std::mismatch(actual.begin(), actual.end(), expected.begin()).first -
                actual.begin());
    }
}

TEST(WriteTxr, RefusesArgumentsThatDoNotFitTheBitmap) {
    ScratchFolder folder;
    const BitmapImage picture = ImageOf(Plain24(8, 4));
    const std::string out = folder.File("out.txr");
    EXPECT_FALSE(WriteTxr8(out.c_str(), picture, 8, 4, 2));  // depth
    EXPECT_FALSE(WriteTxr24(out.c_str(), picture, 8, 8, 2)); // size
    EXPECT_FALSE(WriteTxr24(out.c_str(), picture, 8, 4, 3)); // levels past 2 pixels
    EXPECT_FALSE(WriteTxr24(out.c_str(), picture, 8, 4, 0));
    EXPECT_TRUE(folder.Entries().empty());
    EXPECT_TRUE(WriteTxr24(out.c_str(), picture, 8, 4, 2));
}

} // namespace
