// The lock of a folder that runs write, and the removal of the temporaries
// that dead runs left there.
#include "common/file_io.h"
#include "common/folder_lock.h"
#include "common/temporary_files.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// A lock is taken once per folder however the folder is spelt, another taker
// (here another open of the lock file, as another process makes) waits the
// bounded time and is refused naming the folder, and the lock file goes with
// the lock.
TEST(FolderLock, OneRunAtATimePerFolderAndNothingLeftOnceItEnds) {
    ScratchFolder scratch;
    fs::create_directory(scratch.Path() / "a");
    fs::create_directory(scratch.Path() / "b");
    const std::string a = scratch.File("a");
    const std::string b = scratch.File("b");
    {
        Result<FolderLocks> held = LockFolders({b, a, a + "/.", b}, 0);
        ASSERT_TRUE(held) << held.refusal().code;
        EXPECT_TRUE(FolderLockHeld(a));
        EXPECT_TRUE(FolderLockHeld(b));
        const struct {
            std::vector<std::string> folders;
            std::string busy;
        } cases[] = {{{a}, a}, {{scratch.File("b/")}, scratch.File("b/")}, {{b, a}, a}};
        for (const auto& c : cases) {
            const Result<FolderLocks> second = LockFolders(c.folders, 30);
            ASSERT_FALSE(second) << c.busy;
            EXPECT_EQ(second.refusal().code, "folder-busy");
            EXPECT_EQ(second.refusal().message, c.busy);
        }
    }
    EXPECT_FALSE(FolderLockHeld(a));
    EXPECT_EQ(FileTree(scratch.Path()).size(), 0u);
    EXPECT_TRUE(LockFolders({a}, 0));
    EXPECT_EQ(LockFolders({scratch.File("none")}, 0).refusal().code, "folder-lock");
}

// Only temporaries of this program's form that no live writer holds go: one
// a writer of this process holds open stays, and every other name stays.
TEST(DeadTemporaries, OnlyThoseNoLiveWriterHoldsAreRemoved) {
    ScratchFolder scratch;
    const std::string folder = scratch.Path().string();
    OutputFile live;
    ASSERT_TRUE(BeginOutputFile(live, scratch.File("out.txr").c_str()));
    WriteOutput(live, "abc", 3);
    const char* kept[] = {".~pvlock",    ".~pv12-3.new", ".~pv12-3.old", ".~pv12-3.commit",
                          "~pv12-3.tmp", ".~pvx-3.tmp",  ".~pv12-.tmp",  "piece.tmp"};
    for (const char* name : kept) {
        WriteBytes(scratch.File(name), {1});
    }
    WriteBytes(scratch.File(".~pv12-3.tmp"), {2});
    WriteBytes(scratch.File(".~pv4294967295-0.tmp"), {3});
    EXPECT_EQ(RemoveDeadTemporaries(folder), 2u);
    std::vector<std::string> expected(std::begin(kept), std::end(kept));
    expected.push_back(fs::path(live.tempPath).filename().string());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(scratch.Entries(), expected);
    // Once committed, the held temporary is the target: nothing to remove.
    ASSERT_TRUE(CommitOutputFile(live));
    EXPECT_EQ(RemoveDeadTemporaries(folder), 0u);
    EXPECT_EQ(Text(ReadBytes(scratch.File("out.txr"))), "abc");
}

} // namespace
