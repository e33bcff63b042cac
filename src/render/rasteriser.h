// Triangles on a colour and depth target, drawn as Direct3D 7 draws them
// with the preview's device state: the top-left fill rule, pixel (x, y)
// sampled at screen position (x, y), depth tested less-or-equal and written,
// texture coordinates interpolated with perspective, the nearest texel of a
// wrapping texture, white where there is no texture. No anti-aliasing.
//
// Screen positions are fixed point, 1/256 of a pixel, so that the fill rule
// is decided exactly: a pixel whose sample point lies on an edge shared by
// two triangles is drawn by exactly one of them.
#pragma once

#include "render/render_texture.h"

#include <cstdint>
#include <vector>

inline constexpr std::int64_t kSubpixelScale = 256;
// Where pixel (x, y) is sampled, in fixed point, past (x, y) * kSubpixelScale.
// Direct3D up to version 9 puts pixel centres on whole screen coordinates:
// the viewport's left edge x = 0 runs through the middle of column 0.
inline constexpr std::int64_t kSampleOffset = 0;
// Screen positions this far from the origin and further are not drawn; the
// set-up keeps every vertex well inside (its guard band is three picture
// sides wide) so that edge functions stay far from overflow.
inline constexpr std::int64_t kMaxFixedCoordinate = std::int64_t{1} << 26;

struct RenderTarget {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb; // R G B per pixel, rows top first
    std::vector<float> depth;      // one per pixel, 0 nearest, 1 farthest
};

// A target of the given size (both sides positive) filled with one colour
// (0xRRGGBB) and depth 1. The depth buffer reuses `depth`'s block when it is
// large enough.
RenderTarget MakeRenderTarget(std::int32_t width, std::int32_t height, std::uint32_t colour,
                              std::vector<float> depth = {});

struct ScreenVertex {
    std::int64_t x = 0; // fixed point, kSubpixelScale to a pixel, y down
    std::int64_t y = 0;
    double z = 0;      // depth, linear across the screen
    double invW = 0;   // 1/w, linear across the screen (positive)
    double uOverW = 0; // u/w and v/w, linear across the screen
    double vOverW = 0;
};

// Draws the triangle when it runs clockwise on the screen (y down), the
// front-face winding the device keeps; a counter-clockwise or degenerate
// triangle, or one with a position outside kMaxFixedCoordinate, draws
// nothing. `texture` null (or without a picture) draws white.
void RasteriseTriangle(RenderTarget& target, const ScreenVertex& a, const ScreenVertex& b,
                       const ScreenVertex& c, const RgbPicture* texture);
