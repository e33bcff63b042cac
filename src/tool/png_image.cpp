#include "tool/png_image.h"

#include "common/byte_order.h"
#include "texture/txr_format.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// stb_image_write's compressor and PNG writer are compiled here and nowhere
// else; nothing of it is written to files by stb itself.
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

std::uint32_t PngCrc32(const std::uint8_t* data, std::size_t size) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

namespace {

void StoreBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

// Appends one chunk: length, type, data, CRC of type and data.
void AppendChunk(std::vector<std::uint8_t>& out, const char type[4], const std::uint8_t* data,
                 std::size_t size) {
    StoreBe32(out, static_cast<std::uint32_t>(size));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    StoreBe32(out, PngCrc32(out.data() + typeAt, size + 4));
}

std::vector<std::uint8_t> EncodePaletted(const PngPicture& picture) {
    const std::size_t width = static_cast<std::size_t>(picture.width);
    const std::size_t height = static_cast<std::size_t>(picture.height);
    // Each row is its filter-type byte (0: none, the usual choice for
    // paletted pictures) and its indices.
    std::vector<std::uint8_t> rows;
    rows.reserve((width + 1) * height);
    for (std::size_t y = 0; y < height; ++y) {
        rows.push_back(0);
        const std::uint8_t* row = picture.pixels.data() + y * width;
        rows.insert(rows.end(), row, row + width);
    }
    int zlibSize = 0;
    unsigned char* zlib = stbi_zlib_compress(rows.data(), static_cast<int>(rows.size()), &zlibSize,
                                             stbi_write_png_compression_level);
    if (zlib == nullptr) {
        return {};
    }
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> out(kSignature, kSignature + 8);
    std::vector<std::uint8_t> header;
    StoreBe32(header, static_cast<std::uint32_t>(width));
    StoreBe32(header, static_cast<std::uint32_t>(height));
    // Bit depth 8, colour type 3 (paletted), deflate, adaptive filtering
    // method 0, no interlace.
    header.insert(header.end(), {8, 3, 0, 0, 0});
    AppendChunk(out, "IHDR", header.data(), header.size());
    std::vector<std::uint8_t> palette;
    for (const auto& colour : picture.palette) {
        palette.insert(palette.end(), colour.begin(), colour.end());
    }
    AppendChunk(out, "PLTE", palette.data(), palette.size());
    AppendChunk(out, "IDAT", zlib, static_cast<std::size_t>(zlibSize));
    STBIW_FREE(zlib);
    AppendChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace

Result<std::vector<std::uint8_t>> EncodePng(const PngPicture& picture) {
    if (picture.width < 1 || picture.height < 1 || picture.width > kMaxTxrSide ||
        picture.height > kMaxTxrSide) {
        return Refuse("png-picture", "a picture of " + std::to_string(picture.width) + "x" +
                                         std::to_string(picture.height) +
                                         " pixels: sides must be from 1 to 32768");
    }
    const std::size_t pixels =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    if (picture.paletted) {
        if (picture.pixels.size() != pixels || picture.palette.empty() ||
            picture.palette.size() > 256) {
            return Refuse("png-picture", "a paletted picture needs one index per pixel and 1 to "
                                         "256 colours");
        }
        std::vector<std::uint8_t> png = EncodePaletted(picture);
        if (png.empty()) {
            return Refuse("png-compression", "the picture could not be compressed");
        }
        return png;
    }
    if (picture.pixels.size() != pixels * 3) {
        return Refuse("png-picture", "a truecolour picture needs three bytes per pixel");
    }
    int size = 0;
    unsigned char* png = stbi_write_png_to_mem(picture.pixels.data(), picture.width * 3,
                                               picture.width, picture.height, 3, &size);
    if (png == nullptr) {
        return Refuse("png-compression", "the picture could not be compressed");
    }
    std::vector<std::uint8_t> out(png, png + size);
    STBIW_FREE(png);
    return out;
}

Result<PngPicture> TxrLevel0Picture(std::span<const std::uint8_t> file, bool keepPalette) {
    const TxrInspection inspection =
        InspectTxr(file.first(std::min(file.size(), kTxrHeaderSize)), file.size());
    if (!inspection.readable) {
        return Refuse("txr-unreadable", inspection.problem);
    }
    const TxrHeader header = DecodeTxrHeader(file.data());
    PngPicture picture;
    picture.width = header.width;
    picture.height = header.height;
    const std::size_t width = static_cast<std::size_t>(header.width);
    const std::size_t stride =
        static_cast<std::size_t>(TxrStride(header.width, header.bitsPerPixel));
    const std::uint8_t* level0 = file.data() + TxrLevel0Offset(header.bitsPerPixel);
    const std::uint8_t* table = file.data() + kTxrHeaderSize; // blue, green, red, reserved
    if (header.bitsPerPixel == 8 && keepPalette) {
        picture.paletted = true;
        picture.palette.resize(256);
        for (std::size_t i = 0; i < 256; ++i) {
            picture.palette[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i]};
        }
        picture.pixels.reserve(width * static_cast<std::size_t>(header.height));
        for (std::int32_t y = 0; y < header.height; ++y) {
            const std::uint8_t* row = level0 + static_cast<std::size_t>(y) * stride;
            picture.pixels.insert(picture.pixels.end(), row, row + width);
        }
        return picture;
    }
    picture.pixels.reserve(width * 3 * static_cast<std::size_t>(header.height));
    for (std::int32_t y = 0; y < header.height; ++y) {
        const std::uint8_t* row = level0 + static_cast<std::size_t>(y) * stride;
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* bgr = header.bitsPerPixel == 8 ? table + 4 * row[x] : row + 3 * x;
            picture.pixels.insert(picture.pixels.end(), {bgr[2], bgr[1], bgr[0]});
        }
    }
    return picture;
}
