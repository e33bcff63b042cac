// piecetool check PROFILES MODELS TEXTURES [--json] [--all]: every problem
// that would make a piece of the catalogue show wrongly, or not at all, in
// the viewer, one line each, then a summary line; or one JSON document.
#include "catalogue/catalogue_check.h"
#include "tool/console_text.h"
#include "tool/progress_meter.h"
#include "tool/tool_commands.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <string>

namespace {

struct CheckOptions {
    CatalogueFolders folders;
    bool json = false;
    bool all = false;
};

std::string JsonReport(const CheckReport& report) {
    nlohmann::ordered_json findings = nlohmann::ordered_json::array();
    for (const Finding& finding : report.findings) {
        findings.push_back({{"severity", SeverityText(finding.severity())},
                            {"code", FindingCodeText(finding.code)},
                            {"piece", finding.piece},
                            {"profile", finding.profile},
                            {"file", finding.file},
                            {"message", finding.message}});
    }
    const nlohmann::ordered_json document = {{"findings", findings},
                                             {"pieces", report.pieces},
                                             {"errors", report.errors},
                                             {"warnings", report.warnings},
                                             {"infos", report.infos}};
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

int RunCheck(const CheckOptions& options) {
    const CatalogueIndex catalogue = OpenCatalogue(options.folders);
    std::size_t profileCount = 0;
    for (const FolderFile& file : catalogue.profiles.files) {
        profileCount += FoldCase(file.name).ends_with(".prt") ? 1 : 0;
    }
    ProgressMeter meter(profileCount, "profiles", IsTerminal(stderr));
    const CheckReport report = CheckCatalogue(
        catalogue, options.all, [&meter](std::size_t done, std::size_t) { meter.Update(done); });
    meter.Clear();
    if (options.json) {
        WriteLine(stdout, JsonReport(report));
    } else {
        for (const Finding& finding : report.findings) {
            WriteLine(stdout, FindingLine(finding));
        }
        WriteLine(stdout, std::to_string(report.pieces) + " pieces checked, " +
                              std::to_string(report.errors) + " errors, " +
                              std::to_string(report.warnings) + " warnings");
    }
    return report.errors > 0 ? kFailureExitCode : 0;
}

} // namespace

void AddCheckCommand(CLI::App& app) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* check = app.add_subcommand(
        "check", "Reports every problem that would make a piece show wrongly, or not at all, "
                 "in the viewer. Exit code 0: no error; 1: errors found; 2: usage error.");
    AddCatalogueFolders(*check, options->folders);
    check->add_flag("--json", options->json, "write one JSON document instead of lines");
    check->add_flag("--all", options->all, "also list models and textures that nothing uses");
    check->callback([options] { ExitWith(RunCheck(*options)); });
}
