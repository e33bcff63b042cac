// The catalogue check below the command line: the viewer's order of
// profiles, files found without regard to case, and the samples. The planted
// fault of each finding code is checked end to end (piecetool_e2e_test.cpp).
#include "catalogue/catalogue_check.h"

#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(CatalogueCheck, ListsProfilesInTheViewersOrderAndFindsFilesWithoutRegardToCase) {
    ScratchFolder scratch;
    const std::string root = scratch.Path().string();
    for (const char* sub : {"/profiles", "/models", "/textures"}) {
        std::filesystem::create_directories(root + sub);
    }
    for (const char* name : {"b.prt", "A.prt", "c.PRT", "d.prt.bak", "e.txt"}) {
        WriteBytes(root + "/profiles/" + name, ProfileBytes("M.MSM", name));
    }
    WriteBytes(root + "/models/m.msm", BuildMsm(SquareModel({"SolidAZ.BMP"}, 0)).bytes);
    WriteBytes(root + "/textures/solidaz.txr", SolidTxr(0xFF0000, 2));
    const Result<CatalogueIndex> catalogue =
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
    EXPECT_TRUE(report.findings.empty())
        << "M.MSM and SolidAZ.BMP are found as m.msm and solidaz.txr";
}

#ifdef PV_SOURCE_DIR
TEST(CatalogueCheck, FindsNothingInTheSamples) {
    const std::string samples = std::string(PV_SOURCE_DIR) + "/samples";
    const Result<CatalogueIndex> catalogue =
        OpenCatalogue(samples + "/profiles", samples + "/models", samples + "/textures");
    ASSERT_TRUE(catalogue);
    const CheckReport report = CheckCatalogue(*catalogue, true, {});
    EXPECT_EQ(report.pieces, 5u);
    EXPECT_TRUE(report.findings.empty()) << FindingLine(report.findings.front());
}
#endif

} // namespace
