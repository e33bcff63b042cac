#include "render/render_model.h"

#include "common/byte_order.h"
#include "preview/msm_layout.h"
#include "render/clip_triangle.h"
#include "render/sine_cosine.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// The preview's camera: a tilt of -0.1 radian about the x axis, the model
// 1.5 units below the eye and 3.5 ahead of it.
constexpr float kViewTilt = -0.1f;
constexpr float kViewOffsetY = -1.5f;
constexpr float kViewOffsetZ = 3.5f;

// The entries of the view and world matrices that are not 0 or 1, rounded
// to single precision as the viewer hands them to the device.
struct FrameMatrices {
    float turnCos = 1, turnSin = 0; // world: _11 = _33 = cos, _13 = sin, _31 = -sin
    float tiltCos = 1, tiltSin = 0; // view: _22 = _33 = cos, _23 = sin, _32 = -sin
};

FrameMatrices MakeFrameMatrices(float angle) {
    const SineCosine turn = SineCosineOf(angle);
    const SineCosine tilt = SineCosineOf(kViewTilt);
    return FrameMatrices{static_cast<float>(turn.cosine), static_cast<float>(turn.sine),
                         static_cast<float>(tilt.cosine), static_cast<float>(tilt.sine)};
}

float LoadFloat(const std::uint8_t* p) {
    const std::uint32_t bits = LoadLe32(p);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A model vertex through world, view and projection (row vectors, as the
// device multiplies them). The projection keeps x and y, makes z = depth - 1
// and w = depth: the near plane at depth 1 and no far plane.
ClipVertex Transform(const std::uint8_t* vertex, const FrameMatrices& m) {
    const double x = LoadFloat(vertex);
    const double y = LoadFloat(vertex + 4);
    const double z = LoadFloat(vertex + 8);
    // World: a turn about the y axis.
    const double wx = x * m.turnCos - z * m.turnSin;
    const double wz = x * m.turnSin + z * m.turnCos;
    // View: the tilt about x, then the offset.
    const double vy = y * m.tiltCos - wz * m.tiltSin + kViewOffsetY;
    const double vz = y * m.tiltSin + wz * m.tiltCos + kViewOffsetZ;
    return ClipVertex{wx, vy, vz - 1.0, vz, LoadFloat(vertex + 24), LoadFloat(vertex + 28)};
}

} // namespace

Result<RgbPicture> RenderModel(std::span<const std::uint8_t> modelImage, const RenderSlots& slots,
                               float angle, std::int32_t width, std::int32_t height) {
    if (width < 1 || height < 1 || width > kMaxRenderSide || height > kMaxRenderSide) {
        return Refuse("render-size", "a picture of " + std::to_string(width) + " x " +
                                         std::to_string(height) +
                                         " pixels cannot be drawn (sides 1 to " +
                                         std::to_string(kMaxRenderSide) + ")");
    }
    // The depth buffer stays with the thread from one picture to the next: a
    // fresh block of its size, mapped and faulted in page by page on every
    // call, took longer than drawing a small piece.
    thread_local std::vector<float> depthBlock;
    RenderTarget target =
        MakeRenderTarget(width, height, kRenderClearColour, std::move(depthBlock));
    const std::optional<MsmLayout> head = WalkMsmHead(modelImage);
    if (head) {
        const FrameMatrices matrices = MakeFrameMatrices(angle);
        std::vector<ClipVertex> vertices(head->vertexCount);
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            vertices[i] =
                Transform(modelImage.data() + head->verticesOffset + i * kMsmVertexBytes, matrices);
        }
        ForEachDrawnGroup(modelImage, *head, [&](unsigned, const MsmGroup& group) {
            const RgbPicture* texture = nullptr;
            if (group.textureIndex >= 0 && group.textureIndex < kRenderSlots) {
                texture = slots[static_cast<std::size_t>(group.textureIndex)];
            }
            // One triangle fan: the first index with each following pair.
            const ClipVertex& centre = vertices[MsmGroupIndex(modelImage, group, 0)];
            for (int k = 1; k + 1 < group.indexCount; ++k) {
                DrawClipTriangle(target, centre, vertices[MsmGroupIndex(modelImage, group, k)],
                                 vertices[MsmGroupIndex(modelImage, group, k + 1)], texture);
            }
        });
    }
    depthBlock = std::move(target.depth);
    return RgbPicture{width, height, std::move(target.rgb)};
}
