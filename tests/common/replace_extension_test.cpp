#include "common/replace_extension.h"
#include "common/path_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Replaced(const std::string& text, const char* extension) {
    char buffer[kPathCapacity] = {};
    std::strcpy(buffer, text.c_str());
    EXPECT_TRUE(ReplaceExtension(buffer, sizeof buffer, extension));
    return buffer;
}

TEST(ReplaceExtension, CutsAtTheLastDotOfTheFileName) {
    EXPECT_EQ(Replaced("a.b.bmp", ".txr"), "a.b.txr");
    EXPECT_EQ(Replaced("wall.bmp", ".txr"), "wall.txr");
    EXPECT_EQ(Replaced("a.", ".bmp"), "a.bmp");
    EXPECT_EQ(Replaced("C:\\maps\\x.y\\tex.TXR", ".bmp"), "C:\\maps\\x.y\\tex.bmp");
}

TEST(ReplaceExtension, AppendsWhenTheFileNameHasNoDot) {
    EXPECT_EQ(Replaced("floor", ".txr"), "floor.txr");
    EXPECT_EQ(Replaced("", ".txr"), ".txr");
    // A dot in a folder name never shortens the path.
    EXPECT_EQ(Replaced("C:\\maps.old\\tex", ".bmp"), "C:\\maps.old\\tex.bmp");
    EXPECT_EQ(Replaced("maps.old/tex", ".bmp"), "maps.old/tex.bmp");
    EXPECT_EQ(Replaced("D:tex", ".bmp"), "D:tex.bmp");
}

TEST(ReplaceExtension, RefusesAResultThatDoesNotFit) {
    char buffer[kPathCapacity];
    std::string name(255, 'n');
    std::strcpy(buffer, name.c_str());
    EXPECT_TRUE(ReplaceExtension(buffer, sizeof buffer, ".txr")); // 259 characters fit
    EXPECT_EQ(std::strlen(buffer), 259u);

    name.assign(256, 'n');
    std::strcpy(buffer, name.c_str());
    EXPECT_FALSE(ReplaceExtension(buffer, sizeof buffer, ".txr"));
    EXPECT_EQ(std::string(buffer), name); // unchanged

    // The old extension's room counts: 250 + ".ext" takes a 9-byte extension.
    name = std::string(250, 'n') + ".ext";
    std::strcpy(buffer, name.c_str());
    EXPECT_TRUE(ReplaceExtension(buffer, sizeof buffer, ".extensio"));
    EXPECT_EQ(std::string(buffer), std::string(250, 'n') + ".extensio");
    std::strcpy(buffer, name.c_str());
    EXPECT_FALSE(ReplaceExtension(buffer, sizeof buffer, ".extension"));
    EXPECT_EQ(std::string(buffer), name);
}

} // namespace
