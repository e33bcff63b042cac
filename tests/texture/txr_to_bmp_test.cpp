// TXR -> BMP: level 0 of a texture as an uncompressed Windows bitmap, by
// both write paths: the all-or-nothing one and the one into a file the
// caller has just made.
#include "texture/txr_to_bmp.h"

#include "support/scratch.h"
#include "builders/txr_builder.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TestTexture Texture(int w, int h, int bpp, int levels = 1) {
    return TestTexture{w, h, bpp, levels, PatternPixel, {}};
}

TEST(ConvertTxrToBmp, WritesLevelZeroAsABottomUpBitmapOverAnyOldFile) {
    TestTexture reserved = Texture(2, 4, 8); // 2-pixel rows keep their padding
    reserved.paletteByte = [](int k) { return static_cast<std::uint8_t>(k % 4 == 3 ? 0xA5 : k); };
    const TestTexture cases[] = {
        Texture(64, 64, 8),
        Texture(64, 32, 24),
        Texture(32, 16, 24, 4), // later levels dropped
        Texture(16, 16, 8, -5), // levelCount is not consulted
        reserved,
        // Rows leave in gathered calls of at most 1024: 2048 rows, and 1024
        // rows after the headers and the colour table, need two calls.
        Texture(2, 2048, 24),
        Texture(4, 1024, 8),
    };
    for (const TestTexture& t : cases) {
        ScratchFolder folder;
        const std::string in = folder.File("in.txr");
        WriteBytes(in, BuildTxr(t));
        WriteBytes(folder.File("out.bmp"), Bytes(200000, 0x55)); // longer than any bitmap
        WriteBytes(folder.File("made.bmp"), Bytes(200000, 0x55));
        EXPECT_TRUE(ConvertTxrToBmp(in.c_str(), folder.File("out.bmp").c_str()));
        EXPECT_TRUE(ConvertTxrToCreatedBmp(in.c_str(), folder.File("made.bmp").c_str()));
        EXPECT_FALSE(ConvertTxrToCreatedBmp(in.c_str(), folder.File("absent.bmp").c_str()))
            << "a file that is not there is not made";
        EXPECT_EQ(ReadBytes(folder.File("out.bmp")), ExpectedBmp(t))
            << t.width << " x " << t.height << " at " << t.bitsPerPixel << " bits";
        EXPECT_EQ(ReadBytes(folder.File("made.bmp")), ExpectedBmp(t)) << "cut to its length";
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.txr", "made.bmp", "out.bmp"}))
            << "no temporary file left";
    }
    ScratchFolder folder; // onto itself: the texture is replaced by its bitmap
    const TestTexture t = Texture(4, 2, 24, 2);
    WriteBytes(folder.File("same"), BuildTxr(t));
    EXPECT_TRUE(ConvertTxrToBmp(folder.File("same").c_str(), folder.File("same").c_str()));
    EXPECT_EQ(ReadBytes(folder.File("same")), ExpectedBmp(t)) << "converted onto itself";
}

TEST(ConvertTxrToBmp, RefusesMalformedTexturesWithoutTouchingTheOutput) {
    const Bytes good = BuildTxr(Texture(8, 8, 24));
    const Bytes eight = BuildTxr(Texture(8, 8, 8));
    auto withHeader = [&](std::uint32_t w, std::uint32_t h, std::uint32_t bpp) {
        Bytes b;
        for (std::uint32_t field : {w, h, bpp}) {
            PutLe(b, field, 4);
        }
        b.insert(b.end(), good.begin() + 12, good.end());
        return b;
    };
    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"short header", Bytes(good.begin(), good.begin() + 15)},
        {"header only", Bytes(good.begin(), good.begin() + 16)},
        {"level 0 one byte short", Bytes(good.begin(), good.end() - 1)},
        {"palette cut", Bytes(eight.begin(), eight.begin() + 600)},
        {"8-bit level 0 short", Bytes(eight.begin(), eight.end() - 1)},
        {"16 bits", withHeader(8, 8, 16)},
        {"32 bits", withHeader(8, 8, 32)},
        {"width 0", withHeader(0, 8, 24)},
        {"width 1", withHeader(1, 8, 24)},
        {"width 6", withHeader(6, 8, 24)},
        {"negative height", withHeader(8, static_cast<std::uint32_t>(-8), 24)},
        {"huge sides", withHeader(1 << 30, 1 << 30, 24)},
        {"claims more than the file", withHeader(16, 16, 24)},
    };
    for (const auto& [what, bytes] : cases) {
        ScratchFolder folder;
        WriteBytes(folder.File("in.txr"), bytes);
        WriteBytes(folder.File("out.bmp"), Bytes{'o', 'l', 'd'});
        EXPECT_FALSE(ConvertTxrToBmp(folder.File("in.txr").c_str(), folder.File("out.bmp").c_str()))
            << what;
        EXPECT_EQ(ReadBytes(folder.File("out.bmp")), (Bytes{'o', 'l', 'd'})) << what << ": kept";
        EXPECT_EQ(folder.Entries().size(), 2u) << what << ": no temporary file left";
    }
}

TEST(ConvertTxrToBmp, MissingTextureOrUnwritableBitmapLeavesNoFile) {
    ScratchFolder folder;
    EXPECT_FALSE(ConvertTxrToBmp(folder.File("missing.txr").c_str(), folder.File("o.bmp").c_str()));
    EXPECT_TRUE(folder.Entries().empty()) << "nothing written for a missing texture";
    WriteBytes(folder.File("in.txr"), BuildTxr(Texture(4, 4, 24)));
    std::filesystem::create_directory(folder.Path() / "out.bmp");
    for (const char* output : {"out.bmp", "no/such/x.bmp"}) {
        EXPECT_FALSE(ConvertTxrToBmp(folder.File("in.txr").c_str(), folder.File(output).c_str()))
            << output << " cannot be written";
    }
    EXPECT_FALSE(ConvertTxrToBmp(folder.Path().string().c_str(), folder.File("y.bmp").c_str()))
        << "a folder is no texture";
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.txr", "out.bmp"}));
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / "out.bmp"));
}

#ifdef _WIN32

TEST(ConvertTxrToBmp, ABitmapThatCannotBeReplacedFailsTheConversionAndIsKept) {
    // Held open by another program, as a paint program may: the platform
    // refuses to replace it.
    ScratchFolder folder;
    WriteBytes(folder.File("in.txr"), BuildTxr(Texture(4, 4, 24)));
    WriteBytes(folder.File("out.bmp"), Bytes{'o', 'l', 'd'});
    const HANDLE held = CreateFileA(folder.File("out.bmp").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(ConvertTxrToBmp(folder.File("in.txr").c_str(), folder.File("out.bmp").c_str()));
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(folder.File("out.bmp")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.txr", "out.bmp"}));
}

#endif

} // namespace
