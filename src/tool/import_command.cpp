// piecetool import [OPTIONS] MODEL PROFILES MODELS TEXTURES: a glTF model (a
// .glb, or a .gltf with its files beside it) becomes a piece of the
// catalogue: a profile, a model and one texture per material. The piece is
// made in memory, checked as `piecetool check` would check it once written,
// and only then written, its files all together or none.
#include "catalogue/piece_loader.h"
#include "common/count_text.h"
#include "common/file_group.h"
#include "common/file_io.h"
#include "common/shift_jis_text.h"
#include "gltf/piece_import.h"
#include "catalogue/catalogue_check.h"
#include "tool/console_text.h"
#include "tool/tool_commands.h"

#include <cmath>
#include <memory>

namespace {

struct ImportCommandOptions {
    std::string model;
    CatalogueFolders folders;
    std::string file;
    std::string name;
    std::string like;
    double scale = 1.0;
    bool palette = false;
    int maxSide = 256;
    bool force = false;
};

// The longest piece name: the profile's 128-byte field with its zero.
constexpr std::size_t kMaxPieceNameBytes = 127;

// What the check says of the piece before it is written: its files as they
// would lie in the three folders, its textures found among its own.
std::vector<Finding> CheckImportedPiece(const ImportedPiece& imported,
                                        const CatalogueFolders& folders) {
    LoadedPiece piece;
    piece.piece = imported.pieceName;
    piece.profile = ShiftJisToUtf8(imported.profile.name);
    piece.modelFile = ShiftJisToUtf8(imported.model.name);
    if (!FitsViewerPath(folders.profiles, imported.profile.name)) {
        AddFinding(piece.findings, FindingCode::pathTooLong, piece, piece.profile,
                   "the profile's path would be longer than 259 characters: the viewer passes "
                   "it over");
    }
    if (!JudgeModelPath(piece, folders.models, imported.model.name)) {
        return piece.findings;
    }
    // The texture folder as it will be: the piece's own textures in it.
    FolderIndex textures;
    textures.folder = folders.textures;
    textures.exists = true;
    for (const ImportedFile& file : imported.textures) {
        textures.byFoldedName.emplace(FoldCase(NameOnDisk(file.name)), textures.files.size());
        textures.files.push_back({NameOnDisk(file.name), file.bytes.size()});
    }
    JudgeModel(piece, imported.model.bytes, [&](std::string_view name) {
        PieceTexture texture;
        texture.name = std::string(name);
        texture.lookup = FindTexture(textures, name);
        if (texture.lookup.status == TextureLookup::found) {
            const ImportedFile& file =
                imported
                    .textures[static_cast<std::size_t>(texture.lookup.file - &textures.files[0])];
            texture.inspection = InspectTxr(file.bytes, file.bytes.size());
        }
        return texture;
    });
    return piece.findings;
}

int RunImport(const ImportCommandOptions& options) {
    ImportOptions import;
    import.stem = SystemTextToUtf8(options.file);
    import.pieceName = SystemTextToUtf8(options.name);
    import.scale = options.scale;
    import.palette = options.palette;
    import.maxSide = options.maxSide;
    if (!options.like.empty()) {
        Result<std::vector<std::uint8_t>> like =
            ReadFileBytes(options.like.c_str(), std::uint64_t{1} << 20);
        if (!like) {
            WriteLine(stderr, "piecetool: " + like.refusal().code + ": the profile " +
                                  ShownFileName(options.like) + " " + like.refusal().message);
            return kFailureExitCode;
        }
        import.likeProfile = std::move(like).value();
    }
    const Result<ImportedPiece> piece = ImportGltfFile(options.model, import);
    if (!piece) {
        WriteLine(stderr, "piecetool: " + piece.refusal().code + ": " +
                              ShownFileName(options.model) + ": " + piece.refusal().message);
        return kFailureExitCode;
    }
    const std::vector<Finding> findings = CheckImportedPiece(*piece, options.folders);
    bool error = false;
    for (const Finding& finding : findings) {
        WriteLine(finding.severity() == Severity::error ? stderr : stdout, FindingLine(finding));
        error = error || finding.severity() == Severity::error;
    }
    if (error) {
        WriteLine(stderr, "piecetool: the piece would not show as it should: nothing written");
        return kFailureExitCode;
    }
    // One import at a time into these folders; an earlier one cut short is
    // put right first, so that the existing files are whole pieces again.
    const std::vector<std::string> folders = {options.folders.profiles, options.folders.models,
                                              options.folders.textures};
    const FolderLocks locks = LockOutputFolders(folders);
    for (const std::string& folder : folders) {
        const Result<std::vector<std::string>> recovered = RecoverFileGroups(folder, folders);
        if (!recovered) {
            WriteLine(stderr, "piecetool: " + recovered.refusal().code + ": " +
                                  ShownFileName(recovered.refusal().message) +
                                  ": an import cut short cannot be put right. Nothing was written");
            return kFailureExitCode;
        }
        for (const std::string& journal : *recovered) {
            WriteLine(stderr, "piecetool: an import into these folders had been cut short and "
                              "is put right: its piece is whole again (" +
                                  ShownFileName(journal) + ")");
        }
    }
    const Result<WrittenPiece> written =
        WriteImportedPiece(*piece, options.folders.profiles, options.folders.models,
                           options.folders.textures, options.force);
    if (!written) {
        WriteLine(stderr,
                  "piecetool: " + written.refusal().code + ": " + written.refusal().message);
        return kFailureExitCode;
    }
    for (const std::string& path : written->paths) {
        WriteLine(stdout, ShownFileName(path));
    }
    for (const std::string& note : piece->notes) {
        WriteLine(stdout, "note: " + note);
    }
    WriteLine(stdout, "\"" + piece->pieceName +
                          "\": " + Counted(piece->triangles, "triangle", "triangles") + ", " +
                          Counted(piece->vertices, "vertex", "vertices") + ", " +
                          Counted(piece->fans, "fan", "fans") + ", " +
                          Counted(piece->textures.size(), "texture", "textures") +
                          (written->replaced.empty() && written->removed.empty()
                               ? ""
                               : ", replacing the piece of that name"));
    return 0;
}

} // namespace

