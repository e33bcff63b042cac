// Several files written all or nothing, across folders.
#include "common/file_group.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <map>

namespace {

namespace fs = std::filesystem;

struct Planned {
    std::string path; // relative to the scratch folder
    std::string text;
    std::string replaces; // relative, or empty
};

TEST(FileGroup, WritesEveryFileOrUndoesEveryStep) {
    const std::map<std::string, std::string> before = {{"p/old.prt", "old profile"},
                                                       {"t/OLD_0.txr", "old texture"}};
    const struct {
        const char* what;
        std::vector<Planned> files;
        std::string code; // empty: written
        std::map<std::string, std::string> after;
    } cases[] = {
        {"three new files in three folders",
         {{"p/a.prt", "A", ""}, {"m/a.msm", "B", ""}, {"t/a_0.txr", "C", ""}},
         "",
         {{"p/old.prt", "old profile"},
          {"t/OLD_0.txr", "old texture"},
          {"p/a.prt", "A"},
          {"m/a.msm", "B"},
          {"t/a_0.txr", "C"}}},
        {"an existing file replaced, another spelt in another case",
         {{"p/old.prt", "new profile", "p/old.prt"}, {"t/old_0.txr", "new texture", "t/OLD_0.txr"}},
         "",
         {{"p/old.prt", "new profile"}, {"t/old_0.txr", "new texture"}}},
        {"an existing file that is not to be replaced",
         {{"m/a.msm", "B", ""}, {"p/old.prt", "new profile", ""}},
         "file-exists",
         before},
        {"a folder that does not exist: nothing is renamed",
         {{"p/a.prt", "A", ""}, {"missing/a.msm", "B", ""}},
         "file-write",
         before},
        // A file that appears at a target between the check and its rename
        // (here the group's own earlier file) undoes the renames done so
        // far, the replacement of an existing file among them.
        {"a file that appears at a target while the others are renamed",
         {{"p/old.prt", "new profile", "p/old.prt"}, {"m/a.msm", "B", ""}, {"m/a.msm", "C", ""}},
         "file-exists",
         before},
    };
    for (const auto& c : cases) {
        ScratchFolder scratch;
        for (const char* folder : {"p", "m", "t"}) {
            fs::create_directory(scratch.Path() / folder);
        }
        for (const auto& [path, text] : before) {
            WriteBytes(scratch.File(path), Bytes(text.begin(), text.end()));
        }
        std::vector<Bytes> contents;
        for (const Planned& file : c.files) {
            contents.emplace_back(file.text.begin(), file.text.end());
        }
        std::vector<GroupFile> group;
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            const Planned& file = c.files[i];
            group.push_back({scratch.File(file.path), contents[i],
                             file.replaces.empty() ? "" : scratch.File(file.replaces)});
        }
        const Status status = WriteFileGroup(group);
        if (c.code.empty()) {
            EXPECT_TRUE(status) << c.what << ": " << status.refusal().message;
        } else {
            ASSERT_FALSE(status) << c.what;
            EXPECT_EQ(status.refusal().code, c.code) << c.what;
        }
        // Exactly these files, so no temporary and no file moved aside left.
        EXPECT_EQ(FileTree(scratch.Path()), c.after) << c.what;
    }
}

} // namespace
