// Path texts in 260-byte buffers: copying, joining, file-name parts and
// extensions.
#include "common/path_text.h"
#include "common/replace_extension.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(PathText, CopyAndJoinRefuseTextsOfMoreThan259CharactersLeavingTheBufferEmpty) {
    char buffer[kPathCapacity];
    EXPECT_TRUE(CopyPathText(buffer, sizeof buffer, std::string(259, 'a').c_str()));
    EXPECT_EQ(std::string(buffer), std::string(259, 'a')) << "259 characters are copied whole";
    EXPECT_FALSE(CopyPathText(buffer, sizeof buffer, std::string(260, 'a').c_str()));
    EXPECT_EQ(buffer[0], '\0') << "a refused copy leaves an empty text";
    EXPECT_TRUE(JoinPath(buffer, sizeof buffer, "C:\\tex", "wall.txr"));
    EXPECT_EQ(std::string(buffer), "C:\\tex\\wall.txr") << "one backslash between the parts";
    const std::string folder(250, 'f');
    EXPECT_TRUE(JoinPath(buffer, sizeof buffer, folder.c_str(), "12345678")) << "259 fit";
    EXPECT_EQ(std::string(buffer), folder + "\\12345678");
    EXPECT_FALSE(JoinPath(buffer, sizeof buffer, folder.c_str(), "123456789")) << "260 do not";
    EXPECT_EQ(buffer[0], '\0') << "a refused join leaves an empty text";
}

TEST(PathText, TheFileNameStartsAfterTheLastSeparatorOrDriveColon) {
    const std::pair<const char*, std::size_t> cases[] = {
        {"tex.txr", 0}, {"C:\\a\\tex.txr", 5}, {"a/b\\c", 4}, {"C:tex", 2}, {"dir\\", 4}};
    for (const auto& [path, offset] : cases) {
        EXPECT_EQ(FileNameOffset(path), offset) << path;
    }
    for (const char* path : {"C:\\", "C:\\maps\\"}) {
        EXPECT_TRUE(EndsWithBackslash(path)) << path << " ends with a backslash";
    }
    for (const char* path : {"C:\\maps", "C:", "", "maps/"}) {
        EXPECT_FALSE(EndsWithBackslash(path)) << path << " does not end with a backslash";
    }
}

TEST(PathText, OnlyPlainFileNamesStayInsideTheirFolder) {
    for (const char* plain : {"wall.bmp", "..wall", "floor"}) {
        EXPECT_TRUE(IsPlainFileName(plain)) << plain << " is a plain name";
    }
    for (const char* hostile :
         {"", ".", "..", "..\\..\\startup\\x.bmp", "C:\\Windows\\x", "\\\\server\\share\\x",
          "a/b.bmp", "/etc/passwd", "C:x", "sub\\x.bmp", "x.bmp:stream"}) {
        EXPECT_FALSE(IsPlainFileName(hostile)) << hostile << " could leave the folder";
    }
}

TEST(ReplaceExtension, CutsAtTheLastDotOfTheFileNameOrAppends) {
    const std::pair<const char*, const char*> cases[] = {
        {"a.b.bmp", "a.b.txr"},
        {"a.", "a.txr"},
        {"C:\\maps\\x.y\\tex.TXR", "C:\\maps\\x.y\\tex.txr"},
        {"floor", "floor.txr"},
        {"", ".txr"},
        {"C:\\maps.old\\tex", "C:\\maps.old\\tex.txr"}, // a folder's dot never shortens the path
        {"maps.old/tex", "maps.old/tex.txr"},
        {"D:tex", "D:tex.txr"},
    };
    for (const auto& [text, expected] : cases) {
        char buffer[kPathCapacity] = {};
        std::strcpy(buffer, text);
        EXPECT_TRUE(ReplaceExtension(buffer, sizeof buffer, ".txr")) << text;
        EXPECT_EQ(std::string(buffer), expected) << text;
    }
}

TEST(ReplaceExtension, RefusesAResultOfMoreThan259CharactersLeavingTheTextUnchanged) {
    // The old extension's room counts: 250 + ".ext" takes a 9-byte extension.
    const std::string dotted = std::string(250, 'n') + ".ext";
    const struct {
        std::string text;
        const char* extension;
        bool fits;
    } cases[] = {{std::string(255, 'n'), ".txr", true},
                 {std::string(256, 'n'), ".txr", false},
                 {dotted, ".extensio", true},
                 {dotted, ".extension", false}};
    for (const auto& c : cases) {
        char buffer[kPathCapacity];
        std::strcpy(buffer, c.text.c_str());
        EXPECT_EQ(ReplaceExtension(buffer, sizeof buffer, c.extension), c.fits) << c.extension;
        EXPECT_EQ(std::strlen(buffer), c.fits ? 259u : c.text.size()) << "fits: " << c.fits;
    }
}

} // namespace
