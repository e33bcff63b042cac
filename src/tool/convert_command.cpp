// piecetool convert: whole folders of textures between TXR, BMP and PNG, on
// every core, with one report line per file in input order and a summary.
#include "tool/console_text.h"
#include "tool/convert_plan.h"
#include "tool/file_conversion.h"
#include "tool/ordered_pool.h"
#include "tool/progress_meter.h"
#include "tool/tool_commands.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <thread>

namespace {

struct ConvertSettings {
    std::vector<std::string> inputs;
    std::string to;
    std::string out;
    unsigned jobs = 0;
    bool recursive = false;
    bool force = false;
    bool flatten = false;
};

// The text of a path for the report, in UTF-8 as the terminal wants it.
std::string Shown(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

int RunConvert(const ConvertSettings& settings, const CLI::App& command) {
    ConvertRequest request;
    request.inputs = settings.inputs;
    if (settings.to == "txr") {
        request.to = ConvertTarget::Txr;
    } else if (settings.to == "bmp") {
        request.to = ConvertTarget::Bmp;
    } else if (settings.to == "png") {
        request.to = ConvertTarget::Png;
    }
    if (!settings.out.empty()) {
        request.outFolder = settings.out;
    }
    request.recursive = settings.recursive;
    ConvertPlan plan;
    try {
        plan = PlanConversions(request);
    } catch (const std::exception& error) {
        // A folder that changed or became unreadable while it was listed.
        plan.usageError = error.what();
    }
    if (!plan.usageError.empty()) {
        std::cerr << "piecetool: " << plan.usageError << "\n\n" << command.help();
        return kUsageExitCode;
    }

    const ConvertOptions options{settings.force, settings.flatten};
    unsigned jobs = settings.jobs;
    if (jobs == 0) {
        jobs = std::max(1u, std::thread::hardware_concurrency());
    }
    ProgressMeter meter(plan.jobs.size(), "files", IsTerminal(stderr));
    std::size_t converted = 0;
    std::size_t skipped = 0;
    std::size_t failed = 0;
    RunInOrder<FileOutcome>(
        plan.jobs.size(), jobs, 8 * static_cast<std::size_t>(jobs),
        [&](std::size_t i) { return ConvertFile(plan.jobs[i], options); },
        [&](std::size_t i, FileOutcome outcome) {
            const ConvertJob& job = plan.jobs[i];
            std::string line = Shown(job.input) + " -> " + Shown(job.output);
            switch (outcome.status) {
            case FileStatus::Converted:
                ++converted;
                break;
            case FileStatus::Skipped:
                ++skipped;
                line += ": skipped, the output exists (--force replaces it)";
                break;
            case FileStatus::Failed:
                ++failed;
                line += ": failed";
                break;
            }
            meter.Clear();
            WriteLine(stdout, line);
            for (const std::string& reason : outcome.lines) {
                WriteLine(stdout, reason);
            }
            std::fflush(stdout);
            meter.Update(i + 1);
        });
    meter.Clear();
    WriteLine(stdout, std::to_string(converted) + " converted, " + std::to_string(skipped) +
                          " skipped, " + std::to_string(failed) + " failed");
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

} // namespace

void AddConvertCommand(CLI::App& app, int& exitCode) {
    auto settings = std::make_shared<ConvertSettings>();
    CLI::App* command = app.add_subcommand(
        "convert",
        "Converts textures: .bmp, .dib and .png files become .txr files; .txr files "
        "become .bmp (or .png with --to png). Folders stand for every such file in them.");
    command->add_option("--to", settings->to, "Kind of file to write: txr, bmp or png")
        ->check(CLI::IsMember({"txr", "bmp", "png"}, CLI::ignore_case));
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
    command->add_option("INPUT", settings->inputs, "Files and folders to convert")->required();
    command->callback(
        [settings, command, &exitCode] { exitCode = RunConvert(*settings, *command); });
}
