#include "preview/msm_layout.h"

#include "support/msm_builder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::span<const std::uint8_t> Span(const Bytes& bytes) {
    return {bytes.data(), bytes.size()};
}

// One texture with a five-character name, three vertices, one group of three
// indices without nested groups: 120 bytes in all.
Bytes SmallModel() {
    TestModel model;
    model.textureCount = 1;
    model.names = {"abcde"};
    model.vertices.resize(3);
    model.groups.push_back({0, {0, 1, 2}, 0, {}});
    return BuildMsm(model).bytes;
}

TEST(MsmLayout, SmallModelOffsets) {
    const Bytes image = SmallModel();
    ASSERT_EQ(image.size(), 120u);
    const std::optional<MsmLayout> layout = WalkMsmLayout(Span(image));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->nameCount, 1u);
    EXPECT_EQ(layout->vertexCountOffset, 8u);
    EXPECT_EQ(layout->vertexCount, 3u);
    EXPECT_EQ(layout->verticesOffset, 10u);
    EXPECT_EQ(layout->groupCountOffset, 106u);
    EXPECT_EQ(layout->groupCount, 1u);
    EXPECT_EQ(layout->groupsOffset, 108u);
    EXPECT_EQ(layout->end, 120u);

    const std::optional<MsmGroup> group = ReadMsmGroup(Span(image), 108);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->textureIndex, 0);
    EXPECT_EQ(group->indexCount, 3);
    EXPECT_EQ(group->indicesOffset, 112u);
    EXPECT_EQ(group->nestedCountOffset, 118u);
    EXPECT_EQ(group->next, 120u);
    EXPECT_EQ(MsmGroupIndex(Span(image), *group, 2), 2u);
    EXPECT_EQ(ReadMsmTextureNames(Span(image)), std::vector<std::string>{"abcde"});

    // Bytes after the last group are not part of the model.
    Bytes longer = image;
    longer.insert(longer.end(), {0xFF, 0xFF, 0xFF});
    const std::optional<MsmLayout> withTail = WalkMsmLayout(Span(longer));
    ASSERT_TRUE(withTail);
    EXPECT_EQ(withTail->end, 120u);
}

TEST(MsmLayout, TextureCountOfZeroOrLessHasNoNames) {
    for (std::int16_t count : {0, -1, -32768}) {
        TestModel model;
        model.textureCount = count;
        model.vertices.resize(1);
        const Bytes image = BuildMsm(model).bytes;
        const std::optional<MsmLayout> layout = WalkMsmLayout(Span(image));
        ASSERT_TRUE(layout) << count;
        EXPECT_EQ(layout->nameCount, 0u);
        EXPECT_EQ(layout->vertexCountOffset, 2u);
        EXPECT_EQ(layout->vertexCount, 1u);
        EXPECT_EQ(layout->groupCount, 0u);
        EXPECT_EQ(layout->end, image.size());
        EXPECT_TRUE(ReadMsmTextureNames(Span(image)).empty());
    }
}

TEST(MsmLayout, NestedGroupsAreSteppedOver) {
    // A level-2 record with two values and one level-3 record with one value:
    // 2 + 2 + 4 + 2 and 2 + 2 + 2 + 2 bytes, 18 in all.
    TestModel model;
    model.vertices.resize(4);
    model.groups.push_back({3, {0, 1, 2}, 0, {{2, {1}}}});
    model.groups.push_back({-7, {3, 2, 1, 0}, 0, {}});
    const BuiltModel built = BuildMsm(model);
    const std::optional<MsmGroup> first = ReadMsmGroup(Span(built.bytes), built.groupOffsets[0]);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->next, first->nestedCountOffset + 2 + 18);
    EXPECT_EQ(first->next, built.groupOffsets[1]);
    const std::optional<MsmGroup> second = ReadMsmGroup(Span(built.bytes), first->next);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->textureIndex, -7);
    EXPECT_EQ(second->indexCount, 4);
    EXPECT_EQ(MsmGroupIndex(Span(built.bytes), *second, 0), 3u);
    const std::optional<MsmLayout> layout = WalkMsmLayout(Span(built.bytes));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->end, built.bytes.size());
}

TEST(MsmLayout, SecondByteOfACountFieldIsNotRead) {
    TestModel model;
    model.vertices.resize(5);
    model.groups.push_back({0, {0, 1, 2, 3, 4}, 0xFF, {}});
    const BuiltModel built = BuildMsm(model);
    const std::size_t countField = built.groupOffsets[0] + 2;
    ASSERT_EQ(built.bytes[countField + 1], 0xFF);
    const std::optional<MsmGroup> group = ReadMsmGroup(Span(built.bytes), built.groupOffsets[0]);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->indexCount, 5);
    EXPECT_EQ(group->nestedCountOffset, countField + 12);
    EXPECT_TRUE(WalkMsmLayout(Span(built.bytes)));
}

