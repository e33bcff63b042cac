// The decoding of a model's pictures (PNG and JPEG, from memory only).
#include "gltf/gltf_reader.h"

#include <algorithm>

// stb_image's PNG and JPEG decoders, private to this file: the pictures of a
// model are decoded here, from memory only (Debian keeps stb in a folder of
// its own).
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_MAX_DIMENSIONS kMaxPictureSide
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

Result<RgbPicture> DecodeScenePicture(const ScenePicture& picture) {
    const int size = static_cast<int>(std::min<std::size_t>(picture.encoded.size(), 0x7FFFFFFF));
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(picture.encoded.data(), size, &width, &height, &channels)) {
        return Refuse("gltf-picture", "the picture " + picture.name +
                                          " is neither a PNG nor a JPEG picture that can be read");
    }
    if (width > kMaxPictureSide || height > kMaxPictureSide ||
        std::int64_t{width} * height > kMaxPicturePixels) {
        return Refuse("gltf-picture", "the picture " + picture.name + " is " +
                                          std::to_string(width) + " x " + std::to_string(height) +
                                          " pixels, larger than is read");
    }
    stbi_uc* pixels =
        stbi_load_from_memory(picture.encoded.data(), size, &width, &height, &channels, 3);
    if (pixels == nullptr) {
        return Refuse("gltf-picture", "the picture " + picture.name + " does not decode (" +
                                          stbi_failure_reason() + ")");
    }
    RgbPicture decoded;
    decoded.width = width;
    decoded.height = height;
    decoded.rgb.assign(pixels, pixels + static_cast<std::size_t>(width) * height * 3);
    stbi_image_free(pixels);
    return decoded;
}
