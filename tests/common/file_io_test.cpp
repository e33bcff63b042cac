// Whole-file reading and all-or-nothing writing.
#include "catalogue/catalogue_folders.h"
#include "common/file_io.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputFile, CommitReplacesTheTargetWholeAndAbandonLeavesItUntouched) {
    ScratchFolder folder;
    const std::string target = folder.File("out.bin");
    WriteBytes(target, Bytes(1000, 0xAB));
    OutputFile file;
    ASSERT_TRUE(BeginOutputFile(file, target.c_str()));
    WriteOutput(file, "partial", 7);
    AbandonOutputFile(file);
    EXPECT_EQ(ReadBytes(target), Bytes(1000, 0xAB)) << "an abandoned file changes nothing";
    ASSERT_TRUE(BeginOutputFile(file, target.c_str()));
    WriteOutput(file, "abc", 3);
    ASSERT_TRUE(CommitOutputFile(file));
    EXPECT_EQ(ReadBytes(target), (Bytes{'a', 'b', 'c'})) << "the longer old file is replaced";
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.bin"}) << "no temporary file left";
    // A target that can no longer be replaced (a folder by now) fails the commit.
    ASSERT_TRUE(BeginOutputFile(file, target.c_str()));
    WriteOutput(file, "xyz", 3);
    std::filesystem::remove(target);
    std::filesystem::create_directory(target);
    EXPECT_FALSE(CommitOutputFile(file));
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.bin"}) << "the temporary file goes";
}

TEST(OutputFile, NoneIsBegunWhereTheTargetCannotBe) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path() / "adir");
    OutputFile file;
    EXPECT_FALSE(BeginOutputFile(file, folder.File("adir").c_str())) << "a folder is no target";
    EXPECT_FALSE(BeginOutputFile(file, folder.File("missing/x.bin").c_str())) << "no folder";
}

TEST(InputFile, EachOpenInputHoldsItsOwnBytesWhateverWasReadBefore) {
    ScratchFolder folder;
    Bytes large(300000);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<std::uint8_t>(i * 7);
    }
    WriteBytes(folder.File("large"), large);
    WriteBytes(folder.File("small"), Bytes{9, 8, 7});
    const auto bytes = [](const InputFile& f) { return Bytes(f.data, f.data + f.size); };
    InputFile first, second;
    ASSERT_TRUE(OpenInputFile(first, folder.File("large").c_str()));
    CloseInputFile(first);
    ASSERT_TRUE(OpenInputFile(first, folder.File("small").c_str()));
    ASSERT_TRUE(OpenInputFile(second, folder.File("large").c_str())) << "both open at once";
    EXPECT_EQ(bytes(first), (Bytes{9, 8, 7}));
    EXPECT_EQ(bytes(second), large);
    CloseInputFile(second);
    ASSERT_TRUE(OpenInputFile(first, folder.File("large").c_str())) << "reopened in place";
    EXPECT_EQ(bytes(first), large);
    CloseInputFile(first);
}

#ifdef _WIN32
// A large input is mapped on Windows: the system must refuse to cut it short
// while the view is open, or a read of it could fault.
TEST(InputFile, AMappedInputCannotBeCutShortWhileOpen) {
    ScratchFolder folder;
    WriteBytes(folder.File("large"), Bytes(5 << 20, 7));
    InputFile file;
    ASSERT_TRUE(OpenInputFile(file, folder.File("large").c_str()));
    ASSERT_NE(file.mapping, nullptr);
    std::error_code error;
    std::filesystem::resize_file(folder.File("large"), 10, error);
    EXPECT_TRUE(error) << "cut while mapped";
    EXPECT_EQ(file.data[file.size - 1], 7);
    CloseInputFile(file);
}
#endif

// Each refusal of whole-file reading and writing, and of opening a
// catalogue, names its reason.
TEST(ReadFileBytes, RefusesMissingFilesFoldersAndFilesOverTheLimitSayingWhich) {
    ScratchFolder folder;
    WriteBytes(folder.File("f"), Bytes{1, 2, 3});
    EXPECT_EQ(ReadWholeFile(folder.File("f").c_str(), 3).value(), (Bytes{1, 2, 3}));
    const auto code = [](const Result<Bytes>& read) { return read ? "read" : read.refusal().code; };
    const struct {
        std::string path;
        std::uint64_t limit;
        const char* code;
    } cases[] = {
        {folder.File("f"), 3, "read"},
        {folder.File("f"), 2, "file-too-large"},
        {folder.File("none"), 100, "file-unreadable"},
        {folder.Path().string(), 100, "file-unreadable"},
    };
    for (const auto& c : cases) {
        const Result<Bytes> read = ReadFileBytes(c.path.c_str(), c.limit);
        EXPECT_EQ(code(read), c.code) << c.path << " " << c.limit;
        EXPECT_EQ(ReadWholeFile(c.path.c_str(), c.limit).has_value(), read.ok());
    }
    EXPECT_TRUE(WriteFileBytes(folder.File("w"), Bytes{4, 5}));
    EXPECT_EQ(ReadBytes(folder.File("w")), (Bytes{4, 5}));
    EXPECT_EQ(WriteFileBytes(folder.File("none/w"), Bytes{4}).refusal().code, "file-write");
    EXPECT_EQ(OpenCatalogue(folder.File(""), folder.File("none"), folder.File("")).refusal().code,
              "folder-missing");
}

} // namespace
