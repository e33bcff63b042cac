// What the site gathers from catalogue folders: which pieces get a page and
// which findings go where, what each texture slot shows or why it shows
// nothing, and a model that cannot be shown.
#include "site/site_gathering.h"

#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

bool Holds(const std::vector<std::uint8_t>& whole, const std::vector<std::uint8_t>& part) {
    return !part.empty() &&
           std::search(whole.begin(), whole.end(), part.begin(), part.end()) != whole.end();
}

bool IsPng(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() > 8 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' &&
           bytes[3] == 'G';
}

struct Catalogue {
    ScratchFolder folder;
    Result<CatalogueIndex> index = Refusal{"", ""};

    Catalogue() {
        for (const char* sub : {"profiles", "models", "textures"}) {
            fs::create_directories(folder.Path() / sub);
        }
        // Slot 17 and on are past the viewer's 17 slots, whatever they name.
        std::vector<std::string> names = {"red.bmp", "sub\\red.bmp", "gone.bmp", "bad.bmp"};
        names.resize(18, "blue.bmp");
        const Bytes many = BuildMsm(BoxModel(names, 0)).bytes;
        Bytes cut = BuildMsm(BoxModel({"red.bmp"}, 0)).bytes;
        cut.resize(cut.size() - 5);
        WriteBytes(folder.File("models/many.msm"), many);
        WriteBytes(folder.File("models/cut.msm"), cut);
        WriteBytes(folder.File("textures/red.txr"), SolidTxr(0xFF0000, 4));
        WriteBytes(folder.File("textures/blue.txr"), SolidTxr(0x0000FF, 2));
        WriteBytes(folder.File("textures/bad.txr"), Bytes(8, 0));
        WriteBytes(folder.File("profiles/b_many.prt"), ProfileBytes("many.msm", "Many"));
        WriteBytes(folder.File("profiles/a_cut.prt"), ProfileBytes("cut.msm", "Cut"));
        WriteBytes(folder.File("profiles/c_none.prt"), ProfileBytes("none.msm", "None"));
        // Too short for the viewer to list: its finding has no page to go on.
        WriteBytes(folder.File("profiles/d_short.prt"), ProfileBytes("many.msm", "Short", 40));
        index =
            OpenCatalogue(folder.File("profiles"), folder.File("models"), folder.File("textures"));
    }
};

TEST(SiteGathering, ListsThePiecesTheViewerListsWithTheirOwnFindings) {
    Catalogue catalogue;
    ASSERT_TRUE(catalogue.index);
    const SitePlan plan = PlanSite(*catalogue.index, "Title");
    EXPECT_EQ(plan.outline.title, "Title");
    ASSERT_EQ(plan.outline.profileFiles,
              (std::vector<std::string>{"a_cut.prt", "b_many.prt", "c_none.prt"}));
    ASSERT_EQ(plan.pieces.size(), 3u);
    ASSERT_EQ(plan.findings.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(plan.pieces[i].fileName, plan.outline.profileFiles[i]);
        ASSERT_FALSE(plan.findings[i].empty()) << plan.outline.profileFiles[i];
        for (const Finding& finding : plan.findings[i]) {
            EXPECT_EQ(finding.profile, plan.outline.profileFiles[i]) << finding.message;
        }
    }
    EXPECT_EQ(plan.findings[0].front().code, FindingCode::modelMalformed);
    EXPECT_EQ(plan.findings[2].front().code, FindingCode::modelMissing);
    ASSERT_FALSE(plan.outline.unlisted.empty());
    EXPECT_TRUE(std::any_of(
        plan.outline.unlisted.begin(), plan.outline.unlisted.end(), [](const Finding& f) {
            return f.code == FindingCode::profileSkipped && f.profile == "d_short.prt";
        }));
}

TEST(SiteGathering, EachTextureSlotHasItsPictureOrSaysWhyNot) {
    Catalogue catalogue;
    ASSERT_TRUE(catalogue.index);
    const SitePlan plan = PlanSite(*catalogue.index, "Title");
    SiteTextures textures(*catalogue.index);
    const SitePiece piece =
        GatherPiece(*catalogue.index, plan.pieces[1], plan.findings[1], textures);
    EXPECT_EQ(piece.name, "Many");
    EXPECT_EQ(piece.profileFile, "b_many.prt");
    EXPECT_EQ(piece.modelFile, "many.msm");
    EXPECT_EQ(piece.findings.size(), plan.findings[1].size());
    EXPECT_EQ(piece.textureCount, 18u);
    ASSERT_EQ(piece.textures.size(), 18u);

    const SiteTexture& red = piece.textures[0];
    EXPECT_EQ(red.name, "red.bmp");
    EXPECT_EQ(red.problem, "");
    EXPECT_EQ(red.width, 4);
    EXPECT_EQ(red.height, 4);
    EXPECT_TRUE(IsPng(red.png));
    EXPECT_EQ(piece.textures[1].problem, "a path, not a file name: never loaded");
    EXPECT_TRUE(piece.textures[1].png.empty());
    EXPECT_EQ(piece.textures[2].problem, "no gone.txr in the texture folder");
    EXPECT_EQ(piece.textures[3].problem.rfind("bad.txr ", 0), 0u) << piece.textures[3].problem;
    EXPECT_GT(piece.textures[3].problem.size(), 8u);
    EXPECT_TRUE(piece.textures[3].png.empty());
    EXPECT_EQ(piece.textures[16].width, 2) << "slot 16 is the viewer's last";
    EXPECT_EQ(piece.textures[16].problem, "");
    EXPECT_EQ(piece.textures[17].name, "blue.bmp");
    EXPECT_EQ(piece.textures[17].problem, "the viewer has 17 texture slots: never loaded");
    EXPECT_TRUE(piece.textures[17].png.empty());

    // The model as glTF binary, carrying the very picture the page shows.
    EXPECT_EQ(piece.glbProblem, "");
    ASSERT_GT(piece.glb.size(), 12u);
    EXPECT_EQ(std::string(piece.glb.begin(), piece.glb.begin() + 4), "glTF");
    EXPECT_TRUE(Holds(piece.glb, red.png));
    EXPECT_TRUE(IsPng(piece.thumbnailPng));
}

TEST(SiteGathering, AModelThatCannotBeShownSaysWhyAndHasNoModelFile) {
    Catalogue catalogue;
    ASSERT_TRUE(catalogue.index);
    const SitePlan plan = PlanSite(*catalogue.index, "Title");
    SiteTextures textures(*catalogue.index);
    for (std::size_t i : {0u, 2u}) {
        const SitePiece piece =
            GatherPiece(*catalogue.index, plan.pieces[i], plan.findings[i], textures);
        SCOPED_TRACE(piece.profileFile);
        EXPECT_TRUE(piece.glb.empty());
        EXPECT_EQ(piece.glbProblem, plan.findings[i].front().message);
    }
}

} // namespace
