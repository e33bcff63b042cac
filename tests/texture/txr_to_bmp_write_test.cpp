// The two write paths of the texture-to-bitmap conversion: the all-or-nothing
// one (a temporary file renamed over the target) and the one for a file the
// caller has just created for itself.
#include "texture/txr_to_bmp.h"

#include "support/scratch.h"
#include "support/txr_builder.h"

#include <gtest/gtest.h>

namespace {

TestTexture Texture(int w, int h, int bpp) {
    TestTexture t;
    t.width = w;
    t.height = h;
    t.bitsPerPixel = bpp;
    t.pixel = PatternPixel;
    t.paletteByte = PatternPaletteByte;
    return t;
}

TEST(TxrToBmpWrite, BothPathsWriteTheExpectedBytesPastOneGatheredCallOfRows) {
    // Pieces leave in gathered calls of at most 1024: 2048 rows, and 1024
    // rows after the headers and the colour table, need two calls.
    const TestTexture cases[] = {Texture(2, 2048, 24), Texture(4, 1024, 8), Texture(8, 2, 24)};
    for (const TestTexture& t : cases) {
        ScratchFolder folder;
        WriteBytes(folder.File("in.txr"), BuildTxr(t));
        const std::string created = folder.File("created.bmp");
        WriteBytes(created, Bytes(200000, 0xAB)); // longer than any bitmap here
        ASSERT_TRUE(ConvertTxrToBmp(folder.File("in.txr").c_str(), folder.File("out.bmp").c_str()));
        ASSERT_TRUE(ConvertTxrToCreatedBmp(folder.File("in.txr").c_str(), created.c_str()));
        EXPECT_EQ(ReadBytes(folder.File("out.bmp")), ExpectedBmp(t)) << t.width << "x" << t.height;
        EXPECT_EQ(ReadBytes(created), ExpectedBmp(t))
            << "the created file holds the bitmap alone, cut to its length";
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"created.bmp", "in.txr", "out.bmp"}))
            << "no temporary file left";
    }
}

TEST(TxrToBmpWrite, CreatedFileVariantRefusesWhatTheOtherRefuses) {
    ScratchFolder folder;
    Bytes bad = BuildTxr(Texture(8, 8, 24));
    bad.resize(bad.size() - 1); // level 0 cut short
    WriteBytes(folder.File("bad.txr"), bad);
    WriteBytes(folder.File("good.txr"), BuildTxr(Texture(8, 8, 24)));
    WriteBytes(folder.File("created.bmp"), {});
    EXPECT_FALSE(
        ConvertTxrToCreatedBmp(folder.File("bad.txr").c_str(), folder.File("created.bmp").c_str()));
    EXPECT_FALSE(ConvertTxrToCreatedBmp(folder.File("missing.txr").c_str(),
                                        folder.File("created.bmp").c_str()));
    EXPECT_TRUE(ReadBytes(folder.File("created.bmp")).empty()) << "a refusal writes nothing";
    // The file must exist: this path never creates one of its own.
    EXPECT_FALSE(
        ConvertTxrToCreatedBmp(folder.File("good.txr").c_str(), folder.File("absent.bmp").c_str()));
    EXPECT_FALSE(FileExists(folder.File("absent.bmp")));
}

} // namespace
