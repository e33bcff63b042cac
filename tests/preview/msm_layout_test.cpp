// The MSM layout walk: a worked example, generated models against the
// builder, the refusal of every model that runs past its data, and the groups
// the viewer draws.
#include "preview/msm_layout.h"

#include "builders/msm_builder.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

std::span<const std::uint8_t> Span(const Bytes& bytes) {
    return {bytes.data(), bytes.size()};
}

TEST(MsmLayout, TheWorkedExampleOf120Bytes) {
    // One texture of a five-character name, three vertices, one group of
    // three indices without nested groups, then three bytes that are no part
    // of the model.
    TestModel model{1, {"abcde"}, std::vector<TestVertex>(3), {{0, {0, 1, 2}, 0, {}}}};
    Bytes image = BuildMsm(model).bytes;
    ASSERT_EQ(image.size(), 120u);
    image.insert(image.end(), {0xFF, 0xFF, 0xFF});
    const std::optional<MsmLayout> layout = WalkMsmLayout(Span(image));
    ASSERT_TRUE(layout);
    EXPECT_EQ(std::make_tuple(layout->nameCount, layout->vertexCountOffset, layout->vertexCount,
                              layout->verticesOffset, layout->groupCountOffset, layout->groupCount,
                              layout->groupsOffset, layout->end),
              std::make_tuple(1u, 8u, std::uint16_t{3}, 10u, 106u, std::uint16_t{1}, 108u, 120u))
        << "names, vertex count at 8, vertices at 10, group count at 106, the group at 108";
    const std::optional<MsmGroup> group = ReadMsmGroup(Span(image), 108);
    ASSERT_TRUE(group);
    EXPECT_EQ(std::make_tuple(group->textureIndex, group->indexCount, group->indicesOffset,
                              group->nestedCountOffset, group->next),
              std::make_tuple(std::int16_t{0}, 3, 112u, 118u, 120u))
        << "texture 0, three indices at 112, nested count at 118, the next group at 120";
    EXPECT_EQ(MsmGroupIndex(Span(image), *group, 2), 2u);
}

// Generated models, texture counts of zero or less among them: the walk finds
// every group where the builder put it and ends exactly at the end.
TEST(MsmLayout, GeneratedModelsWalkToTheirEnd) {
    std::mt19937 random(12345);
    auto upTo = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n + 1)); };
    for (int round = 0; round < 300; ++round) {
        TestModel model;
        const int names = upTo(20);
        const std::int16_t noNames[] = {0, -1, -32768};
        model.textureCount = static_cast<std::int16_t>(names > 0 ? names : noNames[upTo(2)]);
        for (int i = 0; i < names; ++i) {
            model.names.push_back(std::string(static_cast<std::size_t>(upTo(12)), 'n'));
        }
        model.vertices.resize(static_cast<std::size_t>(upTo(40)));
        for (int g = upTo(12); g > 0; --g) {
            TestGroup group{static_cast<std::int16_t>(upTo(40) - 10), {}, 0, {}};
            group.indexCountSecondByte = static_cast<std::uint8_t>(random()); // not read
            for (int i = upTo(127); i > 0; --i) {
                group.indices.push_back(static_cast<std::uint16_t>(upTo(50)));
            }
            for (int n = upTo(3); n > 0; --n) {
                group.nested.push_back({upTo(127), {}});
                for (int l = upTo(3); l > 0; --l) {
                    group.nested.back().level3Values.push_back(upTo(127));
                }
            }
            model.groups.push_back(group);
        }
        const BuiltModel built = BuildMsm(model);
        const std::span<const std::uint8_t> image = Span(built.bytes);
        const std::optional<MsmLayout> layout = WalkMsmLayout(image);
        ASSERT_TRUE(layout) << round;
        EXPECT_EQ(layout->end, built.bytes.size()) << round;
        EXPECT_EQ(layout->vertexCountOffset, built.vertexCountOffset) << round;
        EXPECT_EQ(ReadMsmTextureNames(image), model.names) << round;
        std::size_t at = layout->groupsOffset;
        for (std::size_t g = 0; g < model.groups.size(); ++g) {
            ASSERT_EQ(at, built.groupOffsets[g]) << round << " group " << g;
            const std::optional<MsmGroup> group = ReadMsmGroup(image, at);
            ASSERT_TRUE(group);
            const TestGroup& expected = model.groups[g];
            EXPECT_EQ(group->textureIndex, expected.textureIndex);
            EXPECT_EQ(static_cast<std::size_t>(group->indexCount), expected.indices.size());
            const bool inRange =
                std::all_of(expected.indices.begin(), expected.indices.end(),
                            [&](std::uint16_t i) { return i < model.vertices.size(); });
            EXPECT_EQ(MsmGroupIndicesInRange(image, *group, layout->vertexCount), inRange)
                << round << " group " << g << ": indices checked against the vertex count";
            at = group->next;
        }
    }
}

