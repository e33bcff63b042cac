#include "texture/bmp_reader.h"

#include "common/byte_order.h"
#include "common/file_io.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kFileHeaderSize = 14;

// biCompression values.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;

struct InfoFields {
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: rows stored top row first
    std::uint32_t planes = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    bool core = false; // 12-byte header: 16-bit sizes, 3-byte table entries
};

bool IsKnownHeaderSize(std::uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool CompressionFitsDepth(std::uint32_t bits, std::uint32_t compression) {
    switch (bits) {
    case 1:
    case 24:
        return compression == kBiRgb;
    case 4:
        return compression == kBiRgb || compression == kBiRle4;
    case 8:
        return compression == kBiRgb || compression == kBiRle8;
    case 16:
    case 32:
        return compression == kBiRgb || compression == kBiBitFields ||
               compression == kBiAlphaBitFields;
    default:
        return false;
    }
}

// Bytes of one stored row of `width` pixels at `bits` per pixel.
std::uint64_t FileStride(std::int64_t width, std::uint32_t bits) {
    return (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
}

// Decodes 8-bit run-length data into `pixels` (top row first, index 0 where
// the data skips pixels). The data describes the bottom row first; each
// command is two bytes: a count of 1..255 repeats the second byte; a zero
// count is an escape: 0 ends the row, 1 ends the picture, 2 moves right and
// up by the next two bytes, 3..255 copies that many literal bytes, padded to
// an even length. False when the data ends before the end-of-picture escape
// or a command reaches past the picture.
bool DecodeRle8(const std::uint8_t* data, std::size_t size, std::size_t pos, std::int32_t width,
                std::int32_t rows, std::size_t stride, std::vector<std::uint8_t>& pixels) {
    std::int64_t x = 0;
    std::int64_t y = 0; // counted from the bottom row
    const auto rowStart = [&](std::int64_t fromBottom) {
        return pixels.data() + static_cast<std::size_t>(rows - 1 - fromBottom) * stride;
    };
    for (;;) {
        if (size - pos < 2) {
            return false;
        }
        const std::uint8_t count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (y >= rows || x + count > width) {
                return false;
            }
            std::memset(rowStart(y) + x, value, count);
            x += count;
            continue;
        }
        switch (value) {
        case 0: // end of row
            x = 0;
            ++y;
            if (y > rows) {
                return false;
            }
            break;
        case 1: // end of picture
            return true;
        case 2: // delta
            if (size - pos < 2) {
                return false;
            }
            x += data[pos];
            y += data[pos + 1];
            pos += 2;
            if (x > width || y > rows) {
                return false;
            }
            break;
        default: { // literal bytes, padded to an even count
            const std::size_t padded = value + (value & 1u);
            if (size - pos < padded || y >= rows || x + value > width) {
                return false;
            }
            std::memcpy(rowStart(y) + x, data + pos, value);
            x += value;
            pos += padded;
            break;
        }
        }
    }
}

// What the headers say: the picture's description (its colour table read),
// where its pixels are and how they are stored.
struct Layout {
    BitmapImage image; // all but the pixels
    std::uint64_t pixelOffset = 0;
    std::uint64_t fileStride = 0;
    bool topDown = false;
    bool runLength = false;
};

// Reads the headers and colour table from `head`, the file's first
// `headSize` bytes, which reach at least to the pixel offset when the file
// is that long; `fileSize` is the length of the whole file.
std::optional<Layout> ParseLayout(const std::uint8_t* head, std::size_t headSize,
                                  std::uint64_t fileSize) {
    if (head == nullptr || headSize < kFileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M') {
        return std::nullopt;
    }
    Layout layout;
    layout.pixelOffset = LoadLe32(head + 10);
    const std::uint32_t headerSize = LoadLe32(head + kFileHeaderSize);
    if (!IsKnownHeaderSize(headerSize) || headSize - kFileHeaderSize < headerSize) {
        return std::nullopt;
    }
    const std::uint8_t* info = head + kFileHeaderSize;
    InfoFields fields;
    if (headerSize == 12) {
        fields.core = true;
        fields.width = LoadLe16(info + 4);
        fields.height = LoadLe16(info + 6);
        fields.planes = LoadLe16(info + 8);
        fields.bitsPerPixel = LoadLe16(info + 10);
    } else {
        fields.width = LoadLe32Signed(info + 4);
        fields.height = LoadLe32Signed(info + 8);
        fields.planes = LoadLe16(info + 12);
        fields.bitsPerPixel = LoadLe16(info + 14);
        fields.compression = LoadLe32(info + 16);
        fields.colorsUsed = LoadLe32(info + 32);
    }

    layout.topDown = fields.height < 0;
    const std::int64_t rows = layout.topDown ? -fields.height : fields.height;
    if (fields.planes != 1 || fields.width <= 0 || rows <= 0 || fields.width > kMaxBitmapSide ||
        rows > kMaxBitmapSide || fields.width * rows > kMaxBitmapPixels) {
        return std::nullopt;
    }
    if (!CompressionFitsDepth(fields.bitsPerPixel, fields.compression)) {
        return std::nullopt;
    }
    layout.runLength = fields.compression == kBiRle8 || fields.compression == kBiRle4;
    if (layout.runLength && layout.topDown) {
        return std::nullopt; // run-length pictures are always stored bottom-up
    }

    // The colour table (or the colour masks of a 40-byte header) lies between
    // the information header and the pixel data.
    std::uint64_t tableStart = kFileHeaderSize + headerSize;
    if (headerSize == 40 && fields.compression == kBiBitFields) {
        tableStart += 12;
    } else if (headerSize == 40 && fields.compression == kBiAlphaBitFields) {
        tableStart += 16;
    }
    if (layout.pixelOffset < tableStart || layout.pixelOffset > fileSize ||
        layout.pixelOffset > headSize) {
        return std::nullopt;
    }

    BitmapImage& image = layout.image;
    image.width = static_cast<std::int32_t>(fields.width);
    image.height = static_cast<std::int32_t>(rows);
    image.bitsPerPixel = static_cast<std::int32_t>(fields.bitsPerPixel);
    layout.fileStride = FileStride(fields.width, fields.bitsPerPixel);
    if (!layout.runLength &&
        layout.fileStride * static_cast<std::uint64_t>(rows) > fileSize - layout.pixelOffset) {
        return std::nullopt; // the pixel rows run past the end of the file
    }

    if (fields.bitsPerPixel == 8) {
        // Core headers have no count: their table fills the room before the
        // pixel data, 256 entries at most. Other headers give the count
        // (0 meaning all 256), and the table must fit before the pixel data.
        const std::uint64_t room = layout.pixelOffset - tableStart;
        std::uint64_t entries;
        if (fields.core) {
            entries = std::min<std::uint64_t>(256, room / 3);
        } else {
            entries = fields.colorsUsed == 0 ? 256 : fields.colorsUsed;
            if (entries > 256 || entries * 4 > room) {
                return std::nullopt;
            }
        }
        const std::size_t entrySize = fields.core ? 3 : 4;
        for (std::size_t k = 0; k < entries; ++k) {
            const std::uint8_t* entry = head + tableStart + k * entrySize;
            image.colourTable[4 * k] = entry[0];
            image.colourTable[4 * k + 1] = entry[1];
            image.colourTable[4 * k + 2] = entry[2];
        }
    }
    return layout;
}

bool HasPixels(const Layout& layout) {
    return layout.image.bitsPerPixel == 8 || layout.image.bitsPerPixel == 24;
}

// Uncompressed rows already in `pixels` in the file's order: turned top row
// first, and their padding bytes, which carry no meaning, set to zero.
void FinishRows(const Layout& layout, std::vector<std::uint8_t>& pixels) {
    const BitmapImage& image = layout.image;
    const std::size_t stride = BitmapStride(image.width, image.bitsPerPixel);
    const std::size_t rowBytes =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.bitsPerPixel / 8);
    const std::size_t rows = static_cast<std::size_t>(image.height);
    if (!layout.topDown) {
        std::vector<std::uint8_t> spare(stride);
        for (std::size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
            std::uint8_t* a = pixels.data() + top * stride;
            std::uint8_t* b = pixels.data() + bottom * stride;
            std::memcpy(spare.data(), a, stride);
            std::memcpy(a, b, stride);
            std::memcpy(b, spare.data(), stride);
        }
    }
    if (rowBytes < stride) {
        for (std::size_t row = 0; row < rows; ++row) {
            std::memset(pixels.data() + row * stride + rowBytes, 0, stride - rowBytes);
        }
    }
}

