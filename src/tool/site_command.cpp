// piecetool site [--title TEXT] PROFILES MODELS TEXTURES OUTDIR: the catalogue
// as a folder of web pages that a browser opens straight from disk. The work
// is src/site's: this file is the command line over it.
#include "common/shift_jis_text.h"
#include "site/site_files.h"
#include "site/site_gathering.h"
#include "site/site_writer.h"
#include "tool/catalogue_check.h"
#include "tool/console_text.h"
#include "tool/progress_meter.h"
#include "tool/tool_commands.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <memory>
#include <string>

namespace {

struct SiteOptions {
    std::string profiles;
    std::string models;
    std::string textures;
    std::string outDir;
    std::string title = "Pieces";
};

// The title as UTF-8: a Windows program is handed its arguments in the ANSI
// code page.
std::string TitleText(const std::string& argument) {
#ifdef _WIN32
    const int length = static_cast<int>(argument.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, argument.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, argument.data(), length, wide.data(), wideLength);
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr,
                        nullptr);
    return utf8;
#else
    return argument;
#endif
}

int RunSite(const SiteOptions& options) {
    const std::optional<CatalogueIndex> catalogue =
        OpenCatalogue(options.profiles, options.models, options.textures);
    if (!catalogue) {
        return kUsageExitCode;
    }
    const SitePlan plan = PlanSite(*catalogue, TitleText(options.title));
    ProgressMeter meter(plan.pieces.size(), "pieces", IsTerminal(stderr));
    const Result<SiteReport> report = WriteSite(options.outDir, plan.outline, [&](std::size_t i) {
        meter.Update(i);
        return GatherPiece(*catalogue, plan.pieces[i], plan.findings[i]);
    });
    meter.Clear();
    if (!report) {
        WriteLine(stderr, "piecetool: " + report.refusal().message);
        return report.refusal().code == "site-outdir" ? kUsageExitCode : 1;
    }
    for (const std::vector<Finding>& findings : plan.findings) {
        for (const Finding& finding : findings) {
            WriteLine(stdout, FindingLine(finding));
        }
    }
    for (const Finding& finding : plan.outline.unlisted) {
        WriteLine(stdout, FindingLine(finding));
    }
    for (const std::string& file : report->failedFiles) {
        WriteLine(stdout,
                  "error write-failed: " + ShownFileName(SiteFilePath(options.outDir, file)) +
                      " could not be written");
    }
    WriteLine(stdout, std::to_string(report->pieces) + " pieces written to " +
                          ShownFileName(SiteFilePath(options.outDir, kIndexPage)) + ", " +
                          std::to_string(report->errors) + " errors, " +
                          std::to_string(report->warnings) + " warnings");
    return report->errors > 0 || !report->failedFiles.empty() ? 1 : 0;
}

} // namespace

void AddSiteCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<SiteOptions>();
    CLI::App* command = app.add_subcommand(
        "site", "Writes the catalogue as web pages that a browser opens from disk: OUTDIR/"
                "index.html with a card per piece, and a page per piece with its model turning, "
                "its findings and textures. Running it again replaces the site. Exit code 0: no "
                "error found; 1: a piece has an error finding; 2: usage error.");
    command->add_option("PROFILES", options->profiles, "folder of the piece profiles (.prt)")
        ->required();
    command->add_option("MODELS", options->models, "folder of the models (.msm)")->required();
    command->add_option("TEXTURES", options->textures, "folder of the textures (.txr)")->required();
    command->add_option("OUTDIR", options->outDir, "folder of the site (made if missing)")
        ->required();
    command->add_option("--title", options->title, "the title of the index page")
        ->capture_default_str();
    command->callback([options, &exitCode] { exitCode = RunSite(*options); });
}