// Two names, vertices, groups with nested records of both levels.
BuiltModel FullModel() {
    return BuildMsm({2,
                     {"wall.bmp", "roof"},
                     std::vector<TestVertex>(6),
                     {{0, {0, 1, 2, 3}, 7, {{1, {2, 0}}, {0, {}}}},
                      {1, {3, 4, 5}, 0, {}},
                      {16, {}, 0, {{3, {}}}}}});
}

TEST(MsmLayout, EveryTruncationAndEveryCountPastTheDataIsRefused) {
    const BuiltModel built = FullModel();
    ASSERT_TRUE(WalkMsmLayout(Span(built.bytes)));
    for (std::size_t length = 0; length < built.bytes.size(); ++length) {
        const Bytes cut(built.bytes.begin(), built.bytes.begin() + static_cast<long>(length));
        EXPECT_FALSE(WalkMsmLayout(Span(cut))) << "cut to " << length << " bytes";
    }
    // Count bytes with the top bit set are negative counts, even where the
    // data would hold that many values: the first group's indices, its nested
    // records, the first record's values and level-3 records, the first
    // level-3 record's values.
    const std::size_t g0 = built.groupOffsets[0], g2 = built.groupOffsets[2];
    Bytes padded = built.bytes;
    padded.resize(padded.size() + 4096);
    for (const std::size_t field : {g0 + 2, g0 + 12, g0 + 16, g0 + 20, g0 + 24}) {
        for (const std::uint8_t value : {0x80, 0xFF}) {
            Bytes bad = padded;
            bad[field] = value;
            EXPECT_FALSE(WalkMsmLayout(Span(bad))) << "count " << int(value) << " at " << field;
        }
    }
    ASSERT_TRUE(WalkMsmLayout(Span(padded))) << "the padded model itself is read";
    const std::tuple<const char*, std::size_t, std::uint16_t> cases[] = {
        {"one more vertex", built.vertexCountOffset, 7},
        {"the largest vertex count", built.vertexCountOffset, 0xFFFF},
        {"one more group", built.groupCountOffset, 4},
        {"the largest group count", built.groupCountOffset, 0xFFFF},
        {"names that the data cannot hold", 0, 0x7FFF},
        {"127 indices in the last group", g2 + 2, 127},
    };
    for (const auto& [what, offset, value] : cases) {
        Bytes bad = built.bytes;
        bad[offset] = static_cast<std::uint8_t>(value);
        bad[offset + 1] = static_cast<std::uint8_t>(value >> 8);
        EXPECT_FALSE(WalkMsmLayout(Span(bad))) << what;
    }
    EXPECT_FALSE(WalkMsmLayout(Span(Bytes{1, 0, 'a', 'b', 'c'}))) << "a name without its NUL";
    Bytes noGroups = built.bytes;
    noGroups[built.groupCountOffset] = 0;
    EXPECT_EQ(WalkMsmLayout(Span(noGroups))->end, built.groupCountOffset + 2)
        << "a group count of zero ends the model at once";
}

