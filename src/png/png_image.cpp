#include "tool/png_image.h"

#include "common/byte_order.h"
#include "texture/txr_format.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <zlib.h>

namespace {

// The deflate stream of a PNG file's image data, made by zlib at its default
// level: as small as stb_image_write's own compressor makes it or smaller,
// and four to five times faster on the pictures piecetool writes (a site's
// thumbnails, large flat areas, took 5 ms each with stb's and 1 ms with
// zlib's). The block is released with free(), as stb releases its own.
unsigned char* ZlibCompress(unsigned char* data, int length, int* outLength, int /*quality*/) {
    uLongf size = compressBound(static_cast<uLong>(length));
    auto* out = static_cast<unsigned char*>(std::malloc(size));
    if (out == nullptr ||
        compress2(out, &size, data, static_cast<uLong>(length), Z_DEFAULT_COMPRESSION) != Z_OK) {
        std::free(out);
        return nullptr;
    }
    *outLength = static_cast<int>(size);
    return out;
}

} // namespace

// stb_image_write's PNG writer (its choice of row filters and its framing)
// is compiled here and nowhere else, with zlib as its compressor; nothing of
// it is written to files by stb itself.
#define STBIW_ZLIB_COMPRESS ZlibCompress
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

// The picture framed by our own code: the rows each with one filter (none for
// paletted pictures, the usual choice for them; "Sub", each byte less the
// byte of the pixel to its left, for truecolour ones, which turns flat areas
// into runs of zeros), compressed at zlib level `level`.
std::vector<std::uint8_t> EncodeFramed(const PngPicture& picture, int level) {
    const std::size_t width = static_cast<std::size_t>(picture.width);
    const std::size_t height = static_cast<std::size_t>(picture.height);
    const std::size_t channels = picture.paletted ? 1 : 3;
    const std::size_t rowBytes = width * channels;
    std::vector<std::uint8_t> rows((rowBytes + 1) * height);
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* out = rows.data() + y * (rowBytes + 1);
        const std::uint8_t* row = picture.pixels.data() + y * rowBytes;
        out[0] = picture.paletted ? 0 : 1;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const std::uint8_t left = !picture.paletted && i >= channels ? row[i - channels] : 0;
            out[1 + i] = static_cast<std::uint8_t>(row[i] - left);
        }
    }
    uLongf zlibSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<std::uint8_t> zlib(zlibSize);
    if (compress2(zlib.data(), &zlibSize, rows.data(), static_cast<uLong>(rows.size()), level) !=
        Z_OK) {
        return {};
    }
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> out(kSignature, kSignature + 8);
    std::vector<std::uint8_t> header;
    StoreBe32(header, static_cast<std::uint32_t>(width));
    StoreBe32(header, static_cast<std::uint32_t>(height));
    // Bit depth 8, colour type 3 (paletted) or 2 (truecolour), deflate,
    // adaptive filtering method 0, no interlace.
    header.insert(header.end(), {8, static_cast<std::uint8_t>(picture.paletted ? 3 : 2), 0, 0, 0});
    AppendChunk(out, "IHDR", header.data(), header.size());
    if (picture.paletted) {
        std::vector<std::uint8_t> palette;
        for (const auto& colour : picture.palette) {
            palette.insert(palette.end(), colour.begin(), colour.end());
        }
        AppendChunk(out, "PLTE", palette.data(), palette.size());
    }
    AppendChunk(out, "IDAT", zlib.data(), zlibSize);
    AppendChunk(out, "IEND", nullptr, 0);
    return out;
}

} // namespace

Result<std::vector<std::uint8_t>> EncodePng(const PngPicture& picture, PngEffort effort) {
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
    } else if (picture.pixels.size() != pixels * 3) {
        return Refuse("png-picture", "a truecolour picture needs three bytes per pixel");
    }
    if (picture.paletted || effort == PngEffort::fast) {
        std::vector<std::uint8_t> png =
            EncodeFramed(picture, effort == PngEffort::fast ? 1 : Z_DEFAULT_COMPRESSION);
        if (png.empty()) {
            return Refuse("png-compression", "the picture could not be compressed");
        }
        return png;
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
