// The catalogue check: one generated catalogue with one planted fault per
// finding code, the viewer's order of profiles, and the samples.
#include "tool/catalogue_check.h"

#include "support/fault_catalogue.h"
#include "support/msm_builder.h"
#include "support/piece_files.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

CheckReport CheckFolder(const std::string& root, bool withInfo) {
    const std::optional<CatalogueIndex> catalogue =
        OpenCatalogue(root + "/profiles", root + "/models", root + "/textures");
    EXPECT_TRUE(catalogue.has_value()) << "the three folders exist";
    return catalogue ? CheckCatalogue(*catalogue, withInfo, {}) : CheckReport{};
}

TEST(CatalogueCheck, ReportsExactlyThePlantedFaultsWithTheirCodesAndPieces) {
    ScratchFolder scratch;
    ASSERT_TRUE(WriteFaultCatalogue(scratch.Path().string()));
    const CheckReport report = CheckFolder(scratch.Path().string(), true);
    std::vector<std::string> got;
    for (const Finding& f : report.findings) {
        got.push_back(std::string(SeverityText(f.severity)) + " " + f.code + " " + f.profile);
    }
    std::vector<std::string> expected;
    for (const PlantedFault& f : PlantedFaults()) {
        expected.push_back(f.severity + " " + f.code + " " + f.profile);
    }
    EXPECT_EQ(got, expected) << "one finding per planted fault, in the list's order";
    EXPECT_EQ(report.pieces, 13u) << "every qualifying profile, the skipped one not";
    EXPECT_EQ(report.errors, 7u);
    EXPECT_EQ(report.warnings, 5u);
    EXPECT_EQ(report.infos, 2u);
    ASSERT_EQ(report.findings.size(), expected.size());
    EXPECT_EQ(report.findings[3].file, "nowhere.txr") << "the missing file's name as looked for";
    EXPECT_EQ(report.findings[10].piece, "Good Piece") << "the duplicate's name";
    EXPECT_EQ(report.findings[12].file, "unused.msm");
    EXPECT_EQ(report.findings[13].file, "unused.txr");
    EXPECT_EQ(FindingLine(report.findings[0]),
              "error model-missing \"Missing Model\" (b_model_missing.prt): no model absent.msm "
              "in the model folder");

    const CheckReport withoutInfo = CheckFolder(scratch.Path().string(), false);
    EXPECT_EQ(withoutInfo.infos, 0u) << "unused files only with --all";
    EXPECT_EQ(withoutInfo.findings.size(), expected.size() - 2);
}

TEST(CatalogueCheck, ListsProfilesInTheViewersOrderAndFindsFilesWithoutRegardToCase) {
    ScratchFolder scratch;
    const std::string root = scratch.Path().string();
    for (const char* sub : {"/profiles", "/models", "/textures"}) {
        std::filesystem::create_directories(root + sub);
    }
    for (const char* name : {"b.prt", "A.prt", "c.PRT", "d.prt.bak", "e.txt"}) {
        WriteBytes(root + "/profiles/" + name, ProfileBytes("M.MSM", name));
    }
    WriteBytes(root + "/models/m.msm", BuildMsm(SquareModel({"Solid.BMP"}, 0)).bytes);
    WriteBytes(root + "/textures/solid.txr", SolidTxr(0xFF0000, 2));
    const std::optional<CatalogueIndex> catalogue =
        OpenCatalogue(root + "/profiles", root + "/models", root + "/textures");
    ASSERT_TRUE(catalogue);
    std::vector<std::string> order;
    for (const CatalogueProfile& p : ListProfiles(catalogue->profiles)) {
        order.push_back(p.fileName);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"A.prt", "b.prt", "c.PRT"}))
        << "only *.prt, ordered by file name without regard to case";
    const CheckReport report = CheckCatalogue(*catalogue, true, {});
    EXPECT_EQ(report.pieces, 3u);
    EXPECT_TRUE(report.findings.empty()) << "M.MSM and Solid.BMP are found as m.msm and solid.txr";
}

#ifdef PV_SOURCE_DIR
TEST(CatalogueCheck, FindsNothingInTheSamples) {
    const CheckReport report = CheckFolder(std::string(PV_SOURCE_DIR) + "/samples", true);
    EXPECT_EQ(report.pieces, 5u);
    EXPECT_TRUE(report.findings.empty()) << FindingLine(report.findings.front());
}
#endif

} // namespace
