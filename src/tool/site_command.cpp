// piecetool site [--title TEXT] PROFILES MODELS TEXTURES OUTDIR: the catalogue
// as a folder of web pages that a browser opens straight from disk. The work
// is src/site's: this file is the command line over it. The pieces are read,
// drawn and compressed on every core, ahead of the writer, which writes them
// in the viewer's order.
#include "common/shift_jis_text.h"
#include "site/site_files.h"
#include "site/site_gathering.h"
#include "site/site_writer.h"
#include "catalogue/catalogue_check.h"
#include "tool/console_text.h"
#include "tool/ordered_pool.h"
#include "tool/progress_meter.h"
#include "tool/tool_commands.h"

#include <memory>
#include <string>

namespace {

struct SiteOptions {
    CatalogueFolders folders;
    std::string outDir;
    std::string title = "Pieces";
    unsigned jobs = 0;
};

int RunSite(const SiteOptions& options) {
    const CatalogueIndex catalogue = OpenCatalogue(options.folders);
    // One run at a time writes a site: two at once would each remove what
    // the other wrote, or leave pages that neither manifest lists.
    MakeOutputFolder(options.outDir);
    const FolderLocks locks = LockOutputFolders({options.outDir});
    SitePlan plan = PlanSite(catalogue, SystemTextToUtf8(options.title));
    SiteTextures textures(catalogue);
    const unsigned jobs = JobCount(options.jobs);
    OrderedPrefetch<SitePiece> pieces(
        plan.pieces.size(), jobs, 4 * static_cast<std::size_t>(jobs), [&](std::size_t i) {
            return GatherPiece(catalogue, plan.pieces[i], plan.findings[i], textures);
        });
    ProgressMeter meter(plan.pieces.size(), "pieces", IsTerminal(stderr));
    const Result<SiteReport> report = WriteSite(options.outDir, plan.outline, [&](std::size_t i) {
        meter.Update(i);
        return pieces.Take(i);
    });
    meter.Clear();
    if (!report) {
        if (report.refusal().code == "site-outdir") {
            UsageError(report.refusal().message);
        }
        WriteLine(stderr, "piecetool: " + report.refusal().message);
        return kFailureExitCode;
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
                          std::to_string(report->errors + report->failedFiles.size()) +
                          " errors, " + std::to_string(report->warnings) + " warnings");
    return report->errors > 0 || !report->failedFiles.empty() ? kFailureExitCode : 0;
}

} // namespace

void AddSiteCommand(CLI::App& app) {
    auto options = std::make_shared<SiteOptions>();
    CLI::App* command = app.add_subcommand(
        "site", "Writes the catalogue as web pages that a browser opens from disk: OUTDIR/"
                "index.html with a card per piece, and a page per piece with its model turning, "
                "its findings and textures. Running it again replaces the site. Exit code 0: no "
                "error found; 1: a piece has an error finding; 2: usage error.");
    AddCatalogueFolders(*command, options->folders);
    command->add_option("OUTDIR", options->outDir, "folder of the site (made if missing)")
        ->required();
    command->add_option("--title", options->title, "the title of the index page")
        ->capture_default_str();
    command->add_option("-j,--jobs", options->jobs, "pieces made at once (default: one per core)")
        ->check(CLI::Range(1u, 1024u));
    command->callback([options] { ExitWith(RunSite(*options)); });
}
