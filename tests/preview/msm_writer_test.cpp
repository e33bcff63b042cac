// MSM writing, read back by the viewer's own walk of the layout.
#include "preview/msm_writer.h"

#include "preview/msm_layout.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

float FloatAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    float value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

TEST(MsmWriter, WritesWhatTheViewersWalkReadsBack) {
    MsmModel model;
    model.textureNames = {"a_0.txr", "\x90\xd4_1.txr"};
    for (int i = 0; i < 200; ++i) {
        const float f = static_cast<float>(i);
        model.vertices.push_back({f, -f, f / 3, 0, 1, 0, f / 7, -f / 9});
    }
    MsmFan longest{1, {}};
    for (int i = 0; i < 127; ++i) {
        longest.indices.push_back(static_cast<std::uint16_t>(199 - i));
    }
    model.fans = {{0, {0, 1, 2}}, longest, {-1, {5, 6, 7, 8}}};
    const Result<std::vector<std::uint8_t>> bytes = EncodeMsm(model);
    ASSERT_TRUE(bytes) << bytes.refusal().message;
    const std::optional<MsmLayout> layout = WalkMsmLayout(*bytes);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->end, bytes->size()) << "nothing after the last group";
    EXPECT_EQ(ReadMsmTextureNames(*bytes), model.textureNames);
    ASSERT_EQ(layout->vertexCount, 200);
    for (std::size_t v = 0; v < 200; ++v) {
        const MsmVertex& w = model.vertices[v];
        const float expected[8] = {w.x, w.y, w.z, w.nx, w.ny, w.nz, w.tu, w.tv};
        for (std::size_t k = 0; k < 8; ++k) {
            ASSERT_EQ(FloatAt(*bytes, layout->verticesOffset + 32 * v + 4 * k), expected[k]);
        }
    }
    ASSERT_EQ(layout->groupCount, 3);
    std::size_t at = layout->groupsOffset;
    for (const MsmFan& fan : model.fans) {
        const MsmGroup group = *ReadMsmGroup(*bytes, at);
        EXPECT_EQ(group.textureIndex, fan.textureIndex);
        ASSERT_EQ(group.indexCount, static_cast<int>(fan.indices.size()));
        for (int i = 0; i < group.indexCount; ++i) {
            EXPECT_EQ(MsmGroupIndex(*bytes, group, i), fan.indices[static_cast<std::size_t>(i)]);
        }
        EXPECT_EQ(group.next, group.nestedCountOffset + 2) << "no nested groups";
        at = group.next;
    }

    // One five-character name, three vertices, one fan of three: 120 bytes.
    MsmModel small;
    small.textureNames = {"a.bmp"};
    small.vertices.resize(3);
    small.fans = {{0, {0, 1, 2}}};
    EXPECT_EQ(EncodeMsm(small)->size(), 120u);
}

TEST(MsmWriter, RefusesWhatTheFormatsCountsCannotHold) {
    const auto model = [](std::size_t vertices, std::size_t fans, std::vector<std::uint16_t> fan,
                          std::vector<std::string> names) {
        MsmModel m;
        m.vertices.resize(vertices);
        m.fans.assign(fans, MsmFan{0, fan});
        m.textureNames = std::move(names);
        return m;
    };
    std::vector<std::uint16_t> fan128(128, 0);
    const struct {
        MsmModel model;
        const char* named;
    } cases[] = {
        {model(65536, 0, {}, {}), "65536 vertices"},
        {model(3, 65536, {0, 1, 2}, {}), "65536 triangle fans"},
        {model(3, 1, {0, 1}, {}), "2 indices"},
        {model(3, 1, fan128, {}), "128 indices"},
        {model(3, 1, {0, 1, 3}, {}), "vertex 3 of 3"},
        {model(3, 1, {0, 1, 2}, {"a", ""}), "empty"},
        {model(3, 1, {0, 1, 2}, {std::string("a\0b", 3)}), "zero byte"},
    };
    for (const auto& c : cases) {
        const Result<std::vector<std::uint8_t>> bytes = EncodeMsm(c.model);
        ASSERT_FALSE(bytes) << c.named;
        EXPECT_EQ(bytes.refusal().code, "msm-limit");
        EXPECT_NE(bytes.refusal().message.find(c.named), std::string::npos)
            << bytes.refusal().message;
    }
    EXPECT_TRUE(EncodeMsm(model(65535, 65535, std::vector<std::uint16_t>(127, 65534), {"a"})))
        << "every count at its largest";
}

} // namespace
