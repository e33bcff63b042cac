// The real piecetool of this build (under Wine for the Windows build): exit
// codes, the lines and the JSON document of check, the files of export.
#include "support/fault_catalogue.h"
#include "support/run_program.h"
#include "support/scratch.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace {

struct Catalogue {
    ScratchFolder scratch;
    std::string root = scratch.Path().string();
    Catalogue() { EXPECT_TRUE(WriteFaultCatalogue(root)); }
    std::vector<std::string> Folders() const {
        return {scratch.File("profiles"), scratch.File("models"), scratch.File("textures")};
    }
};

ProgramResult Piecetool(std::vector<std::string> arguments) {
    return RunProgram(PiecetoolUnderTest(), arguments);
}

TEST(PiecetoolE2e, CheckPrintsOneLinePerFindingAndASummary) {
    Catalogue catalogue;
    std::vector<std::string> args = {"check"};
    for (const std::string& folder : catalogue.Folders()) {
        args.push_back(folder);
    }
    const ProgramResult lines = Piecetool(args);
    EXPECT_EQ(lines.exitCode, 1) << "errors found";
    EXPECT_NE(
        lines.standardOutput.find("warning duplicate-name \"Good Piece\" (l_duplicate.prt): "),
        std::string::npos)
        << lines.standardOutput;
    EXPECT_NE(lines.standardOutput.find("13 pieces checked, 7 errors, 5 warnings"),
              std::string::npos);
    EXPECT_EQ(lines.standardOutput.find("unused-texture"), std::string::npos) << "only with --all";

    args.insert(args.end(), {"--json", "--all"});
    const ProgramResult json = Piecetool(args);
    EXPECT_EQ(json.exitCode, 1);
    const nlohmann::json document = nlohmann::json::parse(json.standardOutput, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << json.standardOutput;
    EXPECT_EQ(document["findings"].size(), PlantedFaults().size());
    EXPECT_EQ(document["findings"][1]["code"], "model-malformed");
    EXPECT_EQ(document["findings"][1]["profile"], "c_malformed.prt");
    EXPECT_EQ(document["findings"][1]["file"], "short.msm");
    EXPECT_EQ(document["errors"], 7);
    EXPECT_EQ(document["infos"], 2);
}

TEST(PiecetoolE2e, UsageErrorsExitWithTwo) {
    ScratchFolder empty;
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"check", empty.File("a")}, "is required"},
        {{"check", empty.File("none"), empty.File(""), empty.File("")}, "does not exist"},
        {{"export", empty.File("")}, "is required"},
        {{"check", "a", "b", "c", "--frobnicate"}, "--frobnicate"},
    };
    for (const auto& c : cases) {
        const ProgramResult result = Piecetool(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.says;
        EXPECT_NE(result.standardError.find(c.says), std::string::npos) << result.standardError;
    }
    const ProgramResult clean =
        Piecetool({"check", empty.File(""), empty.File(""), empty.File("")});
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_NE(clean.standardOutput.find("0 pieces checked, 0 errors, 0 warnings"),
              std::string::npos);
}

TEST(PiecetoolE2e, ExportWritesEverySoundPieceInsideOutdirOnly) {
    Catalogue catalogue;
    const std::string outDir = catalogue.scratch.File("out");
    std::vector<std::string> args = {"export"};
    for (const std::string& folder : catalogue.Folders()) {
        args.push_back(folder);
    }
    args.push_back(outDir);
    const ProgramResult result = Piecetool(args);
    EXPECT_EQ(result.exitCode, 1) << "a missing and a malformed model";
    EXPECT_NE(result.standardOutput.find("error model-malformed \"Malformed\" (c_malformed.prt)"),
              std::string::npos)
        << result.standardOutput;
    std::vector<std::string> expected;
    for (const std::string& piece : ExportablePieces()) {
        expected.push_back(piece + ".glb");
    }
    namespace fs = std::filesystem;
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(outDir)) {
        written.push_back(entry.path().filename().string());
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, expected) << "no temporary file left, nothing for the broken models";
    EXPECT_EQ(catalogue.scratch.Entries(),
              (std::vector<std::string>{"models", "out", "profiles", "textures"}))
        << "nothing written beside OUTDIR whatever a model names";

    const std::string gltfDir = catalogue.scratch.File("gltf");
    args.back() = gltfDir;
#ifdef _WIN32
    const std::string redBox = "\x90\xd4\x82\xa2\x94\xa0"; // as the console hands it over
#else
    const std::string redBox = "赤い箱";
#endif
    args.insert(args.end(), {"--gltf", "--piece", redBox, "--piece", "a_good"});
    const ProgramResult two = Piecetool(args);
    EXPECT_EQ(two.exitCode, 0) << two.standardOutput;
    EXPECT_NE(two.standardOutput.find("2 pieces exported, 0 errors"), std::string::npos);
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(gltfDir)) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a_good.bin", "a_good.gltf", "a_good_0.png",
                                               "a_good_1.png", "m_shift_jis.bin",
                                               "m_shift_jis.gltf", "m_shift_jis_0.png"}));
}

} // namespace
