// The texture commands' plan: the texture files a model names, and the
// conversions an export runs.
#include "app/texture_export.h"

#include "builders/msm_builder.h"

#include <gtest/gtest.h>

namespace {

// A model whose texture list is `count` and `names`; nothing past the names
// is read. How a list that runs past the data is read is the model layout's
// (tests/preview).
Bytes Head(std::int16_t count, std::vector<std::string> names) {
    return BuildMsm({count, std::move(names), {}, {}}).bytes;
}

using Names = std::vector<std::string>;

TEST(TextureFileNames, EachNameThatFitsWithItsTextureExtensionInListOrder) {
    const std::pair<Bytes, Names> cases[] = {
        {Head(2, {"wall.bmp", "floor"}), {"wall.txr", "floor.txr"}},
        {Head(3, {"a.b.c", "", "x."}), {"a.b.txr", ".txr", "x.txr"}},
        {Head(2, {std::string(300, 'n'), "b"}), {"b.txr"}}, // too long for a path: left out
    };
    for (const auto& [image, names] : cases) {
        EXPECT_EQ(TextureFileNames(image), names) << image.size() << " bytes";
    }
}

TEST(TextureExportPlan, JoinsEachPlainNameWithBothFoldersWhenTheResultFits) {
    const std::string long250(250, 'f');
    const struct {
        Bytes image;
        std::string destination, textures;
        std::vector<std::pair<std::string, std::string>> conversions; // texture, bitmap
    } cases[] = {
        {Head(2, {"wall.bmp", "floor"}),
         "D:\\out",
         "C:\\tex",
         {{"C:\\tex\\wall.txr", "D:\\out\\wall.bmp"},
          {"C:\\tex\\floor.txr", "D:\\out\\floor.bmp"}}},
        {Head(1, {"wall.bmp"}), "D:\\", "C:\\tex", {{"C:\\tex\\wall.txr", "D:\\\\wall.bmp"}}},
        {Head(1, {"floor"}),
         "D:\\my.out",
         "C:\\tex.v2", // a folder's dot never shortens a path
         {{"C:\\tex.v2\\floor.txr", "D:\\my.out\\floor.bmp"}}},
        {Head(8, {"..\\..\\startup\\x.bmp", "C:\\Windows\\x", "\\\\server\\share\\x", "sub/x.bmp",
                  "..", "ok.bmp", "C:evil.bmp", "\\root.bmp"}),
         "D:\\out",
         "C:\\tex",
         {{"C:\\tex\\ok.txr", "D:\\out\\ok.bmp"}}}, // paths never leave
        {Head(2, {"abcd.bmp", "abcdefgh.bmp"}),
         long250,
         "T",
         {{"T\\abcd.txr", long250 + "\\abcd.bmp"}}},
        {Head(1, {"abcdefgh.bmp"}), "D", long250, {}},
    };
    for (const auto& c : cases) {
        const TextureExportPlan plan =
            PlanTextureExport(c.image, c.destination.c_str(), c.textures.c_str());
        EXPECT_TRUE(plan.hasNames);
        std::vector<std::pair<std::string, std::string>> conversions;
        for (const TextureConversion& conversion : plan.conversions) {
            conversions.emplace_back(conversion.texturePath, conversion.bitmapPath);
        }
        EXPECT_EQ(conversions, c.conversions) << "into " << c.destination.substr(0, 12);
    }
}

TEST(TextureExportPlan, NoNamesMeansNothingToDoAndNoClosingMessage) {
    for (const Bytes& image : {Head(0, {}), Head(-3, {}), Bytes{}}) {
        EXPECT_FALSE(PlanTextureExport(image, "D", "T").hasNames) << image.size() << " bytes";
    }
    const TextureExportPlan cut = PlanTextureExport(Bytes{2, 0, 'a'}, "D", "T");
    EXPECT_TRUE(cut.hasNames) << "names that run past the data still end with the message";
    EXPECT_TRUE(cut.conversions.empty());
}

} // namespace
