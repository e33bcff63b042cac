// piecetool render PROFILES MODELS TEXTURES OUTDIR [--angle A] [--size WxH]
// [--jobs N]: the picture the preview pane shows of every piece the viewer
// lists, OUTDIR/<profile name>.png, drawn in software without a display.
// Pictures are made on every core; each picture is made by one thread, so
// the bytes are the same on every run.
#include "common/file_io.h"
#include "common/output_links.h"
#include "common/shift_jis_text.h"
#include "render/piece_picture.h"
#include "catalogue/catalogue_check.h"
#include "tool/console_text.h"
#include "tool/ordered_pool.h"
#include "tool/progress_meter.h"
#include "tool/tool_commands.h"

#include <cmath>
#include <memory>

namespace {

struct RenderOptions {
    CatalogueFolders folders;
    std::string outDir;
    double angle = 0.6;
    std::string size = "256x256";
    unsigned jobs = 0;
};

// What became of one piece: the errors met, and whether a picture was written.
struct PieceOutcome {
    std::vector<Finding> errors;
    bool written = false;
};

PieceOutcome RenderPiece(const CatalogueIndex& catalogue, const CatalogueProfile& profile,
                         TextureFolderResolver& resolver, RenderTextureCache& textures,
                         const RenderOptions& options, PictureSize size) {
    PieceOutcome outcome;
    const LoadedPiece piece = LoadPiece(catalogue, profile, resolver);
    for (const Finding& finding : piece.findings) {
        if (finding.severity() == Severity::error) {
            outcome.errors.push_back(finding);
        }
    }
    if (!piece.modelRead) {
        return outcome; // no model: no picture, as the viewer shows none
    }
    const std::string name = FileStem(profile.fileName) + ".png";
    Result<std::vector<std::uint8_t>> png =
        PiecePicturePng(piece, textures, static_cast<float>(options.angle), size);
    const Status written =
        png ? WriteFileBelowFolder(options.outDir, FolderPath(options.outDir, name), *png)
            : Status(png.refusal());
    if (!written) {
        outcome.errors.push_back(
            Finding{FindingCode::writeFailed, piece.piece, piece.profile, ShownFileName(name),
                    "the picture " + ShownFileName(name) +
                        " could not be written: " + written.refusal().message});
        return outcome;
    }
    outcome.written = true;
    return outcome;
}

int RunRender(const RenderOptions& options) {
    const CatalogueIndex catalogue = OpenCatalogue(options.folders);
    const PictureSize size = ParsePictureSize(options.size).value();
    MakeOutputFolder(options.outDir);
    const FolderLocks locks = LockOutputFolders({options.outDir});
    std::vector<CatalogueProfile> listed = ListProfiles(catalogue.profiles);
    std::erase_if(listed, [](const CatalogueProfile& p) { return !p.listed(); });

    TextureFolderResolver resolver(catalogue.textures);
    RenderTextureCache textures(catalogue);
    const unsigned jobs = JobCount(options.jobs);
    ProgressMeter meter(listed.size(), "pieces", IsTerminal(stderr));
    std::size_t written = 0;
    std::size_t errors = 0;
    RunInOrder<PieceOutcome>(
        listed.size(), jobs, 8 * static_cast<std::size_t>(jobs),
        [&](std::size_t i) {
            return RenderPiece(catalogue, listed[i], resolver, textures, options, size);
        },
        [&](std::size_t i, PieceOutcome outcome) {
            meter.Clear();
            for (const Finding& finding : outcome.errors) {
                WriteLine(stderr, FindingLine(finding));
            }
            written += outcome.written ? 1 : 0;
            errors += outcome.errors.size();
            meter.Update(i + 1);
        });
    meter.Clear();
    WriteLine(stdout,
              std::to_string(written) + " pictures written, " + std::to_string(errors) + " errors");
    return errors > 0 ? kFailureExitCode : 0;
}

} // namespace

void AddRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command = app.add_subcommand(
        "render", "Draws the picture the viewer's preview shows of every piece it lists, "
                  "OUTDIR/<profile name>.png. Exit code 0: all drawn; 1: a piece had an error; "
                  "2: usage error.");
    AddCatalogueFolders(*command, options->folders);
    command->add_option("OUTDIR", options->outDir, "folder for the pictures (made if missing)")
        ->required();
    command
        ->add_option("--angle", options->angle,
                     "turn of the piece about its vertical axis, in radians (default 0.6)")
        ->check(CLI::Validator(
            [](const std::string& text) {
                try {
                    return std::isfinite(std::stod(text)) ? std::string()
                                                          : std::string("not a finite number");
                } catch (const std::exception&) {
                    return std::string("not a number");
                }
            },
            "NUMBER"));
    command
        ->add_option("--size", options->size, "width and height of the pictures (default 256x256)")
        ->type_name("WxH")
        ->check(CLI::Validator(
            [](const std::string& text) {
                const Result<PictureSize> size = ParsePictureSize(text);
                return size ? std::string() : size.refusal().message;
            },
            ""));
    command->add_option("-j,--jobs", options->jobs, "pictures made at once (default: one per core)")
        ->check(CLI::Range(1u, 1024u));
    command->callback([options] { ExitWith(RunRender(*options)); });
}
