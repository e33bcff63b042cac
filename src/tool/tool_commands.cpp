#include "tool/tool_commands.h"

#include "common/file_io.h"
#include "tool/console_text.h"

#include <algorithm>
#include <filesystem>
#include <thread>

void ExitWith(int code) {
    if (code != 0) {
        throw CLI::RuntimeError(code);
    }
}

void UsageError(const std::string& message) {
    throw CLI::ValidationError(message);
}

void AddCatalogueFolders(CLI::App& command, CatalogueFolders& folders) {
    command.add_option("PROFILES", folders.profiles, "folder of the piece profiles (.prt)")
        ->required()
        ->check(CLI::ExistingDirectory);
    command.add_option("MODELS", folders.models, "folder of the models (.msm)")
        ->required()
        ->check(CLI::ExistingDirectory);
    command.add_option("TEXTURES", folders.textures, "folder of the textures (.txr)")
        ->required()
        ->check(CLI::ExistingDirectory);
}

unsigned JobCount(unsigned asked) {
    return asked != 0 ? asked : std::max(1u, std::thread::hardware_concurrency());
}

void MakeOutputFolder(const std::string& outDir) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(outDir), error);
    if (!IsDirectory(outDir.c_str())) {
        UsageError("the output folder " + ShownFileName(outDir) + " cannot be made");
    }
}

CatalogueIndex OpenCatalogue(const CatalogueFolders& folders) {
    Result<CatalogueIndex> catalogue =
        OpenCatalogue(folders.profiles, folders.models, folders.textures);
    if (!catalogue) {
        UsageError(catalogue.refusal().message);
    }
    return std::move(catalogue).value();
}

FolderLocks LockOutputFolders(const std::vector<std::string>& folders) {
    Result<FolderLocks> locks = LockFolders(folders, LockWaitMilliseconds());
    if (!locks) {
        const std::string folder = ShownFileName(locks.refusal().message);
        WriteLine(stderr,
                  "piecetool: " + locks.refusal().code + ": the folder " + folder +
                      (locks.refusal().code == "folder-busy"
                           ? " is being written by another run of piecetool; try again "
                             "once it has finished. Nothing was written"
                           : " cannot be locked: its lock file " + std::string(kFolderLockName) +
                                 " cannot be made. Nothing was written"));
        ExitWith(kFailureExitCode);
    }
    return std::move(locks).value();
}
