#include "texture/texture_pictures.h"

#include "png/picture_decoder.h"
#include "png/png_image.h"
#include "png/png_reader.h"
#include "texture/txr_format.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace {

// Where level 0 of a readable texture lies.
struct Level0 {
    TxrHeader header;
    std::size_t width = 0;
    std::size_t stride = 0;
    const std::uint8_t* rows = nullptr;
    const std::uint8_t* table = nullptr; // blue, green, red, reserved
};

Result<Level0> FindLevel0(std::span<const std::uint8_t> file) {
    const TxrInspection inspection =
        InspectTxr(file.first(std::min(file.size(), kTxrHeaderSize)), file.size());
    if (!inspection.readable) {
        return Refuse("txr-unreadable", inspection.problem);
    }
    Level0 level;
    level.header = DecodeTxrHeader(file.data());
    level.width = static_cast<std::size_t>(level.header.width);
    level.stride = BitmapStride(level.header.width, level.header.bitsPerPixel);
    level.rows = file.data() + TxrLevel0Offset(level.header.bitsPerPixel);
    level.table = file.data() + kTxrHeaderSize;
    return level;
}

} // namespace

Result<RgbPicture> TxrLevel0Picture(std::span<const std::uint8_t> file) {
    const Result<Level0> level = FindLevel0(file);
    if (!level) {
        return level.refusal();
    }
    const TxrHeader& header = level->header;
    RgbPicture picture{header.width, header.height, {}};
    picture.rgb.reserve(level->width * 3 * static_cast<std::size_t>(header.height));
    for (std::int32_t y = 0; y < header.height; ++y) {
        const std::uint8_t* row = level->rows + static_cast<std::size_t>(y) * level->stride;
        for (std::size_t x = 0; x < level->width; ++x) {
            const std::uint8_t* bgr =
                header.bitsPerPixel == 8 ? level->table + 4 * row[x] : row + 3 * x;
            picture.rgb.insert(picture.rgb.end(), {bgr[2], bgr[1], bgr[0]});
        }
    }
    return picture;
}

Result<std::vector<std::uint8_t>> TxrLevel0Png(std::span<const std::uint8_t> file) {
    const Result<Level0> level = FindLevel0(file);
    if (!level) {
        return level.refusal();
    }
    const TxrHeader& header = level->header;
    if (header.bitsPerPixel != 8) {
        return EncodePng(*TxrLevel0Picture(file));
    }
    PalettedPicture picture{header.width, header.height, {}, {}};
    picture.palette.resize(256);
    for (std::size_t i = 0; i < 256; ++i) {
        const std::uint8_t* bgr = level->table + 4 * i;
        picture.palette[i] = {bgr[2], bgr[1], bgr[0]};
    }
    picture.indices.reserve(level->width * static_cast<std::size_t>(header.height));
    for (std::int32_t y = 0; y < header.height; ++y) {
        const std::uint8_t* row = level->rows + static_cast<std::size_t>(y) * level->stride;
        picture.indices.insert(picture.indices.end(), row, row + level->width);
    }
    return EncodePng(picture);
}

Result<BitmapImage> DecodePngForTxr(std::span<const std::uint8_t> file, bool flatten) {
    const Result<PngHeader> header = ReadPngHeader(file, {kMaxBitmapSide, kMaxBitmapPixels});
    if (!header) {
        return header.refusal();
    }
    const Refusal undecodable =
        Refuse("png-decode", "is a PNG file whose image data does not decode");
    if (file.size() > static_cast<std::size_t>(INT32_MAX)) {
        return undecodable;
    }
    const bool alpha = header->colourType == 4 || header->colourType == 6 || header->transparency;
    const Result<DecodedPicture> decoded = DecodePicture(file, alpha);
    if (!decoded || decoded->picture.width != header->width ||
        decoded->picture.height != header->height) {
        return undecodable;
    }
    const int width = header->width;
    const int height = header->height;
    const std::uint8_t* rgb = decoded->picture.rgb.data();
    if (alpha && !flatten &&
        !std::all_of(decoded->alpha.begin(), decoded->alpha.end(),
                     [](std::uint8_t a) { return a == 255; })) {
        return Refuse("png-alpha", "is a PNG file with transparent pixels, which a TXR file "
                                   "cannot hold (--flatten composites them onto black)");
    }
    // Red, green, blue of pixel i, composited onto black when it has alpha.
    const auto colour = [&](std::size_t i) -> std::uint32_t {
        const std::uint8_t* p = rgb + i * 3;
        std::uint32_t r = p[0], g = p[1], b = p[2];
        if (alpha && decoded->alpha[i] != 255) {
            const std::uint32_t a = decoded->alpha[i];
            r = (r * a + 127) / 255;
            g = (g * a + 127) / 255;
            b = (b * a + 127) / 255;
        }
        return r | (g << 8) | (b << 16);
    };
    BitmapImage bitmap;
    bitmap.width = width;
    bitmap.height = height;
    if (header->colourType == 3) {
        // A palette of at most 256 entries gives at most 256 colours, also
        // after compositing: they become the colour table, in order of first
        // appearance, and each pixel the index of its colour.
        bitmap.bitsPerPixel = 8;
        const std::size_t stride = BitmapStride(width, 8);
        bitmap.pixels.assign(stride * static_cast<std::size_t>(height), 0);
        std::unordered_map<std::uint32_t, std::uint8_t> indexOf;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint32_t c = colour(static_cast<std::size_t>(y) * width + x);
                auto found = indexOf.find(c);
                if (found == indexOf.end()) {
                    if (indexOf.size() == 256) {
                        return undecodable;
                    }
                    const auto k = static_cast<std::uint8_t>(indexOf.size());
                    bitmap.colourTable[4u * k] = static_cast<std::uint8_t>(c >> 16);
                    bitmap.colourTable[4u * k + 1] = static_cast<std::uint8_t>(c >> 8);
                    bitmap.colourTable[4u * k + 2] = static_cast<std::uint8_t>(c);
                    found = indexOf.emplace(c, k).first;
                }
                bitmap.pixels[static_cast<std::size_t>(y) * stride + x] = found->second;
            }
        }
        return bitmap;
    }
    bitmap.bitsPerPixel = 24;
    const std::size_t stride = BitmapStride(width, 24);
    bitmap.pixels.assign(stride * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.pixels.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colour(static_cast<std::size_t>(y) * width + x);
            row[3 * x] = static_cast<std::uint8_t>(c >> 16);
            row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(c);
        }
    }
    return bitmap;
}
