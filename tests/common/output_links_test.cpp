// Links below an output folder, found component by component.
#include "common/output_links.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

namespace fs = std::filesystem;

TEST(OutputLinks, TheFirstLinkBelowTheFolderIsNamedAndTheFolderItselfMayBeOne) {
    ScratchFolder scratch;
    const fs::path root = scratch.Path();
    fs::create_directories(root / "out/real");
    fs::create_directories(root / "elsewhere");
    WriteBytes((root / "out/real/file").string(), Bytes{1});
    std::error_code error;
    fs::create_directory_symlink(root / "elsewhere", root / "out/linked", error);
    fs::create_symlink(root / "out/real/file", root / "out/real/linked-file", error);
    fs::create_symlink(root / "nowhere", root / "out/dangling", error);
    fs::create_directory_symlink(root / "out", root / "out-link", error);
    if (error) {
        GTEST_SKIP() << "this system makes no links here: " << error.message();
    }
    const std::string out = (root / "out").string(),
                      sep(1, static_cast<char>(fs::path::preferred_separator));
    const struct {
        std::string folder;
        std::string below; // the path is folder + separator + below
        std::string link;  // empty: none
    } cases[] = {
        {out, "real/file", ""},
        {out, "not/yet/made.bin", ""},
        {out, "linked/x.bin", "linked"},
        {out, "dangling", "dangling"},
        {out, "real" + sep + sep + "linked-file", "real" + sep + sep + "linked-file"},
        {out + sep, "linked/x", "linked"},
        // The output folder as the user named it is where they chose to write.
        {(root / "out-link").string(), "real/file", ""},
        {(root / "out-link").string(), "linked/x", "linked"},
    };
    for (const auto& c : cases) {
        std::string below = c.below, link = c.link;
        std::replace(below.begin(), below.end(), '/', sep[0]);
        std::replace(link.begin(), link.end(), '/', sep[0]);
        const std::string spelt = c.folder + (c.folder.ends_with(sep) ? "" : sep);
        const std::string path = spelt + below;
        EXPECT_EQ(LinkBelowFolder(c.folder, path),
                  c.link.empty() ? std::nullopt : std::optional(spelt + link))
            << path;
        EXPECT_EQ(RefuseLinkBelowFolder(c.folder, path).ok(), c.link.empty()) << path;
    }
    EXPECT_EQ(LinkBelowFolder((root / "other").string(), (root / "out/dangling").string()),
              (root / "out/dangling").string())
        << "a path not below the folder: the file itself is still checked";
}

} // namespace