// Pixels of a 256-colour or 24-bit picture from `data`, the file's bytes
// from the pixel offset to its end.
bool DecodePixels(Layout& layout, const std::uint8_t* data, std::size_t size) {
    BitmapImage& image = layout.image;
    const std::size_t stride = BitmapStride(image.width, image.bitsPerPixel);
    image.pixels.assign(stride * static_cast<std::size_t>(image.height), 0);
    if (layout.runLength) {
        return DecodeRle8(data, size, 0, image.width, image.height, stride, image.pixels);
    }
    // A stored row is exactly as long as a row in memory (both padded to 4).
    std::memcpy(image.pixels.data(), data, image.pixels.size());
    FinishRows(layout, image.pixels);
    return true;
}

} // namespace

std::optional<BitmapImage> ReadBitmap(const std::uint8_t* data, std::size_t size) {
    std::optional<Layout> layout = ParseLayout(data, size, size);
    if (!layout) {
        return std::nullopt;
    }
    if (HasPixels(*layout)) {
        const std::size_t offset = static_cast<std::size_t>(layout->pixelOffset);
        if (!DecodePixels(*layout, data + offset, size - offset)) {
            return std::nullopt;
        }
    }
    return std::move(layout->image);
}

std::optional<BitmapImage> ReadBitmapFile(const char* path) {
    // The headers and colour table are read first; uncompressed pixel rows
    // then go straight into the picture, without a copy of the whole file.
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        return std::nullopt;
    }
    std::optional<BitmapImage> result;
    const std::optional<std::uint64_t> length = FileLength(stream);
    if (length && *length <= kMaxBitmapFileBytes && *length >= kFileHeaderSize) {
        std::vector<std::uint8_t> head(
            static_cast<std::size_t>(std::min<std::uint64_t>(*length, 14 + 124)));
        if (ReadExactly(stream, head.data(), head.size())) {
            const std::uint64_t pixelOffset = LoadLe32(head.data() + 10);
            const std::size_t before = head.size();
            if (pixelOffset > before && pixelOffset <= *length) {
                head.resize(static_cast<std::size_t>(pixelOffset));
            }
            std::optional<Layout> layout;
            if (ReadExactly(stream, head.data() + before, head.size() - before)) {
                layout = ParseLayout(head.data(), head.size(), *length);
            }
            if (layout && !HasPixels(*layout)) {
                result = std::move(layout->image);
            } else if (layout &&
                       std::fseek(stream, static_cast<long>(layout->pixelOffset), SEEK_SET) == 0) {
                const std::size_t rest = static_cast<std::size_t>(*length - layout->pixelOffset);
                if (layout->runLength) {
                    std::vector<std::uint8_t> encoded(rest);
                    if (ReadExactly(stream, encoded.data(), rest) &&
                        DecodePixels(*layout, encoded.data(), encoded.size())) {
                        result = std::move(layout->image);
                    }
                } else {
                    BitmapImage& image = layout->image;
                    image.pixels.resize(BitmapStride(image.width, image.bitsPerPixel) *
                                        static_cast<std::size_t>(image.height));
                    if (ReadExactly(stream, image.pixels.data(), image.pixels.size())) {
                        FinishRows(*layout, image.pixels);
                        result = std::move(image);
                    }
                }
            }
        }
    }
    std::fclose(stream);
    return result;
}
