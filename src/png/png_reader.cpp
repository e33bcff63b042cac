#include "png/png_reader.h"

#include "png/png_image.h"

#include "common/byte_order.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

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

} // namespace

Result<PngHeader> ReadPngHeader(std::span<const std::uint8_t> file, const PngSideLimits& limits) {
    // Signature, then IHDR: length 13, type, 13 bytes of data, CRC.
    constexpr std::size_t kHeaderEnd = 8 + 8 + 13 + 4;
    if (file.size() < kHeaderEnd ||
        !std::equal(kPngSignature.begin(), kPngSignature.end(), file.data()) ||
        LoadBe32(file.data() + 8) != 13 ||
        std::string_view(reinterpret_cast<const char*>(file.data()) + 12, 4) != "IHDR") {
        return Refuse("png-signature", "is not a PNG file");
    }
    const std::uint8_t* ihdr = file.data() + 16;
    const std::uint32_t width = LoadBe32(ihdr);
    const std::uint32_t height = LoadBe32(ihdr + 4);
    PngHeader header;
    header.bitDepth = ihdr[8];
    header.colourType = ihdr[9];
    const std::string sides =
        "is a PNG file of " + std::to_string(width) + "x" + std::to_string(height) + " pixels: ";
    if (width == 0 || height == 0 || width > limits.side || height > limits.side) {
        return Refuse("png-sides",
                      sides + "sides must be from 1 to " + std::to_string(limits.side));
    }
    if (std::int64_t{width} * std::int64_t{height} > limits.pixels) {
        return Refuse("png-sides",
                      sides + "at most " + std::to_string(limits.pixels) + " pixels are read");
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
        const std::uint32_t length = LoadBe32(file.data() + at);
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
            LoadBe32(file.data() + at + 8 + length)) {
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
