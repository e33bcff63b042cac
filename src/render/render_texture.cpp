#include "render/render_texture.h"

bool HasPicture(const RgbPicture& texture) {
    return texture.width > 0 && texture.height > 0 &&
           texture.rgb.size() == 3 * static_cast<std::size_t>(texture.width) *
                                     static_cast<std::size_t>(texture.height);
}
