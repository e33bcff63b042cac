#include "app/texture_export.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The head of a model: a signed 16-bit name count and the names, each ending
// in a zero byte, followed by whatever the test wants (nothing else is read).
Bytes ModelNaming(std::int16_t count, const std::vector<std::string>& names, bool terminateLast = true) {
    Bytes image{static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(static_cast<std::uint16_t>(count) >> 8)};
    for (std::size_t i = 0; i < names.size(); ++i) {
        image.insert(image.end(), names[i].begin(), names[i].end());
        if (terminateLast || i + 1 < names.size()) {
            image.push_back(0);
        }
    }
    return image;
}

std::vector<std::string> Bitmaps(const TextureExportPlan& plan) {
    std::vector<std::string> paths;
    for (const TextureConversion& c : plan.conversions) {
        paths.push_back(c.bitmapPath);
    }
    return paths;
}

TEST(TextureFileNames, ListsEachNameWithItsTextureExtensionInFileOrder) {
    EXPECT_EQ(TextureFileNames(ModelNaming(2, {"wall.bmp", "floor"})),
              (std::vector<std::string>{"wall.txr", "floor.txr"}));
    EXPECT_EQ(TextureFileNames(ModelNaming(3, {"a.b.c", "", "x."})),
              (std::vector<std::string>{"a.b.txr", ".txr", "x.txr"}));
}

TEST(TextureFileNames, AListRunningPastTheDataYieldsTheNamesThatFit) {
    EXPECT_EQ(TextureFileNames(ModelNaming(3, {"wall.bmp", "floor"})),
              (std::vector<std::string>{"wall.txr", "floor.txr"}));
    EXPECT_EQ(TextureFileNames(ModelNaming(2, {"wall.bmp", "flo"}, false)),
              (std::vector<std::string>{"wall.txr"}));
    EXPECT_TRUE(TextureFileNames(ModelNaming(0, {"ignored.bmp"})).empty());
    EXPECT_TRUE(TextureFileNames(ModelNaming(-1, {"ignored.bmp"})).empty());
    EXPECT_TRUE(TextureFileNames(Bytes{5}).empty());
    EXPECT_TRUE(TextureFileNames(Bytes{}).empty());
    // A name too long for a path buffer is left out, the others stay.
    EXPECT_EQ(TextureFileNames(ModelNaming(2, {std::string(300, 'n'), "b"})),
              std::vector<std::string>{"b.txr"});
}

TEST(TextureExportPlan, JoinsEachNameWithBothFolders) {
    const TextureExportPlan plan =
        PlanTextureExport(ModelNaming(2, {"wall.bmp", "floor"}), "D:\\out", "C:\\tex");
    EXPECT_TRUE(plan.hasNames);
    ASSERT_EQ(plan.conversions.size(), 2u);
    EXPECT_EQ(plan.conversions[0].texturePath, "C:\\tex\\wall.txr");
    EXPECT_EQ(plan.conversions[0].bitmapPath, "D:\\out\\wall.bmp");
    EXPECT_EQ(plan.conversions[1].texturePath, "C:\\tex\\floor.txr");
    EXPECT_EQ(plan.conversions[1].bitmapPath, "D:\\out\\floor.bmp");
}

TEST(TextureExportPlan, ADriveRootGivesADoubledBackslash) {
    EXPECT_EQ(Bitmaps(PlanTextureExport(ModelNaming(1, {"wall.bmp"}), "D:\\", "C:\\tex")),
              std::vector<std::string>{"D:\\\\wall.bmp"});
}

TEST(TextureExportPlan, ADotInAFolderNeverShortensAPath) {
    const TextureExportPlan plan =
        PlanTextureExport(ModelNaming(1, {"floor"}), "D:\\my.out", "C:\\tex.v2");
    ASSERT_EQ(plan.conversions.size(), 1u);
    EXPECT_EQ(plan.conversions[0].texturePath, "C:\\tex.v2\\floor.txr");
    EXPECT_EQ(plan.conversions[0].bitmapPath, "D:\\my.out\\floor.bmp");
}

TEST(TextureExportPlan, NamesThatWouldLeaveTheChosenFolderAreSkipped) {
    const TextureExportPlan plan = PlanTextureExport(
        ModelNaming(8, {"..\\..\\startup\\x.bmp", "C:\\Windows\\x", "\\\\server\\share\\x", "sub/x.bmp",
                        "..", "ok.bmp", "C:evil.bmp", "\\root.bmp"}),
        "D:\\out", "C:\\tex");
    EXPECT_TRUE(plan.hasNames);
    EXPECT_EQ(Bitmaps(plan), std::vector<std::string>{"D:\\out\\ok.bmp"});
    EXPECT_EQ(plan.conversions[0].texturePath, "C:\\tex\\ok.txr");
}

TEST(TextureExportPlan, PathsThatDoNotFitAreSkipped) {
    const std::string folder(250, 'f');
    const TextureExportPlan plan =
        PlanTextureExport(ModelNaming(2, {"abcd.bmp", "abcdefgh.bmp"}), folder.c_str(), "T");
    EXPECT_EQ(Bitmaps(plan), std::vector<std::string>{folder + "\\abcd.bmp"});
    const TextureExportPlan viaTextureFolder =
        PlanTextureExport(ModelNaming(1, {"abcdefgh.bmp"}), "D", folder.c_str());
    EXPECT_TRUE(viaTextureFolder.conversions.empty());
}

TEST(TextureExportPlan, NoNamesMeansNothingToDoAndNoClosingMessage) {
    EXPECT_FALSE(PlanTextureExport(ModelNaming(0, {}), "D", "T").hasNames);
    EXPECT_FALSE(PlanTextureExport(ModelNaming(-3, {}), "D", "T").hasNames);
    EXPECT_FALSE(PlanTextureExport(Bytes{}, "D", "T").hasNames);
    // A count with names that run past the data still ends with the message.
    const TextureExportPlan truncated = PlanTextureExport(Bytes{2, 0, 'a'}, "D", "T");
    EXPECT_TRUE(truncated.hasNames);
    EXPECT_TRUE(truncated.conversions.empty());
}

} // namespace
