// The PNG reader's refusals of a file's chunks, and the writer's of pictures
// that are not consistent, on files and pictures built here.
#include "png/png_image.h"
#include "png/png_reader.h"

#include "support/png_builder.h"

#include <gtest/gtest.h>

namespace {

int Pattern(int x, int y, int c) {
    return (x * 37 + y * 11 + c * 90) % 256;
}

TEST(ReadPngHeader, EachFaultOfTheChunksIsRefusedWithItsCode) {
    const Bytes png = BuildPng({64, 64, 2, 8, Pattern});
    Bytes cut = png;
    cut.resize(cut.size() / 2);
    Bytes damaged = BuildPng({8, 4, 2, 8, Pattern});
    damaged[30] ^= 0x01; // a bit of the header chunk's CRC: the chunk reads as damaged
    // The end chunk right after the header: no image data.
    const std::size_t idat = 8 + 25; // signature, IHDR chunk
    Bytes empty(png.begin(), png.begin() + idat);
    const Bytes end = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    empty.insert(empty.end(), end.begin(), end.end());
    const struct {
        const char* name;
        Bytes file;
        std::string code;
    } cases[] = {
        {"sound", png, "read"},
        {"grey of 3 bits", BuildPng({8, 4, 0, 3, [](int, int, int) { return 5; }}), "png-depth"},
        {"truncated", cut, "png-cut"},
        {"chunk CRC wrong", damaged, "png-crc"},
        {"no image data", empty, "png-no-data"},
    };
    for (const auto& c : cases) {
        const Result<PngHeader> header = ReadPngHeader(c.file);
        EXPECT_EQ(header ? "read" : header.refusal().code, c.code) << c.name;
        EXPECT_FALSE(!header && header.refusal().message.empty()) << c.name << ": a reason";
    }
}

TEST(EncodePng, PicturesThatAreNotConsistentAreRefused) {
    EXPECT_EQ(EncodePng(RgbPicture{2, 2, Bytes(11, 0)}).refusal().code, "png-picture")
        << "11 bytes for 2 x 2 x 3";
    EXPECT_EQ(EncodePng(PalettedPicture{2, 2, Bytes(4, 0), {}}).refusal().code, "png-picture")
        << "paletted, no palette";
    EXPECT_EQ(EncodePng(RgbPicture{0, 2, {}}).refusal().code, "png-picture") << "no width";
    // The largest side PNG files here may have is written; one more is not.
    EXPECT_TRUE(EncodePng(RgbPicture{1 << 15, 1, Bytes(3 << 15, 0)})) << "a side of 32768";
    EXPECT_EQ(EncodePng(RgbPicture{1, (1 << 15) + 1, Bytes(3 * ((1 << 15) + 1), 0)}).refusal().code,
              "png-picture")
        << "a side of 32769";
}

} // namespace
