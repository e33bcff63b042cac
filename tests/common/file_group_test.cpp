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

std::size_t stopAt = 0;
bool RunUntilStop(std::size_t step) {
    return step != stopAt;
}

// A group stopped after every file is renamed into place (its journal says
// ".commit") is undone from the journal alone, whatever its paths hold: a
// blank, a tab or a line break (those two not on Windows).
TEST(FileGroup, AGroupCutShortIsUndoneFromItsJournal) {
#ifdef _WIN32
    const std::vector<std::string> names = {"a b.prt", "c d.msm", "e f.txr"};
#else
    const std::vector<std::string> names = {"a\tb.prt", "c\nd.msm", "e f.txr"};
#endif
    ScratchFolder scratch;
    WriteBytes(scratch.File(names[0]), Bytes{'o', 'l', 'd'});
    const std::map<std::string, std::string> before = FileTree(scratch.Path());
    const Bytes text = {'n', 'e', 'w'};
    const std::vector<GroupFile> group = {{scratch.File(names[0]), text, scratch.File(names[0])},
                                          {scratch.File(names[1]), text, ""},
                                          {scratch.File(names[2]), text, ""}};
    // Journal, three temporaries, its phase, one move aside and three renames.
    stopAt = 9;
    SetGroupStepHook(RunUntilStop);
    const Status stopped = WriteFileGroup(group);
    SetGroupStepHook(nullptr);
    ASSERT_EQ(stopped.refusal().code, "file-group-stopped");
    const std::vector<std::string> journals = InterruptedFileGroups(scratch.File(""));
    ASSERT_EQ(journals.size(), 1u);
    EXPECT_TRUE(journals[0].ends_with(".commit")) << journals[0];
    EXPECT_EQ(FileTree(scratch.Path()).size(), 5u) << "three new files, the old one, the journal";
    const std::vector<std::string> folders = {scratch.File("")};
    const Result<std::vector<std::string>> recovered = RecoverFileGroups(scratch.File(""), folders);
    ASSERT_TRUE(recovered) << recovered.refusal().message;
    EXPECT_EQ(*recovered, journals);
    EXPECT_EQ(FileTree(scratch.Path()), before);

    // A journal that cannot be read is left as it is, and says so; nothing
    // it names is touched.
    const std::string header = "file group journal 1\n";
    const std::string line = scratch.File(names[0]) + "\t" + scratch.File("x") + "\t\t\n";
    const char* broken[] = {"x\n",    "a\tb\tc",  "a\tb\tc\td\te\n", "a\\x\tb\t\t\n", "a\tb\t\t\\",
                            "a\tb\n", "\t\t\t\n", "a\t\tc\td\n",     "a\tb\tc\t\n"};
    for (const char* text : broken) {
        const std::string journal = header + line + text;
        WriteBytes(scratch.File(".~pv1-1.commit"), Bytes(journal.begin(), journal.end()));
        EXPECT_EQ(RecoverFileGroups(scratch.File(""), folders).refusal().code, "file-group")
            << text;
        EXPECT_EQ(InterruptedFileGroups(scratch.File("")).size(), 1u);
        EXPECT_EQ(FileTree(scratch.Path()).size(), 2u) << text;
    }

    // A journal planted in a shared folder moves nothing outside the
    // import's folders, nor any file under a name a group write does not
    // give: each is refused and every file stays where it is.
    std::remove(scratch.File(".~pv1-1.commit").c_str());
    ScratchFolder outside;
    WriteBytes(outside.File("victim.txt"), Bytes{'k', 'e', 'e', 'p'});
    WriteBytes(outside.File(".~pv7-1.new"), Bytes{'n'});
    WriteBytes(scratch.File("keep.prt"), Bytes{'k'});
    const std::map<std::string, std::string> inside = FileTree(scratch.Path());
    const std::map<std::string, std::string> beyond = FileTree(outside.Path());
    const std::string planted[][2] = {
        {".prepare", outside.File(".~pv7-1.new") + "\t" + outside.File("victim.txt") + "\t\t"},
        {".prepare", scratch.File("keep.prt") + "\t" + scratch.File("x.prt") + "\t\t"},
        {".done", "\t\t" + outside.File("victim.txt") + "\t" + outside.File(".~pv7-2.old")},
        {".done", "\t\t" + scratch.File("x.prt") + "\t" + scratch.File("keep.prt")},
        {".commit", scratch.File(".~pv7-3.new") + "\t" + outside.File("victim.txt") + "\t\t"},
    };
    for (const auto& [phase, line] : planted) {
        const std::string journal = header + line + "\n";
        const std::string path = scratch.File(".~pv9-9") + phase;
        WriteBytes(path, Bytes(journal.begin(), journal.end()));
        EXPECT_EQ(RecoverFileGroups(scratch.File(""), folders).refusal().code, "file-group")
            << line;
        std::remove(path.c_str());
        EXPECT_EQ(FileTree(scratch.Path()), inside) << line;
        EXPECT_EQ(FileTree(outside.Path()), beyond) << line;
    }
}

} // namespace
