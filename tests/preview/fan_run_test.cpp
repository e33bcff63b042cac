// A fan hands the device only the run of vertices its indices span, its
// indices counted from the run's start; a fan without indices spans nothing.
#include "preview/fan_run.h"

#include "builders/msm_builder.h"

#include <gtest/gtest.h>

namespace {

TEST(FanRun, SpansFromTheLowestToTheHighestIndexAndRefusesAnEmptyFan) {
    const struct {
        std::vector<std::uint16_t> indices;
        bool made;
        std::uint16_t first, count;
        std::vector<std::uint16_t> relative;
    } cases[] = {
        {{}, false, 0, 0, {}},
        {{7}, true, 7, 1, {0}},
        {{5, 3, 9, 4}, true, 3, 7, {2, 0, 6, 1}},
        {{0, 65534, 2}, true, 0, 65535, {0, 65534, 2}}, // the largest array
        {{65534, 65533, 65534}, true, 65533, 2, {1, 0, 1}},
    };
    for (const auto& c : cases) {
        TestModel model;
        model.vertices.resize(3);
        model.groups = {{0, c.indices, 0, {}}};
        const BuiltModel built = BuildMsm(model);
        const std::optional<MsmGroup> group = ReadMsmGroup(built.bytes, built.groupOffsets[0]);
        ASSERT_TRUE(group);
        FanRun run;
        run.first = 99;
        ASSERT_EQ(MakeFanRun(built.bytes, *group, run), c.made) << c.indices.size();
        if (!c.made) {
            EXPECT_EQ(run.first, 99) << "left as it was";
            continue;
        }
        EXPECT_EQ(run.first, c.first);
        EXPECT_EQ(run.count, c.count);
        EXPECT_EQ(std::vector<std::uint16_t>(run.indices, run.indices + c.indices.size()),
                  c.relative);
    }
}

} // namespace
