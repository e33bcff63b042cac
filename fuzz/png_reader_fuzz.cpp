// Any bytes as a PNG file: the header reader and stb_image must refuse them or
// give a picture that agrees with its own header, and never read past the
// data. The last byte chooses whether transparency is flattened.
#include "png/png_reader.h"
#include "texture/texture_pictures.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that any read past the end is caught.
    std::vector<std::uint8_t> bytes(data, data + size);
    const bool flatten = size > 0 && (data[size - 1] & 1) != 0;
    const Result<BitmapImage> decoding = DecodePngForTxr(bytes, flatten);
    if (!decoding) {
        if (decoding.refusal().code == "png-alpha" && flatten) {
            std::abort(); // flattening never refuses transparency
        }
        return 0;
    }
    const Result<PngHeader> header = ReadPngHeader(bytes);
    const BitmapImage& image = *decoding;
    const bool paletted = header && header->colourType == 3;
    if (!header || image.width != header->width || image.height != header->height ||
        image.bitsPerPixel != (paletted ? 8 : 24) ||
        image.pixels.size() != BitmapStride(image.width, image.bitsPerPixel) *
                                   static_cast<std::size_t>(image.height)) {
        std::abort();
    }
    return 0;
}
