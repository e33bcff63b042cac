#include "tool/png_reader.h"

#include "tool/png_image.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>

// stb_image's PNG decoder is compiled here, private to this file, and reads
// from memory only. Sides beyond the bitmap reader's limit are refused from
// the header before it runs; its own limit is set to the same value.
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_MAX_DIMENSIONS (1 << 15)
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

static_assert(STBI_MAX_DIMENSIONS == kMaxBitmapSide);

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

bool DepthFitsColourType(std::int32_t depth, std::int32_t colourType) {
    switch (colourType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

struct StbPixels {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

} // namespace

Result<PngHeader> ReadPngHeader(std::span<const std::uint8_t> file) {
    // Signature, then IHDR: length 13, type, 13 bytes of data, CRC.
    constexpr std::size_t kHeaderEnd = 8 + 8 + 13 + 4;
    if (file.size() < kHeaderEnd || !std::equal(kSignature, kSignature + 8, file.data()) ||
        Be32(file.data() + 8) != 13 ||
        std::string_view(reinterpret_cast<const char*>(file.data()) + 12, 4) != "IHDR") {
        return Refuse("png-signature", "is not a PNG file");
    }
    const std::uint8_t* ihdr = file.data() + 16;
    const std::uint32_t width = Be32(ihdr);
    const std::uint32_t height = Be32(ihdr + 4);
    PngHeader header;
    header.bitDepth = ihdr[8];
    header.colourType = ihdr[9];
    if (width == 0 || height == 0 || width > static_cast<std::uint32_t>(kMaxBitmapSide) ||
        height > static_cast<std::uint32_t>(kMaxBitmapSide) ||
        std::int64_t{width} * std::int64_t{height} > kMaxBitmapPixels) {
        return Refuse("png-sides", "is a PNG file of " + std::to_string(width) + "x" +
                                       std::to_string(height) +
                                       " pixels: sides must be from 1 to 32768");
    }
    if (!DepthFitsColourType(header.bitDepth, header.colourType)) {
        return Refuse("png-depth", "is a PNG file of colour type " +
                                       std::to_string(header.colourType) + " with " +
                                       std::to_string(header.bitDepth) +
                                       "-bit samples, which do not go together");
    }
    header.width = static_cast<std::int32_t>(width);
    header.height = static_cast<std::int32_t>(height);
    // Every chunk up to IEND must lie inside the data. The decoder gathers the
    // image data chunks in a buffer grown to the lengths they claim, so a
    // length beyond the file would make it allocate for data that is not
    // there. Of the other chunks only tRNS (which comes before the image
    // data) matters here.
    bool imageData = false;
    for (std::size_t at = 8;;) {
        if (file.size() - at < 12) {
            return Refuse("png-cut", "is a PNG file cut off before its end chunk");
        }
        const std::uint32_t length = Be32(file.data() + at);
        const std::string_view type(reinterpret_cast<const char*>(file.data()) + at + 4, 4);
        if (length > file.size() - at - 12) {
            return Refuse("png-cut", "is a PNG file whose chunk at byte " + std::to_string(at) +
                                         " runs past its end");
        }
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        // A chunk whose CRC does not match its type and data is damaged: the
        // file is refused rather than converted into a wrong texture. (The
        // fuzzing build skips the check, so that changed bytes reach the
        // decoder.)
        if (PngCrc32(file.data() + at + 4, std::size_t{length} + 4) !=
            Be32(file.data() + at + 8 + length)) {
            return Refuse("png-crc", "is a damaged PNG file: the CRC of its chunk at byte " +
                                         std::to_string(at) + " does not match its data");
        }
#endif
        if (type == "IEND") {
            if (!imageData) {
                return Refuse("png-no-data", "is a PNG file without image data");
            }
            return header;
        }
        if (type == "IDAT") {
            imageData = true;
        } else if (type == "tRNS" && !imageData) {
            header.transparency = true;
        }
        at += 12 + std::size_t{length};
    }
}

Result<BitmapImage> DecodePngForTxr(std::span<const std::uint8_t> file, bool flatten) {
    const Result<PngHeader> header = ReadPngHeader(file);
    if (!header) {
        return header.refusal();
    }
    const Refusal undecodable =
        Refuse("png-decode", "is a PNG file whose image data does not decode");
    if (file.size() > static_cast<std::size_t>(INT32_MAX)) {
        return undecodable;
    }
    const bool alpha = header->colourType == 4 || header->colourType == 6 || header->transparency;
    const int channels = alpha ? 4 : 3;
    int width = 0;
    int height = 0;
    int fileChannels = 0;
    std::unique_ptr<stbi_uc, StbPixels> pixels(stbi_load_from_memory(
        file.data(), static_cast<int>(file.size()), &width, &height, &fileChannels, channels));
    if (pixels == nullptr || width != header->width || height != header->height) {
        return undecodable;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    stbi_uc* rgba = pixels.get();
    if (alpha) {
        bool opaque = true;
        for (std::size_t i = 0; i < count && opaque; ++i) {
            opaque = rgba[4 * i + 3] == 255;
        }
        if (!opaque && !flatten) {
            return Refuse("png-alpha", "is a PNG file with transparent pixels, which a TXR file "
                                       "cannot hold (--flatten composites them onto black)");
        }
    }
    // Red, green, blue of pixel i, composited onto black when it has alpha.
    const auto colour = [&](std::size_t i) -> std::uint32_t {
        const stbi_uc* p = rgba + i * static_cast<std::size_t>(channels);
        std::uint32_t r = p[0], g = p[1], b = p[2];
        if (alpha && p[3] != 255) {
            const std::uint32_t a = p[3];
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
