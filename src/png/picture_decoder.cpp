#include "png/picture_decoder.h"

#include <algorithm>
#include <memory>

// stb_image's PNG and JPEG decoders, from memory only, compiled here and
// nowhere else. Its own side limit is left at its default, far beyond every
// caller's: a caller's limit is its own refusal, said in its words.
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
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

namespace {

struct StbPixels {
    void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

// The decoder takes an int length: longer data is cut there (no picture it
// could decode is that long).
int DecoderLength(std::span<const std::uint8_t> file) {
    return static_cast<int>(std::min<std::size_t>(file.size(), 0x7FFFFFFF));
}

} // namespace

std::optional<PictureSides> EncodedPictureSides(std::span<const std::uint8_t> file) {
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(file.data(), DecoderLength(file), &width, &height, &channels)) {
        return std::nullopt;
    }
    return PictureSides{width, height};
}

Result<DecodedPicture> DecodePicture(std::span<const std::uint8_t> file, bool withAlpha) {
    const int channels = withAlpha ? 4 : 3;
    int width = 0, height = 0, fileChannels = 0;
    std::unique_ptr<stbi_uc, StbPixels> pixels(stbi_load_from_memory(
        file.data(), DecoderLength(file), &width, &height, &fileChannels, channels));
    if (pixels == nullptr) {
        return Refuse("picture-decode", stbi_failure_reason());
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    DecodedPicture decoded;
    decoded.picture.width = width;
    decoded.picture.height = height;
    if (!withAlpha) {
        decoded.picture.rgb.assign(pixels.get(), pixels.get() + count * 3);
        return decoded;
    }
    decoded.picture.rgb.resize(count * 3);
    decoded.alpha.resize(count);
    const stbi_uc* rgba = pixels.get();
    for (std::size_t i = 0; i < count; ++i) {
        std::copy_n(rgba + 4 * i, 3, decoded.picture.rgb.data() + 3 * i);
        decoded.alpha[i] = rgba[4 * i + 3];
    }
    return decoded;
}
