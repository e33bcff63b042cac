// The preview's picture of a model drawn in software, without a display: the
// same camera, projection, viewport, culling, depth test, texturing and
// clear colour as the viewer's Direct3D preview, and the same walk of the
// model with the same guards, so that the picture is the one the preview
// pane shows at the same turn angle (the viewer's textures are 16-bit
// surfaces, so its colours differ from these by a few levels).
//
// The picture is the same bytes on every run and on every platform: plain
// IEEE arithmetic in double and single precision and a sine and cosine of
// our own; nothing depends on threads or on the C runtime's mathematics.
#pragma once

#include "common/result.h"
#include "render/render_texture.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// The viewer's texture slots: slot i holds the texture of the model's name i.
inline constexpr int kRenderSlots = 17;
using RenderSlots = std::array<const RgbPicture*, kRenderSlots>;

// The largest side of a picture.
inline constexpr std::int32_t kMaxRenderSide = 8192;

// The clear colour of the preview, 0xRRGGBB.
inline constexpr std::uint32_t kRenderClearColour = 0x7777FF;

// Draws the model held in `modelImage` (a whole .msm file) turned by `angle`
// radians about its vertical axis, as the preview does at that angle, into a
// picture of width x height pixels. The view spans 90 degrees across both
// sides whatever the picture's shape, as the pane's does.
//
// `slots[i]` is the texture that the groups of texture index i are drawn
// with, or null for an empty slot (the viewer's slot when the texture file
// is missing or unreadable); a group whose index is negative, 17 or more, or
// names an empty slot is drawn white. The caller fills slot i with level 0
// of the texture the model's name i refers to, as the viewer looks it up.
//
// What the viewer would not draw is left out as it does: a model whose head
// (names, vertices, group count) runs past the data shows the clear colour
// alone; a group that runs past the data ends the walk, the groups before it
// drawn; a group of fewer than three indices or with an index past the
// vertices is skipped. Triangles with numbers that are not finite are
// skipped. Refused only for a side outside 1 to kMaxRenderSide
// ("render-size").
Result<RgbPicture> RenderModel(std::span<const std::uint8_t> modelImage, const RenderSlots& slots,
                               float angle, std::int32_t width, std::int32_t height);
