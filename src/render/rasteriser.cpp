#include "render/rasteriser.h"

#include <algorithm>

namespace {

// Division rounding down and up, for a positive divisor.
std::int64_t FloorDiv(std::int64_t n, std::int64_t d) {
    std::int64_t q = n / d;
    if (n % d != 0 && n < 0) {
        --q;
    }
    return q;
}

std::int64_t CeilDiv(std::int64_t n, std::int64_t d) {
    return -FloorDiv(-n, d);
}

// The edge function of the edge from a to b: twice the signed area of the
// triangle (a, b, p), positive for a point p to the right of the edge as
// seen on the screen (y down), that is inside a clockwise triangle. As a
// function of the pixel (px, py): atOrigin + stepX * px + stepY * py.
struct Edge {
    std::int64_t stepX = 0;
    std::int64_t stepY = 0;
    std::int64_t atOrigin = 0;
    // The least value that counts as inside: a sample point exactly on a top
    // edge (horizontal, above the rest of the triangle) or a left edge (the
    // edges that run upwards in clockwise order) belongs to the triangle, a
    // point on any other edge to its neighbour.
    std::int64_t least = 0;
};

Edge MakeEdge(const ScreenVertex& a, const ScreenVertex& b) {
    const std::int64_t dx = b.x - a.x;
    const std::int64_t dy = b.y - a.y;
    Edge edge;
    edge.stepX = -dy * kSubpixelScale;
    edge.stepY = dx * kSubpixelScale;
    edge.atOrigin = dx * (kSampleOffset - a.y) - dy * (kSampleOffset - a.x);
    edge.least = (dy < 0 || (dy == 0 && dx > 0)) ? 0 : 1;
    return edge;
}

bool InRange(const ScreenVertex& v) {
    return v.x > -kMaxFixedCoordinate && v.x < kMaxFixedCoordinate && v.y > -kMaxFixedCoordinate &&
           v.y < kMaxFixedCoordinate;
}

// The texel of a wrapping coordinate already scaled by the texture's side:
// floor(f) mod size. A coordinate too large to say which texel it falls in
// (or not a number) takes texel 0.
std::int32_t WrapTexel(double f, std::int32_t size) {
    constexpr double kLimit = 4611686018427387904.0; // 2^62
    if (!(f > -kLimit && f < kLimit)) {
        return 0;
    }
    auto i = static_cast<std::int64_t>(f); // towards zero, then down
    if (static_cast<double>(i) > f) {
        --i;
    }
    i %= size;
    return static_cast<std::int32_t>(i < 0 ? i + size : i);
}

// An attribute across the triangle: at vertex a, plus its change per unit
// of the weights of b and c (the edge functions opposite them).
struct Plane {
    double atA = 0;
    double perB = 0;
    double perC = 0;

    double At(double wb, double wc) const { return atA + wb * perB + wc * perC; }
};

Plane MakePlane(double a, double b, double c, double area) {
    return Plane{a, (b - a) / area, (c - a) / area};
}

} // namespace

RenderTarget MakeRenderTarget(std::int32_t width, std::int32_t height, std::uint32_t colour,
                              std::vector<float> depth) {
    RenderTarget target;
    target.depth = std::move(depth);
    target.width = width;
    target.height = height;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    target.rgb.resize(3 * pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        target.rgb[3 * i] = static_cast<std::uint8_t>(colour >> 16);
        target.rgb[3 * i + 1] = static_cast<std::uint8_t>(colour >> 8);
        target.rgb[3 * i + 2] = static_cast<std::uint8_t>(colour);
    }
    target.depth.assign(pixels, 1.0f);
    return target;
}

void RasteriseTriangle(RenderTarget& target, const ScreenVertex& a, const ScreenVertex& b,
                       const ScreenVertex& c, const RgbPicture* texture) {
    if (!InRange(a) || !InRange(b) || !InRange(c)) {
        return;
    }
    const std::int64_t area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (area <= 0) {
        return; // counter-clockwise (culled) or without area
    }
    // Edge bc weighs vertex a, ca weighs b, ab weighs c; the three always
    // sum to the area.
    const Edge edges[3] = {MakeEdge(b, c), MakeEdge(c, a), MakeEdge(a, b)};

    const std::int64_t top = std::min({a.y, b.y, c.y});
    const std::int64_t bottom = std::max({a.y, b.y, c.y});
    const std::int64_t firstRow =
        std::max<std::int64_t>(0, CeilDiv(top - kSampleOffset, kSubpixelScale));
    const std::int64_t lastRow =
        std::min<std::int64_t>(target.height - 1, FloorDiv(bottom - kSampleOffset, kSubpixelScale));

    const double fullArea = static_cast<double>(area);
    const Plane depth = MakePlane(a.z, b.z, c.z, fullArea);
    const Plane invW = MakePlane(a.invW, b.invW, c.invW, fullArea);
    const Plane uOverW = MakePlane(a.uOverW, b.uOverW, c.uOverW, fullArea);
    const Plane vOverW = MakePlane(a.vOverW, b.vOverW, c.vOverW, fullArea);
    const bool textured = texture != nullptr && HasPicture(*texture);
    const std::int32_t texWidth = textured ? texture->width : 1;
    const std::int32_t texHeight = textured ? texture->height : 1;

    for (std::int64_t row = firstRow; row <= lastRow; ++row) {
        // The run of pixels where every edge function reaches its least
        // inside value, solved for x edge by edge.
        std::int64_t first = 0;
        std::int64_t last = target.width - 1;
        std::int64_t rowStart[3];
        for (int i = 0; i < 3; ++i) {
            const Edge& edge = edges[i];
            rowStart[i] = edge.atOrigin + edge.stepY * row;
            if (edge.stepX > 0) {
                first = std::max(first, CeilDiv(edge.least - rowStart[i], edge.stepX));
            } else if (edge.stepX < 0) {
                last = std::min(last, FloorDiv(rowStart[i] - edge.least, -edge.stepX));
            } else if (rowStart[i] < edge.least) {
                last = -1;
            }
        }
        if (first > last) {
            continue;
        }
        std::int64_t wb = rowStart[1] + edges[1].stepX * first;
        std::int64_t wc = rowStart[2] + edges[2].stepX * first;
        const std::size_t rowBase =
            static_cast<std::size_t>(row) * static_cast<std::size_t>(target.width);
        for (std::int64_t x = first; x <= last; ++x, wb += edges[1].stepX, wc += edges[2].stepX) {
            const std::size_t at = rowBase + static_cast<std::size_t>(x);
            const double fb = static_cast<double>(wb);
            const double fc = static_cast<double>(wc);
            const auto z = static_cast<float>(depth.At(fb, fc));
            if (!(z <= target.depth[at])) {
                continue;
            }
            target.depth[at] = z;
            std::uint8_t* out = &target.rgb[3 * at];
            if (!textured) {
                out[0] = out[1] = out[2] = 0xFF;
                continue;
            }
            const double w = 1.0 / invW.At(fb, fc);
            const std::int32_t i = WrapTexel(uOverW.At(fb, fc) * w * texWidth, texWidth);
            const std::int32_t j = WrapTexel(vOverW.At(fb, fc) * w * texHeight, texHeight);
            const std::uint8_t* texel =
                &texture
                     ->rgb[3 * (static_cast<std::size_t>(j) * static_cast<std::size_t>(texWidth) +
                                static_cast<std::size_t>(i))];
            out[0] = texel[0];
            out[1] = texel[1];
            out[2] = texel[2];
        }
    }
}
