// The one loader every command reads pieces with: each way a model fails to
// load gives its finding, and a model held in memory is judged as one read
// from the folder.
#include "catalogue/piece_loader.h"

#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "support/model_cases.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Codes(const LoadedPiece& piece) {
    std::vector<std::string> codes;
    for (const Finding& finding : piece.findings) {
        codes.push_back(FindingCodeText(finding.code));
    }
    return codes;
}

TEST(PieceLoader, EachWayAModelFailsToLoadHasItsFinding) {
    ScratchFolder scratch;
    const std::string models = WriteModelCases(scratch.Path().string());
    const Result<CatalogueIndex> catalogue =
        OpenCatalogue(scratch.File("profiles"), models, scratch.File("textures"));
    ASSERT_TRUE(catalogue);
    TextureFolderResolver resolver(catalogue->textures);
    const std::vector<CatalogueProfile> profiles = ListProfiles(catalogue->profiles);
    ASSERT_EQ(profiles.size(), ModelCases().size());
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const ModelCase& c = ModelCases()[i];
        ASSERT_EQ(profiles[i].fileName, c.profile);
        const LoadedPiece piece = LoadPiece(*catalogue, profiles[i], resolver);
        EXPECT_EQ(Codes(piece),
                  c.code.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.code})
            << c.profile;
        EXPECT_EQ(piece.layout.has_value(), c.code.empty()) << c.profile;
        EXPECT_EQ(piece.HasError(), !c.code.empty()) << c.profile;
        EXPECT_EQ(piece.piece, c.profile) << "the name, from the profile";
    }
    const LoadedPiece sound = LoadPiece(*catalogue, profiles[0], resolver);
    ASSERT_EQ(sound.textures.size(), 1u);
    EXPECT_TRUE(sound.textures[0].usable());
    EXPECT_EQ(sound.textures[0].lookup.file->name, "t.txr");
}

// A model held in memory: its textures come from the resolver given, and a
// model whose last group runs past its data is still drawn up to there.
TEST(PieceLoader, AModelInMemoryIsJudgedWithTheTexturesItIsGiven) {
    const Bytes texture = SolidTxr(0x00FF00, 2);
    const TextureResolver resolve = [&](std::string_view name) {
        PieceTexture found;
        found.name = std::string(name);
        found.lookup.txrName = "own.txr";
        if (name == "own.bmp") {
            found.lookup.status = TextureLookup::found;
            found.inspection = InspectTxr(texture, texture.size());
        }
        return found;
    };
    TestModel square = SquareModel({"own.bmp", "other.bmp"}, 0);
    square.textureCount = 2;
    LoadedPiece piece;
    piece.piece = "Imported";
    JudgeModel(piece, BuildMsm(square).bytes, resolve);
    EXPECT_EQ(Codes(piece), std::vector<std::string>{"texture-missing"});
    EXPECT_TRUE(piece.textures[0].usable());
    EXPECT_FALSE(piece.textures[1].usable());
    EXPECT_TRUE(piece.Drawable());

    Bytes cut = BuildMsm(square).bytes;
    cut.pop_back();
    LoadedPiece broken;
    JudgeModel(broken, cut, resolve);
    EXPECT_EQ(Codes(broken), std::vector<std::string>{"model-malformed"});
    EXPECT_TRUE(broken.Drawable()) << "names, vertices and group count are whole";
    LoadedPiece headless;
    JudgeModel(headless, Bytes(cut.begin(), cut.begin() + 12), resolve);
    EXPECT_FALSE(headless.Drawable()) << "the vertices run past the data";
}

} // namespace
