// The sample pieces as the preview shows them: each stands on the ground
// (y = 0) with its footprint centred on the turning axis, and stays wholly
// inside the pane at every angle of its turn. The preview's camera is taken
// literally here: the turn about y, the tilt of -0.1 radian about x, the move
// 1.5 down and 3.5 ahead, then x and y divided by the depth (90 degrees of
// view across the pane, near plane at depth 1).
#include "preview/msm_layout.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace {

struct Point {
    double x, y, z;
};

std::vector<Point> Positions(const Bytes& image) {
    std::vector<Point> points;
    const auto layout = WalkMsmLayout(image);
    for (std::size_t i = 0; layout && i < layout->vertexCount; ++i) {
        float xyz[3]; // little-endian floats, as on the machines the tests run on
        std::memcpy(xyz, image.data() + layout->verticesOffset + i * kMsmVertexBytes, sizeof xyz);
        points.push_back({xyz[0], xyz[1], xyz[2]});
    }
    return points;
}

// Where a model point shows at turn angle a: x and y from -1 to 1 across the
// pane, z the depth.
Point InPane(Point p, double a) {
    const double t = -0.1;
    const double x = p.x * std::cos(a) - p.z * std::sin(a);
    const double z = p.x * std::sin(a) + p.z * std::cos(a);
    const double viewY = p.y * std::cos(t) - z * std::sin(t) - 1.5;
    const double viewZ = p.y * std::sin(t) + z * std::cos(t) + 3.5;
    return {x / viewZ, viewY / viewZ, viewZ};
}

TEST(SampleFraming, EveryPieceStandsOnTheTurningAxisAndIsWhollyInView) {
    int models = 0;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(PV_SOURCE_DIR) / "samples/models")) {
        const std::string name = entry.path().filename().string();
        const std::vector<Point> points = Positions(ReadBytes(entry.path().string()));
        ASSERT_FALSE(points.empty()) << name << ": a well-formed model with vertices";
        ++models;
        Point low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
        for (const Point& p : points) {
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
        EXPECT_NEAR(low.y, 0.0, 1e-6) << name << ": stands on the ground";
        EXPECT_NEAR(low.x + high.x, 0.0, 0.02) << name << ": footprint centred on the axis (x)";
        EXPECT_NEAR(low.z + high.z, 0.0, 0.02) << name << ": footprint centred on the axis (z)";
        for (int degree = 0; degree < 360; degree += 3) {
            for (const Point& p : points) {
                const Point s = InPane(p, degree * 3.14159265358979 / 180);
                ASSERT_TRUE(s.z > 1 && std::abs(s.x) <= 0.95 && std::abs(s.y) <= 0.95)
                    << name << " at " << degree << " degrees: a corner leaves the pane at (" << s.x
                    << ", " << s.y << "), depth " << s.z;
            }
        }
    }
    EXPECT_EQ(models, 5) << "the five sample models";
}

} // namespace
