// Any bytes as a model to draw, the first four as the turn angle (any float:
// infinities, NaNs, 3e38): the software rendering must draw what it can
// without reading past the data or overflowing a conversion (the sanitizers
// watch), give a picture of the size asked for, and give the same bytes
// when asked twice.
#include "render/render_model.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    float angle = 0;
    std::memcpy(&angle, data, 4);
    const std::span<const std::uint8_t> model(data + 4, size - 4);
    // Slots of a single texel, of an odd size, and one with no picture.
    const RgbPicture one{1, 1, {10, 20, 30}};
    const RgbPicture odd{5, 3, std::vector<std::uint8_t>(45, 0x81)};
    const RgbPicture none{4, 4, {}};
    const RenderSlots slots{&one, &odd, &none, nullptr, &one};
    const Result<RgbPicture> first = RenderModel(model, slots, angle, 48, 32);
    const Result<RgbPicture> second = RenderModel(model, slots, angle, 48, 32);
    if (!first.ok() || first->rgb.size() != 48 * 32 * 3 || first->rgb != second->rgb) {
        std::abort();
    }
    return 0;
}
