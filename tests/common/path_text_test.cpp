#include "common/path_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PathText, CopyRefusesTextsOfMoreThan259Characters) {
    char buffer[kPathCapacity];
    const std::string fits(259, 'a');
    EXPECT_TRUE(CopyPathText(buffer, sizeof buffer, fits.c_str()));
    EXPECT_EQ(std::string(buffer), fits);
    const std::string tooLong(260, 'a');
    EXPECT_FALSE(CopyPathText(buffer, sizeof buffer, tooLong.c_str()));
    EXPECT_EQ(buffer[0], '\0');
}

TEST(PathText, JoinUsesOneBackslashAndRefusesOverflow) {
    char buffer[kPathCapacity];
    EXPECT_TRUE(JoinPath(buffer, sizeof buffer, "C:\\tex", "wall.txr"));
    EXPECT_EQ(std::string(buffer), "C:\\tex\\wall.txr");

    const std::string folder(250, 'f');
    EXPECT_TRUE(JoinPath(buffer, sizeof buffer, folder.c_str(), "12345678"));  // 259
    EXPECT_FALSE(JoinPath(buffer, sizeof buffer, folder.c_str(), "123456789")); // 260
    EXPECT_EQ(buffer[0], '\0');
}

TEST(PathText, FileNameOffsetFindsTheLastSeparator) {
    EXPECT_EQ(FileNameOffset("tex.txr"), 0u);
    EXPECT_EQ(FileNameOffset("C:\\a\\tex.txr"), 5u);
    EXPECT_EQ(FileNameOffset("a/b\\c"), 4u);
    EXPECT_EQ(FileNameOffset("C:tex"), 2u);
    EXPECT_EQ(FileNameOffset("dir\\"), 4u);
}

TEST(PathText, PlainFileNamesStayInsideTheirFolder) {
    EXPECT_TRUE(IsPlainFileName("wall.bmp"));
    EXPECT_TRUE(IsPlainFileName("..wall"));
    EXPECT_TRUE(IsPlainFileName("floor"));
    for (const char* hostile : {"", ".", "..", "..\\..\\startup\\x.bmp", "C:\\Windows\\x",
                                "\\\\server\\share\\x", "a/b.bmp", "/etc/passwd", "C:x",
                                "sub\\x.bmp", "x.bmp:stream"}) {
        EXPECT_FALSE(IsPlainFileName(hostile)) << hostile;
    }
}

} // namespace

namespace {

TEST(PathText, EndsWithBackslashLooksAtTheLastCharacter) {
    EXPECT_TRUE(EndsWithBackslash("C:\\"));
    EXPECT_TRUE(EndsWithBackslash("C:\\maps\\"));
    EXPECT_FALSE(EndsWithBackslash("C:\\maps"));
    EXPECT_FALSE(EndsWithBackslash("C:"));
    EXPECT_FALSE(EndsWithBackslash(""));
    EXPECT_FALSE(EndsWithBackslash("maps/"));
}

} // namespace
