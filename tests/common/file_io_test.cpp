#include "common/file_io.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(OutputFile, CommitReplacesAnExistingLongerFileExactly) {
    ScratchFolder folder;
    const std::string target = folder.File("out.bin");
    WriteBytes(target, Bytes(1000, 0xAB));
    OutputFile file;
    ASSERT_TRUE(BeginOutputFile(file, target.c_str()));
    WriteOutput(file, "abc", 3);
    ASSERT_TRUE(CommitOutputFile(file));
    EXPECT_EQ(ReadBytes(target), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.bin"});
}

TEST(OutputFile, AbandonLeavesTheTargetUntouchedAndNoTemporaryFile) {
    ScratchFolder folder;
    const std::string target = folder.File("keep.bin");
    WriteBytes(target, Bytes(10, 0x11));
    OutputFile file;
    ASSERT_TRUE(BeginOutputFile(file, target.c_str()));
    WriteOutput(file, "partial", 7);
    AbandonOutputFile(file);
    EXPECT_EQ(ReadBytes(target), Bytes(10, 0x11));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"keep.bin"});
}

TEST(OutputFile, NoFileIsMadeWhereTheTargetCannotBe) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path() / "adir");
    OutputFile file;
    EXPECT_FALSE(BeginOutputFile(file, folder.File("adir").c_str()));
    EXPECT_FALSE(BeginOutputFile(file, folder.File("missing/x.bin").c_str()));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"adir"});
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / "adir"));
}

TEST(ReadWholeFile, RefusesMissingFilesFoldersAndFilesOverTheLimit) {
    ScratchFolder folder;
    WriteBytes(folder.File("f"), Bytes{1, 2, 3});
    EXPECT_EQ(ReadWholeFile(folder.File("f").c_str(), 3).value(), (Bytes{1, 2, 3}));
    EXPECT_FALSE(ReadWholeFile(folder.File("f").c_str(), 2).has_value());
    EXPECT_FALSE(ReadWholeFile(folder.File("none").c_str(), 100).has_value());
    EXPECT_FALSE(ReadWholeFile(folder.Path().string().c_str(), 100).has_value());
}

} // namespace