void AddImportCommand(CLI::App& app) {
    auto options = std::make_shared<ImportCommandOptions>();
    CLI::App* command = app.add_subcommand(
        "import", "Makes a piece of a glTF model (.glb, or .gltf with its files beside it): "
                  "PROFILES/STEM.prt, MODELS/STEM.msm and TEXTURES/STEM_<i>.txr, written "
                  "together or not at all. Exit code 0: imported; 1: the model cannot be a "
                  "piece, or a file of the piece exists; 2: usage error.");
    command->add_option("MODEL", options->model, "the glTF model (.glb or .gltf)")
        ->required()
        ->check(CLI::ExistingFile);
    AddCatalogueFolders(*command, options->folders);
    command
        ->add_option("--file", options->file,
                     "stem of the piece's file names (default: MODEL's); at most 27 bytes in "
                     "Shift-JIS, no separator")
        ->type_name("STEM")
        ->check(CLI::Validator(
            [](const std::string& text) {
                const Result<std::string> stem = CheckImportStem(SystemTextToUtf8(text));
                return stem ? std::string() : stem.refusal().message;
            },
            ""));
    command
        ->add_option("--name", options->name,
                     "the piece's name (default: the name of the model's one mesh node, or STEM)")
        ->type_name("TEXT")
        ->check(CLI::Validator(
            [](const std::string& text) {
                const Result<std::string> name = Utf8ToShiftJis(SystemTextToUtf8(text));
                if (!name) {
                    return name.refusal().message;
                }
                if (name->size() > kMaxPieceNameBytes) {
                    return "takes " + std::to_string(name->size()) +
                           " bytes in Shift-JIS; a piece name holds at most 127";
                }
                return name->empty() ? std::string("a piece name cannot be empty") : std::string();
            },
            ""));
    command
        ->add_option("--like", options->like,
                     "an existing profile whose other fields (and length) the new one copies")
        ->type_name("PROFILE")
        ->check(CLI::ExistingFile);
    command->add_option("--scale", options->scale, "model units per glTF metre (default 1)")
        ->check(CLI::Validator(
            [](const std::string& text) {
                try {
                    const double scale = std::stod(text);
                    return std::isfinite(scale) && scale > 0
                               ? std::string()
                               : std::string("must be a number above 0");
                } catch (const std::exception&) {
                    return std::string("must be a number above 0");
                }
            },
            "NUMBER"));
    command->add_flag("--palette", options->palette,
                      "8-bit textures with a computed palette, instead of 24-bit");
    command
        ->add_option("--max-side", options->maxSide,
                     "largest texture side; pictures are resized to powers of two no larger "
                     "(default 256)")
        ->check(CLI::Range(2, 32768));
    command->add_flag("--force", options->force,
                      "replace the files of an existing piece of the same STEM");
    command->callback([options] { ExitWith(RunImport(*options)); });
}
