// Both write paths of the texture-to-bitmap conversion give the same bytes:
// the all-or-nothing one and the one into a file the caller has just made.
#include "texture/txr_to_bmp.h"

#include "support/scratch.h"
#include "support/txr_builder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(TxrToBmpWrite, BothPathsWriteTheExpectedBytesPastOneGatheredCallOfRows) {
    // Pieces leave in gathered calls of at most 1024: 2048 rows, and 1024
    // rows after the headers and the colour table, need two calls.
    for (const auto& [w, h, bpp] :
         {std::tuple{2, 2048, 24}, std::tuple{4, 1024, 8}, std::tuple{8, 2, 24}}) {
        const TestTexture t{w, h, bpp, 1, PatternPixel, PatternPaletteByte};
        ScratchFolder folder;
        WriteBytes(folder.File("in.txr"), BuildTxr(t));
        WriteBytes(folder.File("made.bmp"), Bytes(200000, 0xAB)); // longer than the bitmap
        const std::string in = folder.File("in.txr");
        ASSERT_TRUE(ConvertTxrToBmp(in.c_str(), folder.File("out.bmp").c_str()));
        ASSERT_TRUE(ConvertTxrToCreatedBmp(in.c_str(), folder.File("made.bmp").c_str()));
        EXPECT_FALSE(ConvertTxrToCreatedBmp(in.c_str(), folder.File("absent.bmp").c_str()));
        EXPECT_EQ(ReadBytes(folder.File("out.bmp")), ExpectedBmp(t)) << w << "x" << h;
        EXPECT_EQ(ReadBytes(folder.File("made.bmp")), ExpectedBmp(t)) << "cut to its length";
        EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.txr", "made.bmp", "out.bmp"}))
            << "no temporary file left, none made for a file that is not there";
    }
}

} // namespace
