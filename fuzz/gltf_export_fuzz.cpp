// Any bytes as a model exported to glTF, with the first bytes as the piece's
// Shift-JIS name: no crash, no read past the data, and whatever is written is
// a JSON document in a container of the length it states.
#include "gltf/gltf_export.h"
#include "png/png_image.h"
#include "common/shift_jis_text.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::uint8_t> png = [] {
        RgbPicture picture;
        picture.width = 2;
        picture.height = 2;
        picture.rgb.assign(12, 0x80);
        return EncodePng(picture).value();
    }();
    const std::string name = ShiftJisToUtf8(
        std::string_view(reinterpret_cast<const char*>(data), size < 32 ? size : 32));
    GltfOptions options;
    options.unlit = size % 2 == 1;
    const Result<GltfPiece> piece = BuildPieceGltf(
        std::span<const std::uint8_t>(data, size), name,
        [](int index) { return index % 2 == 0 ? png : std::vector<std::uint8_t>{}; }, options);
    if (!piece) {
        return 0;
    }
    if (nlohmann::json::parse(piece->json, nullptr, false).is_discarded() ||
        piece->bin.size() % 4 != 0) {
        std::abort();
    }
    const std::vector<std::uint8_t> glb = PackGlb(*piece);
    const std::size_t stated = glb[8] | glb[9] << 8 | glb[10] << 16 | std::size_t{glb[11]} << 24;
    if (stated != glb.size()) {
        std::abort();
    }
    return 0;
}
