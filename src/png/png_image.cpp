#include "png/png_image.h"

#include "common/byte_order.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

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

// The largest side written: the largest texture's, far below what zlib's
// and stb_image_write's int lengths allow for a row.
constexpr std::int32_t kMaxSide = 1 << 15;

// Appends one chunk: length, type, data, CRC of type and data.
void AppendChunk(std::vector<std::uint8_t>& out, const char type[4], const std::uint8_t* data,
                 std::size_t size) {
    AppendBe32(out, static_cast<std::uint32_t>(size));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    AppendBe32(out, PngCrc32(out.data() + typeAt, size + 4));
}

// The picture framed by our own code: the rows each with one filter (none for
// paletted pictures, the usual choice for them; "Sub", each byte less the
// byte of the pixel to its left, for truecolour ones, which turns flat areas
// into runs of zeros), compressed at zlib level `level`. `pixels` holds
// `channels` bytes a pixel (1, an index into `palette`, or 3).
std::vector<std::uint8_t> EncodeFramed(std::int32_t pictureWidth, std::int32_t pictureHeight,
                                       std::size_t channels,
                                       const std::vector<std::uint8_t>& pixels,
                                       const std::vector<std::array<std::uint8_t, 3>>* palette,
                                       int level) {
    const std::size_t width = static_cast<std::size_t>(pictureWidth);
    const std::size_t height = static_cast<std::size_t>(pictureHeight);
    const bool paletted = palette != nullptr;
    const std::size_t rowBytes = width * channels;
    std::vector<std::uint8_t> rows((rowBytes + 1) * height);
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* out = rows.data() + y * (rowBytes + 1);
        const std::uint8_t* row = pixels.data() + y * rowBytes;
        out[0] = paletted ? 0 : 1;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const std::uint8_t left = !paletted && i >= channels ? row[i - channels] : 0;
            out[1 + i] = static_cast<std::uint8_t>(row[i] - left);
        }
    }
    uLongf zlibSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<std::uint8_t> zlib(zlibSize);
    if (compress2(zlib.data(), &zlibSize, rows.data(), static_cast<uLong>(rows.size()), level) !=
        Z_OK) {
        return {};
    }
    std::vector<std::uint8_t> out(kPngSignature.begin(), kPngSignature.end());
    std::vector<std::uint8_t> header;
    AppendBe32(header, static_cast<std::uint32_t>(width));
    AppendBe32(header, static_cast<std::uint32_t>(height));
    // Bit depth 8, colour type 3 (paletted) or 2 (truecolour), deflate,
    // adaptive filtering method 0, no interlace.
    header.insert(header.end(), {8, static_cast<std::uint8_t>(paletted ? 3 : 2), 0, 0, 0});
    AppendChunk(out, "IHDR", header.data(), header.size());
    if (paletted) {
        std::vector<std::uint8_t> entries;
        for (const auto& colour : *palette) {
            entries.insert(entries.end(), colour.begin(), colour.end());
        }
        AppendChunk(out, "PLTE", entries.data(), entries.size());
    }
    AppendChunk(out, "IDAT", zlib.data(), zlibSize);
    AppendChunk(out, "IEND", nullptr, 0);
    return out;
}

// "png-picture" when a side is outside 1 to kMaxSide; otherwise nothing.
std::optional<Refusal> SidesRefusal(std::int32_t width, std::int32_t height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        return Refuse("png-picture",
                      "a picture of " + std::to_string(width) + "x" + std::to_string(height) +
                          " pixels: sides must be from 1 to " + std::to_string(kMaxSide));
    }
    return std::nullopt;
}

std::size_t PixelCount(std::int32_t width, std::int32_t height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

Result<std::vector<std::uint8_t>> Framed(std::vector<std::uint8_t> png) {
    if (png.empty()) {
        return Refuse("png-compression", "the picture could not be compressed");
    }
    return png;
}

} // namespace

Result<std::vector<std::uint8_t>> EncodePng(const PalettedPicture& picture) {
    if (const auto refusal = SidesRefusal(picture.width, picture.height)) {
        return *refusal;
    }
    if (picture.indices.size() != PixelCount(picture.width, picture.height) ||
        picture.palette.empty() || picture.palette.size() > 256) {
        return Refuse("png-picture", "a paletted picture needs one index per pixel and 1 to "
                                     "256 colours");
    }
    return Framed(EncodeFramed(picture.width, picture.height, 1, picture.indices, &picture.palette,
                               Z_DEFAULT_COMPRESSION));
}

Result<std::vector<std::uint8_t>> EncodePng(const RgbPicture& picture, PngEffort effort) {
    if (const auto refusal = SidesRefusal(picture.width, picture.height)) {
        return *refusal;
    }
    if (picture.rgb.size() != PixelCount(picture.width, picture.height) * 3) {
        return Refuse("png-picture", "a truecolour picture needs three bytes per pixel");
    }
    if (effort == PngEffort::fast) {
        return Framed(EncodeFramed(picture.width, picture.height, 3, picture.rgb, nullptr, 1));
    }
    int size = 0;
    unsigned char* png = stbi_write_png_to_mem(picture.rgb.data(), picture.width * 3, picture.width,
                                               picture.height, 3, &size);
    if (png == nullptr) {
        return Refuse("png-compression", "the picture could not be compressed");
    }
    std::vector<std::uint8_t> out(png, png + size);
    STBIW_FREE(png);
    return out;
}
