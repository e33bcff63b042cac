// The sample pieces under samples/ hang together: every profile names a
// whole model, and every texture that model names is a readable texture.
// Each piece stands on the ground (y = 0) with its footprint centred on the
// turning axis, and stays wholly inside the preview at every angle of its
// turn. The preview's camera is taken literally here: the turn about y, the
// tilt of -0.1 radian about x, the move 1.5 down and 3.5 ahead, then x and y
// divided by the depth (90 degrees of view across the pane, near plane at
// depth 1).
#include "catalogue/piece_profile.h"
#include "preview/msm_layout.h"
#include "texture/txr_format.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(PV_SOURCE_DIR) / "samples";

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareProfileNames(a, b) < 0;
    });
    return names;
}

struct Point {
    double x, y, z;
};

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

void ExpectFramed(const Bytes& model, const MsmLayout& layout) {
    std::vector<Point> points;
    Point low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
    for (std::size_t i = 0; i < layout.vertexCount; ++i) {
        float xyz[3]; // little-endian floats, as on the machines the tests run on
        std::memcpy(xyz, model.data() + layout.verticesOffset + i * kMsmVertexBytes, sizeof xyz);
        const Point p{xyz[0], xyz[1], xyz[2]};
        points.push_back(p);
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    EXPECT_NEAR(low.y, 0.0, 1e-6) << "stands on the ground";
    EXPECT_NEAR(low.x + high.x, 0.0, 0.02) << "footprint centred on the axis (x)";
    EXPECT_NEAR(low.z + high.z, 0.0, 0.02) << "footprint centred on the axis (z)";
    for (int degree = 0; degree < 360; degree += 3) {
        for (const Point& p : points) {
            const Point s = InPane(p, degree * 3.14159265358979 / 180);
            ASSERT_TRUE(s.z > 1 && std::abs(s.x) <= 0.95 && std::abs(s.y) <= 0.95)
                << "at " << degree << " degrees a corner leaves the pane at (" << s.x << ", " << s.y
                << "), depth " << s.z;
        }
    }
}

TEST(SamplePieces, EveryProfileNamesAWholeWellFramedModelWithReadableTextures) {
    std::vector<std::string> pieces;
    for (const std::string& profile : Names(kSamples / "profiles")) {
        SCOPED_TRACE(profile);
        PieceRecord record;
        ASSERT_TRUE(ReadPieceProfile((kSamples / "profiles" / profile).string().c_str(), record));
        ASSERT_TRUE(IsQualifyingPiece(record));
        pieces.emplace_back(FieldText(record.pieceName, sizeof record.pieceName));
        const Bytes model =
            ReadBytes((kSamples / "models" / FieldText(record.modelFile, 32)).string());
        const std::span<const std::uint8_t> image{model.data(), model.size()};
        const std::optional<MsmLayout> layout = WalkMsmLayout(image);
        ASSERT_TRUE(layout) << "the model is whole";
        EXPECT_EQ(layout->end, model.size()) << "nothing after the last group";
        EXPECT_LE(layout->nameCount, 17u) << "at most 17 textures";
        std::size_t at = layout->groupsOffset;
        for (unsigned g = 0; g < layout->groupCount; ++g) {
            const std::optional<MsmGroup> group = ReadMsmGroup(image, at);
            ASSERT_TRUE(group);
            EXPECT_TRUE(group->textureIndex >= 0 &&
                        std::size_t(group->textureIndex) < layout->nameCount &&
                        group->indexCount >= 3 &&
                        MsmGroupIndicesInRange(image, *group, layout->vertexCount))
                << "group " << g << " draws a textured fan of vertices of the model";
            at = group->next;
        }
        EXPECT_GT(layout->vertexCount * layout->groupCount, 0) << "something to draw";
        ExpectFramed(model, *layout);
        for (std::string texture : ReadMsmTextureNames(image)) {
            texture = texture.substr(0, texture.rfind('.')) + ".txr";
            const Bytes txr = ReadBytes((kSamples / "textures" / texture).string());
            ASSERT_GE(txr.size(), kTxrHeaderSize) << texture;
            const TxrHeader header = DecodeTxrHeader(txr.data());
            EXPECT_TRUE(IsReadableTxrHeader(header)) << texture;
            EXPECT_EQ(txr.size(), TxrFileSize(header)) << texture << ": every level, no more";
        }
    }
    EXPECT_EQ(pieces,
              (std::vector<std::string>{"Brick Cube", "Flag Pole", "Grass Slab",
                                        "\x90\xd4\x82\xa2\x94\xa0", "\x95\x5c\x8e\xa6\x91\xe4"}))
        << "the list as the viewer shows it, Shift-JIS names last";
}

TEST(SamplePieces, BothTextureDepthsAndAOneColourTextureAreAmongThem) {
    std::vector<int> depths;
    for (const std::string& name : Names(kSamples / "textures")) {
        const Bytes txr = ReadBytes((kSamples / "textures" / name).string());
        depths.push_back(txr.size() >= kTxrHeaderSize ? DecodeTxrHeader(txr.data()).bitsPerPixel
                                                      : 0);
    }
    EXPECT_GE(std::count(depths.begin(), depths.end(), 8), 2) << "paletted samples";
    EXPECT_GE(std::count(depths.begin(), depths.end(), 24), 2) << "true-colour samples";
    const Bytes red = ReadBytes((kSamples / "textures" / "solid_red.txr").string());
    const TxrHeader header = DecodeTxrHeader(red.data());
    ASSERT_EQ(header.bitsPerPixel, 24);
    for (std::size_t i = kTxrHeaderSize; i < TxrLevel0End(header); i += 3) {
        ASSERT_EQ(Bytes(red.begin() + static_cast<long>(i), red.begin() + static_cast<long>(i) + 3),
                  (Bytes{0, 0, 255}))
            << "solid_red.txr is pure red (blue, green, red) at byte " << i;
    }
}

} // namespace
