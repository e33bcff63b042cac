// PNG files of piecetool, read back with an independent decoder (stb_image).
#include "support/txr_builder.h"
#include "tool/png_image.h"

#include <gtest/gtest.h>

#define STBI_ONLY_PNG
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <memory>

namespace {

// Blue, green, red of level-0 pixel (x, y), through the palette at 8 bits.
std::array<std::uint8_t, 3> Level0Bgr(const TestTexture& texture, int x, int y) {
    if (texture.bitsPerPixel == 24) {
        return {texture.pixel(x, y, 0), texture.pixel(x, y, 1), texture.pixel(x, y, 2)};
    }
    const int entry = texture.pixel(x, y, 0);
    return {texture.paletteByte(4 * entry), texture.paletteByte(4 * entry + 1),
            texture.paletteByte(4 * entry + 2)};
}

// Red, green, blue of every pixel of a PNG file, as stb_image decodes it.
std::vector<std::uint8_t> DecodeRgb(const std::vector<std::uint8_t>& png, int& width, int& height) {
    int channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width, &height, &channels,
                              3),
        stbi_image_free);
    EXPECT_NE(pixels, nullptr) << "the PNG does not decode: " << stbi_failure_reason();
    if (pixels == nullptr) {
        return {};
    }
    return {pixels.get(), pixels.get() + static_cast<std::size_t>(width) * height * 3};
}

TEST(PngImage, TexturesOfBothDepthsDecodeToTheirLevel0Colours) {
    for (const int bits : {8, 24}) {
        // 4 x 2 with distinct colours per pixel; a 2-level file, so level 0
        // must be found and the smaller level ignored.
        const TestTexture texture{4, 2, bits, 2, PatternPixel, PatternPaletteByte};
        const Bytes txr = BuildTxr(texture);
        for (const bool keepPalette : {false, true}) {
            const auto picture = TxrLevel0Picture(txr, keepPalette);
            ASSERT_TRUE(picture.has_value()) << bits << "-bit texture not read";
            EXPECT_EQ(picture->paletted, bits == 8 && keepPalette);
            int width = 0, height = 0;
            const auto rgb = DecodeRgb(EncodePng(*picture), width, height);
            ASSERT_EQ(width, 4);
            ASSERT_EQ(height, 2);
            for (int y = 0; y < 2; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const auto expected = Level0Bgr(texture, x, y);
                    const std::uint8_t* got = &rgb[static_cast<std::size_t>(y * 4 + x) * 3];
                    EXPECT_EQ(got[0], expected[2]) << bits << "-bit red at " << x << "," << y;
                    EXPECT_EQ(got[1], expected[1]) << bits << "-bit green at " << x << "," << y;
                    EXPECT_EQ(got[2], expected[0]) << bits << "-bit blue at " << x << "," << y;
                }
            }
        }
    }
}

TEST(PngImage, UnreadableTexturesAndInconsistentPicturesAreRefused) {
    Bytes shortFile = BuildTxr({4, 4, 24, 1, PatternPixel, {}});
    shortFile.pop_back();
    EXPECT_FALSE(TxrLevel0Picture(shortFile, false)) << "a texture cut short of level 0";
    EXPECT_FALSE(TxrLevel0Picture(Bytes(15, 0), false)) << "shorter than the header";
    PngPicture picture{2, 2, false, Bytes(11, 0), {}};
    EXPECT_TRUE(EncodePng(picture).empty()) << "11 bytes for a 2 x 2 truecolour picture";
    picture = {2, 2, true, Bytes(4, 0), {}};
    EXPECT_TRUE(EncodePng(picture).empty()) << "a paletted picture without a palette";
}

} // namespace
