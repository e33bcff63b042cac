// The sample pieces under samples/ as the preview shows them (that they hang
// together, every file whole and found, is the catalogue check's test on
// them): each stands on the ground (y = 0) with its footprint centred on the
// turning axis, and stays wholly inside the preview at every angle of its
// turn. The preview's camera is taken literally here: the turn about y, the
// tilt of -0.1 radian about x, the move 1.5 down and 3.5 ahead, then x and y
// divided by the depth (90 degrees of view across the pane, near plane at
// depth 1).
#include "preview/msm_layout.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

TEST(SamplePieces, EachStandsCentredOnTheGroundAndStaysInThePaneAsItTurns) {
    int models = 0;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(PV_SOURCE_DIR) / "samples/models")) {
        SCOPED_TRACE(entry.path().filename().string());
        ++models;
        const Bytes model = ReadBytes(entry.path().string());
        const std::optional<MsmLayout> layout = WalkMsmLayout({model.data(), model.size()});
        ASSERT_TRUE(layout);
        double low[3] = {1e9, 1e9, 1e9}, high[3] = {-1e9, -1e9, -1e9};
        std::vector<std::array<float, 3>> points(layout->vertexCount);
        for (std::size_t i = 0; i < points.size(); ++i) {
            // Little-endian floats, as on the machines the tests run on.
            std::memcpy(points[i].data(),
                        model.data() + layout->verticesOffset + i * kMsmVertexBytes, 12);
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min<double>(low[a], points[i][a]);
                high[a] = std::max<double>(high[a], points[i][a]);
            }
        }
        EXPECT_NEAR(low[1], 0.0, 1e-6) << "stands on the ground";
        EXPECT_NEAR(low[0] + high[0], 0.0, 0.02) << "footprint centred on the axis (x)";
        EXPECT_NEAR(low[2] + high[2], 0.0, 0.02) << "footprint centred on the axis (z)";
        for (int degree = 0; degree < 360; degree += 3) {
            const double a = degree * 3.14159265358979 / 180, t = -0.1;
            for (const auto& [px, py, pz] : points) {
                const double x = px * std::cos(a) - pz * std::sin(a);
                const double z = px * std::sin(a) + pz * std::cos(a);
                const double viewY = py * std::cos(t) - z * std::sin(t) - 1.5;
                const double viewZ = py * std::sin(t) + z * std::cos(t) + 3.5;
                ASSERT_TRUE(viewZ > 1 && std::abs(x / viewZ) <= 0.95 &&
                            std::abs(viewY / viewZ) <= 0.95)
                    << "at " << degree << " degrees a corner leaves the pane at (" << x / viewZ
                    << ", " << viewY / viewZ << "), depth " << viewZ;
            }
        }
    }
    EXPECT_EQ(models, 5);
}

} // namespace
