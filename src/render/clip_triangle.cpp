#include "render/clip_triangle.h"

#include <cmath>

namespace {

// Clip x and y stay within this many times w: the picture spans -1 to 1.
constexpr double kGuardBand = 3.0;
// Three vertices and one more for each of the five planes.
constexpr int kMaxPolygon = 8;

struct Polygon {
    ClipVertex vertex[kMaxPolygon];
    int count = 0;
};

bool Finite(const ClipVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w) &&
           std::isfinite(v.u) && std::isfinite(v.v);
}

// The signed distance of a vertex from one clipping plane, inside when 0 or
// more.
double Distance(const ClipVertex& v, int plane) {
    switch (plane) {
    case 0:
        return v.z; // near plane
    case 1:
        return kGuardBand * v.w - v.x;
    case 2:
        return kGuardBand * v.w + v.x;
    case 3:
        return kGuardBand * v.w - v.y;
    default:
        return kGuardBand * v.w + v.y;
    }
}

ClipVertex Between(const ClipVertex& from, const ClipVertex& to, double t) {
    return ClipVertex{from.x + t * (to.x - from.x), from.y + t * (to.y - from.y),
                      from.z + t * (to.z - from.z), from.w + t * (to.w - from.w),
                      from.u + t * (to.u - from.u), from.v + t * (to.v - from.v)};
}

// Sutherland-Hodgman against one plane. The point where an edge crosses the
// plane is always computed from its inside end, so that two triangles that
// share the edge (and run along it in opposite directions) cut it at the
// same point and stay watertight.
void ClipAgainst(Polygon& polygon, int plane) {
    Polygon out;
    for (int i = 0; i < polygon.count; ++i) {
        const ClipVertex& p = polygon.vertex[i];
        const ClipVertex& q = polygon.vertex[(i + 1) % polygon.count];
        const double dp = Distance(p, plane);
        const double dq = Distance(q, plane);
        if (dp >= 0) {
            out.vertex[out.count++] = p;
        }
        if ((dp >= 0) != (dq >= 0)) {
            out.vertex[out.count++] =
                dp >= 0 ? Between(p, q, dp / (dp - dq)) : Between(q, p, dq / (dq - dp));
        }
    }
    polygon = out;
}

// Divide by w and map onto the viewport: x from -1..1 to 0..width, y from
// 1..-1 to 0..height, in fixed point. False for a position that cannot be
// drawn.
bool ToScreen(const ClipVertex& v, std::int32_t width, std::int32_t height, ScreenVertex& out) {
    const double invW = 1.0 / v.w;
    const double sx = (1.0 + v.x * invW) * (0.5 * width) * kSubpixelScale;
    const double sy = (1.0 - v.y * invW) * (0.5 * height) * kSubpixelScale;
    const double limit = static_cast<double>(kMaxFixedCoordinate);
    if (!(invW > 0 && std::fabs(sx) < limit && std::fabs(sy) < limit)) {
        return false;
    }
    out.x = static_cast<std::int64_t>(std::floor(sx + 0.5));
    out.y = static_cast<std::int64_t>(std::floor(sy + 0.5));
    out.z = v.z * invW;
    out.invW = invW;
    out.uOverW = v.u * invW;
    out.vOverW = v.v * invW;
    return std::isfinite(out.z) && std::isfinite(out.uOverW) && std::isfinite(out.vOverW);
}

} // namespace

void DrawClipTriangle(RenderTarget& target, const ClipVertex& a, const ClipVertex& b,
                      const ClipVertex& c, const RgbPicture* texture) {
    if (!Finite(a) || !Finite(b) || !Finite(c)) {
        return;
    }
    Polygon polygon;
    polygon.vertex[0] = a;
    polygon.vertex[1] = b;
    polygon.vertex[2] = c;
    polygon.count = 3;
    // Most triangles lie wholly inside every plane and need no cutting; one
    // wholly outside a plane has nothing to draw.
    for (int plane = 0; plane < 5 && polygon.count >= 3; ++plane) {
        const int inside =
            (Distance(a, plane) >= 0) + (Distance(b, plane) >= 0) + (Distance(c, plane) >= 0);
        if (inside == 0) {
            return;
        }
        if (inside < 3) {
            ClipAgainst(polygon, plane);
        }
    }
    if (polygon.count < 3) {
        return;
    }
    ScreenVertex screen[kMaxPolygon];
    for (int i = 0; i < polygon.count; ++i) {
        if (!ToScreen(polygon.vertex[i], target.width, target.height, screen[i])) {
            return;
        }
    }
    // The winding of the whole clipped polygon decides the culling; a fan
    // triangle that rounding to fixed point has turned over is a sliver of
    // no area, left out with the rasteriser's own test.
    std::int64_t area = 0;
    for (int i = 1; i + 1 < polygon.count; ++i) {
        area += (screen[i].x - screen[0].x) * (screen[i + 1].y - screen[0].y) -
                (screen[i].y - screen[0].y) * (screen[i + 1].x - screen[0].x);
    }
    if (area <= 0) {
        return;
    }
    for (int i = 1; i + 1 < polygon.count; ++i) {
        RasteriseTriangle(target, screen[0], screen[i], screen[i + 1], texture);
    }
}
