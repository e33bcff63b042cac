// The sample pieces under samples/ hang together: every profile is listed,
// names a model that exists, and every model is whole and names textures
// that exist. The models are walked here literally, field by field.
#include "catalogue/piece_profile.h"
#include "texture/txr_format.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSamples = fs::path(PV_SOURCE_DIR) / "samples";

struct ModelFacts {
    bool whole = false;
    std::vector<std::string> textureNames;
    int vertexCount = 0;
    int groupCount = 0;
};

// Little-endian fields at any offset; false once the data runs out.
struct Reader {
    const Bytes& bytes;
    std::size_t at = 0;
    bool Take(std::size_t n) {
        if (bytes.size() - at < n) {
            return false;
        }
        at += n;
        return true;
    }
    int U16(std::size_t offset) const { return bytes[offset] | (bytes[offset + 1] << 8); }
};

ModelFacts WalkModel(const Bytes& bytes) {
    ModelFacts facts;
    Reader r{bytes};
    if (!r.Take(2)) {
        return facts;
    }
    const int textureCount = static_cast<std::int16_t>(r.U16(0));
    for (int i = 0; i < textureCount; ++i) {
        const auto end =
            std::find(bytes.begin() + static_cast<std::ptrdiff_t>(r.at), bytes.end(), 0);
        if (end == bytes.end()) {
            return facts;
        }
        facts.textureNames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(r.at), end);
        r.at = static_cast<std::size_t>(end - bytes.begin()) + 1;
    }
    if (!r.Take(2)) {
        return facts;
    }
    facts.vertexCount = r.U16(r.at - 2);
    if (!r.Take(32u * static_cast<std::size_t>(facts.vertexCount)) || !r.Take(2)) {
        return facts;
    }
    facts.groupCount = r.U16(r.at - 2);
    for (int g = 0; g < facts.groupCount; ++g) {
        if (!r.Take(4)) {
            return facts;
        }
        const int textureIndex = static_cast<std::int16_t>(r.U16(r.at - 4));
        const int indexCount = static_cast<std::int8_t>(bytes[r.at - 2]);
        if (textureIndex < 0 || textureIndex >= textureCount || indexCount < 3) {
            return facts;
        }
        for (int i = 0; i < indexCount; ++i) {
            if (!r.Take(2) || r.U16(r.at - 2) >= facts.vertexCount) {
                return facts;
            }
        }
        if (!r.Take(2)) {
            return facts;
        }
        // Nested records: level 2 with its own level-3 records.
        const int nested = static_cast<std::int8_t>(bytes[r.at - 2]);
        for (int n = 0; n < nested; ++n) {
            if (!r.Take(4)) {
                return facts;
            }
            const int k = static_cast<std::int8_t>(bytes[r.at - 2]);
            if (k < 0 || !r.Take(2u * static_cast<std::size_t>(k)) || !r.Take(2)) {
                return facts;
            }
            const int m = static_cast<std::int8_t>(bytes[r.at - 2]);
            for (int l = 0; l < m; ++l) {
                if (!r.Take(4)) {
                    return facts;
                }
                const int j = static_cast<std::int8_t>(bytes[r.at - 2]);
                if (j < 0 || !r.Take(2u * static_cast<std::size_t>(j)) || !r.Take(2)) {
                    return facts;
                }
            }
        }
    }
    facts.whole = r.at == bytes.size(); // nothing after the last group
    return facts;
}

std::string TextureFileFor(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + ".txr";
}

TEST(SamplePieces, EveryProfileNamesAWholeModelWithItsTextures) {
    std::vector<std::string> profiles;
    for (const auto& entry : fs::directory_iterator(kSamples / "profiles")) {
        profiles.push_back(entry.path().filename().string());
    }
    std::sort(profiles.begin(), profiles.end(), [](const std::string& a, const std::string& b) {
        return CompareProfileNames(a, b) < 0;
    });
    std::vector<std::string> names;
    for (const std::string& profile : profiles) {
        SCOPED_TRACE(profile);
        PieceRecord record;
        ASSERT_TRUE(ReadPieceProfile((kSamples / "profiles" / profile).string().c_str(), record));
        ASSERT_TRUE(IsQualifyingPiece(record));
        names.emplace_back(FieldText(record.pieceName, sizeof record.pieceName));
        const std::string model(FieldText(record.modelFile, sizeof record.modelFile));
        const ModelFacts facts = WalkModel(ReadBytes((kSamples / "models" / model).string()));
        EXPECT_TRUE(facts.whole) << model;
        EXPECT_GT(facts.vertexCount, 0);
        EXPECT_GT(facts.groupCount, 0);
        EXPECT_LE(facts.textureNames.size(), 17u);
        for (const std::string& texture : facts.textureNames) {
            const Bytes txr = ReadBytes((kSamples / "textures" / TextureFileFor(texture)).string());
            ASSERT_GE(txr.size(), kTxrHeaderSize) << texture;
            const TxrHeader header = DecodeTxrHeader(txr.data());
            EXPECT_TRUE(IsReadableTxrHeader(header)) << texture;
            EXPECT_EQ(txr.size(), TxrFileSize(header)) << texture;
        }
    }
    // The list as the viewer shows it, a Shift-JIS name among them.
    EXPECT_EQ(names,
              (std::vector<std::string>{"Brick Cube", "Flag Pole", "Grass Slab",
                                        "\x90\xd4\x82\xa2\x94\xa0", "\x95\x5c\x8e\xa6\x91\xe4"}));
}

TEST(SamplePieces, BothTextureDepthsAndAOneColourTextureAreAmongThem) {
    int paletted = 0, trueColour = 0;
    for (const auto& entry : fs::directory_iterator(kSamples / "textures")) {
        const Bytes txr = ReadBytes(entry.path().string());
        ASSERT_GE(txr.size(), kTxrHeaderSize);
        const int bits = DecodeTxrHeader(txr.data()).bitsPerPixel;
        paletted += bits == 8;
        trueColour += bits == 24;
    }
    EXPECT_GE(paletted, 2);
    EXPECT_GE(trueColour, 2);
    // solid_red.txr: every pixel of level 0 is pure red (blue, green, red).
    const Bytes red = ReadBytes((kSamples / "textures" / "solid_red.txr").string());
    const TxrHeader header = DecodeTxrHeader(red.data());
    ASSERT_EQ(header.bitsPerPixel, 24);
    for (std::size_t i = kTxrHeaderSize; i < TxrLevel0End(header); i += 3) {
        ASSERT_EQ(red[i], 0);
        ASSERT_EQ(red[i + 1], 0);
        ASSERT_EQ(red[i + 2], 255);
    }
}

} // namespace
