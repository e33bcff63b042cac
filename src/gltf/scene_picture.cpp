// The decoding of a model's pictures (PNG and JPEG, from memory only), with
// the program's one picture decoder; the import's own limits are checked
// from the picture's header before anything is decoded.
#include "gltf/gltf_reader.h"

#include "png/picture_decoder.h"

#include <optional>
#include <string>

Result<RgbPicture> DecodeScenePicture(const ScenePicture& picture) {
    const std::optional<PictureSides> sides = EncodedPictureSides(picture.encoded);
    if (!sides) {
        return Refuse("gltf-picture", "the picture " + picture.name +
                                          " is neither a PNG nor a JPEG picture that can be read");
    }
    const std::string shown = "the picture " + picture.name + " is " +
                              std::to_string(sides->width) + " x " + std::to_string(sides->height) +
                              " pixels: ";
    if (sides->width > kMaxPictureSide || sides->height > kMaxPictureSide) {
        return Refuse("gltf-picture", shown + "sides of more than " +
                                          std::to_string(kMaxPictureSide) + " pixels are not read");
    }
    if (std::int64_t{sides->width} * sides->height > kMaxPicturePixels) {
        return Refuse("gltf-picture", shown + "more than " + std::to_string(kMaxPicturePixels) +
                                          " pixels are not read");
    }
    Result<DecodedPicture> decoded = DecodePicture(picture.encoded, false);
    if (!decoded) {
        return Refuse("gltf-picture", "the picture " + picture.name + " does not decode (" +
                                          decoded.refusal().message + ")");
    }
    return std::move(decoded->picture);
}
