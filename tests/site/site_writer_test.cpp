// The site writer on pieces made here: the files of a site, what its pages
// carry, and a second run that replaces the first and nothing else.
#include "site/site_files.h"
#include "site/site_writer.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

std::string FileText(const fs::path& path) {
    return Text(ReadBytes(path.string()));
}

SitePiece Piece(const std::string& stem, bool exported) {
    SitePiece piece;
    piece.name = "<i>" + stem + "</i>";
    piece.profileFile = stem + ".prt";
    piece.modelFile = stem + ".msm";
    piece.textureCount = 2;
    piece.thumbnailPng = {0x89, 'P', 'N', 'G'};
    if (exported) {
        piece.glb = {'g', 'l', 'T', 'F'};
    } else {
        piece.glbProblem = "no model " + stem + ".msm";
        piece.findings = {{FindingCode::modelMissing, piece.name, piece.profileFile, "",
                           "no model " + stem + ".msm"}};
    }
    piece.textures = {{"brick.bmp", {1, 2, 3}, 4, 2, ""},
                      {"gone.bmp", {}, 0, 0, "no gone.txr in the texture folder"}};
    return piece;
}

SiteReport Write(const fs::path& outDir, const Names& stems, const Names& exported) {
    SiteOutline outline{"Pieces & <Co>", {}, {}};
    for (const std::string& stem : stems) {
        outline.profileFiles.push_back(stem + ".prt");
    }
    const Result<SiteReport> report = WriteSite(outDir.string(), outline, [&](std::size_t i) {
        return Piece(stems[i],
                     std::find(exported.begin(), exported.end(), stems[i]) != exported.end());
    });
    EXPECT_TRUE(report) << (report ? "" : report.refusal().message);
    return report ? *report : SiteReport{};
}

const Names kAssets = {"index.html", "model-viewer-LICENSE.txt", "model-viewer.min.js",
                       "pieces",     "piecetool-site.txt",       "site.css",
                       "site.js"};

TEST(SiteWriter, WritesEachPieceWithItsModelInItsPageAndEveryNameEscaped) {
    ScratchFolder scratch;
    const fs::path out = scratch.Path() / "site";
    const SiteReport report = Write(out, {"b", "a"}, {"b"});
    EXPECT_EQ(report.pieces, 2u);
    EXPECT_EQ(report.errors, 1u);
    Names expected = kAssets;
    for (const char* file :
         {"pieces/a.html", "pieces/a.png", "pieces/b.glb", "pieces/b.html", "pieces/b.png"}) {
        expected.push_back(file);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(out, true), expected)
        << "no .glb for a model that cannot be shown, no temporary";
    EXPECT_EQ(scratch.Entries(), Names{"site"}) << "nothing written beside OUTDIR";

    const std::string index = FileText(out / "index.html");
    EXPECT_TRUE(Has(index, "<title>Pieces &amp; &lt;Co&gt;</title>"));
    EXPECT_TRUE(Has(index, "<p class=\"count\">2 pieces, 1 error, 0 warnings</p>"));
    EXPECT_LT(index.find("pieces/b.html"), index.find("pieces/a.html")) << "in the given order";
    const std::string b = FileText(out / "pieces/b.html");
    EXPECT_TRUE(Has(b, "<model-viewer src=\"data:model/gltf-binary;base64,Z2xURg==\""));
    EXPECT_TRUE(Has(b, "src=\"data:image/png;base64,AQID\" width=\"4\" height=\"2\""));
    EXPECT_TRUE(Has(b, "no gone.txr in the texture folder"));
    const std::string a = FileText(out / "pieces/a.html");
    EXPECT_FALSE(Has(a, "<model-viewer"));
    EXPECT_TRUE(Has(a, "No view of this piece: no model a.msm"));
    for (const std::string& file : FolderEntries(out, true)) {
        if (file.ends_with(".html")) {
            EXPECT_FALSE(Has(FileText(out / file), "<i>")) << file << ": a name as markup";
        }
    }
}

TEST(SiteWriter, ARunReplacesTheSiteOfTheLastAndLeavesOtherFilesAlone) {
    ScratchFolder scratch;
    const fs::path out = scratch.Path() / "site";
    Write(out, {"a", "b", "c"}, {"a", "b", "c"});
    std::ofstream(out / "notes.txt") << "mine";
    std::ofstream(out / "pieces" / "mine.html") << "mine";
    std::ofstream(out / "pieces" / ".html") << "mine";
    std::ofstream(scratch.Path() / "victim.txt") << "mine";
    fs::create_directories(out / "other");
    std::ofstream(out / "other" / "a.html") << "mine";
    // Lines no run writes: a manifest never makes the site remove them.
    std::ofstream(out / "piecetool-site.txt", std::ios::app)
        << "notes.txt\n../victim.txt\npieces/../../victim.txt\nother/a.html\npieces/.html\n";

    const SiteReport report = Write(out, {"a", "c"}, {"a"});
    EXPECT_EQ(report.removedFiles, 4u) << "b's three files and the model c no longer has";
    Names expected = kAssets;
    for (const char* file :
         {"notes.txt", "other", "other/a.html", "pieces/.html", "pieces/a.glb", "pieces/a.html",
          "pieces/a.png", "pieces/c.html", "pieces/c.png", "pieces/mine.html"}) {
        expected.push_back(file);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(out, true), expected);
    EXPECT_TRUE(fs::exists(scratch.Path() / "victim.txt"));
    EXPECT_EQ(
        ReadSiteManifest(out.string()),
        (std::set<std::string>{"index.html", "model-viewer-LICENSE.txt", "model-viewer.min.js",
                               "pieces/a.glb", "pieces/a.html", "pieces/a.png", "pieces/c.html",
                               "pieces/c.png", "site.css", "site.js"}));
}

} // namespace