// A model that uses every part of the layout: two names, vertices, groups
// with nested records of both levels.
BuiltModel FullModel() {
    TestModel model;
    model.textureCount = 2;
    model.names = {"wall.bmp", "roof"};
    model.vertices.resize(6);
    model.groups.push_back({0, {0, 1, 2, 3}, 7, {{1, {2, 0}}, {0, {}}}});
    model.groups.push_back({1, {3, 4, 5}, 0, {}});
    model.groups.push_back({16, {}, 0, {{3, {}}}});
    return BuildMsm(model);
}

TEST(MsmLayout, EveryTruncationIsRefused) {
    const BuiltModel built = FullModel();
    ASSERT_TRUE(WalkMsmLayout(Span(built.bytes)));
    for (std::size_t length = 0; length < built.bytes.size(); ++length) {
        const Bytes cut(built.bytes.begin(), built.bytes.begin() + static_cast<long>(length));
        EXPECT_FALSE(WalkMsmLayout(Span(cut))) << length;
    }
}

TEST(MsmLayout, CountBytesWithTheTopBitSetAreRefused) {
    // Each count field of FullModel, found by building it with a marker count.
    const BuiltModel built = FullModel();
    const std::size_t g0 = built.groupOffsets[0];
    const std::size_t g0Nested = g0 + 4 + 8; // four indices
    const std::size_t level2Count = g0Nested + 2 + 2;
    const std::size_t level2Nested = level2Count + 2 + 2; // one value
    const std::size_t level3Count = level2Nested + 2 + 2;
    ASSERT_EQ(built.bytes[g0 + 2], 4);
    ASSERT_EQ(built.bytes[g0Nested], 2);
    ASSERT_EQ(built.bytes[level2Count], 1);
    ASSERT_EQ(built.bytes[level2Nested], 2);
    ASSERT_EQ(built.bytes[level3Count], 2);
    for (std::size_t field : {g0 + 2, g0Nested, level2Count, level2Nested, level3Count}) {
        for (std::uint8_t value : {0x80, 0xFF}) {
            Bytes bad = built.bytes;
            bad[field] = value;
            EXPECT_FALSE(WalkMsmLayout(Span(bad))) << field << " " << int(value);
        }
    }
}

TEST(MsmLayout, CountsThatRunPastTheDataAreRefused) {
    const BuiltModel built = FullModel();
    auto with16 = [&](std::size_t offset, std::uint16_t value) {
        Bytes bad = built.bytes;
        bad[offset] = static_cast<std::uint8_t>(value);
        bad[offset + 1] = static_cast<std::uint8_t>(value >> 8);
        return bad;
    };
    // One more vertex, one more group, the largest counts.
    EXPECT_FALSE(WalkMsmLayout(Span(with16(built.vertexCountOffset, 7))));
    EXPECT_FALSE(WalkMsmLayout(Span(with16(built.vertexCountOffset, 0xFFFF))));
    EXPECT_FALSE(WalkMsmLayout(Span(with16(built.groupCountOffset, 4))));
    EXPECT_FALSE(WalkMsmLayout(Span(with16(built.groupCountOffset, 0xFFFF))));
    // A third name that the data cannot hold: the vertex count is read as text.
    EXPECT_FALSE(WalkMsmLayout(Span(with16(0, 0x7FFF))));
    // A name without its NUL.
    Bytes unterminated = {1, 0, 'a', 'b', 'c'};
    EXPECT_FALSE(WalkMsmLayout(Span(unterminated)));
    // An index count of 127 in the last group.
    Bytes bigIndex = built.bytes;
    bigIndex[built.groupOffsets[2] + 2] = 127;
    EXPECT_FALSE(WalkMsmLayout(Span(bigIndex)));
    // A group count of zero ends the model at once.
    const std::optional<MsmLayout> none = WalkMsmLayout(Span(with16(built.groupCountOffset, 0)));
    ASSERT_TRUE(none);
    EXPECT_EQ(none->end, built.groupCountOffset + 2);
}

