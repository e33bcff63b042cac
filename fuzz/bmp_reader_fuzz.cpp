// Any bytes as a bitmap file: the reader must refuse them or give a picture
// that agrees with itself, and never read past the data. Small pictures of
// the converter's depths also go through the level builder and the palette.
#include "texture/bmp_reader.h"
#include "texture/mip_levels.h"
#include "texture/txr_format.h"
#include "texture/txr_writer.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that any read past the end is caught.
    std::vector<std::uint8_t> bytes(data, data + size);
    const std::optional<BitmapImage> image = ReadBitmap(bytes.data(), bytes.size());
    if (!image) {
        return 0;
    }
    if (image->width < 1 || image->height < 1 || image->width > kMaxBitmapSide ||
        image->height > kMaxBitmapSide ||
        static_cast<std::int64_t>(image->width) * image->height > kMaxBitmapPixels) {
        std::abort();
    }
    const bool converted = image->bitsPerPixel == 8 || image->bitsPerPixel == 24;
    const std::size_t expected = converted ? BitmapStride(image->width, image->bitsPerPixel) *
                                                 static_cast<std::size_t>(image->height)
                                           : 0;
    if (image->pixels.size() != expected) {
        std::abort();
    }
    if (converted && IsPowerOfTwoSide(image->width) && IsPowerOfTwoSide(image->height) &&
        static_cast<std::int64_t>(image->width) * image->height <= 4096) {
        MipLevelSet set = BuildMipLevels(*image, TxrMaxLevelCount(image->width, image->height), 8);
        const std::array<std::uint8_t, 1024> table = MapLevelsToPalette(set);
        if (table[0] != 0 || table[1020] != 255) {
            std::abort(); // entry 0 is black and entry 255 white in every palette
        }
    }
    return 0;
}
