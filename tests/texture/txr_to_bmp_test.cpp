#include "texture/txr_to_bmp.h"

#include "support/scratch.h"
#include "support/txr_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TestTexture Texture(int w, int h, int bpp, int levels = 1) {
    TestTexture t;
    t.width = w;
    t.height = h;
    t.bitsPerPixel = bpp;
    t.levelCount = levels;
    t.pixel = PatternPixel;
    return t;
}

Bytes Convert(const ScratchFolder& folder, const Bytes& txr) {
    WriteBytes(folder.File("in.txr"), txr);
    EXPECT_TRUE(ConvertTxrToBmp(folder.File("in.txr").c_str(), folder.File("out.bmp").c_str()));
    return ReadBytes(folder.File("out.bmp"));
}

TEST(ConvertTxrToBmp, EightBitTextureGivesBitmapWithColourTable) {
    ScratchFolder folder;
    const TestTexture t = Texture(64, 64, 8);
    const Bytes bmp = Convert(folder, BuildTxr(t));
    ASSERT_EQ(bmp.size(), 5174u);
    EXPECT_EQ(Le32At(bmp, 2), 5174u);
    EXPECT_EQ(Le32At(bmp, 10), 1078u);
    EXPECT_EQ(Le16At(bmp, 28), 8u);
    EXPECT_EQ(Le32At(bmp, 46), 256u);
    EXPECT_EQ(bmp, ExpectedBmp(t));
}

TEST(ConvertTxrToBmp, TrueColourTextureGivesBitmapWithoutColourTable) {
    ScratchFolder folder;
    const TestTexture t = Texture(64, 32, 24);
    const Bytes bmp = Convert(folder, BuildTxr(t));
    ASSERT_EQ(bmp.size(), 6198u);
    EXPECT_EQ(Le32At(bmp, 10), 54u);
    EXPECT_EQ(Le16At(bmp, 28), 24u);
    EXPECT_EQ(Le32At(bmp, 46), 0u);
    EXPECT_EQ(Le32At(bmp, 22), 32u); // positive height: bottom-up rows
    // The texture's top-left pixel is the first pixel of the bitmap's last row.
    const std::size_t lastRow = 54 + 31 * 192;
    EXPECT_EQ(bmp[lastRow], PatternPixel(0, 0, 0));
    EXPECT_EQ(bmp[lastRow + 2], PatternPixel(0, 0, 2));
    EXPECT_EQ(bmp[54], PatternPixel(0, 31, 0));
    EXPECT_EQ(bmp, ExpectedBmp(t));
}

TEST(ConvertTxrToBmp, SmallerLevelsAreNotCarriedOver) {
    ScratchFolder one, several;
    EXPECT_EQ(Convert(one, BuildTxr(Texture(32, 16, 24, 1))),
              Convert(several, BuildTxr(Texture(32, 16, 24, 4))));
    // levelCount is not consulted, even when absurd.
    TestTexture t = Texture(16, 16, 8, 1);
    t.levelCount = -5;
    ScratchFolder odd;
    EXPECT_EQ(Convert(odd, BuildTxr(t)), ExpectedBmp(Texture(16, 16, 8, 1)));
}

TEST(ConvertTxrToBmp, PaletteReservedBytesAndTwoPixelRowsAreKept) {
    ScratchFolder folder;
    TestTexture t = Texture(2, 4, 8);
    t.paletteByte = [](int k) { return static_cast<std::uint8_t>(k % 4 == 3 ? 0xA5 : k); };
    t.pixel = [](int x, int y, int) { return static_cast<std::uint8_t>(10 * y + x + 1); };
    const Bytes txr = BuildTxr(t);
    const Bytes bmp = Convert(folder, txr);
    EXPECT_EQ(bmp[54 + 3], 0xA5); // reserved byte of entry 0
    // Rows of 4 bytes, the texture's own rows including padding, bottom first.
    EXPECT_EQ(Bytes(bmp.begin() + 1078, bmp.begin() + 1082), Bytes(txr.begin() + 1040 + 12, txr.begin() + 1040 + 16));
    EXPECT_EQ(bmp, ExpectedBmp(t));
}

