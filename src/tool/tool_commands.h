// The commands of piecetool, registered the way CLI11 intends: each command
// is a subcommand with an options struct of its own, validators for its
// paths and ranges, and a callback that does the work. A run that found or
// met a problem ends by throwing CommandExit, which carries its exit code to
// the one place that turns errors into exit codes (piecetool's main).
#pragma once

#include "catalogue/catalogue_folders.h"
#include "common/folder_lock.h"

#include <CLI/CLI.hpp>

#include <string>

// Exit codes: 0 all went well; 1 the work found or met a failure; 2 a usage
// error (a bad option, a missing argument, a folder that does not exist), in
// which case nothing has been written.
inline constexpr int kFailureExitCode = 1;
inline constexpr int kUsageExitCode = 2;

// Ends a command's callback with `code` (nothing is printed for it: the
// command has reported already). Code 0 returns normally.
void ExitWith(int code);

// A usage error found while the command runs (two options that do not fit
// together, say): reported like a parse error, exit code 2.
[[noreturn]] void UsageError(const std::string& message);

// piecetool convert: textures between TXR, BMP and PNG, folders at a time.
void AddConvertCommand(CLI::App& app);

// piecetool check PROFILES MODELS TEXTURES [--json] [--all]
void AddCheckCommand(CLI::App& app);

// piecetool list PROFILES MODELS TEXTURES: the viewer's list as JSON
void AddListCommand(CLI::App& app);

// piecetool export PROFILES MODELS TEXTURES OUTDIR [--piece NAME]... [--gltf] [--unlit]
void AddExportCommand(CLI::App& app);

// piecetool import [OPTIONS] MODEL PROFILES MODELS TEXTURES
void AddImportCommand(CLI::App& app);

// piecetool render PROFILES MODELS TEXTURES OUTDIR [--angle A] [--size WxH] [--jobs N]
void AddRenderCommand(CLI::App& app);

// piecetool site [--title TEXT] PROFILES MODELS TEXTURES OUTDIR
void AddSiteCommand(CLI::App& app);

// The three catalogue folders every catalogue command takes first, each
// required to be an existing folder.
struct CatalogueFolders {
    std::string profiles;
    std::string models;
    std::string textures;
};
void AddCatalogueFolders(CLI::App& command, CatalogueFolders& folders);

// The threads of a --jobs option: as many as asked, 0 for one per core.
unsigned JobCount(unsigned asked);

// Makes a command's OUTDIR and the folders above it; a usage error when it
// cannot be made.
void MakeOutputFolder(const std::string& outDir);

// The folders indexed; a folder that vanished since the command line was
// checked is a usage error.
CatalogueIndex OpenCatalogue(const CatalogueFolders& folders);

// Locks the folders a command writes (see folder_lock.h), waiting the
// bounded time for a run that holds one; when one stays busy, says so naming
// the folder and ends the command with exit code 1, nothing written.
FolderLocks LockOutputFolders(const std::vector<std::string>& folders);
