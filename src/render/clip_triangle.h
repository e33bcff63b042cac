// A triangle from clip space to the screen, as the device's fixed pipeline
// takes it: clipped by polygon clipping at the near plane (clip z >= 0, a
// view depth of at least 1 with the preview's projection), divided by w,
// mapped onto the viewport, culled by its winding on the screen, and drawn.
// The triangle is also clipped to a guard band three picture sides wide, so
// that the screen positions of what is drawn stay small; the picture's own
// edges then cut the rest pixel by pixel.
#pragma once

#include "render/rasteriser.h"

struct ClipVertex {
    double x = 0, y = 0, z = 0, w = 0; // after the projection, before the divide
    double u = 0, v = 0;               // texture coordinates
};

// Draws nothing when any number of the three vertices is not finite.
// Viewport: X 0 to the target's width, Y 0 to its height, depth 0 to 1.
void DrawClipTriangle(RenderTarget& target, const ClipVertex& a, const ClipVertex& b,
                      const ClipVertex& c, const RgbPicture* texture);