TEST(MsmLayout, TextureNamesThatFitAreReadFromAShortList) {
    const BuiltModel built = FullModel();
    EXPECT_EQ(ReadMsmTextureNames(Span(built.bytes)),
              (std::vector<std::string>{"wall.bmp", "roof"}));
    // Cut inside the second name: only the first one fits.
    const Bytes cut(built.bytes.begin(), built.bytes.begin() + 2 + 9 + 3);
    EXPECT_EQ(ReadMsmTextureNames(Span(cut)), std::vector<std::string>{"wall.bmp"});
    // More names declared than present: the following bytes are read as names
    // as long as NULs come, then the list stops.
    Bytes many = {20, 0, 'a', 0, 0, 'b', 'c', 0, 'd'};
    EXPECT_EQ(ReadMsmTextureNames(Span(many)), (std::vector<std::string>{"a", "", "bc"}));
    EXPECT_TRUE(ReadMsmTextureNames(Span(Bytes{3})).empty());
    EXPECT_TRUE(ReadMsmTextureNames({}).empty());
    // Names with high bytes (Shift-JIS) come through unchanged.
    Bytes sjis = {1, 0, 0x83, 0x5C, 'x', 0};
    EXPECT_EQ(ReadMsmTextureNames(Span(sjis)), std::vector<std::string>{"\x83\x5Cx"});
}

TEST(MsmLayout, IndicesAreCheckedAgainstTheVertexCount) {
    TestModel model;
    model.vertices.resize(3);
    model.groups.push_back({0, {0, 1, 2}, 0, {}});
    model.groups.push_back({0, {0, 3, 1}, 0, {}});
    model.groups.push_back({0, {0xFFFF}, 0, {}});
    model.groups.push_back({0, {}, 0, {}});
    const BuiltModel built = BuildMsm(model);
    const std::vector<bool> expected = {true, false, false, true};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::optional<MsmGroup> group =
            ReadMsmGroup(Span(built.bytes), built.groupOffsets[i]);
        ASSERT_TRUE(group);
        EXPECT_EQ(MsmGroupIndicesInRange(Span(built.bytes), *group, 3), expected[i]) << i;
    }
}

// Generated models: the walk finds every group where the builder put it and
// ends exactly at the end of the data.
TEST(MsmLayout, GeneratedModelsWalkToTheirEnd) {
    std::mt19937 random(12345);
    auto upTo = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n + 1)); };
    for (int round = 0; round < 300; ++round) {
        TestModel model;
        const int names = upTo(20);
        model.textureCount = static_cast<std::int16_t>(names);
        for (int i = 0; i < names; ++i) {
            model.names.push_back(std::string(static_cast<std::size_t>(upTo(12)), 'n'));
        }
        model.vertices.resize(static_cast<std::size_t>(upTo(40)));
        const int groups = upTo(12);
        for (int g = 0; g < groups; ++g) {
            TestGroup group;
            group.textureIndex = static_cast<std::int16_t>(upTo(40) - 10);
            group.indexCountSecondByte = static_cast<std::uint8_t>(random());
            group.indices.resize(static_cast<std::size_t>(upTo(127)));
            for (std::uint16_t& index : group.indices) {
                index = static_cast<std::uint16_t>(upTo(50));
            }
            const int nested = upTo(3);
            for (int n = 0; n < nested; ++n) {
                TestNested record;
                record.values = upTo(127);
                record.level3Values.resize(static_cast<std::size_t>(upTo(3)));
                for (int& values : record.level3Values) {
                    values = upTo(127);
                }
                group.nested.push_back(record);
            }
            model.groups.push_back(group);
        }
        const BuiltModel built = BuildMsm(model);
        const std::span<const std::uint8_t> image = Span(built.bytes);
        const std::optional<MsmLayout> layout = WalkMsmLayout(image);
        ASSERT_TRUE(layout) << round;
        EXPECT_EQ(layout->end, built.bytes.size());
        EXPECT_EQ(layout->vertexCountOffset, built.vertexCountOffset);
        EXPECT_EQ(ReadMsmTextureNames(image), model.names);
        std::size_t at = layout->groupsOffset;
        for (std::size_t g = 0; g < model.groups.size(); ++g) {
            ASSERT_EQ(at, built.groupOffsets[g]) << round << " " << g;
            const std::optional<MsmGroup> group = ReadMsmGroup(image, at);
            ASSERT_TRUE(group);
            EXPECT_EQ(group->textureIndex, model.groups[g].textureIndex);
            EXPECT_EQ(static_cast<std::size_t>(group->indexCount), model.groups[g].indices.size());
            bool inRange = true;
            for (std::uint16_t index : model.groups[g].indices) {
                inRange = inRange && index < model.vertices.size();
            }
            EXPECT_EQ(MsmGroupIndicesInRange(image, *group, layout->vertexCount), inRange);
            at = group->next;
        }
    }
}

} // namespace
