#include "support/png_builder.h"

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

void Be32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void Chunk(Bytes& out, const std::string& type, const Bytes& data) {
    Be32(out, static_cast<std::uint32_t>(data.size()));
    Bytes body(type.begin(), type.end());
    body.insert(body.end(), data.begin(), data.end());
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : body) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) {
            crc = (crc & 1) != 0 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        }
    }
    out.insert(out.end(), body.begin(), body.end());
    Be32(out, ~crc);
}

} // namespace

Bytes BuildPng(const TestPng& png) {
    const int channels = png.colourType == 2   ? 3
                         : png.colourType == 4 ? 2
                         : png.colourType == 6 ? 4
                                               : 1;
    // Rows of filter type 0, samples packed most significant bits first.
    Bytes rows;
    for (int y = 0; y < png.height; ++y) {
        rows.push_back(0);
        int bits = 0;
        std::uint32_t pending = 0;
        for (int x = 0; x < png.width; ++x) {
            for (int c = 0; c < channels; ++c) {
                pending =
                    (pending << png.bitDepth) | static_cast<std::uint32_t>(png.sample(x, y, c));
                bits += png.bitDepth;
                while (bits >= 8) {
                    bits -= 8;
                    rows.push_back(static_cast<std::uint8_t>(pending >> bits));
                }
            }
        }
        if (bits > 0) {
            rows.push_back(static_cast<std::uint8_t>(pending << (8 - bits)));
        }
    }
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    Be32(header, static_cast<std::uint32_t>(png.width));
    Be32(header, static_cast<std::uint32_t>(png.height));
    header.insert(header.end(), {static_cast<std::uint8_t>(png.bitDepth),
                                 static_cast<std::uint8_t>(png.colourType), 0, 0, 0});
    Chunk(out, "IHDR", header);
    if (!png.palette.empty()) {
        Bytes palette;
        for (const auto& colour : png.palette) {
            palette.insert(palette.end(), colour.begin(), colour.end());
        }
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
