// piecetool export PROFILES MODELS TEXTURES OUTDIR [--piece NAME]... [--gltf]
// [--unlit]: each piece (or the named ones) as glTF 2.0, one binary
// OUTDIR/<profile name>.glb, or .gltf + .bin + .png files with --gltf. Only
// names of our own making are written, all in OUTDIR: the profile file's name
// and a number per image; names from models are never used as paths.
#include "catalogue/piece_profile.h"
#include "common/file_io.h"
#include "preview/msm_layout.h"
#include "tool/catalogue_check.h"
#include "tool/console_text.h"
#include "gltf/gltf_export.h"
#include "tool/png_image.h"
#include "common/shift_jis_text.h"
#include "tool/tool_commands.h"

#include <filesystem>
#include <memory>
#include <set>
#include <string>

namespace {

struct ExportOptions {
    std::string profiles;
    std::string models;
    std::string textures;
    std::string outDir;
    std::vector<std::string> pieces;
    bool gltf = false;
    bool unlit = false;
};

// Writes one whole file; false, with nothing left behind, on any failure.
bool WriteWholeFile(const std::string& path, const void* data, std::size_t size) {
    OutputFile file;
    if (!BeginOutputFile(file, path.c_str())) {
        return false;
    }
    WriteOutput(file, data, size);
    return CommitOutputFile(file);
}

std::string Stem(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::vector<std::uint8_t> TexturePng(const CatalogueIndex& catalogue,
                                     const std::vector<std::string>& names, int index) {
    const TextureFile texture =
        FindTexture(catalogue.textures, names[static_cast<std::size_t>(index)]);
    if (texture.status != TextureLookup::found) {
        return {};
    }
    const std::string path = FolderPath(catalogue.textures.folder, texture.file->name);
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path.c_str(), 1u << 31);
    if (!bytes) {
        return {};
    }
    const std::optional<PngPicture> picture = TxrLevel0Picture(*bytes, false);
    return picture ? EncodePng(*picture) : std::vector<std::uint8_t>{};
}

// Writes the piece's files; false when one cannot be written.
bool WritePiece(const ExportOptions& options, const std::string& stem, const GltfPiece& piece) {
    if (!options.gltf) {
        const std::vector<std::uint8_t> glb = PackGlb(piece);
        return WriteWholeFile(FolderPath(options.outDir, stem + ".glb"), glb.data(), glb.size());
    }
    for (std::size_t i = 0; i < piece.pngs.size(); ++i) {
        const std::string name = stem + "_" + std::to_string(i) + ".png";
        if (!WriteWholeFile(FolderPath(options.outDir, name), piece.pngs[i].data(),
                            piece.pngs[i].size())) {
            return false;
        }
    }
    if (!piece.bin.empty() && !WriteWholeFile(FolderPath(options.outDir, stem + ".bin"),
                                              piece.bin.data(), piece.bin.size())) {
        return false;
    }
    return WriteWholeFile(FolderPath(options.outDir, stem + ".gltf"), piece.json.data(),
                          piece.json.size());
}

int RunExport(const ExportOptions& options) {
    const std::optional<CatalogueIndex> catalogue =
        OpenCatalogue(options.profiles, options.models, options.textures);
    if (!catalogue) {
        return kUsageExitCode;
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(options.outDir), error);
    if (!IsDirectory(options.outDir.c_str())) {
        WriteLine(stderr, "piecetool: the output folder " + ShownFileName(options.outDir) +
                              " cannot be made");
        return kUsageExitCode;
    }
    const std::set<std::string> wanted(options.pieces.begin(), options.pieces.end());
    std::set<std::string> found;
    CheckReport report;
    std::size_t written = 0;
    for (const CatalogueProfile& profile : ListProfiles(catalogue->profiles)) {
        if (!profile.qualifies || !profile.pathFits) {
            continue; // not in the viewer's list
        }
        const std::string piece = ShiftJisToUtf8(profile.pieceName);
        const std::string stem = Stem(profile.fileName);
        if (!wanted.empty()) {
            // A piece is named by its name as printed, its bytes, or its
            // profile file's name with or without the extension.
            const std::string* hit = nullptr;
            for (const std::string* key : {&piece, &profile.pieceName, &profile.fileName, &stem}) {
                if (wanted.contains(*key)) {
                    hit = key;
                    break;
                }
            }
            if (hit == nullptr) {
                continue;
            }
            found.insert(*hit);
        }
        const std::string shownProfile = ShownFileName(profile.fileName);
        const FolderFile* modelFile =
            FindInFolder(catalogue->models, NameOnDisk(profile.modelFile));
        std::optional<std::vector<std::uint8_t>> model;
        if (modelFile != nullptr && FitsViewerPath(catalogue->models.folder, profile.modelFile)) {
            model = ReadWholeFile(FolderPath(catalogue->models.folder, modelFile->name).c_str(),
                                  1u << 30);
        }
        if (!model) {
            const std::string modelName = ShiftJisToUtf8(profile.modelFile);
            AddFinding(report,
                       Finding{Severity::error, "model-missing", piece, shownProfile, modelName,
                               "no model " + modelName + " in the model folder"});
            continue;
        }
        const std::vector<std::string> names = ReadMsmTextureNames(*model);
        GltfOptions gltfOptions;
        gltfOptions.unlit = options.unlit;
        gltfOptions.embedImages = !options.gltf;
        gltfOptions.binUri = FileNameUri(stem + ".bin");
        gltfOptions.imageUri = [&stem](std::size_t i) {
            return FileNameUri(stem + "_" + std::to_string(i) + ".png");
        };
        const std::optional<GltfPiece> asset = BuildPieceGltf(
            *model, piece, [&](int index) { return TexturePng(*catalogue, names, index); },
            gltfOptions);
        if (!asset) {
            const std::string modelName = ShownFileName(modelFile->name);
            AddFinding(report,
                       Finding{Severity::error, "model-malformed", piece, shownProfile, modelName,
                               modelName + " runs past its data or holds a count byte of "
                                           "128 or more: not exported"});
            continue;
        }
        if (!WritePiece(options, stem, *asset)) {
            AddFinding(report, Finding{Severity::error, "write-failed", piece, shownProfile,
                                       ShownFileName(stem),
                                       "the files of this piece could not be written in " +
                                           ShownFileName(options.outDir)});
            continue;
        }
        ++written;
    }
    for (const std::string& name : options.pieces) {
        if (!found.contains(name)) {
            AddFinding(report, Finding{Severity::error, "piece-unknown", name, "", "",
                                       "no piece of the catalogue is named \"" + name + "\""});
        }
    }
    for (const Finding& finding : report.findings) {
        WriteLine(stdout, FindingLine(finding));
    }
    WriteLine(stdout, std::to_string(written) + " pieces exported, " +
                          std::to_string(report.errors) + " errors");
    return report.errors > 0 ? 1 : 0;
}

} // namespace

void AddExportCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* command = app.add_subcommand(
        "export", "Writes pieces as glTF 2.0 binaries, OUTDIR/<profile name>.glb. Exit code 0: "
                  "all written; 1: a piece could not be exported; 2: usage error.");
    command->add_option("PROFILES", options->profiles, "folder of the piece profiles (.prt)")
        ->required();
    command->add_option("MODELS", options->models, "folder of the models (.msm)")->required();
    command->add_option("TEXTURES", options->textures, "folder of the textures (.txr)")->required();
    command->add_option("OUTDIR", options->outDir, "folder for the glTF files (made if missing)")
        ->required();
    command->add_option("--piece", options->pieces,
                        "export only this piece (its name, or its profile file's name); may be "
                        "given more than once");
    command->add_flag("--gltf", options->gltf, "write .gltf + .bin + .png files instead of .glb");
    command->add_flag("--unlit", options->unlit,
                      "mark every material unlit (KHR_materials_unlit), as the viewer shows it");
    command->callback([options, &exitCode] { exitCode = RunExport(*options); });
}
