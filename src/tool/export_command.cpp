// piecetool export PROFILES MODELS TEXTURES OUTDIR [--piece NAME]... [--gltf]
// [--unlit]: each piece (or the named ones) as glTF 2.0, one binary
// OUTDIR/<profile name>.glb, or .gltf + .bin + .png files with --gltf. Only
// names of our own making are written, all in OUTDIR: the profile file's name
// and a number per image; names from models are never used as paths.
#include "common/file_io.h"
#include "common/output_links.h"
#include "common/shift_jis_text.h"
#include "gltf/gltf_export.h"
#include "catalogue/catalogue_check.h"
#include "tool/console_text.h"
#include "catalogue/piece_pictures.h"
#include "tool/tool_commands.h"

#include <memory>
#include <set>
#include <string>

namespace {

struct ExportOptions {
    CatalogueFolders folders;
    std::string outDir;
    std::vector<std::string> pieces;
    bool gltf = false;
    bool unlit = false;
};

// Writes the piece's files, each complete or not at all.
Status WritePiece(const ExportOptions& options, const std::string& stem, const GltfPiece& piece) {
    if (!options.gltf) {
        return WriteFileBelowFolder(options.outDir, FolderPath(options.outDir, stem + ".glb"),
                                    PackGlb(piece));
    }
    for (std::size_t i = 0; i < piece.pngs.size(); ++i) {
        const std::string name = stem + "_" + std::to_string(i) + ".png";
        if (Status written = WriteFileBelowFolder(options.outDir, FolderPath(options.outDir, name),
                                                  piece.pngs[i]);
            !written) {
            return written;
        }
    }
    if (!piece.bin.empty()) {
        if (Status written = WriteFileBelowFolder(
                options.outDir, FolderPath(options.outDir, stem + ".bin"), piece.bin);
            !written) {
            return written;
        }
    }
    return WriteFileBelowFolder(
        options.outDir, FolderPath(options.outDir, stem + ".gltf"),
        std::span(reinterpret_cast<const std::uint8_t*>(piece.json.data()), piece.json.size()));
}

// The piece is one the options ask for: by its name as printed, its bytes,
// or its profile file's name with or without the extension. The key that
// matched goes into `found`.
bool Wanted(const ExportOptions& options, const CatalogueProfile& profile,
            std::set<std::string>& found) {
    if (options.pieces.empty()) {
        return true;
    }
    const std::string shown = ShiftJisToUtf8(profile.pieceName);
    const std::string stem = FileStem(profile.fileName);
    for (const std::string* key : {&shown, &profile.pieceName, &profile.fileName, &stem}) {
        if (std::find(options.pieces.begin(), options.pieces.end(), *key) != options.pieces.end()) {
            found.insert(*key);
            return true;
        }
    }
    return false;
}

int RunExport(const ExportOptions& options) {
    const CatalogueIndex catalogue = OpenCatalogue(options.folders);
    MakeOutputFolder(options.outDir);
    const FolderLocks locks = LockOutputFolders({options.outDir});
    std::set<std::string> found;
    CheckReport report;
    std::size_t written = 0;
    TextureFolderResolver resolver(catalogue.textures);
    for (const CatalogueProfile& profile : ListProfiles(catalogue.profiles)) {
        if (!profile.listed() || !Wanted(options, profile, found)) {
            continue; // not in the viewer's list, or not asked for
        }
        const LoadedPiece piece = LoadPiece(catalogue, profile, resolver);
        if (!piece.layout) {
            // The model is missing, cannot be read or walks past its data: the
            // loader's finding says which, as check says it.
            for (const Finding& finding : piece.findings) {
                AddFinding(report, finding);
            }
            continue;
        }
        const std::string stem = FileStem(profile.fileName);
        GltfOptions gltfOptions;
        gltfOptions.unlit = options.unlit;
        gltfOptions.embedImages = !options.gltf;
        gltfOptions.binUri = FileNameUri(stem + ".bin");
        gltfOptions.imageUri = [&stem](std::size_t i) {
            return FileNameUri(stem + "_" + std::to_string(i) + ".png");
        };
        const Result<GltfPiece> asset = BuildPieceGltf(
            piece.model, piece.piece,
            [&](int index) { return TexturePng(catalogue, piece, index); }, gltfOptions);
        const Status files = asset ? WritePiece(options, stem, *asset) : Status(asset.refusal());
        if (!files) {
            AddFinding(report,
                       Finding{FindingCode::writeFailed, piece.piece, piece.profile,
                               ShownFileName(stem),
                               "the files of this piece could not be written in " +
                                   ShownFileName(options.outDir) + ": " + files.refusal().message});
            continue;
        }
        ++written;
    }
    for (const std::string& name : options.pieces) {
        if (!found.contains(name)) {
            AddFinding(report, Finding{FindingCode::pieceUnknown, name, "", "",
                                       "no piece of the catalogue is named \"" + name + "\""});
        }
    }
    for (const Finding& finding : report.findings) {
        WriteLine(stdout, FindingLine(finding));
    }
    WriteLine(stdout, std::to_string(written) + " pieces exported, " +
                          std::to_string(report.errors) + " errors");
    return report.errors > 0 ? kFailureExitCode : 0;
}

} // namespace

void AddExportCommand(CLI::App& app) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* command = app.add_subcommand(
        "export", "Writes pieces as glTF 2.0 binaries, OUTDIR/<profile name>.glb. Exit code 0: "
                  "all written; 1: a piece could not be exported; 2: usage error.");
    AddCatalogueFolders(*command, options->folders);
    command->add_option("OUTDIR", options->outDir, "folder for the glTF files (made if missing)")
        ->required();
    command->add_option("--piece", options->pieces,
                        "export only this piece (its name, or its profile file's name); may be "
                        "given more than once");
    command->add_flag("--gltf", options->gltf, "write .gltf + .bin + .png files instead of .glb");
    command->add_flag("--unlit", options->unlit,
                      "mark every material unlit (KHR_materials_unlit), as the viewer shows it");
    command->callback([options] { ExitWith(RunExport(*options)); });
}