TEST(ConvertTxrToBmp, ReplacesAnExistingLongerFile) {
    ScratchFolder folder;
    WriteBytes(folder.File("out.bmp"), Bytes(100000, 0x55));
    const TestTexture t = Texture(4, 4, 24);
    EXPECT_EQ(Convert(folder, BuildTxr(t)), ExpectedBmp(t));
}

TEST(ConvertTxrToBmp, RefusesMalformedTexturesWithoutWritingAnything) {
    const Bytes good = BuildTxr(Texture(8, 8, 24));
    std::vector<std::pair<const char*, Bytes>> cases;
    cases.push_back({"empty", Bytes{}});
    cases.push_back({"short header", Bytes(good.begin(), good.begin() + 15)});
    cases.push_back({"header only", Bytes(good.begin(), good.begin() + 16)});
    cases.push_back({"level 0 one byte short", Bytes(good.begin(), good.end() - 1)});
    const Bytes eight = BuildTxr(Texture(8, 8, 8));
    cases.push_back({"palette cut", Bytes(eight.begin(), eight.begin() + 600)});
    cases.push_back({"8-bit level 0 short", Bytes(eight.begin(), eight.end() - 1)});
    auto withHeader = [&](int w, int h, int bpp) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) {
            b[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(w) >> (8 * i));
            b[4 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(h) >> (8 * i));
            b[8 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(bpp) >> (8 * i));
        }
        return b;
    };
    cases.push_back({"16 bits", withHeader(8, 8, 16)});
    cases.push_back({"32 bits", withHeader(8, 8, 32)});
    cases.push_back({"width 0", withHeader(0, 8, 24)});
    cases.push_back({"width 1", withHeader(1, 8, 24)});
    cases.push_back({"width 6", withHeader(6, 8, 24)});
    cases.push_back({"negative height", withHeader(8, -8, 24)});
    cases.push_back({"huge sides", withHeader(1 << 30, 1 << 30, 24)});
    cases.push_back({"claims more than the file", withHeader(16, 16, 24)});
    for (const auto& [what, bytes] : cases) {
        ScratchFolder folder;
        WriteBytes(folder.File("in.txr"), bytes);
        WriteBytes(folder.File("out.bmp"), Bytes{'o', 'l', 'd'});
        EXPECT_FALSE(ConvertTxrToBmp(folder.File("in.txr").c_str(), folder.File("out.bmp").c_str()))
            << what;
        EXPECT_EQ(ReadBytes(folder.File("out.bmp")), (Bytes{'o', 'l', 'd'})) << what;
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.txr", "out.bmp"})) << what;
    }
}

TEST(ConvertTxrToBmp, MissingTextureOrUnwritableBitmapLeavesNoFile) {
    ScratchFolder folder;
    EXPECT_FALSE(ConvertTxrToBmp(folder.File("missing.txr").c_str(), folder.File("out.bmp").c_str()));
    EXPECT_TRUE(folder.Entries().empty());

    WriteBytes(folder.File("in.txr"), BuildTxr(Texture(4, 4, 24)));
    std::filesystem::create_directory(folder.Path() / "out.bmp");
    EXPECT_FALSE(ConvertTxrToBmp(folder.File("in.txr").c_str(), folder.File("out.bmp").c_str()));
    EXPECT_FALSE(ConvertTxrToBmp(folder.File("in.txr").c_str(), folder.File("no/such/x.bmp").c_str()));
    EXPECT_FALSE(ConvertTxrToBmp(folder.Path().string().c_str(), folder.File("y.bmp").c_str()));
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.txr", "out.bmp"}));
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / "out.bmp"));
}

TEST(ConvertTxrToBmp, ConvertingATextureOntoItselfReplacesItWithTheBitmap) {
    ScratchFolder folder;
    const TestTexture t = Texture(4, 2, 24, 2);
    WriteBytes(folder.File("same"), BuildTxr(t));
    EXPECT_TRUE(ConvertTxrToBmp(folder.File("same").c_str(), folder.File("same").c_str()));
    EXPECT_EQ(ReadBytes(folder.File("same")), ExpectedBmp(t));
}

} // namespace