TEST(MsmLayout, TextureNamesThatFitAreReadFromAShortList) {
    const BuiltModel built = FullModel();
    const std::pair<Bytes, std::vector<std::string>> cases[] = {
        {built.bytes, {"wall.bmp", "roof"}},
        {Bytes(built.bytes.begin(), built.bytes.begin() + 14), {"wall.bmp"}}, // cut in "roof"
        {{20, 0, 'a', 0, 0, 'b', 'c', 0, 'd'}, {"a", "", "bc"}}, // more declared than present
        {{3}, {}},
        {{}, {}},
        {{1, 0, 0x83, 0x5C, 'x', 0}, {"\x83\x5Cx"}}, // Shift-JIS bytes unchanged
    };
    for (const auto& [bytes, names] : cases) {
        EXPECT_EQ(ReadMsmTextureNames(Span(bytes)), names) << bytes.size() << " bytes";
    }
}

// The groups the viewer's drawing, render, export and the loader draw: "dG"
// for group G drawn, "tG" left out without a triangle, "rG" left out for an
// index past the vertices; the walk ends where a group runs past the data.
TEST(ForEachDrawnGroup, GroupsOfATriangleOrMoreWithEveryIndexInsideTheVertices) {
    const TestModel squares{1,
                            {"a.bmp"},
                            std::vector<TestVertex>(8),
                            {{-1, {4, 5, 6, 7}, 0, {}}, {0, {0, 1, 2, 3}, 0, {}}}};
    const BuiltModel built = BuildMsm(squares);
    const std::size_t frontNested = built.groupOffsets[1] - 2;
    const struct {
        const char* what;
        std::function<void(TestModel&)> change;
        std::function<void(Bytes&)> damage;
        const char* visits;
    } cases[] = {
        {"both drawn", nullptr, nullptr, "d0 d1 "},
        {"nested groups are stepped over",
         [](TestModel& m) {
             m.groups[0].nested = {{3, {2, 0}}, {0, {}}};
         },
         nullptr, "d0 d1 "},
        {"an index past the vertices: skipped", [](TestModel& m) { m.groups[0].indices[3] = 8; },
         nullptr, "r0 d1 "},
        {"two indices: skipped", [](TestModel& m) { m.groups[0].indices.resize(2); }, nullptr,
         "t0 d1 "},
        {"three: one triangle", [](TestModel& m) { m.groups[0].indices.resize(3); }, nullptr,
         "d0 d1 "},
        {"a group count past the groups: those there are drawn", nullptr,
         [&](Bytes& b) { b[built.groupCountOffset] = 3; }, "d0 d1 "},
        {"a group count of 0: none drawn", nullptr,
         [&](Bytes& b) { b[built.groupCountOffset] = 0; }, ""},
        {"the back group cut short: the walk ends after the front one", nullptr,
         [](Bytes& b) { b.pop_back(); }, "d0 "},
        {"a count byte of 128 in the front group: the walk ends at once", nullptr,
         [&](Bytes& b) { b[frontNested] = 0x80; }, ""},
    };
    for (const auto& c : cases) {
        TestModel model = squares;
        if (c.change) {
            c.change(model);
        }
        Bytes bytes = BuildMsm(model).bytes;
        if (c.damage) {
            c.damage(bytes);
        }
        const std::optional<MsmLayout> head = WalkMsmHead(Span(bytes));
        ASSERT_TRUE(head) << c.what;
        std::string visits;
        const auto visit = [&visits](char what, unsigned g) {
            visits += what;
            visits += std::to_string(g);
            visits += ' ';
        };
        ForEachDrawnGroup(
            Span(bytes), *head, [&](unsigned g, const MsmGroup&) { visit('d', g); },
            [&](unsigned g, const MsmGroup&, MsmGroupUse use) {
                visit(use == MsmGroupUse::noTriangle ? 't' : 'r', g);
            });
        EXPECT_EQ(visits, c.visits) << c.what;
    }
}

} // namespace
