// The sample pieces under samples/ hang together: every profile names a
// whole model, and every texture that model names is a readable texture.
#include "catalogue/piece_profile.h"
#include "preview/msm_layout.h"
#include "texture/txr_format.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST(SamplePieces, EveryProfileNamesAWholeModelWithReadableTextures) {
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
