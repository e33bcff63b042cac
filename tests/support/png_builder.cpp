#include "support/png_builder.h"

#include "common/byte_order.h"

#include <algorithm>
#include <string>

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

void Chunk(Bytes& out, const std::string& type, const Bytes& data) {
    AppendBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    AppendBe32(out, stbiw__crc32(out.data() + start, static_cast<int>(out.size() - start)));
}

} // namespace

Bytes BuildPng(const TestPng& png) {
    const int channels = std::array{1, 0, 3, 1, 2, 0, 4}[png.colourType];
    // Rows of filter type 0, samples packed most significant bits first.
    Bytes rows;
    for (int y = 0; y < png.height; ++y) {
        rows.push_back(0);
        int bits = 0;
        std::uint32_t pending = 0;
        for (int x = 0; x < png.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                pending = pending << png.bitDepth | static_cast<std::uint32_t>(png.sample(x, y, c));
                for (bits += png.bitDepth; bits >= 8; bits -= 8) {
                    rows.push_back(static_cast<std::uint8_t>(pending >> (bits - 8)));
                }
            }
        }
        if (bits > 0) {
            rows.push_back(static_cast<std::uint8_t>(pending << (8 - bits)));
        }
    }
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    AppendBe32(header, static_cast<std::uint32_t>(png.width));
    AppendBe32(header, static_cast<std::uint32_t>(png.height));
    header.insert(header.end(), {static_cast<std::uint8_t>(png.bitDepth),
                                 static_cast<std::uint8_t>(png.colourType), 0, 0, 0});
    Chunk(out, "IHDR", header);
    Bytes palette;
    for (const auto& colour : png.palette) {
        palette.insert(palette.end(), colour.begin(), colour.end());
    }
    if (!palette.empty()) {
        Chunk(out, "PLTE", palette);
    }
    if (!png.transparency.empty()) {
        Chunk(out, "tRNS", png.transparency);
    }
    int size = 0;
    unsigned char* zlib = stbi_zlib_compress(rows.data(), static_cast<int>(rows.size()), &size, 6);
    Chunk(out, "IDAT", Bytes(zlib, zlib + size));
    STBIW_FREE(zlib);
    Chunk(out, "IEND", {});
    return out;
}

Bytes PngClaimingSides(std::uint32_t width, std::uint32_t height) {
    Bytes png = BuildPng({1, 1, 0, 8, [](int, int, int) { return 0; }});
    // Signature; IHDR's length and type, then its sides; its CRC after its
    // 13 bytes of data.
    Bytes sides;
    AppendBe32(sides, width);
    AppendBe32(sides, height);
    std::copy(sides.begin(), sides.end(), png.begin() + 16);
    Bytes crc;
    AppendBe32(crc, stbiw__crc32(png.data() + 12, 17));
    std::copy(crc.begin(), crc.end(), png.begin() + 29);
    return png;
}
