// piecetool convert: whole folders of textures between TXR, BMP and PNG, on
// every core, with one report line per file in input order and a summary.
#include "common/shift_jis_text.h"
#include "tool/console_text.h"
#include "tool/convert_plan.h"
#include "tool/file_conversion.h"
#include "tool/ordered_pool.h"
#include "tool/progress_meter.h"
#include "tool/tool_commands.h"

#include <cstdio>
#include <memory>
#include <map>

namespace {

struct ConvertSettings {
    std::vector<std::string> inputs;
    std::optional<ConvertTarget> to;
    std::string out;
    unsigned jobs = 0;
    bool recursive = false;
    bool force = false;
    bool flatten = false;
};

// The text of a path for the report, in UTF-8 as the terminal wants it, on
// one line whatever bytes the name holds.
std::string Shown(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return ShownText(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
}

// The lines that give a refusal's reason, each beginning with two blanks.
void WriteReason(const Refusal& refusal) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = refusal.message.find('\n', start);
        WriteLine(stdout, "  " + refusal.message.substr(start, end - start));
        if (end == std::string::npos) {
            return;
        }
        start = end + 1;
    }
}

int RunConvert(const ConvertSettings& settings) {
    ConvertRequest request;
    request.inputs = settings.inputs;
    request.to = settings.to;
    if (!settings.out.empty()) {
        request.outFolder = settings.out;
    }
    request.recursive = settings.recursive;
    ConvertPlan plan;
    try {
        plan = PlanConversions(request);
    } catch (const std::exception& error) {
        // A folder that changed or became unreadable while it was listed.
        plan.usageError = Refuse("folder-unreadable", error.what());
    }
    if (plan.usageError) {
        UsageError(plan.usageError->message);
    }

    // Runs that write into one --out folder take turns; outputs beside
    // their inputs are each one file written whole, and need no turn.
    FolderLocks locks;
    if (!settings.out.empty()) {
        MakeOutputFolder(settings.out);
        locks = LockOutputFolders({settings.out});
    }
    const ConvertOptions options{settings.force, settings.flatten, settings.out};
    const unsigned jobs = JobCount(settings.jobs);
    ProgressMeter meter(plan.jobs.size(), "files", IsTerminal(stderr));
    std::size_t converted = 0;
    std::size_t skipped = 0;
    std::size_t failed = 0;
    RunInOrder<Result<FileStatus>>(
        plan.jobs.size(), jobs, 8 * static_cast<std::size_t>(jobs),
        [&](std::size_t i) { return ConvertFile(plan.jobs[i], options); },
        [&](std::size_t i, Result<FileStatus> outcome) {
            const ConvertJob& job = plan.jobs[i];
            std::string line = Shown(job.input) + " -> " + Shown(job.output);
            if (!outcome) {
                ++failed;
                line += ": failed";
            } else if (*outcome == FileStatus::Skipped) {
                ++skipped;
                line += ": skipped, the output exists (--force replaces it)";
            } else {
                ++converted;
            }
            meter.Clear();
            WriteLine(stdout, line);
            if (!outcome) {
                WriteReason(outcome.refusal());
            }
            std::fflush(stdout);
            meter.Update(i + 1);
        });
    meter.Clear();
    WriteLine(stdout, std::to_string(converted) + " converted, " + std::to_string(skipped) +
                          " skipped, " + std::to_string(failed) + " failed");
    std::fflush(stdout);
    return failed == 0 ? 0 : kFailureExitCode;
}

} // namespace

void AddConvertCommand(CLI::App& app) {
    auto settings = std::make_shared<ConvertSettings>();
    CLI::App* command = app.add_subcommand(
        "convert",
        "Converts textures: .bmp, .dib and .png files become .txr files; .txr files "
        "become .bmp (or .png with --to png). Folders stand for every such file in them.");
    const std::map<std::string, ConvertTarget> targets = {
        {"txr", ConvertTarget::Txr}, {"bmp", ConvertTarget::Bmp}, {"png", ConvertTarget::Png}};
    // Transforms run last-added first: the name is checked (with a plain
    // message) before it is mapped.
    command->add_option("--to", settings->to, "Kind of file to write: txr, bmp or png")
        ->type_name("KIND")
        ->transform(CLI::CheckedTransformer(targets, CLI::ignore_case).description(""))
        ->transform(CLI::IsMember({"txr", "bmp", "png"}, CLI::ignore_case));
    command->add_option("--out", settings->out,
                        "Folder for the outputs, mirroring the inputs' paths below each named "
                        "folder (default: beside each input)");
    command
        ->add_option("-j,--jobs", settings->jobs, "Files converted at once (default: one per core)")
        ->check(CLI::Range(1u, 1024u));
    command->add_flag("-r,--recursive", settings->recursive,
                      "Also convert the files in subfolders");
    command->add_flag("-f,--force", settings->force, "Replace outputs that already exist");
    command->add_flag("--flatten", settings->flatten,
                      "Composite transparent PNG pixels onto black instead of refusing them");
    command->add_option("INPUT", settings->inputs, "Files and folders to convert")
        ->required()
        ->check(CLI::ExistingPath);
    command->callback([settings] { ExitWith(RunConvert(*settings)); });
}
